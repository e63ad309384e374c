#include "recording_start.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>

namespace halvion {

RecordingStartGuess guessRecordingStart(const QString &fileName, qint64 modifiedUtcMs, double durationSeconds)
{
    RecordingStartGuess g;
    g.startUtcMs = modifiedUtcMs - qint64(std::llround(durationSeconds * 1000));
    const QString name = QFileInfo(fileName).fileName();

    static const QRegularExpression stamp(QStringLiteral("(?<!\\d)(\\d{8})[_T-]?(\\d{6})(Z?)(?!\\d)"));
    const auto when = stamp.match(name);
    if (when.hasMatch()) {
        const QDateTime t = QDateTime::fromString(when.captured(1) + when.captured(2), QStringLiteral("yyyyMMddHHmmss"));
        if (t.isValid()) {
            // With a Z the stamp is UTC; without, the recording program wrote local time.
            const QDateTime start = when.captured(3).isEmpty() ? t : QDateTime(t.date(), t.time(), Qt::UTC);
            g.startUtcMs = start.toMSecsSinceEpoch();
            g.fromName = true;
        }
    }
    static const QRegularExpression frequency(QStringLiteral("(?<![\\d.])(\\d+(?:\\.\\d+)?)\\s*(MHz|kHz|Hz)"),
                                              QRegularExpression::CaseInsensitiveOption);
    auto it = frequency.globalMatch(name);
    while (it.hasNext() && g.band < 0) {
        const auto f = it.next();
        const QString unit = f.captured(2).toLower();
        const double hz = f.captured(1).toDouble() * (unit == QLatin1String("mhz") ? 1e6 : unit == QLatin1String("khz") ? 1e3 : 1);
        for (BandIndex b = 0; b < BandCount; ++b) {
            const auto &text = BeaconCatalogue::band(b).frequencyText;
            const double beaconHz = QString::fromLatin1(text.data(), qsizetype(text.size())).toDouble() * 1e6;
            if (std::abs(hz - beaconHz) <= 10e3) // a CW receiver sits a pitch away from it
                g.band = b;
        }
    }
    return g;
}

} // namespace halvion
