#include "monitor_controller.h"

#include "callsign_file.h"
#include "scan_rotation.h"

#include "frm_analyze_recording.h"
#include "frm_beacon_monitor.h"
#include "frm_monitor_results.h"
#include "settings_file.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace halvion {

namespace {

constexpr std::string_view PitchMarker = "NoMonitorPitch";
constexpr std::string_view DeviceMarker = "NoMonitorDevice";

} // namespace

MonitorController::MonitorController(AppState &state, SettingsFile &settings, QString logPath,
                                     std::function<qint64()> nowUtcMs, MessageSink &messages, QObject *parent)
    : QObject(parent), state_(state), settings_(settings), logPath_(std::move(logPath)), now_(std::move(nowUtcMs)),
      messages_(messages), engine_(log_), bandInputs_(engine_, now_)
{
    scanRetune_ = new RetuneTimer([this] { return now_(); }, this);
    ScanTimer = scanRetune_->timer();
    ScanTimer->setObjectName(QStringLiteral("ScanTimer"));
    connect(scanRetune_, &RetuneTimer::slotDue, this,
            [this](qint64 slot) { Q_EMIT tuneRequested(ScanRotation::bandForSlot(slot)); });
    engine_.setToneSearch({double(pitchHz()), 300});
    audioDelay_ = audioDelayMs();
    bandInputs_.setAudioDelayMs(audioDelay_);
    for (BandIndex b = 0; b < BandCount; ++b)
        bandInputs_.setLine(b, bandLine(b));
    engine_.setBandForSlot([this](qint64 slot) { return bandForSlot(slot); });
    connect(&audio_, &AudioInput::samplesReady, this, &MonitorController::takeSamples);
    connect(&audio_, &AudioInput::failed, this, [this](const QString &why) {
        stopListening();
        message(QStringLiteral("Halvion - Beacon Monitor Error"), why, true);
    });
    connect(&engine_, &MonitorEngine::logError, this, [this](const QString &why) {
        message(QStringLiteral("Halvion - Beacon Monitor Error"), why, true);
    });
}

MonitorController::~MonitorController()
{
    scanRetune_->stop();
    audio_.stop();
    bandInputs_.stop();
    closeWindows();
}

frmBeaconMonitor *MonitorController::monitorWindow() const { return monitor_; }
frmAnalyzeRecording *MonitorController::analyzeWindow() const { return analyze_; }
frmMonitorResults *MonitorController::resultsWindow() const { return results_; }

void MonitorController::message(const QString &title, const QString &text, bool error) const
{
    messages_.show(QApplication::activeWindow(), error ? MessageIcon::Exclamation : MessageIcon::Information, title, text);
}

bool MonitorController::ensureLog()
{
    if (log_.isOpen())
        return true;
    if (log_.open(logPath_)) {
        // The user's own callsigns for the stations, beside the log.
        QStringList problems;
        const QString path = QFileInfo(logPath_).dir().filePath(QLatin1String(BeaconCallsigns::FileName));
        engine_.setCallsigns(loadBeaconCallsigns(path, problems));
        if (!problems.isEmpty())
            message(QStringLiteral("Halvion - Beacon Callsigns"),
                    QStringLiteral("Some lines of %1 were left out:\n%2").arg(QDir::toNativeSeparators(path), problems.join(QLatin1Char('\n'))),
                    true);
        return true;
    }
    message(QStringLiteral("Halvion - Beacon Monitor Error"), log_.errorText(), true);
    return false;
}

int MonitorController::pitchHz() const
{
    const auto text = settings_.read({MonitorKeys::Pitch, PitchMarker, 16});
    bool ok = false;
    const int hz = text ? QString::fromStdString(*text).trimmed().toInt(&ok) : 0;
    return ok && hz >= 300 && hz <= 1500 ? hz : 600;
}

int MonitorController::audioDelayMs() const
{
    const auto text = settings_.read({MonitorKeys::AudioDelay, PitchMarker, 16});
    bool ok = false;
    const int ms = text ? QString::fromStdString(*text).trimmed().toInt(&ok) : 0;
    return ok && ms >= 0 && ms <= MaxAudioDelayMs ? ms : 0;
}

void MonitorController::setAudioDelayMs(int ms)
{
    ms = std::clamp(ms, 0, MaxAudioDelayMs);
    if (ms == audioDelayMs())
        return;
    settings_.write(MonitorKeys::AudioDelay, std::to_string(ms));
    audioDelay_ = ms;
    bandInputs_.setAudioDelayMs(ms);
    for (int i = 0; i < MonitorEngine::MaxInputs; ++i)
        engine_.resetStream(i);
}

void MonitorController::setPitchHz(int hz)
{
    if (hz == pitchHz())
        return;
    settings_.write(MonitorKeys::Pitch, std::to_string(hz));
    if (!bandInputs_.running())
        engine_.setToneSearch({double(hz), 300});
}

QByteArray MonitorController::savedDeviceId() const
{
    const auto text = settings_.read({MonitorKeys::Device, DeviceMarker, 255});
    return text ? QByteArray::fromStdString(*text) : QByteArray();
}

void MonitorController::setDeviceId(const QByteArray &id)
{
    if (id != savedDeviceId())
        settings_.write(MonitorKeys::Device, id.toStdString());
}

bool MonitorController::perBandMode() const
{
    return settings_.read({MonitorKeys::PerBand, DeviceMarker, 16}) == std::optional<std::string>(SettingsKeys::True);
}

void MonitorController::setPerBandMode(bool on)
{
    if (on == perBandMode())
        return;
    const bool wasListening = listening();
    if (wasListening)
        stopListening();
    settings_.writeSwitch(MonitorKeys::PerBand, on);
    if (!on)
        setScanMode(false);
    if (wasListening)
        startListening(savedDeviceId());
}

namespace {

std::string bandLineKey(BandIndex band)
{
    return std::string(MonitorKeys::BandInputPrefix) + std::string(BeaconCatalogue::band(band).bandLabel);
}

} // namespace

BandInputLine MonitorController::bandLine(BandIndex band) const
{
    BandInputLine line;
    line.pitchHz = pitchHz();
    const auto text = settings_.read({bandLineKey(band), DeviceMarker, 255});
    if (!text)
        return line;
    const QStringList parts = QString::fromStdString(*text).split(QLatin1Char(','));
    if (parts.size() < 3)
        return line;
    bool okChannel = false, okPitch = false;
    const int channel = parts[0].trimmed().toInt(&okChannel);
    const int pitch = parts[1].trimmed().toInt(&okPitch);
    if (okChannel && channel >= 0 && channel <= BandInputs::MaxChannel)
        line.channel = channel;
    if (okPitch && pitch >= 300 && pitch <= 1500)
        line.pitchHz = pitch;
    line.deviceId = parts.mid(2).join(QLatin1Char(',')).toUtf8();
    return line;
}

void MonitorController::setBandLine(BandIndex band, const BandInputLine &line)
{
    if (band < 0 || band >= BandCount || line == bandLine(band))
        return;
    settings_.write(bandLineKey(band), QStringLiteral("%1,%2,%3")
                                           .arg(line.channel)
                                           .arg(line.pitchHz)
                                           .arg(QString::fromUtf8(line.deviceId))
                                           .toStdString());
    bandInputs_.setLine(band, line);
}

bool MonitorController::startListening(const QByteArray &deviceId)
{
    if (!ensureLog())
        return false;
    audio_.stop();
    bandInputs_.stop();
    if (perBandMode()) {
        if (!bandInputs_.start()) {
            message(QStringLiteral("Halvion - Beacon Monitor Error"),
                    QStringLiteral("Choose the sound input of at least one band."), true);
            Q_EMIT listeningChanged(false);
            return false;
        }
        Q_EMIT listeningChanged(true);
        return true;
    }
    // Stream 0 is the single input's again: the band it follows or scans, its pitch.
    engine_.setBandForSlot([this](qint64 slot) { return bandForSlot(slot); });
    engine_.setToneSearch({double(pitchHz()), 300});
    engine_.resetStream();
    slotBands_.clear();
    if (!audio_.start(deviceId)) {
        message(QStringLiteral("Halvion - Beacon Monitor Error"), audio_.errorText(), true);
        Q_EMIT listeningChanged(false);
        return false;
    }
    Q_EMIT listeningChanged(true);
    return true;
}

void MonitorController::stopListening()
{
    audio_.stop();
    bandInputs_.stop();
    engine_.resetStream();
    Q_EMIT listeningChanged(false);
}

void MonitorController::setScanMode(bool on)
{
    if (on && !radioAvailable_)
        on = false;
    if (on == scanMode_)
        return;
    scanMode_ = on;
    if (on)
        scanRetune_->start(); // tunes for the slot running now or the next, at once
    else
        scanRetune_->stop();
    Q_EMIT scanModeChanged(on);
}

void MonitorController::setRadioAvailable(bool available)
{
    if (available == radioAvailable_)
        return;
    radioAvailable_ = available;
    if (!available)
        setScanMode(false);
    Q_EMIT radioAvailableChanged(available);
}

void MonitorController::ScanTimer_Timer() { scanRetune_->Timer_Timer(); }

BandIndex MonitorController::bandForSlot(qint64 slotNumber) const
{
    const auto it = slotBands_.find(slotNumber);
    return it == slotBands_.end() ? BandIndex(-1) : it->second;
}

void MonitorController::takeSamples(const std::vector<float> &samples, double sampleRate, qint64 startUtcMs)
{
    startUtcMs -= audioDelay_; // when the receiver heard them
    // Note the band the receiver was on during the steady part of every slot these
    // samples touch: the rotation's band while scanning (if the radio is on it), else the
    // band the main window follows. A change of band within the steady part spoils the slot.
    const qint64 endUtcMs = startUtcMs + qint64(double(samples.size()) * 1000.0 / sampleRate);
    const qint64 firstSlot = SlotTiming::slotNumberAt(startUtcMs + (SlotTiming::SlotMs - SteadyEndMs));
    const qint64 lastSlot = SlotTiming::slotNumberAt(endUtcMs - 1 - SteadyStartMs);
    for (qint64 slot = firstSlot; slot <= lastSlot; ++slot) {
        BandIndex band = state_.trackedBand();
        if (scanMode_) {
            band = ScanRotation::bandForSlot(slot);
            if (receiverBand_ != band)
                band = -1;
        }
        const auto [it, added] = slotBands_.emplace(slot, band);
        if (!added && it->second != band)
            it->second = -1;
    }
    while (slotBands_.size() > 8)
        slotBands_.erase(slotBands_.begin());
    engine_.pushSamples(samples.data(), qsizetype(samples.size()), sampleRate, startUtcMs);
}

void MonitorController::openMonitor()
{
    if (!ensureLog())
        return;
    if (!monitor_)
        monitor_ = new frmBeaconMonitor(*this, state_);
    monitor_->Form_Load();
    monitor_->show();
    monitor_->raise();
}

void MonitorController::openAnalyzeRecording()
{
    if (!ensureLog())
        return;
    if (!analyze_)
        analyze_ = new frmAnalyzeRecording(*this);
    analyze_->show();
    analyze_->raise();
}

void MonitorController::setSpotSource(std::function<const SpotView *()> spots, std::function<QString()> status)
{
    spots_ = std::move(spots);
    spotStatus_ = std::move(status);
    Q_EMIT spotsChanged();
}

void MonitorController::openResults()
{
    if (!ensureLog())
        return;
    if (!results_)
        results_ = new frmMonitorResults(*this);
    results_->refresh();
    results_->show();
    results_->raise();
}

void MonitorController::closeWindows()
{
    delete monitor_;
    delete analyze_;
    delete results_;
}

} // namespace halvion
