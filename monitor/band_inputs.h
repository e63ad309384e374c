#pragma once
// Several receivers at once, one per band: each band's line names a sound input (or
// none), the channel of a multi-channel input it takes and the CW pitch. A device is
// opened once however many lines take it, and each block is split into the lines'
// channels and handed to the engine as the stream of that band. A device that cannot be
// opened, stops with an error or stops delivering sound is shown on its lines, left
// alone by the others and tried again every few seconds.

#include "audio_input.h"
#include "beacon_catalogue.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace halvion {

class MonitorEngine;

struct BandInputLine {
    QByteArray deviceId;   // empty: the band is not listened to
    int channel = 0;       // 0: every channel of the input mixed; 1..8: that channel alone
    int pitchHz = 600;     // the receiver's CW pitch
    bool used() const { return !deviceId.isEmpty(); }
    bool operator==(const BandInputLine &) const = default;
};

class BandInputs : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxChannel = 8;
    static constexpr qint64 RetryMs = 5000; // a failed input is tried again this often
    static constexpr qint64 StallMs = 3000; // an input that sends nothing this long has failed

    BandInputs(MonitorEngine &engine, std::function<qint64()> nowUtcMs, QObject *parent = nullptr);
    ~BandInputs() override;

    void setLine(BandIndex band, const BandInputLine &line);
    const BandInputLine &line(BandIndex band) const { return lines_[std::size_t(band)]; }
    bool hasLines() const;
    // Live samples are dated this much earlier (the audio path's delay).
    void setAudioDelayMs(int ms) { audioDelayMs_ = ms; }

    // Opens every input the lines name; false when no line names one. An input that
    // cannot be opened now is shown on its lines and tried again.
    bool start();
    void stop();
    bool running() const { return running_; }
    // Why the band's input is not delivering; empty while it is (or the line is unused).
    QString status(BandIndex band) const { return status_[std::size_t(band)]; }

    // The watch timer's wake: inputs retried, silent ones found out. Tests call it after
    // moving their clock.
    void WatchTimer_Timer();
    QTimer *WatchTimer = nullptr;

    // One block of an input's frames, split into the lines that take it.
    void takeFrames(const QByteArray &deviceId, const std::vector<float> &interleaved, int channels, double sampleRate,
                    qint64 startUtcMs);

Q_SIGNALS:
    void levelChanged(halvion::BandIndex band, double peakDb);
    void statusChanged(halvion::BandIndex band, const QString &text);

private:
    struct Device {
        QByteArray id;
        std::unique_ptr<AudioInput> audio;
        bool working = false;
        qint64 lastDataMs = 0;
        qint64 nextTryMs = 0;
    };
    void setBandPlan();
    void open(Device &d);
    void fail(Device &d, const QString &why);
    void setStatus(BandIndex band, const QString &text);
    Device *device(const QByteArray &id);

    MonitorEngine &engine_;
    std::function<qint64()> now_;
    std::array<BandInputLine, BandCount> lines_{};
    std::array<QString, BandCount> status_{};
    std::vector<std::unique_ptr<Device>> devices_;
    std::vector<float> channel_; // scratch for one line's samples
    int audioDelayMs_ = 0;
    bool running_ = false;
};

} // namespace halvion
