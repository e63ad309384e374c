#pragma once
// The two paths from the user's station to a beacon on the WGS84 ellipsoid (GeographicLib):
// the short path, the shortest line over the Earth's surface (a geodesic), and the long
// path, the same line the other way round the Earth, each with its distance and the
// bearing to point an antenna at.

#include "sun_position.h"

#include <optional>
#include <string>

namespace halvion {

struct PathInfo {
    double shortKm = 0;
    double shortBearing = 0; // degrees from true north, 0 <= bearing < 360, not rounded
    double longKm = 0;
    double longBearing = 0; // the short path's bearing plus 180 degrees
};

// Empty for a point off the globe (latitude beyond +-90 degrees or not a number).
std::optional<PathInfo> greatCirclePaths(const GeoPoint &from, const GeoPoint &to);

// "Short path 8,810 km at 166°  ·  Long path 31,200 km at 346°": distances to the
// nearest 10 km, bearings to the degree (UTF-8).
std::string pathLineText(const PathInfo &path);

// 31190 -> "31,190"
std::string groupedThousands(long value);

} // namespace halvion
