#pragma once
// Each station's operational status: the flags exactly as saved in the settings
// file, and the one status chosen for the station (OK, OFF, ON, or none). The map
// draws markers from the choice; the blink follows the saved flags.

#include "beacon_catalogue.h"
#include "settings_file.h"

#include <QObject>

#include <array>

namespace halvion {

enum class BeaconStatus { None, OK, OFF, ON };

class StatusStore : public QObject {
    Q_OBJECT
public:
    explicit StatusStore(SettingsFile &settings, QObject *parent = nullptr);

    BeaconStatus SelectedStatus(BeaconIndex i) const;
    bool StatusOK(BeaconIndex i) const;
    bool StatusOFF(BeaconIndex i) const;
    bool StatusON(BeaconIndex i) const;

    // The user's choice for one station (the editor's option buttons).
    void select(BeaconIndex i, BeaconStatus status);

    // True when a status was ever saved: the key "OK 0" exists.
    bool hasSavedStatus() const;
    // First run: every station OK, and OK/OFF/ON = True/False/False written for each,
    // station by station, in one write of the file.
    void writeDefaults();
    // Loads the 54 keys into the flags and the choices (OK pass, OFF pass, ON pass).
    void ReadBeaconStatus();
    // Saves the choices: the 18 OK keys, then the 18 OFF keys, then the 18 ON keys, in
    // one write of the file.
    void writeSelection();

Q_SIGNALS:
    // A station's choice changed, by the user or while loading.
    void selectionChanged(int beaconIndex);

private:
    SettingsFile &settings_;
    std::array<BeaconStatus, BeaconCount> selected_{};
    std::array<bool, BeaconCount> ok_{}, off_{}, on_{};
};

} // namespace halvion
