#pragma once
// What the skimmers' spots suggest for the status editor: the stations heard on any
// band in the last hour (on the air), and those not heard through the last 24 hours
// the feed was connected (perhaps off the air). Only a suggestion: the editor shows
// it, and the user keeps or discards it with Ok or Cancel.

#include "beacon_catalogue.h"

#include <QString>

#include <array>

namespace halvion {

struct StatusSuggestion {
    std::array<bool, BeaconCount> heardLately{}; // spotted on any band in the last hour
    std::array<bool, BeaconCount> unheard{};     // not spotted in the last 24 h of connection
    // Why no station is called unheard, when the feed has not listened long enough.
    QString note;
};

} // namespace halvion
