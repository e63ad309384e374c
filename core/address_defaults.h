#pragma once
// Built-in addresses: the NIST daytime servers the time dialog offers (the first is
// the default) and the reference web pages the menus open until the settings file
// names others.

#include <array>
#include <string_view>

namespace halvion {

struct NistServer {
    std::string_view hostName;
    std::string_view address; // dotted quad, used for the connection
};

inline constexpr std::array<NistServer, 6> NistServerTable{{
    {"time-a-g.nist.gov", "129.6.15.28"},
    {"time-b-g.nist.gov", "129.6.15.29"},
    {"time-c-g.nist.gov", "129.6.15.30"},
    {"time-a-wwv.nist.gov", "132.163.97.1"},
    {"time-b-wwv.nist.gov", "132.163.97.2"},
    {"utcnist.colorado.edu", "128.138.140.44"},
}};

namespace DefaultAddress {
inline constexpr std::string_view NistServer = NistServerTable[0].address;
inline constexpr std::string_view Ncdxf = "https://www.ncdxf.org/beacon/index.html";
inline constexpr std::string_view Greyline = "https://dx.qsl.net/propagation/greyline.html";
inline constexpr std::string_view Propagation = "https://dx.qsl.net/propagation/";
inline constexpr std::string_view Wwv = "https://services.swpc.noaa.gov/text/wwv.txt";
inline constexpr std::string_view DxPeditions = "https://www.ng3k.com/Misc/adxo.html";
inline constexpr std::string_view Bulletin425 = "https://www.425dxn.org/";
} // namespace DefaultAddress

} // namespace halvion
