#include "hamlib_rig.h"

#include "rig_module_loader.h"

#include <algorithm>
#include <filesystem>

namespace halvion {

const std::vector<RigModelInfo> &rigModels()
{
    static const std::vector<RigModelInfo> none;
    RigBackend *backend = RigModuleLoader::backend();
    return backend ? backend->models() : none;
}

const RigModelInfo *findRigModel(int model)
{
    const auto &models = rigModels();
    const auto it = std::find_if(models.begin(), models.end(), [model](const RigModelInfo &m) { return m.model == model; });
    return it == models.end() ? nullptr : &*it;
}

std::optional<std::string> radioSettingsProblem(const RadioSettings &s, bool deviceMustExist)
{
    std::string why;
    if (!RigModuleLoader::backend(&why))
        return "Radio control is not available: " + why;
    const RigModelInfo *info = findRigModel(s.model);
    if (!info)
        return s.model == NoRigModel ? std::string("No rig model is chosen. Choose your radio from the list.")
                                     : "Rig model " + std::to_string(s.model) +
                                           " is not one Hamlib knows. Choose your radio from the list.";
    switch (info->port) {
    case RigPortKind::Network: {
        std::string host;
        int port = 0;
        if (!splitHostPort(s.port, host, port))
            return "\"" + s.port + "\" is not a network address with a port number. Enter host:port, " +
                   "for example localhost:4532.";
        break;
    }
    case RigPortKind::Serial: {
        if (s.port.empty())
            return std::string("Enter the serial device the radio is connected to, for example /dev/ttyUSB0.");
        std::error_code ec;
        if (deviceMustExist && !std::filesystem::exists(s.port, ec))
            return "There is no serial device " + s.port + ". Check the cable and the device name.";
        if (s.serialSpeed != 0 && (s.serialSpeed < info->rateMin || s.serialSpeed > info->rateMax))
            return "The " + info->label() + " talks at " + std::to_string(info->rateMin) + " to " +
                   std::to_string(info->rateMax) + " baud, not " + std::to_string(s.serialSpeed) + ".";
        break;
    }
    case RigPortKind::None:
    case RigPortKind::Other:
        break;
    }
    return std::nullopt;
}

HamlibRig::~HamlibRig() { close(); }

std::optional<RigFailure> HamlibRig::open(const RadioSettings &settings)
{
    close();
    std::string why;
    RigBackend *backend = RigModuleLoader::backend(&why);
    if (!backend)
        return RigFailure{RigFailure::Kind::Other, "Radio control is not available: " + why};
    connection_ = backend->connection();
    return connection_->open(settings);
}

void HamlibRig::close()
{
    if (connection_)
        connection_->close();
}

std::optional<RigFailure> HamlibRig::tune(double frequencyHz)
{
    if (!isOpen())
        return RigFailure{RigFailure::Kind::Other, "The radio is not open"};
    return connection_->tune(frequencyHz);
}

std::optional<RigFailure> HamlibRig::read(RigReading &reading)
{
    if (!isOpen())
        return RigFailure{RigFailure::Kind::Other, "The radio is not open"};
    return connection_->read(reading);
}

} // namespace halvion
