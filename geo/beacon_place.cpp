#include "beacon_place.h"

#include <charconv>

namespace halvion {

std::optional<double> parseDegreesText(std::string_view text)
{
    // "<Latitude|Longitude> DDdeg. MMmin. <North|South|East|West>"
    const auto blank = text.find(' ');
    const auto deg = text.find("deg. ");
    const auto min = text.find("min. ");
    if (blank == std::string_view::npos || deg == std::string_view::npos || min == std::string_view::npos
        || !(blank < deg && deg < min))
        return std::nullopt;
    int degrees = 0, minutes = 0;
    const char *degFirst = text.data() + blank + 1;
    const char *minFirst = text.data() + deg + 5;
    if (std::from_chars(degFirst, text.data() + deg, degrees).ptr != text.data() + deg
        || std::from_chars(minFirst, text.data() + min, minutes).ptr != text.data() + min || minutes >= 60)
        return std::nullopt;
    const std::string_view hemisphere = text.substr(min + 5);
    const double value = degrees + minutes / 60.0;
    if (hemisphere == "North" || hemisphere == "East")
        return value;
    if (hemisphere == "South" || hemisphere == "West")
        return -value;
    return std::nullopt;
}

GeoPoint beaconPlace(BeaconIndex station)
{
    const Beacon &b = BeaconCatalogue::beacon(station);
    return {parseDegreesText(b.latitudeText).value_or(0.0), parseDegreesText(b.longitudeText).value_or(0.0)};
}

} // namespace halvion
