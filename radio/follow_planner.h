#pragma once
// Follow mode: one station chosen by the user is heard on each band in turn. It is on
// 20 m in slot i, then one slot later on 17 m, and so on up to 10 m; for the other
// thirteen slots of the cycle the radio waits on 20 m for its next run. The planner
// says, for one reading of the clock, which band is wanted and whether that is a new
// step, so the display changes band at the slot start seen by the same tick that draws
// it: never twice, and never for a slot already gone. (The radio is moved ahead of the
// slot by follow mode's own timer.)

#include "beacon_catalogue.h"
#include "schedule_clock.h"

#include <optional>
#include <string>

namespace halvion {

namespace FollowPlan {
// The six steps of a cycle: 0..4 the station's run on 20, 17, 15, 12 and 10 m, and
// Waiting, the rest of the cycle, spent on 20 m.
inline constexpr int Waiting = BandCount;

constexpr int stepOf(BeaconIndex station, int slot)
{
    const int sinceRun = (slot - station + ScheduleClock::SlotsPerCycle) % ScheduleClock::SlotsPerCycle;
    return sinceRun < BandCount ? sinceRun : Waiting;
}

constexpr BandIndex bandOf(int step) { return step == Waiting ? 0 : step; }

// Seconds until the station's next run starts on 20 m (0 while it is on the air).
constexpr int secondsToNextRun(BeaconIndex station, const ScheduleTime &t)
{
    const int sinceRun = (t.SlotIndex - station + ScheduleClock::SlotsPerCycle) % ScheduleClock::SlotsPerCycle;
    if (sinceRun < BandCount)
        return 0;
    return (ScheduleClock::SlotsPerCycle - sinceRun) * ScheduleClock::SecondsPerSlot - t.SecondInSlot;
}

// "Following ZS6DN on 17 m" while it is on the air, "Following ZS6DN - next on 20 m in 1:05"
// while waiting.
std::string followText(BeaconIndex station, const ScheduleTime &t);
} // namespace FollowPlan

class FollowPlanner {
public:
    void start(BeaconIndex station);
    void stop();
    bool active() const { return station_ >= 0; }
    BeaconIndex station() const { return station_; }

    // The band to tune and show when this reading of the clock begins a new step (or
    // is the first reading since start); nothing while the step is the one already done.
    std::optional<BandIndex> step(const ScheduleTime &t);

private:
    BeaconIndex station_ = -1;
    int lastStep_ = -1;
};

} // namespace halvion
