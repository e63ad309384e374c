#pragma once
// Where the sun stands: the subsolar point (the place on Earth with the sun straight
// overhead) at an instant, and the sun's altitude seen from any place. The greyline
// follows from the altitude: day above the horizon, twilight down to 12 degrees below.

#include "utc_clock.h"

namespace halvion {

struct GeoPoint {
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive, -180..180

    bool operator==(const GeoPoint &) const = default;
};

// The subsolar point: latitude = the sun's declination, longitude = where it is noon.
GeoPoint subsolarPoint(UtcSeconds t);

// The sun's altitude in degrees above the horizon at a place (no refraction), given
// the subsolar point.
double sunAltitude(const GeoPoint &place, const GeoPoint &subsolar);

} // namespace halvion
