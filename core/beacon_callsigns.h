#pragma once
// The callsigns each beacon station may really send. The catalogue keeps the name the
// network lists; on the air a station sometimes signs another (the Hawaii beacon signs
// KH6RS). Anything that recognises a station by what it sends - the monitor hearing
// its keying, a spot feed naming it - asks this table, so every callsign here is taken
// as the same station. The user may add entries in a plain-text file (see parse()).

#include "beacon_catalogue.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvion {

class BeaconCallsigns {
public:
    struct Entry {
        BeaconIndex station = 0;
        std::string callsign;
    };
    struct LineError {
        int line = 0;         // 1 for the first line
        std::string message;  // what is wrong with it
    };

    // The catalogue's callsign of every station, then the known alternatives.
    static BeaconCallsigns standard();

    const std::vector<Entry> &entries() const { return entries_; }
    std::vector<std::string> callsignsOf(BeaconIndex station) const;
    // The station a callsign belongs to; letter case and blanks around it do not matter.
    std::optional<BeaconIndex> stationOf(std::string_view callsign) const;

    // Adds a callsign for a station; false when it is not a callsign Morse can send
    // (letters, digits and '/' only, 3 to 12 of them) or already belongs to a station.
    bool add(BeaconIndex station, std::string_view callsign, std::string *why = nullptr);

    // Adds the entries of a user's file. One entry a line: the station, as its catalogue
    // callsign or its number 1..18 in transmission order, then the callsign it sends,
    // separated by blanks ("KH6WO KH6RS" or "4 KH6RS"). Blank lines and lines starting
    // with '#' are skipped. A line that cannot be used is left out and reported.
    std::vector<LineError> parse(std::string_view text);

    // The name of the user's file in the program's data folder.
    static constexpr const char *FileName = "beacon_callsigns.txt";

private:
    std::vector<Entry> entries_;
};

} // namespace halvion
