#include "beacon_keying.h"

#include <utility>

namespace halvion::BeaconKeying {

std::string_view morse(char c)
{
    static constexpr std::pair<char, std::string_view> Table[] = {
        {'A', ".-"},    {'B', "-..."},  {'C', "-.-."},  {'D', "-.."},   {'E', "."},     {'F', "..-."},
        {'G', "--."},   {'H', "...."},  {'I', ".."},    {'J', ".---"},  {'K', "-.-"},   {'L', ".-.."},
        {'M', "--"},    {'N', "-."},    {'O', "---"},   {'P', ".--."},  {'Q', "--.-"},  {'R', ".-."},
        {'S', "..."},   {'T', "-"},     {'U', "..-"},   {'V', "...-"},  {'W', ".--"},   {'X', "-..-"},
        {'Y', "-.--"},  {'Z', "--.."},  {'0', "-----"}, {'1', ".----"}, {'2', "..---"}, {'3', "...--"},
        {'4', "....-"}, {'5', "....."}, {'6', "-...."}, {'7', "--..."}, {'8', "---.."}, {'9', "----."},
    };
    for (const auto &[ch, code] : Table)
        if (ch == c)
            return code;
    return {};
}

std::vector<KeyDown> transmission(BeaconIndex station)
{
    std::vector<KeyDown> keys;
    double t = 0;
    bool firstLetter = true;
    for (char c : BeaconCatalogue::beacon(station).callsign) {
        if (!firstLetter)
            t += 2 * ElementSeconds; // the letter space: three elements, one already spent
        firstLetter = false;
        for (char e : morse(c)) {
            const double length = (e == '-' ? 3 : 1) * ElementSeconds;
            keys.push_back({t, t + length, 1.0, -1});
            t += length + ElementSeconds;
        }
    }
    t += 6 * ElementSeconds; // the word space: seven elements, one already spent
    for (int d = 0; d < DashCount; ++d) {
        keys.push_back({t, t + DashSeconds, DashPowerRatio[static_cast<std::size_t>(d)], d});
        t += DashSeconds + 3 * ElementSeconds;
    }
    return keys;
}

const char *dashPowerText(int dash)
{
    static constexpr const char *Texts[DashCount] = {"100 W", "10 W", "1 W", "0.1 W"};
    return (dash >= 0 && dash < DashCount) ? Texts[dash] : "";
}

} // namespace halvion::BeaconKeying
