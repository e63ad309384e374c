#include "next_on_band.h"

#include "schedule_clock.h"

namespace halvion {

NextOnBand nextOnBand(const ClockReading &now, BandIndex band, BeaconIndex station)
{
    using namespace ScheduleClock;
    const ScheduleTime t = fromMinuteSecond(now.minute, now.second);
    // Station i is on band b in slot (i + b) modulo 18.
    const int ownSlot = (station + band) % SlotsPerCycle;
    int slotsAhead = (ownSlot - t.SlotIndex + SlotsPerCycle) % SlotsPerCycle;

    NextOnBand next;
    next.onAirNow = slotsAhead == 0;
    if (next.onAirNow)
        slotsAhead = SlotsPerCycle;
    next.secondsAhead = slotsAhead * SecondsPerSlot - t.SecondInSlot;

    constexpr int Day = 24 * 3600;
    const int startOfDay = (now.hour * 3600 + now.minute * 60 + now.second + next.secondsAhead) % Day;
    next.start = {startOfDay / 3600, startOfDay / 60 % 60, startOfDay % 60, 0};
    return next;
}

} // namespace halvion
