#pragma once
// How the program reaches the radio: whether it does at all, the Hamlib rig model, the
// port (a serial device, or host:port for a rig shared over the network) and the serial
// speed. Kept in four keys of the settings file, each written only once the user changes
// it from what the program would otherwise assume, so a first start writes none of them.

#include "beacon_catalogue.h"
#include "host_port.h"
#include "settings_file.h"

#include <string>

namespace halvion {

namespace RadioKeys {
inline constexpr KeySpec Radio{"Radio", "NoRadio", 255};
inline constexpr KeySpec RadioModel{"RadioModel", "NoRadioModel", 255};
inline constexpr KeySpec RadioPort{"RadioPort", "NoRadioPort", 255};
inline constexpr KeySpec RadioSpeed{"RadioSpeed", "NoRadioSpeed", 255};
} // namespace RadioKeys

// Hamlib's network rig: a rigctld serving the radio, on this machine or another.
inline constexpr int NetRigctlModel = 2;
inline constexpr int NoRigModel = -1;

struct RadioSettings {
    bool enabled = false;
    int model = NetRigctlModel; // NoRigModel when the stored text is not a number
    std::string port = "localhost:4532";
    int serialSpeed = 0; // 0: the rig's own default

    bool operator==(const RadioSettings &) const = default;
};

// Missing keys give the defaults above. "Radio" is on only for the exact word "True";
// a model that is not a whole number gives NoRigModel, a speed that is not one gives 0.
RadioSettings readRadioSettings(const SettingsFile &settings);

// Writes the keys whose value differs from what reading the file gives now: a setting
// left as it was is never written, so an untouched file stays as it is. When the radio
// is switched off only the switch is written; the other fields keep what is stored.
void saveRadioSettings(SettingsFile &settings, const RadioSettings &next);

// A band's beacon frequency in hertz, from the catalogue's text ("18.110": 18110000).
double beaconFrequencyHz(BandIndex band);
// The band whose beacon frequency the receiver's dial is on, within 1 kHz; -1 otherwise.
BandIndex bandAtFrequency(double hertz);

} // namespace halvion
