#include "audio_input.h"

#include "decimator.h"

#include <QAudioSource>
#include <QDateTime>
#include <QMediaDevices>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace halvion {

void convertSamples(const char *data, qsizetype count, QAudioFormat::SampleFormat format, float *out)
{
    const auto each = [&](auto type, auto convert) {
        using T = decltype(type);
        for (qsizetype i = 0; i < count; ++i) {
            T v;
            std::memcpy(&v, data + i * qsizetype(sizeof(T)), sizeof(T));
            out[i] = convert(v);
        }
    };
    switch (format) {
    case QAudioFormat::UInt8:
        each(quint8(), [](quint8 v) { return (float(v) - 128.0f) / 128.0f; });
        break;
    case QAudioFormat::Int16:
        each(qint16(), [](qint16 v) { return float(v) / 32768.0f; });
        break;
    case QAudioFormat::Int32:
        each(qint32(), [](qint32 v) { return float(double(v) / 2147483648.0); });
        break;
    case QAudioFormat::Float:
        each(float(), [](float v) { return v; });
        break;
    default:
        std::fill(out, out + count, 0.0f);
        break;
    }
}

// The input's own thread: opens the source there, reads what it has every quarter
// second, converts it, brings it down to the analysis rate and hands the block over.
class AudioCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int ReadIntervalMs = 250;
    // Blocks are handed over once they hold this much: every block crossing to the
    // listening thread wakes it.
    static constexpr double HandOverMs = 200;

    explicit AudioCapture(int generation) : generation_(generation) {}

    bool open(const QAudioDevice &device, const QAudioFormat &format)
    {
        format_ = format;
        decimator_.setup(format.sampleRate(), format.channelCount());
        source_ = new QAudioSource(device, format, this);
        source_->setBufferSize(format.bytesForDuration(500000));
        io_ = source_->start();
        if (!io_ || source_->error() != QAudio::NoError)
            return false;
        // Read four times a second rather than each time the source says it has sound: a
        // sound server may send every few ms, and each read costs more than the samples
        // it brings. The time of a block is as well known either way: what was read last
        // came in at most one of the server's sends ago.
        auto *reader = new QTimer(this);
        reader->setInterval(ReadIntervalMs);
        connect(reader, &QTimer::timeout, this, &AudioCapture::read);
        reader->start();
        connect(source_, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
            if (state == QAudio::StoppedState && source_->error() != QAudio::NoError)
                Q_EMIT failed(generation_);
        });
        return true;
    }

Q_SIGNALS:
    void block(int generation, const std::vector<float> &interleaved, int channels, double sampleRate,
               qint64 startUtcMs);
    void failed(int generation);

private:
    void read()
    {
        const int frameBytes = format_.bytesPerFrame();
        const int channels = format_.channelCount();
        if (frameBytes <= 0)
            return;
        // Everything there is: what is left behind would make the next block's time late.
        qint64 got = 0;
        for (;;) {
            const qint64 room = std::max<qint64>(source_->bytesAvailable(), 4096);
            if (qint64(bytes_.size()) < got + room)
                bytes_.resize(std::size_t(std::max(got + room, 2 * qint64(bytes_.size()))));
            const qint64 n = io_->read(bytes_.data() + got, room);
            if (n <= 0)
                break;
            got += n;
        }
        const qint64 frames = got / frameBytes;
        if (frames <= 0)
            return;
        // The block's last frame was taken about now, less what still waits in the buffer.
        const double rate = format_.sampleRate();
        const qint64 pendingUs = format_.durationForBytes(int(source_->bytesAvailable()));
        const double startUtcMs = double(QDateTime::currentMSecsSinceEpoch()) - double(frames) * 1000.0 / rate -
                                  double(pendingUs) / 1000.0;
        floats_.resize(std::size_t(frames * channels));
        convertSamples(bytes_.data(), frames * channels, format_.sampleFormat(), floats_.data());
        const double firstMs = decimator_.process(floats_.data(), frames, startUtcMs, out_);
        if (out_.empty())
            return;
        const double rateOut = decimator_.outputRate();
        const auto heldMs = [&] { return double(held_.size() / std::size_t(channels)) * 1000.0 / rateOut; };
        if (!held_.empty() && std::abs(firstMs - (heldStartMs_ + heldMs())) > 250.0)
            handOver(); // not the same stretch of sound: each goes with its own time
        if (held_.empty())
            heldStartMs_ = firstMs;
        held_.insert(held_.end(), out_.begin(), out_.end());
        if (heldMs() >= HandOverMs)
            handOver();
    }

    void handOver()
    {
        if (held_.empty())
            return;
        Q_EMIT block(generation_, held_, format_.channelCount(), decimator_.outputRate(), std::llround(heldStartMs_));
        held_.clear();
    }

    const int generation_;
    QAudioFormat format_;
    QAudioSource *source_ = nullptr;
    QIODevice *io_ = nullptr;
    Decimator decimator_;
    std::vector<char> bytes_;
    std::vector<float> floats_, out_;
    std::vector<float> held_; // not yet handed over, the first frame taken at heldStartMs_
    double heldStartMs_ = 0;
};

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
    return start(device, allChannels);
}

bool AudioInput::start(const QAudioDevice &device, bool allChannels)
{
    stop();
    allChannels_ = allChannels;
    // All channels are the ones the input has: a sound server offers any number (PulseAudio
    // says 32), made up by copying, and every one of them would be sent, converted and
    // filtered.
    QAudioFormat format = device.preferredFormat();
    format.setChannelCount(allChannels ? std::clamp(format.channelCount(), 1, 8) : 1);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (format.sampleRate() < 8000 || format.sampleFormat() == QAudioFormat::Unknown) {
        error_ = QStringLiteral("The sound input %1 offers no usable format (%2 Hz).")
                     .arg(device.description())
                     .arg(format.sampleRate());
        return false;
    }

    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("AudioInput"));
    capture_ = new AudioCapture(++generation_);
    capture_->moveToThread(thread_);
    connect(thread_, &QThread::finished, capture_, &QObject::deleteLater);
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    connect(capture_, &AudioCapture::block, this, &AudioInput::takeBlock);
    connect(capture_, &AudioCapture::failed, this, &AudioInput::captureFailed);
    thread_->start();
    struct Opened {
        QSemaphore done;
        bool ok = false;
    };
    auto opened = std::make_shared<Opened>();
    QMetaObject::invokeMethod(
        capture_,
        [capture = capture_, device, format, opened] {
            opened->ok = capture->open(device, format);
            opened->done.release();
        },
        Qt::QueuedConnection);
    if (!opened->done.tryAcquire(1, OpenTimeoutMs)) {
        // Left to its thread, which ends once the open does, if ever.
        letGo(false);
        error_ = QStringLiteral("The sound input %1 does not answer.").arg(device.description());
        return false;
    }
    if (!opened->ok) {
        letGo(true);
        error_ = QStringLiteral("The sound input %1 cannot be opened.").arg(device.description());
        return false;
    }
    deviceName_ = device.description();
    error_.clear();
    return true;
}

void AudioInput::stop() { letGo(true); }

// Ends the input's thread (the source is closed there) and, when asked to, waits a
// moment for it; a thread still busy is left to finish and remove itself.
void AudioInput::letGo(bool wait)
{
    if (!thread_)
        return;
    disconnect(capture_, nullptr, this, nullptr);
    ++generation_; // blocks already on their way are dropped
    thread_->quit();
    if (wait)
        thread_->wait(QDeadlineTimer(OpenTimeoutMs));
    capture_ = nullptr;
    thread_ = nullptr;
}

void AudioInput::takeBlock(int generation, const std::vector<float> &interleaved, int channels, double sampleRate,
                           qint64 startUtcMs)
{
    if (generation != generation_ || channels <= 0)
        return;
    if (allChannels_) {
        Q_EMIT framesReady(interleaved, channels, sampleRate, startUtcMs);
        return;
    }
    const std::size_t frames = interleaved.size() / std::size_t(channels);
    mono_.resize(frames);
    float peak = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        float acc = 0;
        for (int c = 0; c < channels; ++c)
            acc += interleaved[f * std::size_t(channels) + std::size_t(c)];
        mono_[f] = acc / float(channels);
        peak = std::max(peak, std::abs(mono_[f]));
    }
    Q_EMIT levelChanged(peak > 0 ? 20 * std::log10(double(peak)) : -120.0);
    Q_EMIT samplesReady(mono_, sampleRate, startUtcMs);
}

void AudioInput::captureFailed(int generation)
{
    if (generation != generation_)
        return;
    error_ = QStringLiteral("The sound input %1 stopped working.").arg(deviceName_);
    Q_EMIT failed(error_);
}

} // namespace halvion

#include "audio_input.moc"
