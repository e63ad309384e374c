#pragma once
// The beacon spots on disk: a table of their own in the monitor's SQLite log
// (~/.local/share/Halvion/monitor.sqlite on Linux), so the charts and the last day's
// counts survive a restart, and a second table of the spans the feed was connected,
// so "not heard for a day" is told apart from "not listening for a day".

#include "spot_archive.h"

#include "sqlite_file.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace halvion {

class SpotStore;

class SpotLog final : public SpotArchive {
public:
    SpotLog();
    SpotLog(const SpotLog &) = delete;
    SpotLog &operator=(const SpotLog &) = delete;

    // The monitor's log file, which the spots share.
    static QString defaultPath();

    // Opens (and creates) the file and the tables; false with errorText() when it cannot.
    bool open(const QString &path);
    bool isOpen() const override;
    QString errorText() const override { return error_; }
    QString path() const { return path_; }

    bool append(const std::vector<StoredSpot> &rows) override;
    // Spots heard since a UTC time, oldest first; station or band -1 for any.
    std::vector<StoredSpot> history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const override;
    qint64 count() const override;
    // Removes the spots and connected spans that ended before the given time.
    bool trim(qint64 beforeUtcMs) override;

    // One connected span, keyed by its start: written again as it grows.
    bool saveConnected(qint64 startUtcMs, qint64 endUtcMs) override;
    // The spans that end at or after the given time, oldest first.
    std::vector<std::pair<qint64, qint64>> connectedSpans(qint64 sinceUtcMs) const override;

private:
    SqliteFile file_;
    QString path_;
    QString error_;
};

// A log opened at a path, open or not (then its errorText() says why).
std::unique_ptr<SpotLog> openSpotLog(const QString &path);
// Gives the store the log at a path; false with the store's logError() when it cannot.
bool openSpotLog(SpotStore &store, const QString &path);

} // namespace halvion
