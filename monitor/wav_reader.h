#pragma once
// Reads a WAV recording as mono float samples: 8-, 16-, 24- and 32-bit PCM and 32- and
// 64-bit floating point, plain or "extensible", any number of channels (averaged).
// Anything else is refused with a message that says what is wrong with the file.

#include <QFile>
#include <QString>

#include <vector>

namespace halvion {

class WavReader {
public:
    // False with errorText() when the file is not a recording this reader can use.
    bool open(const QString &path);
    QString errorText() const { return error_; }

    double sampleRate() const { return rate_; }
    int channels() const { return channels_; }
    qint64 frameCount() const { return frames_; }
    double durationSeconds() const { return rate_ > 0 ? double(frames_) / rate_ : 0; }

    // Up to maxFrames more mono samples; an empty result at the end (or after a read
    // error, then with errorText()).
    std::vector<float> read(qint64 maxFrames);

private:
    bool fail(const QString &why);

    QFile file_;
    QString error_;
    double rate_ = 0;
    int channels_ = 0;
    int bytesPerSample_ = 0;
    bool isFloat_ = false;
    qint64 frames_ = 0;
    qint64 framesRead_ = 0;
};

} // namespace halvion
