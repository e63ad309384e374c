#pragma once
// A beacon spot as the store and its log keep it.

#include "beacon_catalogue.h"

#include <QtGlobal>

#include <string>

namespace halvion {

struct StoredSpot {
    qint64 heardUtcMs = 0; // when it came in from the feed
    qint64 spotUtcMs = 0;  // the skimmer's own time for it, a whole minute
    BeaconIndex station = -1;
    BandIndex band = -1;
    std::string skimmer; // "KM3T-2"
    int snrDb = 0;
    double frequencyKhz = 0;
    int speedWpm = 0;

    bool operator==(const StoredSpot &) const = default;
};

} // namespace halvion
