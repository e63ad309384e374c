#pragma once
// The two great-circle paths from the user's station to a beacon: the short path and
// the long path the other way round the Earth, each with its distance and the
// bearing to point an antenna at. Hamlib works on a sphere (111.2 km to a degree),
// which is within half a percent of the real Earth.

#include "sun_position.h"

#include <optional>
#include <string>

namespace halvion {

struct PathInfo {
    double shortKm = 0;
    double shortBearing = 0; // degrees from true north, 0..359
    double longKm = 0;
    double longBearing = 0;
};

std::optional<PathInfo> greatCirclePaths(const GeoPoint &from, const GeoPoint &to);

// "Short path 8,840 km at 166°  ·  Long path 31,190 km at 346°": distances to the
// nearest 10 km, bearings to the degree (UTF-8).
std::string pathLineText(const PathInfo &path);

// 31190 -> "31,190"
std::string groupedThousands(long value);

} // namespace halvion
