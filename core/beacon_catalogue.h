#pragma once
// The fixed catalogue of the 18 stations of the NCDXF/IARU International Beacon
// Network, in transmission order, and the five HF bands they share. Every station
// and band text the windows show comes from here.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace halvion {

using BeaconIndex = int; // 0..17, transmission order, 4U1UN first
using BandIndex = int;   // 0..4: 20, 17, 15, 12, 10 m

inline constexpr int BeaconCount = 18;
inline constexpr int BandCount = 5;

struct Beacon {
    std::string_view callsign;
    std::string_view site;
    std::string_view latitudeText;
    std::string_view longitudeText;
};

struct Band {
    std::string_view bandLabel;
    std::string_view frequencyText;
    std::string_view buttonControl;
    std::string_view buttonCaption;
    std::string_view selectedCaption;
    std::string_view tuningHint;
};

namespace BeaconCatalogue {

inline constexpr std::array<Beacon, BeaconCount> Beacons{{
    {"4U1UN", "United Nations - New York City", "Latitude 40deg. 45min. North", "Longitude 73deg. 58min. West"},
    {"VE8AT", "Canada - Eureka, Nunavut", "Latitude 79deg. 59min. North", "Longitude 85deg. 57min. West"},
    {"W6WX", "United States - Mt. Umunhum", "Latitude 37deg. 09min. North", "Longitude 121deg. 54min. West"},
    {"KH6WO", "United States - Laie, Hawaii", "Latitude 21deg. 38min. North", "Longitude 157deg. 55min. West"},
    {"ZL6B", "New Zealand - Masterton", "Latitude 41deg. 03min. South", "Longitude 175deg. 36min. East"},
    {"VK6RBP", "Australia - Rolystone", "Latitude 32deg. 06min. South", "Longitude 116deg. 03min. East"},
    {"JA2IGY", "Japan - Mt. Asama", "Latitude 34deg. 27min. North", "Longitude 136deg. 47min. East"},
    {"RR9O", "Russia - Novosibirsk", "Latitude 54deg. 59min. North", "Longitude 82deg. 54min. East"},
    {"VR2B", "China - Hong Kong", "Latitude 22deg. 16min. North", "Longitude 114deg. 09min. East"},
    {"4S7B", "Sri Lanka - Colombo", "Latitude 06deg. 54min. North", "Longitude 79deg. 52min. East"},
    {"ZS6DN", "South Africa - Pretoria", "Latitude 25deg. 54min. South", "Longitude 28deg. 16min. East"},
    {"5Z4B", "Kenya - Kiambu", "Latitude 01deg. 01min. South", "Longitude 37deg. 03min. East"},
    {"4X6TU", "Israel - Tel Aviv", "Latitude 32deg. 03min. North", "Longitude 34deg. 46min. East"},
    {"OH2B", "Finland - Karkkila", "Latitude 60deg. 32min. North", "Longitude 24deg. 06min. East"},
    {"CS3B", "Madeira - Santo da Serra", "Latitude 32deg. 43min. North", "Longitude 16deg. 48min. West"},
    {"LU4AA", "Argentina - Buenos Aires", "Latitude 34deg. 37min. South", "Longitude 58deg. 21min. West"},
    {"OA4B", "Peru - Lima", "Latitude 12deg. 04min. South", "Longitude 76deg. 57min. West"},
    {"YV5B", "Venezuela - Caracas", "Latitude 10deg. 25min. North", "Longitude 66deg. 51min. West"},
}};

inline constexpr std::array<Band, BandCount> Bands{{
    {"20", "14.100", "Command1", "20 Meters", "   20 Meters", "20 Meter Band Selected - Tune Receiver To 14.100 MHz (CW Mode)"},
    {"17", "18.110", "Command4", "17 Meters", "   17 Meters", "17 Meter Band Selected - Tune Receiver To 18.110 MHz (CW Mode)"},
    {"15", "21.150", "Command5", "15 Meters", "   15 Meters", "15 Meter Band Selected - Tune Receiver To 21.150 MHz (CW Mode)"},
    {"12", "24.930", "Command3", "12 Meters", "   12 Meters", "12 Meter Band Selected - Tune Receiver To 24.930 MHz (CW Mode)"},
    {"10", "28.200", "Command2", "10 Meters", "   10 Meters", "10 Meter Band Selected - Tune Receiver To 28.200 MHz (CW Mode)"},
}};

constexpr const Beacon &beacon(BeaconIndex i) { return Beacons.at(static_cast<std::size_t>(i)); }
constexpr const Band &band(BandIndex b) { return Bands.at(static_cast<std::size_t>(b)); }

// Exact, case-sensitive match on the whole text; the first station in
// transmission order wins.
constexpr std::optional<BeaconIndex> findByCallsign(std::string_view callsign)
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        if (Beacons[static_cast<std::size_t>(i)].callsign == callsign)
            return i;
    return std::nullopt;
}

std::string stationHeading(BeaconIndex i);                // "NCDXF Beacon Station 4U1UN"
std::string mapLabelName(BeaconIndex i);                  // "Label4U1UN"
std::string minimisedTitle(BeaconIndex i, BandIndex b);   // "4U1UN 20M Beacon"

} // namespace BeaconCatalogue
} // namespace halvion
