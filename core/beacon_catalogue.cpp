#include "beacon_catalogue.h"

namespace halvion::BeaconCatalogue {

std::string stationHeading(BeaconIndex i)
{
    return "NCDXF Beacon Station " + std::string(beacon(i).callsign);
}

std::string mapLabelName(BeaconIndex i)
{
    return "Label" + std::string(beacon(i).callsign);
}

std::string minimisedTitle(BeaconIndex i, BandIndex b)
{
    return std::string(beacon(i).callsign) + " " + std::string(band(b).bandLabel) + "M Beacon";
}

} // namespace halvion::BeaconCatalogue
