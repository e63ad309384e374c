#pragma once
// The beacon monitor as the program sees it: the log, the engine that measures slots,
// the sound input and the three windows (listening, recording analysis, results). It
// is made the first time the user opens one of them, so a user who never does gets
// no log file.

#include "app_state.h"
#include "audio_input.h"
#include "monitor_engine.h"
#include "monitor_log.h"
#include "message_sink.h"

#include <QObject>
#include <QPointer>

class QTimer;

#include <functional>
#include <map>

namespace halvion {

class SettingsFile;
class frmBeaconMonitor;
class frmAnalyzeRecording;
class frmMonitorResults;

namespace MonitorKeys {
// New keys, written only once the user changes the value.
inline constexpr const char *Pitch = "MonitorPitch";
inline constexpr const char *Device = "MonitorDevice";
} // namespace MonitorKeys

class MonitorController : public QObject {
    Q_OBJECT
public:
    MonitorController(AppState &state, SettingsFile &settings, QString logPath,
                      std::function<qint64()> nowUtcMs, MessageSink &messages, QObject *parent = nullptr);
    ~MonitorController() override;

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
    // A message box over the window in front; `error` gives it the exclamation icon.
    void message(const QString &title, const QString &text, bool error) const;

    // The pitch the tone is searched around, from the settings (600 Hz until changed).
    int pitchHz() const;
    void setPitchHz(int hz);
    QByteArray savedDeviceId() const;
    void setDeviceId(const QByteArray &id);

    bool startListening(const QByteArray &deviceId);
    void stopListening();
    bool listening() const { return audio_.isRunning(); }

    // The band measured in a slot. Plain mode: the one the main window followed through
    // all of the slot's audio, -1 when none was followed or it changed in the middle.
    // Scan mode: the band of the scan rotation.
    BandIndex bandForSlot(qint64 slotNumber) const;

    // Scan mode moves the receiver through the rotation: half a second before every
    // slot it asks for the band of that slot with tuneRequested (the radio control
    // answers it). Plain mode measures the band the main window follows.
    void setScanMode(bool on);
    bool scanMode() const { return scanMode_; }
    void ScanTimer_Timer();
    QTimer *ScanTimer = nullptr;

    void closeWindows();

Q_SIGNALS:
    // Scan mode: tune the receiver to this band's beacon frequency now.
    void tuneRequested(halvion::BandIndex band);

private:
    void scheduleScan();

    void takeSamples(const std::vector<float> &samples, double sampleRate, qint64 startUtcMs);

    AppState &state_;
    SettingsFile &settings_;
    QString logPath_;
    std::function<qint64()> now_;
    MessageSink &messages_;
    MonitorLog log_;
    MonitorEngine engine_;
    AudioInput audio_;
    std::map<qint64, BandIndex> slotBands_;
    bool scanMode_ = false;
    QPointer<frmBeaconMonitor> monitor_;
    QPointer<frmAnalyzeRecording> analyze_;
    QPointer<frmMonitorResults> results_;
};

} // namespace halvion
