#include "pass_counter.h"

#include "schedule_clock.h"

namespace halvion {

namespace {
constexpr int SlotsPerDay = 24 * 3600 / ScheduleClock::SecondsPerSlot;
}

int PassCounter::slotOfDay(const ClockReading &r)
{
    return (r.hour * 3600 + r.minute * 60 + r.second) / ScheduleClock::SecondsPerSlot;
}

void PassCounter::reset(const ClockReading &now)
{
    passNumber_ = 1;
    beaconInPass_ = 1;
    lastSlot_ = slotOfDay(now);
}

int PassCounter::advance(const ClockReading &now)
{
    const int slot = slotOfDay(now);
    if (lastSlot_ < 0) {
        lastSlot_ = slot;
        return 0;
    }
    const int passed = ((slot - lastSlot_) % SlotsPerDay + SlotsPerDay) % SlotsPerDay;
    lastSlot_ = slot;
    // A clock set back (a time sync, say) looks like almost a whole day passed: count
    // nothing and go on from the new slot.
    if (passed > SlotsPerDay / 2)
        return 0;
    int wraps = 0;
    const int total = beaconInPass_ - 1 + passed;
    wraps = total / ScheduleClock::SlotsPerCycle;
    beaconInPass_ = total % ScheduleClock::SlotsPerCycle + 1;
    passNumber_ += wraps;
    return wraps;
}

} // namespace halvion
