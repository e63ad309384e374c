#include "beacon_callsigns.h"

#include <algorithm>
#include <cctype>

namespace halvion {

namespace {

std::string upper(std::string_view s)
{
    std::string out;
    for (char c : s)
        out.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        const std::size_t from = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > from)
            out.push_back(s.substr(from, i - from));
    }
    return out;
}

} // namespace

BeaconCallsigns BeaconCallsigns::standard()
{
    BeaconCallsigns table;
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        table.entries_.push_back({i, std::string(BeaconCatalogue::beacon(i).callsign)});
    table.add(3, "KH6RS"); // Laie, Hawaii signs KH6RS on the air
    return table;
}

std::vector<std::string> BeaconCallsigns::callsignsOf(BeaconIndex station) const
{
    std::vector<std::string> out;
    for (const Entry &e : entries_)
        if (e.station == station)
            out.push_back(e.callsign);
    return out;
}

std::optional<BeaconIndex> BeaconCallsigns::stationOf(std::string_view callsign) const
{
    const std::string wanted = upper(trimmed(callsign));
    for (const Entry &e : entries_)
        if (e.callsign == wanted)
            return e.station;
    return std::nullopt;
}

bool BeaconCallsigns::add(BeaconIndex station, std::string_view callsign, std::string *why)
{
    const auto fail = [why](const char *text) {
        if (why)
            *why = text;
        return false;
    };
    if (station < 0 || station >= BeaconCount)
        return fail("no such station");
    const std::string call = upper(trimmed(callsign));
    if (call.size() < 3 || call.size() > 12)
        return fail("a callsign has 3 to 12 characters");
    if (!std::all_of(call.begin(), call.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '/'; }))
        return fail("a callsign has only letters, digits and '/'");
    if (const auto owner = stationOf(call))
        return fail(*owner == station ? "the station has this callsign already" : "the callsign belongs to another station");
    entries_.push_back({station, call});
    return true;
}

std::vector<BeaconCallsigns::LineError> BeaconCallsigns::parse(std::string_view text)
{
    std::vector<LineError> errors;
    int lineNumber = 0;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        const std::string_view line = trimmed(text.substr(from, end - from));
        from = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        const auto w = words(line);
        if (w.size() != 2) {
            errors.push_back({lineNumber, "expected the station and the callsign it sends, separated by a blank"});
            continue;
        }
        std::optional<BeaconIndex> station;
        const std::string first = upper(w[0]);
        if (std::all_of(first.begin(), first.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            const int number = first.size() <= 2 ? std::stoi(first) : 0;
            if (number >= 1 && number <= BeaconCount)
                station = number - 1;
        } else {
            station = BeaconCatalogue::findByCallsign(first);
        }
        std::string why;
        if (!station)
            errors.push_back({lineNumber, "\"" + std::string(w[0]) +
                                              "\" is not a station: give its catalogue callsign or its number 1 to 18"});
        else if (!add(*station, w[1], &why))
            errors.push_back({lineNumber, "\"" + std::string(w[1]) + "\": " + why});
    }
    return errors;
}

} // namespace halvion
