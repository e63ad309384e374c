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
        {'4', "....-"}, {'5', "....."}, {'6', "-...."}, {'7', "--..."}, {'8', "---.."}, {'9', "----."}, {'/', "-..-."},
    };
    for (const auto &[ch, code] : Table)
        if (ch == c)
            return code;
    return {};
}

std::vector<KeyDown> callsignKeying(std::string_view callsign, double elementSeconds)
{
    std::vector<KeyDown> keys;
    double t = 0;
    bool firstLetter = true;
    for (char c : callsign) {
        const std::string_view code = morse(c);
        if (code.empty())
            continue;
        if (!firstLetter)
            t += 2 * elementSeconds; // the letter space: three elements, one already spent
        firstLetter = false;
        for (char e : code) {
            const double length = (e == '-' ? 3 : 1) * elementSeconds;
            keys.push_back({t, t + length, 1.0, -1});
            t += length + elementSeconds;
        }
    }
    return keys;
}

std::vector<KeyDown> transmission(std::string_view callsign, const Timing &timing)
{
    std::vector<KeyDown> keys = callsignKeying(callsign, timing.elementSeconds);
    double t = keys.empty() ? 0 : keys.back().end + timing.wordGapSeconds;
    for (int d = 0; d < DashCount; ++d) {
        keys.push_back({t, t + timing.dashSeconds, DashPowerRatio[static_cast<std::size_t>(d)], d});
        t += timing.dashSeconds + timing.dashGapSeconds;
    }
    return keys;
}

std::vector<KeyDown> transmission(BeaconIndex station)
{
    return transmission(BeaconCatalogue::beacon(station).callsign);
}

const char *dashPowerText(int dash)
{
    static constexpr const char *Texts[DashCount] = {"100 W", "10 W", "1 W", "0.1 W"};
    return (dash >= 0 && dash < DashCount) ? Texts[dash] : "";
}

} // namespace halvion::BeaconKeying
