#pragma once
// The PC clock's error measured from the air: the beacons are keyed by GPS at the
// start of their slots, so the offset of every transmission that was heard and named
// the expected station says how far the PC clock is off (plus the propagation and
// audio delays, a few tens of milliseconds). One slot can be fooled; the median of
// the last several is not.

#include "slot_measurement.h"

#include <deque>
#include <optional>
#include <vector>

namespace halvion {

class ClockOffsetTracker {
public:
    static constexpr int SlotsNeeded = 5;
    static constexpr double ToleranceSeconds = 0.3;
    static constexpr qint64 MaxAgeSlots = 60; // ten minutes

    void add(const SlotMeasurement &m);
    void clear() { offsets_.clear(); }

    // The median offset of the last SlotsNeeded confirmed slots of the last ten
    // minutes; positive when the PC clock is ahead. None until there are enough.
    std::optional<double> offsetSeconds() const;
    // True when the clock stays off by more than the tolerance over those slots.
    bool clockIsOff() const;

    // A recording's clock error from its slots' clock readings: the median of those that
    // had one, when there are at least three and most agree within 0.1 s; positive when
    // the start time given was late. None when the slots do not tell.
    static std::optional<double> recordingClockError(const std::vector<SlotMeasurement> &rows);

private:
    struct Entry {
        qint64 slot;
        double offset;
    };
    std::deque<Entry> offsets_;
};

} // namespace halvion
