#pragma once
// The rig as the radio worker sees it, without naming Hamlib: the models there are, and
// a connection to one rig that can be opened, tuned and read. Hamlib and its own
// libraries are loaded only by the module that implements this (halvion_hamlib), which
// the program opens the first time radio control is switched on or its dialog lists the
// models, so a user who never uses the radio does not load them.

#include "radio_settings.h"

#include <QtPlugin>

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The longest wait for one reply of the radio.
inline constexpr int RigReplyTimeoutMs = 1000;

// One rig. Every call may block for up to the rig's timeout.
class RigConnection {
public:
    virtual ~RigConnection() = default;
    virtual std::optional<RigFailure> open(const RadioSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual std::optional<RigFailure> tune(double frequencyHz) = 0;
    virtual std::optional<RigFailure> read(RigReading &reading) = 0;
};

// What the module's entry point gives. Safe to call from any thread.
class RigBackend {
public:
    virtual ~RigBackend() = default;
    // Every model of Hamlib's backends, by maker and then model name; built once.
    virtual const std::vector<RigModelInfo> &models() = 0;
    virtual std::unique_ptr<RigConnection> connection() = 0;
};

} // namespace halvion

#define HALVION_RIG_BACKEND_IID "invalid.halvion.Halvion.RigBackend/1"
Q_DECLARE_INTERFACE(halvion::RigBackend, HALVION_RIG_BACKEND_IID)
