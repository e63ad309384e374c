#pragma once
// How a beacon keys its transmitter within its ten-second slot: the callsign in Morse
// at 54 ms per element (22 wpm), a word space, then four one-second dashes separated
// by letter spaces, at 100, 10, 1 and 0.1 W. The callsign and the first dash go out at
// full power. The transmitter is keyed at the very start of the slot.

#include "beacon_catalogue.h"

#include <array>
#include <string_view>
#include <vector>

namespace halvion::BeaconKeying {

inline constexpr double ElementSeconds = 0.054;
inline constexpr double DashSeconds = 1.0;
inline constexpr int DashCount = 4;
inline constexpr std::array<double, DashCount> DashWatts{100.0, 10.0, 1.0, 0.1};
// Power of each dash relative to the callsign, as a ratio: 0, -10, -20, -30 dB.
inline constexpr std::array<double, DashCount> DashPowerRatio{1.0, 0.1, 0.01, 0.001};

// One key-down stretch, in seconds from the start of the slot.
struct KeyDown {
    double start = 0;
    double end = 0;
    double powerRatio = 1.0; // relative to the callsign
    int dash = -1;           // 0..3 for the four dashes, -1 for a callsign element
};

// Dots and dashes of one letter or digit ("-.-" for K); empty for anything else.
std::string_view morse(char c);

// How a transmitter spaces its keying. Real beacons differ a little from the nominal
// timing: the gap between the callsign and the first dash, and the keying speed.
struct Timing {
    double elementSeconds = ElementSeconds;
    double wordGapSeconds = 7 * ElementSeconds;  // last callsign element's end to the first dash
    double dashGapSeconds = 3 * ElementSeconds;  // between two dashes
    double dashSeconds = DashSeconds;
};

// Every key-down of the station's transmission with its catalogue callsign, in order.
std::vector<KeyDown> transmission(BeaconIndex station);
// The same for a callsign as sent, with a transmitter's own timing.
std::vector<KeyDown> transmission(std::string_view callsign, const Timing &timing = {});
// The callsign's elements alone, the first starting at 0.
std::vector<KeyDown> callsignKeying(std::string_view callsign, double elementSeconds = ElementSeconds);

// "100 W", "10 W", "1 W", "0.1 W" for dash 0..3.
const char *dashPowerText(int dash);

} // namespace halvion::BeaconKeying
