#include "beacon_spot.h"

#include <cmath>

namespace halvion {

namespace {

struct ExtraCallsign {
    std::string_view callsign;
    BeaconIndex station;
};
// Callsigns a station sends besides the one in the catalogue.
constexpr ExtraCallsign ExtraCallsigns[] = {
    {"KH6RS", 3},
};

bool sameCallsign(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i])
            return false;
    }
    return true;
}

} // namespace

BeaconIndex stationForCallsign(std::string_view callsign)
{
    callsign = callsign.substr(0, callsign.find('/'));
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        if (sameCallsign(callsign, BeaconCatalogue::beacon(i).callsign))
            return i;
    for (const ExtraCallsign &extra : ExtraCallsigns)
        if (sameCallsign(callsign, extra.callsign))
            return extra.station;
    return -1;
}

double beaconFrequencyKhz(BandIndex band)
{
    long khz = 0;
    for (char c : BeaconCatalogue::band(band).frequencyText)
        if (c >= '0' && c <= '9')
            khz = khz * 10 + (c - '0');
    return static_cast<double>(khz);
}

BandIndex beaconBandAt(double khz)
{
    for (BandIndex b = 0; b < BandCount; ++b)
        if (std::abs(khz - beaconFrequencyKhz(b)) <= BeaconSpotToleranceKhz + 1e-9)
            return b;
    return -1;
}

std::optional<BeaconSpot> beaconSpotFrom(const SpotLine &spot)
{
    const BandIndex band = beaconBandAt(spot.frequencyKhz);
    if (band < 0)
        return std::nullopt;
    const BeaconIndex station = stationForCallsign(spot.spotted);
    if (station < 0)
        return std::nullopt;
    BeaconSpot b;
    b.station = station;
    b.band = band;
    b.skimmer = spot.skimmer;
    b.snrDb = spot.snrDb;
    b.frequencyKhz = spot.frequencyKhz;
    b.speedWpm = spot.speed;
    b.minuteOfDay = spot.minuteOfDay;
    return b;
}

} // namespace halvion
