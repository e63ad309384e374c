#pragma once
// The radio as Hamlib sees it: the list of rig models its backends know, and one open
// rig that can be tuned and read. Every call may block for up to the rig's timeout, so
// a HamlibRig is used only on the radio worker's thread. Hamlib's own debug output is
// silenced the first time any of this is used.

#include "radio_settings.h"

#include <optional>
#include <string>
#include <vector>

struct s_rig;

namespace halvion {

enum class RigPortKind { None, Serial, Network, Other };

struct RigModelInfo {
    int model = 0;
    std::string maker;
    std::string name;
    RigPortKind port = RigPortKind::Other;
    int rateMin = 0, rateMax = 0; // serial speeds the rig accepts; 0 when it has no serial port
    std::string label() const { return maker + " " + name; }
};

// Every model of Hamlib's backends, by maker and then model name. Built once.
const std::vector<RigModelInfo> &rigModels();
const RigModelInfo *findRigModel(int model);

// What keeps these settings from opening a rig, in words for the user; nothing when
// they are fine. Checks the model, the form of host:port for network rigs, that a
// serial device is named and (unless told not to) exists, and that the speed suits the rig.
std::optional<std::string> radioSettingsProblem(const RadioSettings &settings, bool deviceMustExist = true);

// Why the rig could not be used: it did not answer in time, nothing took the connection
// at its address (the words say what happened and what to check), or another error of
// Hamlib's, in its own words.
struct RigFailure {
    enum class Kind { NoAnswer, Unreachable, Other };
    Kind kind = Kind::Other;
    std::string text;
};

struct RigReading {
    double frequencyHz = 0;
    std::string mode; // "CW", "USB", ...
};

class HamlibRig {
public:
    HamlibRig() = default;
    ~HamlibRig();
    HamlibRig(const HamlibRig &) = delete;
    HamlibRig &operator=(const HamlibRig &) = delete;

    // Opens the rig; why, when that failed (the rig stays closed). The rig is told to
    // give up on a reply after at most a second and to keep no cache, so that every
    // reading really asks the radio and a radio that stopped answering is noticed at the
    // next reading.
    std::optional<RigFailure> open(const RadioSettings &settings);
    bool isOpen() const { return rig_ != nullptr; }
    void close();

    // CW first, then the frequency, so a rig that shifts its dial by the CW offset when
    // the mode changes still ends on the exact frequency. A rig without CW is only tuned.
    std::optional<RigFailure> tune(double frequencyHz);
    std::optional<RigFailure> read(RigReading &reading);

    // The longest wait for one reply of the radio.
    static constexpr int ReplyTimeoutMs = 1000;

private:
    std::optional<RigFailure> failure(int code) const;

    s_rig *rig_ = nullptr;
    RadioSettings settings_;
    RigPortKind port_ = RigPortKind::Other;
};

} // namespace halvion
