#include "great_circle.h"

#include "hamlib_quiet.h"

#include <hamlib/rig.h>
#include <hamlib/rotator.h>

#include <cmath>

namespace halvion {

namespace {

long wholeDegrees(double bearing)
{
    const long d = std::lround(bearing) % 360;
    return d < 0 ? d + 360 : d;
}

std::string distanceText(double km)
{
    return groupedThousands(std::lround(km / 10.0) * 10) + " km";
}

} // namespace

std::optional<PathInfo> greatCirclePaths(const GeoPoint &from, const GeoPoint &to)
{
    quietHamlib();
    double distance = 0, azimuth = 0;
    if (qrb(from.longitude, from.latitude, to.longitude, to.latitude, &distance, &azimuth) != RIG_OK)
        return std::nullopt;
    PathInfo p;
    p.shortKm = distance;
    p.shortBearing = azimuth;
    p.longKm = distance_long_path(distance);
    p.longBearing = azimuth_long_path(azimuth);
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
