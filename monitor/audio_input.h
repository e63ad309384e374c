#pragma once
// The receiver's audio from a sound input (PipeWire, PulseAudio or ALSA, through Qt
// Multimedia), handed on as float samples stamped with the PC clock, brought down to a
// rate the analysis can work at (see Decimator), with the level of each block for a
// meter.
//
// The input is opened and read on a thread of its own. Opening a source the sound
// server no longer has (one unplugged a moment ago, still in the list) never returns in
// Qt Multimedia's PulseAudio back end; on its own thread that wait holds up nothing: the
// input is given up as not answering after a few seconds and the thread left to it.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QList>
#include <QObject>

#include <vector>

class QThread;

namespace halvion {

class AudioCapture;

// Sound card samples of any of Qt's formats as floats in -1..1.
void convertSamples(const char *data, qsizetype count, QAudioFormat::SampleFormat format, float *out);

class AudioInput : public QObject {
    Q_OBJECT
public:
    // How long an input may take to open before it counts as not answering.
    static constexpr int OpenTimeoutMs = 4000;

    explicit AudioInput(QObject *parent = nullptr);
    ~AudioInput() override;

    static QList<QAudioDevice> devices();
    static QString noDeviceMessage();

    // Starts listening to the device with this id (the default input when empty);
    // false with errorText() when there is no such input or it cannot be opened.
    // With allChannels the device is opened with all the channels it offers, and each
    // block comes as framesReady alone (a multi-channel card, one band per channel);
    // otherwise the channels are mixed and come as samplesReady with levelChanged.
    bool start(const QByteArray &deviceId, bool allChannels = false);
    // The same with a device found before: it may have gone since (then false, within
    // OpenTimeoutMs however the sound server takes it).
    bool start(const QAudioDevice &device, bool allChannels = false);
    void stop();
    bool isRunning() const { return capture_ != nullptr; }
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
    void takeBlock(int generation, const std::vector<float> &interleaved, int channels, double sampleRate,
                   qint64 startUtcMs);
    void captureFailed(int generation);
    void letGo(bool wait);

    AudioCapture *capture_ = nullptr; // lives on thread_
    QThread *thread_ = nullptr;
    int generation_ = 0;
    QString error_;
    QString deviceName_;
    bool allChannels_ = false;
    std::vector<float> mono_;
};

} // namespace halvion
