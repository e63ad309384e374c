#pragma once
// The beacon monitor as the program sees it: the log, the engine that measures slots,
// the sound input and the three windows (listening, recording analysis, results). It
// is made the first time the user opens one of them, so a user who never does gets
// no log file.

#include "app_state.h"
#include "audio_input.h"
#include "band_inputs.h"
#include "monitor_engine.h"
#include "monitor_log.h"
#include "message_sink.h"
#include "retune_timer.h"
#include "spot_view.h"

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
inline constexpr const char *AudioDelay = "MonitorAudioDelay";
// One input per band instead of the single one: the switch, and each band's line as
// "channel,pitch,device id" under MonitorBandInput20 ... MonitorBandInput10.
inline constexpr const char *PerBand = "MonitorPerBand";
inline constexpr const char *BandInputPrefix = "MonitorBandInput";
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
    // How long the receiver's audio takes to reach the program (an SDR program's buffers,
    // the sound server's), in ms, from the settings (0 until changed): live samples are
    // dated that much earlier, so the offsets and the PC clock error read the air.
    static constexpr int MaxAudioDelayMs = 2000;
    int audioDelayMs() const;
    void setAudioDelayMs(int ms);
    QByteArray savedDeviceId() const;
    void setDeviceId(const QByteArray &id);

    // Several receivers: one input (or a channel of one) per band, all heard at once,
    // instead of the single input that follows the main window or scans.
    bool perBandMode() const;
    void setPerBandMode(bool on);
    BandInputLine bandLine(BandIndex band) const;
    void setBandLine(BandIndex band, const BandInputLine &line);
    BandInputs &bandInputs() { return bandInputs_; }

    // Starts the single input (deviceId) or, in per-band mode, every band's input.
    bool startListening(const QByteArray &deviceId);
    void stopListening();
    bool listening() const { return audio_.isRunning() || bandInputs_.running(); }

    // The steady part of a slot, in ms from its start. A band change before it is the
    // retune for the slot: follow and scan mode ask for it just before the slot starts,
    // and a radio that is slow to answer, or a band chosen by hand, may still move in
    // the slot's first second (the callsign's first letters may be lost; the dashes,
    // from 2.4 s on, are not). A change after it belongs to the next
    // slot: the beacons are silent from 8.81 s, and audio reaches the program a little
    // after it was heard.
    static constexpr qint64 SteadyStartMs = 1500;
    static constexpr qint64 SteadyEndMs = 9500;

    // The band measured in a slot: the one the receiver was on through the slot's steady
    // part - the band the main window follows in plain mode, the rotation's band in scan
    // mode (when the radio was on it); -1 when no band was followed, none of the slot
    // was heard, or the band changed in the middle.
    BandIndex bandForSlot(qint64 slotNumber) const;

    // Scan mode moves the receiver through the rotation: a moment before every slot
    // (RetuneTimer's lead) it asks for the band of that slot with tuneRequested (the
    // radio control answers it), and at once after the clock was set. It needs radio
    // control; without it the request is ignored. Plain mode measures the band the main
    // window follows.
    void setScanMode(bool on);
    bool scanMode() const { return scanMode_; }
    // The scan timer's wake; tests call it after moving their clock.
    void ScanTimer_Timer();
    QTimer *ScanTimer = nullptr;

    // Whether radio control is on, so that scan mode can move the receiver. Turning
    // it off ends scan mode.
    void setRadioAvailable(bool available);
    bool radioAvailable() const { return radioAvailable_; }
    // The band the radio reports its dial on; -1 between bands, when it does not answer
    // or radio control is off. A scanned slot is measured only when the radio was on
    // the rotation's band through it, so a radio that did not follow never puts a
    // wrong band in the log.
    void setReceiverBand(halvion::BandIndex band) { receiverBand_ = band; }
    BandIndex receiverBand() const { return receiverBand_; }

    void closeWindows();

    // The skimmers' spots the program holds, and its feed's status line; without a
    // source (the monitor on its own) there are none.
    void setSpotSource(std::function<const SpotView *()> spots, std::function<QString()> status);
    const SpotView *spots() const { return spots_ ? spots_() : nullptr; }
    QString spotStatus() const { return spotStatus_ ? spotStatus_() : QString(); }

Q_SIGNALS:
    // The spots or the feed's status changed.
    void spotsChanged();
    // Scan mode: tune the receiver to this band's beacon frequency now.
    void tuneRequested(halvion::BandIndex band);
    void scanModeChanged(bool on);
    void radioAvailableChanged(bool available);
    void listeningChanged(bool on);

private:
    void takeSamples(const std::vector<float> &samples, double sampleRate, qint64 startUtcMs);

    AppState &state_;
    SettingsFile &settings_;
    QString logPath_;
    std::function<qint64()> now_;
    MessageSink &messages_;
    MonitorLog log_;
    MonitorEngine engine_;
    AudioInput audio_;
    BandInputs bandInputs_;
    std::map<qint64, BandIndex> slotBands_;
    RetuneTimer *scanRetune_ = nullptr;
    bool scanMode_ = false;
    bool radioAvailable_ = false;
    BandIndex receiverBand_ = -1;
    int audioDelay_ = 0;
    QPointer<frmBeaconMonitor> monitor_;
    QPointer<frmAnalyzeRecording> analyze_;
    QPointer<frmMonitorResults> results_;
    std::function<const SpotView *()> spots_;
    std::function<QString()> spotStatus_;
};

} // namespace halvion
