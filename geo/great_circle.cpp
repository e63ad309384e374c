#include "great_circle.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <GeographicLib/Math.hpp>

#include <cmath>

namespace halvion {

namespace {

using GeographicLib::Geodesic;
using GeographicLib::GeodesicLine;
using GeographicLib::Math;

long wholeDegrees(double bearing)
{
    const long d = std::lround(bearing) % 360;
    return d < 0 ? d + 360 : d;
}

double compassBearing(double azimuth)
{
    double b = std::fmod(azimuth, 360.0);
    if (b < 0)
        b += 360.0;
    return b < 360.0 ? b : 0.0; // -1e-15 + 360 rounds to 360
}

std::string distanceText(double km)
{
    return groupedThousands(std::lround(km / 10.0) * 10) + " km";
}

// The long path. On a sphere it is the rest of the great circle through both stations. On
// the ellipsoid only the equator and the meridians close on themselves: any other geodesic,
// followed once round the Earth, comes back up to some 70 km to the side of where it
// started, and one whole cycle of it (north and south again) can be 134 km shorter than
// the way round (along the equator). So the long path is the geodesic through both
// stations, continued from the user's station the other way round and measured to the
// point where it passes abreast of the beacon (where the line from there to the beacon
// meets it at right angles). Its bearing is the short path's plus 180 degrees, the way
// the antenna is turned. It is the whole equator or meridian less the short path where
// those are the path, changes smoothly as a station moves, and holds for stations close
// together as well as for nearly opposite ones.
double longPathMetres(const Geodesic &earth, const GeoPoint &from, const GeoPoint &to, double shortAzimuth,
                      double shortMetres)
{
    const GeodesicLine back = earth.Line(from.latitude, from.longitude, shortAzimuth + 180.0);
    double lat = 0, lon = 0, azi = 0, lapMetres = 0;
    // First guess: one whole cycle of the line (north and south again) less the short path.
    back.ArcPosition(360.0, lat, lon, azi, lapMetres);
    double metres = lapMetres - shortMetres;
    // Then move along the line by the beacon's distance ahead or behind; this settles to
    // a millimetre in two or three steps.
    for (int step = 0; step < 10; ++step) {
        back.Position(metres, lat, lon, azi);
        double toBeacon = 0, azimuthThere = 0, azimuthAtBeacon = 0;
        earth.Inverse(lat, lon, to.latitude, to.longitude, toBeacon, azimuthThere, azimuthAtBeacon);
        const double ahead = toBeacon * Math::cosd(azimuthThere - azi);
        metres += ahead;
        if (std::fabs(ahead) < 1e-3)
            break;
    }
    return metres;
}

} // namespace

std::optional<PathInfo> greatCirclePaths(const GeoPoint &from, const GeoPoint &to)
{
    const auto onGlobe = [](const GeoPoint &p) {
        return std::fabs(p.latitude) <= 90.0 && std::isfinite(p.longitude);
    };
    if (!onGlobe(from) || !onGlobe(to))
        return std::nullopt;
    const Geodesic &earth = Geodesic::WGS84();
    double shortMetres = 0, azimuth = 0, azimuthAtBeacon = 0;
    earth.Inverse(from.latitude, from.longitude, to.latitude, to.longitude, shortMetres, azimuth, azimuthAtBeacon);
    PathInfo p;
    p.shortKm = shortMetres / 1000.0;
    p.shortBearing = compassBearing(azimuth);
    p.longKm = longPathMetres(earth, from, to, azimuth, shortMetres) / 1000.0;
    p.longBearing = compassBearing(azimuth + 180.0);
    return p;
}

std::string pathLineText(const PathInfo &path)
{
    // Within a few kilometres the bearing means nothing and the long path is the whole way round.
    if (path.shortKm < 5.0)
        return "Less than 10 km from your station";
    return "Short path " + distanceText(path.shortKm) + " at " + std::to_string(wholeDegrees(path.shortBearing))
        + "\u00b0  \u00b7  Long path " + distanceText(path.longKm) + " at "
        + std::to_string(wholeDegrees(path.longBearing)) + "\u00b0";
}

std::string groupedThousands(long value)
{
    const std::string digits = std::to_string(value);
    const std::size_t sign = value < 0 ? 1 : 0;
    std::string out = digits.substr(0, sign);
    for (std::size_t i = sign; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace halvion
