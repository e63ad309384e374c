#include "radio_settings.h"

#include <charconv>
#include <cmath>

namespace halvion {

namespace {

bool parseInt(const std::string &text, int &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

} // namespace

RadioSettings readRadioSettings(const SettingsFile &settings)
{
    RadioSettings s;
    if (const auto on = settings.read(RadioKeys::Radio))
        s.enabled = *on == SettingsKeys::True;
    if (const auto model = settings.read(RadioKeys::RadioModel)) {
        if (!parseInt(*model, s.model))
            s.model = NoRigModel;
    }
    if (const auto port = settings.read(RadioKeys::RadioPort))
        s.port = *port;
    if (const auto speed = settings.read(RadioKeys::RadioSpeed)) {
        if (!parseInt(*speed, s.serialSpeed) || s.serialSpeed < 0)
            s.serialSpeed = 0;
    }
    return s;
}

void saveRadioSettings(SettingsFile &settings, const RadioSettings &next)
{
    const RadioSettings now = readRadioSettings(settings);
    if (next.enabled != now.enabled)
        settings.writeSwitch(RadioKeys::Radio.key, next.enabled);
    if (!next.enabled)
        return;
    if (next.model != now.model)
        settings.write(RadioKeys::RadioModel.key, std::to_string(next.model));
    if (next.port != now.port)
        settings.write(RadioKeys::RadioPort.key, next.port);
    if (next.serialSpeed != now.serialSpeed)
        settings.write(RadioKeys::RadioSpeed.key, std::to_string(next.serialSpeed));
}

double beaconFrequencyHz(BandIndex band)
{
    // "14.100": megahertz and three decimals of kilohertz.
    const std::string_view text = BeaconCatalogue::band(band).frequencyText;
    long kilohertz = 0;
    for (char c : text)
        if (c >= '0' && c <= '9')
            kilohertz = kilohertz * 10 + (c - '0');
    return static_cast<double>(kilohertz) * 1000.0;
}

BandIndex bandAtFrequency(double hertz)
{
    for (BandIndex b = 0; b < BandCount; ++b)
        if (std::abs(hertz - beaconFrequencyHz(b)) <= 1000.0)
            return b;
    return -1;
}

} // namespace halvion
