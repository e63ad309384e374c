#include "pass_counter.h"

#include "schedule_clock.h"

namespace halvion {

namespace {
// Ten whole cycles: the clock changing by half an hour or an hour (summer time, a new
// time zone) leaves the schedule where it was, and the counter too.
constexpr int SlotsPerHalfHour = 30 * 60 / ScheduleClock::SecondsPerSlot;
static_assert(SlotsPerHalfHour % ScheduleClock::SlotsPerCycle == 0);
} // namespace

int PassCounter::slotOfHalfHour(const ClockReading &r)
{
    return ((r.minute % 30) * 60 + r.second) / ScheduleClock::SecondsPerSlot;
}

void PassCounter::reset(const ClockReading &now)
{
    passNumber_ = 1;
    beaconInPass_ = 1;
    lastSlot_ = slotOfHalfHour(now);
}

int PassCounter::advance(const ClockReading &now)
{
    const int slot = slotOfHalfHour(now);
    if (lastSlot_ < 0) {
        lastSlot_ = slot;
        return 0;
    }
    const int passed = ((slot - lastSlot_) % SlotsPerHalfHour + SlotsPerHalfHour) % SlotsPerHalfHour;
    lastSlot_ = slot;
    // A clock set back (a time sync, say) looks like most of a half hour passed: count
    // nothing and go on from the new slot.
    if (passed > SlotsPerHalfHour / 2)
        return 0;
    int wraps = 0;
    const int total = beaconInPass_ - 1 + passed;
    wraps = total / ScheduleClock::SlotsPerCycle;
    beaconInPass_ = total % ScheduleClock::SlotsPerCycle + 1;
    passNumber_ += wraps;
    return wraps;
}

} // namespace halvion
