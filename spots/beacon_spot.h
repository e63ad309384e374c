#pragma once
// Which spots are beacon spots: the spotted callsign is one a station of the network
// signs (any "/B"-style suffix dropped) and the frequency is within 1 kHz of the
// beacon frequency of a band. Every other spot is dropped where it is read. No Qt here.

#include "beacon_callsigns.h"
#include "beacon_catalogue.h"
#include "spot_line.h"

#include <optional>
#include <string>
#include <string_view>

namespace halvion {

// How far from a band's beacon frequency a spot may be and still count.
inline constexpr double BeaconSpotToleranceKhz = 1.0;

// The callsigns the stations send, as the program knows them without the user's file.
const BeaconCallsigns &standardBeaconCallsigns();

// The station that signs this callsign in the table (the catalogue's callsigns, KH6RS
// for the Hawaii station, and what the user added). Letter case is ignored; a suffix
// after '/' is dropped unless the table holds the callsign with it. -1 for any other.
BeaconIndex stationForCallsign(std::string_view callsign, const BeaconCallsigns &table = standardBeaconCallsigns());

// A band's beacon frequency in kHz ("14.100": 14100).
double beaconFrequencyKhz(BandIndex band);
// The band whose beacon frequency is within the tolerance; -1 otherwise.
BandIndex beaconBandAt(double khz);

// A spot of one of the network's beacons, as the store keeps it.
struct BeaconSpot {
    BeaconIndex station = -1;
    BandIndex band = -1;
    std::string skimmer; // "KM3T-2"
    int snrDb = 0;
    double frequencyKhz = 0;
    int speedWpm = 0;    // 0: not given
    int minuteOfDay = 0; // the skimmer's UTC time of the spot

    bool operator==(const BeaconSpot &) const = default;
};

std::optional<BeaconSpot> beaconSpotFrom(const SpotLine &spot,
                                       const BeaconCallsigns &table = standardBeaconCallsigns());

} // namespace halvion
