#pragma once
// How the program follows the Reverse Beacon Network: whether it does at all, the
// server's telnet feed, the user's callsign for the login and the skimmers to watch.
// Four keys of the settings file, each written only once the user changes it from what
// the program would otherwise assume, so a first start writes none of them. Nothing
// is sent to any server unless the switch is on. No Qt here.

#include "settings_file.h"

#include <optional>
#include <string>
#include <vector>

namespace halvion {

namespace RbnKeys {
inline constexpr KeySpec RbnEnabled{"RbnEnabled", "NoRbnEnabled", 16};
inline constexpr KeySpec RbnServer{"RbnServer", "NoRbnServer", 255};
inline constexpr KeySpec RbnCallsign{"RbnCallsign", "NoRbnCallsign", 255};
inline constexpr KeySpec RbnSkimmers{"RbnSkimmers", "NoRbnSkimmers", 255};
inline constexpr const char *DefaultServer = "telnet.reversebeacon.net:7000";
} // namespace RbnKeys

struct RbnSettings {
    bool enabled = false;
    std::string server = RbnKeys::DefaultServer;
    std::string callsign;              // the user's own, upper case; empty: none given
    std::vector<std::string> skimmers; // upper case; empty: every skimmer counts

    bool operator==(const RbnSettings &) const = default;
};

// Missing keys give the defaults above. The switch is on only for the exact word "True".
RbnSettings readRbnSettings(const SettingsFile &settings);

// Writes the keys whose value differs from what reading the file gives now: a setting
// left as it was is never written, so an untouched file stays as it is.
void saveRbnSettings(SettingsFile &settings, const RbnSettings &next);

// Why these settings cannot be used to connect, in words for the user; nullopt when
// they can. Checked whether or not the switch is on.
std::optional<std::string> rbnSettingsProblem(const RbnSettings &settings);

// A callsign the server can be sent: 3 to 20 letters, digits and single slashes inside,
// with a letter and a digit. Nothing else ever goes to the server.
bool isSendableCallsign(const std::string &callsign);

// The watch list as the user types it, blanks or commas between callsigns: upper case,
// duplicates dropped, in the order given.
std::vector<std::string> parseSkimmerList(const std::string &text);
std::string skimmerListText(const std::vector<std::string> &skimmers); // "KM3T W3OA"

// splitHostPort, and no blank in the host.
bool splitServer(const std::string &text, std::string &host, int &port);

} // namespace halvion
