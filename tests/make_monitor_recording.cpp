// Makes a synthetic receiver recording of one beacon frequency for trying the monitor:
// every slot carries the scheduled station, keyed as the beacons key, through a made-up
// propagation picture (some stations loud, some weak, some not heard, slow fading) in
// white noise, as 16-bit mono WAV named the way receiver programs name their recordings.
// Each station keeps its own gap before the dashes (0.1-0.5 s) and keying speed (22 wpm
// +-5 %); the Hawaii beacon signs KH6RS.
//
// make_monitor_recording FOLDER [START_UTC|now] [BAND 0..4] [MINUTES] [SAMPLE_RATE]
//                        [--clock-error SECONDS] [--carrier] [--other-cw]
// START_UTC is like 2026-12-10T10:15:00Z; "now" (the default) ends the recording now.
// --clock-error: the name's start time is that much later than the audio's true start
// (0.08 s unless given); --carrier adds a steady carrier 150 Hz above the beacons and
// --other-cw half a minute of other CW 120 Hz below them.

#include "monitor_signal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <QtEndian>

#include <cstdio>

using namespace halvion;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: make_monitor_recording FOLDER [START_UTC|now] [BAND 0..4] [MINUTES] [SAMPLE_RATE]\n");
        return 2;
    }
    double clockError = 0.08; // the PC clock that stamped the recording runs 80 ms ahead
    const bool carrier = args.contains(QStringLiteral("--carrier"));
    const bool otherCw = args.contains(QStringLiteral("--other-cw"));
    if (const qsizetype at = args.indexOf(QStringLiteral("--clock-error")); at > 0 && at + 1 < args.size())
        clockError = args[at + 1].toDouble();
    const int minutes = args.size() > 4 ? args[4].toInt() : 10;
    const int rate = args.size() > 5 ? args[5].toInt() : 8000;
    const BandIndex band = args.size() > 3 ? args[3].toInt() : 0;
    if (minutes < 1 || rate < 8000 || band < 0 || band >= BandCount) {
        std::fprintf(stderr, "bad band, length or sample rate\n");
        return 2;
    }
    qint64 start = QDateTime::currentMSecsSinceEpoch() - qint64(minutes) * 60000;
    if (args.size() > 2 && args[2] != QLatin1String("now")) {
        const QDateTime t = QDateTime::fromString(args[2], Qt::ISODate);
        if (!t.isValid()) {
            std::fprintf(stderr, "bad start time %s\n", qPrintable(args[2]));
            return 2;
        }
        start = t.toMSecsSinceEpoch();
    }
    start -= start % 1000;

    const std::size_t count = std::size_t(rate) * std::size_t(minutes) * 60;
    std::vector<float> audio(count, 0.0f);
    testsignal::Noise noise(std::uint64_t(start) ^ std::uint64_t(band));
    for (qint64 slot = start / 10000 - 1; slot * 10000 < start + qint64(minutes) * 60000; ++slot) {
        const BeaconIndex station = SlotTiming::expectedStation(slot, band);
        // A made-up path to each station: a third are not heard at all.
        const int h = (station * 7 + band * 11) % 18;
        if (h % 3 == 0)
            continue;
        const double snr = -24.0 + 2.2 * h + 4.0 * std::sin(double(slot) / 9.0 + station);
        testsignal::Beacon beacon{station, snr, 600.0 + (station % 5) * 3 - 6, 0.0};
        beacon.timing.wordGapSeconds = 0.1 + 0.4 * double((station * 5) % 18) / 17.0;
        beacon.timing.elementSeconds = BeaconKeying::ElementSeconds * (0.95 + 0.1 * double((station * 7) % 18) / 17.0);
        beacon.timing.dashGapSeconds = 3 * beacon.timing.elementSeconds;
        if (station == 3)
            beacon.callsign = "KH6RS";
        beacon.fadeDb = 3.0 + double(station % 4) * 2;
        beacon.fadePeriodSeconds = 5 + station;
        testsignal::addBeacon(audio, rate, double(start - slot * 10000) / 1000.0 - clockError, beacon);
    }
    if (carrier)
        testsignal::addNotABeacon(audio, rate, 0, testsignal::NotABeacon::SteadyCarrier, -5, 750, noise);
    if (otherCw)
        testsignal::addNotABeacon(audio, rate, 0, testsignal::NotABeacon::OtherCw, 0, 480, noise);
    testsignal::addNoise(audio, rate, noise);

    const Band &b = BeaconCatalogue::band(band);
    const qint64 hz = std::llround(QString::fromLatin1(b.frequencyText.data(), qsizetype(b.frequencyText.size())).toDouble() * 1e6);
    const QString name = QStringLiteral("halvion_%1_%2Hz_AF.wav")
                             .arg(QDateTime::fromMSecsSinceEpoch(start, Qt::UTC).toString(QStringLiteral("yyyyMMdd_HHmmss'Z'")))
                             .arg(hz);
    QDir().mkpath(args[1]);
    QFile file(QDir(args[1]).filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "%s cannot be written\n", qPrintable(file.fileName()));
        return 1;
    }
    auto le32 = [](quint32 v) { QByteArray x(4, '\0'); qToLittleEndian<quint32>(v, x.data()); return x; };
    auto le16 = [](quint16 v) { QByteArray x(2, '\0'); qToLittleEndian<quint16>(v, x.data()); return x; };
    const quint32 dataBytes = quint32(count * 2);
    file.write("RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(quint32(rate)) +
               le32(quint32(rate) * 2) + le16(2) + le16(16) + "data" + le32(dataBytes));
    QByteArray pcm(qsizetype(dataBytes), '\0');
    for (std::size_t i = 0; i < count; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(std::clamp(audio[i], -1.0f, 1.0f) * 32767)), pcm.data() + 2 * i);
    file.write(pcm);
    file.close();
    std::printf("%s\n", qPrintable(QDir(file.fileName()).absolutePath()));
    return 0;
}
