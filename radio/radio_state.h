#pragma once
// What the radio is doing, as the main window's small radio label shows it.

#include <QMetaType>
#include <QString>

namespace halvion {

struct RadioState {
    enum class Kind { NotConfigured, Ready, Connected, Error };
    Kind kind = Kind::NotConfigured;
    QString model;          // "Hamlib NET rigctl"
    QString error;          // while Kind::Error
    double frequencyHz = 0; // read back from the rig while Kind::Connected
    QString mode;

    bool operator==(const RadioState &) const = default;
};

// "Radio not configured", "Radio ready: Hamlib Dummy", "Radio connected to Hamlib Dummy -
// 14.100 MHz CW", "Radio error: IO error".
QString radioStateText(const RadioState &state);
// "14.100 MHz", "14.1005 MHz": at least three decimals, more only when the dial has them.
QString megahertzText(double hertz);

} // namespace halvion

Q_DECLARE_METATYPE(halvion::RadioState)
