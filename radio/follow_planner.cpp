#include "follow_planner.h"

namespace halvion {

std::string FollowPlan::followText(BeaconIndex station, const ScheduleTime &t)
{
    const std::string call(BeaconCatalogue::beacon(station).callsign);
    const int step = stepOf(station, t.SlotIndex);
    if (step != Waiting)
        return "Following " + call + " on " + std::string(BeaconCatalogue::band(step).bandLabel) + " m";
    const int wait = secondsToNextRun(station, t);
    const std::string seconds = std::to_string(wait % 60);
    return "Following " + call + " - next on 20 m in " + std::to_string(wait / 60) + ":" +
           (seconds.size() < 2 ? "0" : "") + seconds;
}

void FollowPlanner::start(BeaconIndex station)
{
    station_ = station;
    lastStep_ = -1;
}

void FollowPlanner::stop()
{
    station_ = -1;
    lastStep_ = -1;
}

std::optional<BandIndex> FollowPlanner::step(const ScheduleTime &t)
{
    if (!active())
        return std::nullopt;
    const int now = FollowPlan::stepOf(station_, t.SlotIndex);
    if (now == lastStep_)
        return std::nullopt;
    lastStep_ = now;
    return FollowPlan::bandOf(now);
}

} // namespace halvion
