#pragma once
// Counts the beacons heard since a band was chosen: beacon 1 to 18 of pass 1, 2, ...
// It counts slot boundaries, not ticks: it remembers the slot it counted last and on
// each tick moves on once for every slot start passed since then, so a late, early,
// doubled or skipped tick changes nothing. Like the schedule it looks only at the minute
// and second, and only at their place in the half hour, so a clock that jumps by a whole
// half hour or hour counts just the slot starts really passed.

#include "clock_source.h"

namespace halvion {

class PassCounter {
public:
    // Pass 1, beacon 1, counting from the slot the clock is in now.
    void reset(const ClockReading &now);
    // Moves on over the slot starts passed since the last count; returns how many
    // times a pass was completed (the beacon number wrapped from 18 to 1).
    int advance(const ClockReading &now);

    int passNumber() const { return passNumber_; }
    int beaconInPass() const { return beaconInPass_; }

private:
    static int slotOfHalfHour(const ClockReading &r);

    int passNumber_ = 1;
    int beaconInPass_ = 1;
    int lastSlot_ = -1; // slot of the half hour counted last; -1 until the first reset
};

} // namespace halvion
