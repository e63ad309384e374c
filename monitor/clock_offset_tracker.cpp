#include "clock_offset_tracker.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace halvion {

void ClockOffsetTracker::add(const SlotMeasurement &m)
{
    if (!m.heard() || !m.identityMatch())
        return;
    offsets_.push_back({m.slotNumber, m.offsetSeconds});
    while (offsets_.size() > std::size_t(SlotsNeeded))
        offsets_.pop_front();
    while (!offsets_.empty() && m.slotNumber - offsets_.front().slot > MaxAgeSlots)
        offsets_.pop_front();
}

std::optional<double> ClockOffsetTracker::offsetSeconds() const
{
    if (offsets_.size() < std::size_t(SlotsNeeded))
        return std::nullopt;
    std::vector<double> v;
    for (const Entry &e : offsets_)
        v.push_back(e.offset);
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool ClockOffsetTracker::clockIsOff() const
{
    if (offsets_.size() < std::size_t(SlotsNeeded))
        return false;
    const bool allAhead = std::all_of(offsets_.begin(), offsets_.end(),
                                      [](const Entry &e) { return e.offset > ToleranceSeconds; });
    const bool allBehind = std::all_of(offsets_.begin(), offsets_.end(),
                                       [](const Entry &e) { return e.offset < -ToleranceSeconds; });
    return allAhead || allBehind;
}

std::optional<double> ClockOffsetTracker::recordingClockError(const std::vector<SlotMeasurement> &rows)
{
    std::vector<double> v;
    for (const SlotMeasurement &m : rows)
        if (std::isfinite(m.clockErrorSeconds))
            v.push_back(m.clockErrorSeconds);
    if (v.size() < 3)
        return std::nullopt;
    std::sort(v.begin(), v.end());
    const double mid = v[v.size() / 2];
    const auto agree = std::count_if(v.begin(), v.end(), [mid](double e) { return std::abs(e - mid) <= 0.1; });
    if (2 * std::size_t(agree) <= v.size())
        return std::nullopt;
    return mid;
}

} // namespace halvion
