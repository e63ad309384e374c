#include "wav_reader.h"

#include <QFileInfo>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace halvion {

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;
constexpr quint16 FormatExtensible = 0xFFFE;

quint16 u16(const char *p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char *p) { return qFromLittleEndian<quint32>(p); }

} // namespace

bool WavReader::fail(const QString &why)
{
    error_ = QStringLiteral("%1 cannot be analysed: %2").arg(QFileInfo(file_.fileName()).fileName(), why);
    file_.close();
    return false;
}

bool WavReader::open(const QString &path)
{
    file_.close();
    file_.setFileName(path);
    rate_ = 0;
    frames_ = framesRead_ = 0;
    if (!file_.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("the file cannot be read (%1).").arg(file_.errorString()));
    char header[12];
    if (file_.read(header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return fail(QStringLiteral("it is not a WAV file (no RIFF/WAVE header)."));

    bool haveFormat = false;
    quint16 format = 0, bits = 0, blockAlign = 0;
    for (;;) {
        char chunk[8];
        if (file_.read(chunk, 8) != 8)
            return fail(haveFormat ? QStringLiteral("it holds no sound (no \"data\" chunk).")
                                   : QStringLiteral("it has no format (\"fmt \") chunk."));
        const quint32 size = u32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > 1024)
                return fail(QStringLiteral("its format chunk is damaged."));
            QByteArray fmt = file_.read(size + (size & 1));
            if (fmt.size() < qsizetype(size))
                return fail(QStringLiteral("the file ends inside its format chunk."));
            const char *p = fmt.constData();
            format = u16(p);
            channels_ = u16(p + 2);
            rate_ = u32(p + 4);
            blockAlign = u16(p + 12);
            bits = u16(p + 14);
            if (format == FormatExtensible) {
                if (size < 40)
                    return fail(QStringLiteral("its extensible format chunk is too short."));
                format = u16(p + 24); // the first two bytes of the sub-format GUID
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return fail(QStringLiteral("the sound comes before its format (\"fmt \") chunk."));
            if (format != FormatPcm && format != FormatFloat)
                return fail(QStringLiteral("its encoding (format %1) is neither PCM nor floating point; "
                                           "save it as 16-bit PCM.").arg(format));
            isFloat_ = format == FormatFloat;
            const bool bitsOk = isFloat_ ? (bits == 32 || bits == 64) : (bits == 8 || bits == 16 || bits == 24 || bits == 32);
            if (!bitsOk)
                return fail(QStringLiteral("%1-bit %2 samples are not supported.")
                                .arg(bits).arg(isFloat_ ? QStringLiteral("floating-point") : QStringLiteral("PCM")));
            bytesPerSample_ = bits / 8;
            if (channels_ < 1 || blockAlign != channels_ * bytesPerSample_)
                return fail(QStringLiteral("its channel layout is damaged (%1 channels, %2 bytes per frame).")
                                .arg(channels_).arg(blockAlign));
            if (rate_ < 4000 || rate_ > 384000)
                return fail(QStringLiteral("its sample rate of %1 Hz is outside 4000 to 384000 Hz.").arg(rate_));
            const qint64 available = file_.size() - file_.pos();
            qint64 bytes = size;
            if (size == 0xFFFFFFFFu || size == 0 || bytes > available)
                bytes = available; // streamed or cut short: use what is there
            frames_ = bytes / blockAlign;
            if (frames_ == 0)
                return fail(QStringLiteral("it holds no sound."));
            error_.clear();
            return true;
        } else {
            if (!file_.seek(file_.pos() + size + (size & 1)))
                return fail(QStringLiteral("it is damaged (a chunk runs past the end of the file)."));
        }
    }
}

std::vector<float> WavReader::read(qint64 maxFrames)
{
    std::vector<float> out;
    const qint64 frames = std::min(maxFrames, frames_ - framesRead_);
    if (frames <= 0 || !file_.isOpen())
        return out;
    const int frameBytes = channels_ * bytesPerSample_;
    const QByteArray raw = file_.read(frames * frameBytes);
    const qint64 got = raw.size() / frameBytes;
    if (got < frames)
        frames_ = framesRead_ + got; // the file ended early
    out.resize(std::size_t(got));
    const char *p = raw.constData();
    for (qint64 f = 0; f < got; ++f) {
        double acc = 0;
        for (int c = 0; c < channels_; ++c, p += bytesPerSample_) {
            if (isFloat_) {
                if (bytesPerSample_ == 4) {
                    const quint32 bitsValue = u32(p);
                    float v;
                    std::memcpy(&v, &bitsValue, 4);
                    acc += v;
                } else {
                    const quint64 bitsValue = qFromLittleEndian<quint64>(p);
                    double v;
                    std::memcpy(&v, &bitsValue, 8);
                    acc += v;
                }
            } else {
                switch (bytesPerSample_) {
                case 1: acc += (quint8(*p) - 128) / 128.0; break;
                case 2: acc += qint16(u16(p)) / 32768.0; break;
                case 3: acc += double(qint32(quint32(quint8(p[0])) << 8 | quint32(quint8(p[1])) << 16 | quint32(quint8(p[2])) << 24) >> 8) / 8388608.0; break;
                default: acc += qint32(u32(p)) / 2147483648.0; break;
                }
            }
        }
        const double v = acc / channels_;
        out[std::size_t(f)] = std::isfinite(v) ? float(v) : 0.0f;
    }
    framesRead_ += got;
    return out;
}

} // namespace halvion
