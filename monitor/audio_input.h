#pragma once
// The receiver's audio from a sound input (PipeWire, PulseAudio or ALSA, through Qt
// Multimedia), handed on as mono float samples stamped with the PC clock, with the
// level of each block for a meter.

#include <QAudioDevice>
#include <QList>
#include <QObject>
#include <QPointer>

#include <vector>

class QAudioSource;
class QIODevice;

namespace halvion {

class AudioInput : public QObject {
    Q_OBJECT
public:
    explicit AudioInput(QObject *parent = nullptr);
    ~AudioInput() override;

    static QList<QAudioDevice> devices();
    static QString noDeviceMessage();

    // Starts listening to the device with this id (the default input when empty);
    // false with errorText() when there is no such input or it cannot be opened.
    // With allChannels the device is opened with all the channels it offers, and each
    // block also comes as framesReady (a multi-channel card, one band per channel).
    bool start(const QByteArray &deviceId, bool allChannels = false);
    void stop();
    bool isRunning() const { return source_ != nullptr; }
    QString errorText() const { return error_; }
    QString deviceName() const { return deviceName_; }

Q_SIGNALS:
    // Mono samples in -1..1, the first of them taken at startUtcMs.
    void samplesReady(const std::vector<float> &samples, double sampleRate, qint64 startUtcMs);
    // Peak level of the latest block, dB relative to full scale.
    void levelChanged(double peakDb);
    // Every channel, interleaved (frame by frame), the first frame taken at startUtcMs.
    void framesReady(const std::vector<float> &interleaved, int channels, double sampleRate, qint64 startUtcMs);
    void failed(const QString &message);

private:
    void readAvailable();

    QAudioSource *source_ = nullptr;
    QPointer<QIODevice> io_;
    QString error_;
    QString deviceName_;
    bool allChannels_ = false;
};

} // namespace halvion
