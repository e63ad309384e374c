#pragma once
// What the radio is doing, as the main window's small radio label shows it.

#include <QMetaType>
#include <QString>

namespace halvion {

struct RadioState {
    // NotAnswering: the rig took the request and gave no reply in time. Unreachable:
    // nothing took the connection at the rig's network address.
    enum class Kind { NotConfigured, Ready, Connected, NotAnswering, Unreachable, Error };
    Kind kind = Kind::NotConfigured;
    QString model;          // "Hamlib NET rigctl"
    QString port;           // where the rig is reached, as configured: "127.0.0.1:4532", "/dev/ttyUSB0"
    QString error;          // while Kind::Error or Kind::Unreachable
    double frequencyHz = 0; // read back from the rig while Kind::Connected
    QString mode;

    bool operator==(const RadioState &) const = default;
};

// "Radio not configured", "Radio ready: Hamlib Dummy", "Radio connected to Hamlib Dummy -
// 14.100 MHz CW", "Radio not answering (127.0.0.1:4532)", "No radio answered at
// 127.0.0.1:4532: connection refused. Is rigctld running?", "Radio error: Protocol error
// (127.0.0.1:4532)". While the radio scans the five bands a connected radio reads
// "Radio scanning with Hamlib Dummy - 14.100 MHz CW".
QString radioStateText(const RadioState &state, bool scanning = false);
// "14.100 MHz", "14.1005 MHz": at least three decimals, more only when the dial has them.
QString megahertzText(double hertz);

} // namespace halvion

Q_DECLARE_METATYPE(halvion::RadioState)
