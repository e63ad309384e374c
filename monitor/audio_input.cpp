#include "audio_input.h"

#include <QAudioSource>
#include <QDateTime>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>

namespace halvion {

AudioInput::AudioInput(QObject *parent) : QObject(parent) {}

AudioInput::~AudioInput() { stop(); }

QList<QAudioDevice> AudioInput::devices() { return QMediaDevices::audioInputs(); }

QString AudioInput::noDeviceMessage()
{
    return QStringLiteral("No sound input was found on this computer. Connect the receiver's audio output "
                          "to a sound card input, or record the receiver with another program and use "
                          "\"Analyze Recording...\".");
}

bool AudioInput::start(const QByteArray &deviceId, bool allChannels)
{
    stop();
    allChannels_ = allChannels;
    const QList<QAudioDevice> inputs = devices();
    if (inputs.isEmpty()) {
        error_ = noDeviceMessage();
        return false;
    }
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (!deviceId.isEmpty()) {
        device = {};
        for (const QAudioDevice &d : inputs)
            if (d.id() == deviceId)
                device = d;
        if (device.isNull()) {
            error_ = QStringLiteral("The sound input chosen before is not connected now. Choose another one.");
            return false;
        }
    }
    if (device.isNull())
        device = inputs.first();
    QAudioFormat format = device.preferredFormat();
    if (allChannels)
        format.setChannelCount(std::clamp(device.maximumChannelCount(), 1, 8));
    else
        format.setChannelCount(1);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (format.sampleRate() < 8000 || format.sampleFormat() == QAudioFormat::Unknown) {
        error_ = QStringLiteral("The sound input %1 offers no usable format (%2 Hz).")
                     .arg(device.description())
                     .arg(format.sampleRate());
        return false;
    }
    source_ = new QAudioSource(device, format, this);
    source_->setBufferSize(format.bytesForDuration(500000));
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
        error_ = QStringLiteral("The sound input %1 cannot be opened.").arg(device.description());
        stop();
        return false;
    }
    deviceName_ = device.description();
    connect(io_, &QIODevice::readyRead, this, &AudioInput::readAvailable);
    connect(source_, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && source_ && source_->error() != QAudio::NoError) {
            error_ = QStringLiteral("The sound input %1 stopped working.").arg(deviceName_);
            Q_EMIT failed(error_);
        }
    });
    error_.clear();
    return true;
}

void AudioInput::stop()
{
    if (source_) {
        source_->stop();
        delete source_;
        source_ = nullptr;
    }
    io_ = nullptr;
}

void AudioInput::readAvailable()
{
    if (!source_ || !io_)
        return;
    const QAudioFormat format = source_->format();
    const QByteArray data = io_->readAll();
    const int frameBytes = format.bytesPerFrame();
    const int channels = format.channelCount();
    if (frameBytes <= 0 || data.size() < frameBytes)
        return;
    const qsizetype frames = data.size() / frameBytes;
    std::vector<float> samples(static_cast<std::size_t>(frames));
    std::vector<float> interleaved;
    if (allChannels_)
        interleaved.resize(std::size_t(frames * channels));
    float peak = 0;
    const char *p = data.constData();
    for (qsizetype f = 0; f < frames; ++f) {
        float acc = 0;
        for (int c = 0; c < channels; ++c) {
            const float x = format.normalizedSampleValue(p + f * frameBytes + c * format.bytesPerSample());
            if (allChannels_)
                interleaved[std::size_t(f * channels + c)] = x;
            acc += x;
        }
        const float v = acc / float(channels);
        samples[std::size_t(f)] = v;
        peak = std::max(peak, std::abs(v));
    }
    // The block's last sample was taken about now, less what still waits in the buffer.
    const double rate = format.sampleRate();
    const qint64 pendingUs = format.durationForBytes(int(source_->bytesAvailable()));
    const qint64 startUtcMs = QDateTime::currentMSecsSinceEpoch() - qint64(double(frames) * 1000.0 / rate) -
                              pendingUs / 1000;
    Q_EMIT levelChanged(peak > 0 ? 20 * std::log10(double(peak)) : -120.0);
    Q_EMIT samplesReady(samples, rate, startUtcMs);
    if (allChannels_)
        Q_EMIT framesReady(interleaved, channels, rate, startUtcMs);
}

} // namespace halvion
