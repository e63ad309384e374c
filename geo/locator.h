#pragma once
// The user's own station, given as a Maidenhead locator: a 4-character square
// ("JO62") or a 6-character subsquare ("JO62qm"), letters in either case. The place
// it stands for is the centre of that square.

#include "sun_position.h"

#include <string>
#include <string_view>

namespace halvion {

enum class LocatorError { None, Empty, Length, Characters };

struct Locator {
    LocatorError error = LocatorError::Empty;
    std::string text; // as it is written: "JO62", "JO62qm"; empty when not a locator
    GeoPoint centre;
    bool valid() const { return error == LocatorError::None; }
};

// Blanks around the text are ignored; anything else that is not a square or a
// subsquare is refused with the reason.
Locator parseLocator(std::string_view text);

// What the user is told when the text is refused.
std::string locatorErrorText(LocatorError error);

// "Latitude 52deg. 30min. North, Longitude 13deg. 00min. East", rounded to the
// minute, written as the station positions are.
std::string positionText(const GeoPoint &place);

} // namespace halvion
