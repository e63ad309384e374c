#pragma once
// When a station is next heard on a band, from the schedule alone: each station has
// one ten-second slot per three-minute cycle on each band.

#include "beacon_catalogue.h"
#include "clock_source.h"

namespace halvion {

struct NextOnBand {
    bool onAirNow = false;  // transmitting on the band at this reading
    int secondsAhead = 0;   // until its next slot begins (after the running one, when on the air)
    ClockReading start;     // the local time that slot begins (hour, minute, second)
};

NextOnBand nextOnBand(const ClockReading &now, BandIndex band, BeaconIndex station);

} // namespace halvion
