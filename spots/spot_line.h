#pragma once
// One line of a DX-cluster style spot feed, as the Reverse Beacon Network's telnet
// server sends them:
//
//     DX de KM3T-2-#:  14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z
//
// the skimmer that heard it (the feed's "-#" mark dropped), the frequency in kHz, the
// callsign it heard, the mode, the signal-to-noise ratio, the speed, a comment ("NCDXF B",
// "BEACON", "CQ") and the UTC time in hours and minutes. The reader takes the fields by
// their order, not by their columns, so padding and tabs do not matter. A line that
// begins like a spot but cannot be read whole is malformed: nothing of it is used.
// No Qt here: the fuzzer builds it on its own.

#include <string>
#include <string_view>

namespace halvion {

struct SpotLine {
    std::string skimmer;      // upper case, without "-#": "KM3T-2"; at most MaxSkimmerLength
    double frequencyKhz = 0;  // 100 kHz .. 300 MHz
    std::string spotted;      // upper case, as heard: "CS3B", "CS3B/B"
    std::string mode;         // "CW", "RTTY", "FT8"; empty when the line gives none
    int snrDb = 0;            // -99 .. 199
    int speed = 0;            // words per minute or bauds; 0 when the line gives none
    std::string comment;      // "NCDXF B", words joined by one blank; may be empty
    int minuteOfDay = 0;      // 0 .. 1439, from "2259Z"

    bool operator==(const SpotLine &) const = default;
};

enum class SpotLineKind {
    Spot,      // a spot, read whole
    Text,      // anything else the server says: greetings, prompts, notices
    Malformed, // begins with "DX de" but is not a spot
};

inline constexpr std::size_t MaxSkimmerLength = 15;
inline constexpr std::size_t MaxCallsignLength = 20;

// Reads one line (without its line end). `out` is filled only for a spot.
SpotLineKind readSpotLine(std::string_view line, SpotLine &out);

// The line as the feed lays it out, for the test streams and the fuzzer's round trip.
std::string formatSpotLine(const SpotLine &spot);

// "Please enter your call:", "login:": the server waits for the user's callsign.
bool looksLikeLoginPrompt(std::string_view text);

} // namespace halvion
