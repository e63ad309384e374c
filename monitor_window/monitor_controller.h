#pragma once
// The beacon monitor as the program sees it: the log, the engine that measures slots,
// the sound input and the three windows (listening, recording analysis, results). It
// is made the first time the user opens one of them, so a user who never does gets
// no log file.

#include "app_state.h"
#include "audio_input.h"
#include "monitor_engine.h"
#include "monitor_log.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

namespace halvion {

class SettingsFile;
class frmBeaconMonitor;
class frmAnalyzeRecording;
class frmMonitorResults;

// Message boxes of the monitor: title, text, and whether it reports a failure.
using MonitorMessageSink = std::function<void(const QString &title, const QString &text, bool error)>;

namespace MonitorKeys {
// New keys, written only once the user changes the value.
inline constexpr const char *Pitch = "MonitorPitch";
inline constexpr const char *Device = "MonitorDevice";
} // namespace MonitorKeys

class MonitorController : public QObject {
    Q_OBJECT
public:
    MonitorController(AppState &state, SettingsFile &settings, QString logPath,
                      std::function<qint64()> nowUtcMs, MonitorMessageSink messages, QObject *parent = nullptr);
    ~MonitorController() override;

    static MonitorMessageSink messageBoxes();

    void openMonitor();
    void openAnalyzeRecording();
    void openResults();

    frmBeaconMonitor *monitorWindow() const;
    frmAnalyzeRecording *analyzeWindow() const;
    frmMonitorResults *resultsWindow() const;

    // Opens the log on first use; false (and a message) when it cannot be opened.
    bool ensureLog();
    MonitorLog &log() { return log_; }
    MonitorEngine &engine() { return engine_; }
    AudioInput &audio() { return audio_; }
    qint64 nowUtcMs() const { return now_(); }
    void message(const QString &title, const QString &text, bool error) const { messages_(title, text, error); }

    // The pitch the tone is searched around, from the settings (600 Hz until changed).
    int pitchHz() const;
    void setPitchHz(int hz);
    QByteArray savedDeviceId() const;
    void setDeviceId(const QByteArray &id);

    bool startListening(const QByteArray &deviceId);
    void stopListening();
    bool listening() const { return audio_.isRunning(); }

    // The band measured in a slot: the one the main window followed through all of the
    // slot's audio, -1 when none was followed or it changed in the middle.
    BandIndex bandForSlot(qint64 slotNumber) const;

    void closeWindows();

private:
    void takeSamples(const std::vector<float> &samples, double sampleRate, qint64 startUtcMs);

    AppState &state_;
    SettingsFile &settings_;
    QString logPath_;
    std::function<qint64()> now_;
    MonitorMessageSink messages_;
    MonitorLog log_;
    MonitorEngine engine_;
    AudioInput audio_;
    std::map<qint64, BandIndex> slotBands_;
    QPointer<frmBeaconMonitor> monitor_;
    QPointer<frmAnalyzeRecording> analyze_;
    QPointer<frmMonitorResults> results_;
};

} // namespace halvion
