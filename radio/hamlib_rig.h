#pragma once
// The radio as Hamlib sees it: the list of rig models its backends know, and one open
// rig that can be tuned and read. Every call may block for up to the rig's timeout, so
// a HamlibRig is used only on the radio worker's thread. The work is done by the rig
// module (rig_module_loader.h), opened on the first call of any of these; when it
// cannot be opened there are no models and a rig fails to open, saying why.

#include "rig_backend.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace halvion {

// Every model of Hamlib's backends, by maker and then model name. Built once.
const std::vector<RigModelInfo> &rigModels();
const RigModelInfo *findRigModel(int model);

// What keeps these settings from opening a rig, in words for the user; nothing when
// they are fine. Checks the model, the form of host:port for network rigs, that a
// serial device is named and (unless told not to) exists, and that the speed suits the rig.
std::optional<std::string> radioSettingsProblem(const RadioSettings &settings, bool deviceMustExist = true);

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
    bool isOpen() const { return connection_ && connection_->isOpen(); }
    void close();

    // CW first, then the frequency, so a rig that shifts its dial by the CW offset when
    // the mode changes still ends on the exact frequency. A rig without CW is only tuned.
    std::optional<RigFailure> tune(double frequencyHz);
    std::optional<RigFailure> read(RigReading &reading);

    // The longest wait for one reply of the radio.
    static constexpr int ReplyTimeoutMs = RigReplyTimeoutMs;

private:
    std::unique_ptr<RigConnection> connection_;
};

} // namespace halvion
