#include "band_inputs.h"

#include "monitor_engine.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace halvion {

static_assert(BandCount <= MonitorEngine::MaxInputs, "every band needs a stream of its own");

BandInputs::BandInputs(MonitorEngine &engine, std::function<qint64()> nowUtcMs, QObject *parent)
    : QObject(parent), engine_(engine), now_(std::move(nowUtcMs))
{
    WatchTimer = new QTimer(this);
    WatchTimer->setObjectName(QStringLiteral("WatchTimer"));
    WatchTimer->setInterval(1000);
    connect(WatchTimer, &QTimer::timeout, this, &BandInputs::WatchTimer_Timer);
    setBandPlan();
}

// Every stream measures its own band in every slot. (The single input, when it is used
// instead, gives stream 0 its follow or scan plan back.)
void BandInputs::setBandPlan()
{
    for (BandIndex b = 0; b < BandCount; ++b)
        engine_.setBandForSlot(b, [b](qint64) { return b; });
}

BandInputs::~BandInputs() { stop(); }

bool BandInputs::hasLines() const
{
    return std::any_of(lines_.begin(), lines_.end(), [](const BandInputLine &l) { return l.used(); });
}

void BandInputs::setLine(BandIndex band, const BandInputLine &line)
{
    if (band < 0 || band >= BandCount)
        return;
    BandInputLine &l = lines_[std::size_t(band)];
    const bool pitchChanged = l.pitchHz != line.pitchHz;
    const bool restart = running_ && (l.deviceId != line.deviceId || l.channel != line.channel);
    l = line;
    l.channel = std::clamp(l.channel, 0, MaxChannel);
    if (pitchChanged)
        engine_.setToneSearch(band, {double(l.pitchHz), 300});
    if (restart) {
        stop();
        start();
    }
}

bool BandInputs::start()
{
    stop();
    if (!hasLines())
        return false;
    running_ = true;
    setBandPlan();
    for (BandIndex b = 0; b < BandCount; ++b) {
        engine_.setToneSearch(b, {double(lines_[std::size_t(b)].pitchHz), 300});
        const QByteArray &id = lines_[std::size_t(b)].deviceId;
        if (id.isEmpty() || device(id))
            continue;
        auto d = std::make_unique<Device>();
        d->id = id;
        devices_.push_back(std::move(d));
    }
    for (auto &d : devices_)
        open(*d);
    WatchTimer->start();
    return true;
}

void BandInputs::stop()
{
    if (WatchTimer)
        WatchTimer->stop();
    for (auto &d : devices_)
        if (d->audio) {
            d->audio->disconnect(this);
            d->audio->stop();
        }
    devices_.clear();
    for (BandIndex b = 0; b < BandCount; ++b) {
        engine_.resetStream(b);
        setStatus(b, QString());
    }
    running_ = false;
}

BandInputs::Device *BandInputs::device(const QByteArray &id)
{
    for (auto &d : devices_)
        if (d->id == id)
            return d.get();
    return nullptr;
}

void BandInputs::open(Device &d)
{
    d.audio = std::make_unique<AudioInput>();
    const QByteArray id = d.id;
    connect(d.audio.get(), &AudioInput::framesReady, this,
            [this, id](const std::vector<float> &frames, int channels, double rate, qint64 startUtcMs) {
                takeFrames(id, frames, channels, rate, startUtcMs);
            });
    connect(d.audio.get(), &AudioInput::failed, this, [this, id](const QString &why) {
        if (Device *dev = device(id))
            fail(*dev, why);
    });
    if (!d.audio->start(d.id, true)) {
        // Said on the band's line: short, and about this input alone.
        bool offered = false;
        for (const QAudioDevice &device : AudioInput::devices())
            offered = offered || device.id() == d.id;
        fail(d, offered ? d.audio->errorText() : QStringLiteral("Not connected."));
        return;
    }
    d.working = true;
    d.lastDataMs = now_();
}

void BandInputs::fail(Device &d, const QString &why)
{
    d.working = false;
    d.nextTryMs = now_() + RetryMs;
    if (d.audio) {
        // It may be failing from inside its own signal: let it go once that is over.
        d.audio->disconnect(this);
        d.audio.release()->deleteLater();
    }
    const QString text = QStringLiteral("%1 Trying again every %2 s.").arg(why).arg(RetryMs / 1000);
    for (BandIndex b = 0; b < BandCount; ++b)
        if (lines_[std::size_t(b)].deviceId == d.id) {
            engine_.resetStream(b);
            setStatus(b, text);
        }
}

void BandInputs::WatchTimer_Timer()
{
    if (!running_)
        return;
    const qint64 now = now_();
    // A sound server moves the recording of a source that goes away to another one
    // (PulseAudio does): an input no longer offered has failed, whatever still arrives.
    QList<QByteArray> offered;
    for (const QAudioDevice &d : AudioInput::devices())
        offered << d.id();
    for (auto &d : devices_) {
        if (!d->working && now >= d->nextTryMs)
            open(*d);
        else if (d->working && !offered.contains(d->id))
            fail(*d, QStringLiteral("Gone from the sound server."));
        else if (d->working && now - d->lastDataMs > StallMs)
            fail(*d, QStringLiteral("No sound for %1 s.").arg(StallMs / 1000));
    }
}

void BandInputs::takeFrames(const QByteArray &deviceId, const std::vector<float> &interleaved, int channels,
                            double sampleRate, qint64 startUtcMs)
{
    if (channels <= 0)
        return;
    if (Device *d = device(deviceId))
        d->lastDataMs = now_();
    const std::size_t frames = interleaved.size() / std::size_t(channels);
    startUtcMs -= audioDelayMs_; // when the receiver heard them
    for (BandIndex b = 0; b < BandCount; ++b) {
        const BandInputLine &l = lines_[std::size_t(b)];
        if (l.deviceId != deviceId)
            continue;
        if (l.channel > channels) {
            setStatus(b, QStringLiteral("This input has %1 channel(s): there is no channel %2.").arg(channels).arg(l.channel));
            continue;
        }
        channel_.resize(frames);
        float peak = 0;
        for (std::size_t f = 0; f < frames; ++f) {
            float v = 0;
            if (l.channel > 0) {
                v = interleaved[f * std::size_t(channels) + std::size_t(l.channel - 1)];
            } else {
                for (int c = 0; c < channels; ++c)
                    v += interleaved[f * std::size_t(channels) + std::size_t(c)];
                v /= float(channels);
            }
            channel_[f] = v;
            peak = std::max(peak, std::abs(v));
        }
        setStatus(b, QString());
        Q_EMIT levelChanged(b, peak > 0 ? 20 * std::log10(double(peak)) : -120.0);
        engine_.pushSamples(b, channel_.data(), qsizetype(frames), sampleRate, startUtcMs);
    }
}

void BandInputs::setStatus(BandIndex band, const QString &text)
{
    QString &s = status_[std::size_t(band)];
    if (s == text)
        return;
    s = text;
    Q_EMIT statusChanged(band, text);
}

} // namespace halvion
