#include "locator.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

namespace halvion {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// "JO62qm": field and square in capitals, subsquare in small letters, as hams write it.
std::string conventional(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        out[i] = static_cast<char>(i < 4 ? std::toupper(c) : std::tolower(c));
    }
    return out;
}

// The centre of a square or subsquare written conventionally ("JO62", "JO62qm"), or
// nothing when a character is out of its range: the field is two letters A to R
// (20 degrees of longitude by 10 of latitude), the square two digits (2 by 1 degrees),
// the subsquare two letters a to x (5 by 2.5 minutes).
std::optional<GeoPoint> squareCentre(const std::string &text)
{
    struct Pair {
        char first;
        int count;
        double longitudeStep, latitudeStep;
    };
    static constexpr std::array<Pair, 3> pairs{{{'A', 18, 20.0, 10.0}, {'0', 10, 2.0, 1.0}, {'a', 24, 2.0 / 24, 1.0 / 24}}};
    double longitude = -180, latitude = -90;
    double longitudeStep = 0, latitudeStep = 0;
    for (std::size_t pair = 0; pair * 2 < text.size(); ++pair) {
        const Pair &p = pairs[pair];
        const int x = text[pair * 2] - p.first, y = text[pair * 2 + 1] - p.first;
        if (x < 0 || x >= p.count || y < 0 || y >= p.count)
            return std::nullopt;
        longitudeStep = p.longitudeStep;
        latitudeStep = p.latitudeStep;
        longitude += x * longitudeStep;
        latitude += y * latitudeStep;
    }
    return GeoPoint{latitude + latitudeStep / 2, longitude + longitudeStep / 2};
}

} // namespace

Locator parseLocator(std::string_view text)
{
    Locator result;
    const std::string_view t = trimmed(text);
    if (t.empty())
        return result;
    for (const char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80) { // not even a single character of the alphabet
            result.error = LocatorError::Characters;
            return result;
        }
    }
    if (t.size() != 4 && t.size() != 6) {
        result.error = LocatorError::Length;
        return result;
    }
    const std::string candidate = conventional(t);
    const auto centre = squareCentre(candidate);
    if (!centre) {
        result.error = LocatorError::Characters;
        return result;
    }
    result.error = LocatorError::None;
    result.text = candidate;
    result.centre = *centre;
    return result;
}

std::string locatorErrorText(LocatorError error)
{
    switch (error) {
    case LocatorError::None:
        return {};
    case LocatorError::Empty:
        return "Please enter your Maidenhead locator, for example JO62 or JO62qm.";
    case LocatorError::Length:
        return "A locator has 4 or 6 characters, for example JO62 or JO62qm.";
    case LocatorError::Characters:
        return "This is not a Maidenhead locator: two letters A to R, two digits 0 to 9, "
               "then, if you like, two letters A to X.";
    }
    return {};
}

std::string positionText(const GeoPoint &place)
{
    const auto part = [](double degrees, int width, const char *positive, const char *negative) {
        const long totalMinutes = std::lround(std::fabs(degrees) * 60.0);
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%0*lddeg. %02ldmin. %s", width, totalMinutes / 60, totalMinutes % 60,
                      degrees < 0 ? negative : positive);
        return std::string(buffer);
    };
    return "Latitude " + part(place.latitude, 2, "North", "South") + ", Longitude "
        + part(place.longitude, 1, "East", "West");
}

} // namespace halvion
