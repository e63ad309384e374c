#pragma once
// The beacon monitor as the rest of the program sees it. The monitor, with the sound
// input, the signal processing, the log and its charts, is a module of its own that the
// program opens the first time the user asks for one of its windows, so a user who never
// does pays neither the memory nor the start-up time of those libraries. This header is
// all the program knows of it: it names no library of the monitor's.

#include "beacon_catalogue.h"
#include "spot_archive.h"
#include "spot_view.h"

#include <QObject>
#include <QString>
#include <QtPlugin>

#include <functional>
#include <memory>
#include <optional>

namespace halvion {

struct AppState;
class SettingsFile;
class MessageSink;
class MonitorController;

// The PC clock's error heard from the beacons: how far it is off and from how many slots.
struct MonitorAirOffset {
    double seconds = 0;
    int slots = 0;
};

// What the program lends the monitor, and where the monitor tells what it heard and asks
// for the radio. The references outlive the monitor.
struct MonitorHost {
    AppState *state = nullptr;
    SettingsFile *settings = nullptr;
    MessageSink *messages = nullptr;
    // Where the log is kept; empty for the user's data folder.
    QString logPath;
    std::function<qint64()> nowUtcMs; // ms since 1970, UTC
    // A slot was measured, so a station's level (levelText) may have changed.
    std::function<void()> measured;
    // The PC clock's error heard from the air since the last slot; none while the
    // monitor does not listen or the clock is right.
    std::function<void(std::optional<MonitorAirOffset>)> airOffsetChanged;
    // Scan mode: tune the receiver to this band's beacon frequency now.
    std::function<void(BandIndex)> tuneRequested;
    std::function<void(bool)> scanModeChanged;
    // What the Reverse Beacon Network's skimmers heard (null while the program holds
    // none), and the feed's status line, for the results window's "Heard by skimmers".
    std::function<const SpotView *()> spots;
    std::function<QString()> spotStatus;
};

class MonitorModule {
public:
    virtual ~MonitorModule() = default;

    virtual void openMonitor() = 0;
    virtual void openAnalyzeRecording() = 0;
    virtual void openResults() = 0;
    virtual void closeWindows() = 0;

    // Scan mode moves the receiver through the five bands, one slot each.
    virtual void setScanMode(bool on) = 0;
    virtual bool scanMode() const = 0;
    // Whether radio control is on, and the band the radio reports its dial on (-1 between
    // bands or when it does not answer).
    virtual void setRadioAvailable(bool available) = 0;
    virtual void setReceiverBand(BandIndex band) = 0;

    // The station's last level on the band ("10 W", "-" measured and not heard), empty
    // when the monitor measured it not lately.
    virtual QString levelText(BeaconIndex station, BandIndex band) const = 0;

    // The skimmers' spots or the feed's status changed: the results window asks again.
    virtual void spotsChanged() = 0;

    // The monitor itself, for the tests that drive it inside the program.
    virtual MonitorController *controller() = 0;
};

// What the module's entry point gives: a monitor made for the program that asks.
class MonitorModuleFactory {
public:
    virtual ~MonitorModuleFactory() = default;
    virtual std::unique_ptr<MonitorModule> create(const MonitorHost &host) = 0;
    // The skimmers' spots kept in the monitor's SQLite file (its own tables), for the
    // program's spot store: open, or not with its errorText() saying why. Needs no
    // monitor; the program asks for it when the user first turns the feed on.
    virtual std::unique_ptr<SpotArchive> openSpotLog(const QString &path) = 0;
};

} // namespace halvion

#define HALVION_MONITOR_MODULE_IID "invalid.halvion.Halvion.MonitorModuleFactory/2"
Q_DECLARE_INTERFACE(halvion::MonitorModuleFactory, HALVION_MONITOR_MODULE_IID)
