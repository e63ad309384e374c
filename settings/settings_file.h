#pragma once
// The program's settings: one INI file, Halvion.ini, one section "Halvion", read and
// written key by key the moment a value is needed or changed. Every key, the text
// that marks it missing and its size limit live here and nowhere else.

#include "profile_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace halvion {

// How one key is read: its name, the marker text that comes back when the key is
// missing, and the size limit (at most sizeLimit - 1 characters are returned).
struct KeySpec {
    std::string_view key;
    std::string_view marker;
    int sizeLimit;
};

enum class StatusWord { OK, OFF, ON };

namespace SettingsKeys {
inline constexpr std::string_view Section = "Halvion";
inline constexpr std::string_view FileName = "Halvion.ini";
inline constexpr std::string_view True = "True";
inline constexpr std::string_view False = "False";

// Every read lands in a text buffer of this many characters: no limit goes beyond it.
inline constexpr int ReadBufferSize = 255;

// Shared by the seven option keys: at most 15 characters and none of their words.
inline constexpr std::string_view OptionMarker = "NoOptionKey";

inline constexpr KeySpec StatusProbe{"OK 0", "NoBeaconStatus", 16};

inline constexpr KeySpec LEDSpeed{"LEDSpeed", OptionMarker, 16};
inline constexpr KeySpec Toggle{"Toggle", OptionMarker, 16};
inline constexpr KeySpec PassFlag{"PassFlag", OptionMarker, 16};
inline constexpr KeySpec ActGauge{"ActGauge", OptionMarker, 16};
inline constexpr KeySpec MarkersLED{"MarkersLED", OptionMarker, 16};
inline constexpr KeySpec SatTrack{"SatTrack", OptionMarker, 16};
inline constexpr KeySpec Legend{"Legend", OptionMarker, 16};
// Map aids, written only once the user changes them: the greyline switch ("True"
// shows it) and the user's Maidenhead locator (empty: no station).
inline constexpr KeySpec GreylineMap{"GreylineMap", OptionMarker, 16};
inline constexpr KeySpec MyLocator{"MyLocator", "NoLocator", 16};
// The main window, written only once the user changes them: its size ("900x650", in
// pixels), times in UTC ("True"), starting on the band tracked last ("True") and that
// band ("20" ... "10", written as the program ends while the option is on).
inline constexpr KeySpec MainWinSize{"MainWinSize", OptionMarker, 32};
inline constexpr KeySpec UtcTimes{"UtcTimes", OptionMarker, 16};
inline constexpr KeySpec StartOnLastBand{"StartOnLastBand", OptionMarker, 16};
inline constexpr KeySpec LastBand{"LastBand", OptionMarker, 16};

inline constexpr KeySpec AOTAtLoad{"AOT", "NoAOT", 255};
inline constexpr KeySpec AOT{"AOT", "No IniFile", 255};
inline constexpr KeySpec CompactWinTop{"CompactWinTop", "No IniFile", 255};
inline constexpr KeySpec CompactWinLeft{"CompactWinLeft", "No IniFile", 255};

inline constexpr KeySpec TimeNistIP{"Time NIST IP", "NoNIST", 255};
inline constexpr KeySpec NCDXFweb{"NCDXFweb", "NoNCDXF", 255};
inline constexpr KeySpec GreylineWEB{"GreylineWEB", "NoGreyline", 255};
inline constexpr KeySpec PropWEB{"PropWEB", "NoPropWEB", 255};
inline constexpr KeySpec WWVweb{"WWVweb", "NoWWV", 255};
inline constexpr KeySpec DXPeditionsWEB{"DXPeditionsWEB", "NoDXPeditions", 255};
inline constexpr KeySpec Bulletin425WEB{"Bulletin425WEB", "NoBulletin425", 255};

inline constexpr std::string_view StatusMarker = "";
inline constexpr int StatusSizeLimit = 16;

// "OK 0" ... "ON 17": the word, one blank, the station index without leading zeros.
std::string statusKeyName(StatusWord word, int beaconIndex);
} // namespace SettingsKeys

class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    SettingsFile(std::string path, ProfileFile::Writer writer); // tests inject a failing writer

    const std::string &path() const { return profile_.path(); }

    // The key's text, cut to sizeLimit - 1 characters and at the first NUL; the
    // marker itself when the key (or the file) is missing.
    std::string readText(const KeySpec &key) const;
    // The same, with "missing" told apart: nullopt exactly when the marker came back.
    std::optional<std::string> read(const KeySpec &key) const;
    // A status key's text read with the empty marker ("" when missing).
    std::string readStatus(StatusWord word, int beaconIndex) const;

    // One key set in the section; false when the file could not be written.
    // Callers of the program ignore the result: a failed write is silent.
    bool write(std::string_view key, std::string_view value);
    bool writeSwitch(std::string_view key, bool on) { return write(key, on ? SettingsKeys::True : SettingsKeys::False); }
    bool writeStatus(StatusWord word, int beaconIndex, bool on);

    // Several keys set in one replacement of the file, in the given order: the file ends
    // byte for byte as after one write() per key, but is written once.
    using Batch = std::vector<std::pair<std::string, std::string>>;
    bool write(const Batch &keys);
    static std::pair<std::string, std::string> statusEntry(StatusWord word, int beaconIndex, bool on);

private:
    ProfileFile profile_;
};

// The compact window's position in twips: a minus sign when negative, one leading
// blank otherwise, a decimal point only when there is a fraction (" 2850", "-120").
std::string formatPosition(double twips);
// The number at the start of the text, leading blanks skipped; 0 when there is none
// (or when it lies beyond the range of a double). Never an exponent: "1e3" reads as 1.
double parsePosition(std::string_view text);

} // namespace halvion
