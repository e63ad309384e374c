#pragma once
// When a recording began and on which band, as far as the file itself tells: receiver
// programs put the UTC start and the frequency in their file names
// ("..._20261210_101500Z_14100000Hz_AF.wav"); failing that, a recording ends when its
// file was last written, so it began its length before that.

#include "beacon_catalogue.h"

#include <QString>
#include <QtGlobal>

namespace halvion {

struct RecordingStartGuess {
    qint64 startUtcMs = 0;
    BandIndex band = -1; // -1 when the name gives no beacon frequency
    bool fromName = false;
};

RecordingStartGuess guessRecordingStart(const QString &fileName, qint64 modifiedUtcMs, double durationSeconds);

} // namespace halvion
