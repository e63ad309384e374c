#include "beacon_spot.h"

#include <cmath>

namespace halvion {

const BeaconCallsigns &standardBeaconCallsigns()
{
    static const BeaconCallsigns table = BeaconCallsigns::standard();
    return table;
}

BeaconIndex stationForCallsign(std::string_view callsign, const BeaconCallsigns &table)
{
    if (callsign.empty() || callsign.size() > 20)
        return -1;
    if (const auto station = table.stationOf(callsign))
        return *station;
    const std::size_t slash = callsign.find('/');
    if (slash == std::string_view::npos)
        return -1;
    return table.stationOf(callsign.substr(0, slash)).value_or(-1);
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

std::optional<BeaconSpot> beaconSpotFrom(const SpotLine &spot, const BeaconCallsigns &table)
{
    const BandIndex band = beaconBandAt(spot.frequencyKhz);
    if (band < 0)
        return std::nullopt;
    const BeaconIndex station = stationForCallsign(spot.spotted, table);
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
