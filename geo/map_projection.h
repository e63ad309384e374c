#pragma once
// Where a place lies on the main window's world map (assets/map/world_map.png, made
// by scripts/make_map.sh): a plate carrée 580 x 244 pixels on which longitude lon and
// latitude lat fall at x = 1.6282 lon + 275.05, y = -1.6071 lat + 146.46. It runs from
// about 168.9 W across the date line to 187.3 E, and from 91.1 N to 60.7 S.

namespace halvion::WorldMap {

inline constexpr int Width = 580;
inline constexpr int Height = 244;
inline constexpr double XPerDegree = 1.6282;
inline constexpr double XAtZero = 275.05;
inline constexpr double YPerDegree = -1.6071;
inline constexpr double YAtZero = 146.46;

constexpr double x(double longitude) { return XPerDegree * longitude + XAtZero; }
constexpr double y(double latitude) { return YPerDegree * latitude + YAtZero; }
constexpr double longitudeAt(double x) { return (x - XAtZero) / XPerDegree; }
constexpr double latitudeAt(double y) { return (y - YAtZero) / YPerDegree; }

// A longitude of -180..180 moved by a whole turn where the map shows it: places west
// of its left edge (the far western Pacific) are drawn east of the date line.
constexpr double shownLongitude(double longitude)
{
    return x(longitude) < 0 ? longitude + 360.0 : longitude;
}

} // namespace halvion::WorldMap
