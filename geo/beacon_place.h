#pragma once
// Where each beacon station stands, as a point on the globe, read from the latitude
// and longitude texts of the catalogue ("Latitude 25deg. 54min. South"), so the
// catalogue stays the one place that knows it.

#include "beacon_catalogue.h"
#include "sun_position.h"

#include <optional>
#include <string_view>

namespace halvion {

GeoPoint beaconPlace(BeaconIndex station);

// "Latitude 25deg. 54min. South" -> -25.9; "Longitude 121deg. 54min. West" -> -121.9.
std::optional<double> parseDegreesText(std::string_view text);

} // namespace halvion
