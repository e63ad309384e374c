#include "sun_position.h"

#include <libnova/precession.h>
#include <libnova/sidereal_time.h>
#include <libnova/solar.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace halvion {

namespace {

constexpr double Rad = std::numbers::pi / 180.0;

double normalisedLongitude(double lon)
{
    lon = std::fmod(lon + 180.0, 360.0);
    if (lon < 0)
        lon += 360.0;
    return lon - 180.0;
}

} // namespace

GeoPoint subsolarPoint(UtcSeconds t)
{
    // Julian day of the instant; 2440587.5 is 1970-01-01 00:00 UTC.
    const double jd = 2440587.5 + static_cast<double>(t) / 86400.0;
    ln_equ_posn sunJ2000{};
    ln_get_solar_equ_coords(jd, &sunJ2000);
    // libnova gives the sun against the equinox of J2000; the sidereal time below is
    // reckoned from the equinox of the date, so the position is carried forward to it
    // (a quarter of a degree per twenty years, not to be left out).
    ln_equ_posn sun{};
    ln_get_equ_prec(&sunJ2000, jd, &sun);
    // The sun is overhead where the local sidereal time equals its right ascension.
    const double greenwichSiderealDegrees = ln_get_apparent_sidereal_time(jd) * 15.0;
    return {sun.dec, normalisedLongitude(sun.ra - greenwichSiderealDegrees)};
}

double sunAltitude(const GeoPoint &place, const GeoPoint &subsolar)
{
    const double s = std::sin(place.latitude * Rad) * std::sin(subsolar.latitude * Rad)
        + std::cos(place.latitude * Rad) * std::cos(subsolar.latitude * Rad)
            * std::cos((place.longitude - subsolar.longitude) * Rad);
    return std::asin(std::clamp(s, -1.0, 1.0)) / Rad;
}

} // namespace halvion
