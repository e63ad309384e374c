#include "spot_log.h"

#include "spot_store.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace halvion {

namespace {

constexpr const char *Columns = "heard_ms, spot_ms, station, band, skimmer, snr_db, freq_khz, wpm";

} // namespace

SpotLog::SpotLog() : file_(QStringLiteral("spot log")) {}

QString SpotLog::defaultPath() { return SqliteFile::defaultPath(); }

bool SpotLog::open(const QString &path)
{
    path_ = path;
    // The monitor writes to the same file: wait a little for its lock rather than fail.
    if (!file_.open(path, {
        "PRAGMA journal_mode=WAL",
        "PRAGMA synchronous=NORMAL",
        "CREATE TABLE IF NOT EXISTS rbn_spots ("
        " heard_ms INTEGER NOT NULL, spot_ms INTEGER NOT NULL, station INTEGER NOT NULL,"
        " band INTEGER NOT NULL, skimmer TEXT NOT NULL, snr_db INTEGER NOT NULL,"
        " freq_khz REAL NOT NULL, wpm INTEGER NOT NULL)",
        "CREATE INDEX IF NOT EXISTS rbn_spots_heard ON rbn_spots (heard_ms)",
        "CREATE INDEX IF NOT EXISTS rbn_spots_pair ON rbn_spots (station, band, heard_ms)",
        "CREATE TABLE IF NOT EXISTS rbn_connected (start_ms INTEGER PRIMARY KEY, end_ms INTEGER NOT NULL)",
    }, 250, error_))
        return false;
    error_.clear();
    return true;
}

bool SpotLog::isOpen() const
{
    return file_.isOpen();
}

bool SpotLog::append(const std::vector<StoredSpot> &rows)
{
    if (!isOpen()) {
        error_ = QStringLiteral("The spot log is not open.");
        return false;
    }
    QSqlDatabase db = file_.database();
    if (!db.transaction()) {
        error_ = QStringLiteral("The spot log could not be written: %1").arg(db.lastError().text());
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO rbn_spots (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(QLatin1String(Columns)));
    for (const StoredSpot &s : rows) {
        q.addBindValue(s.heardUtcMs);
        q.addBindValue(s.spotUtcMs);
        q.addBindValue(s.station);
        q.addBindValue(s.band);
        q.addBindValue(QString::fromStdString(s.skimmer));
        q.addBindValue(s.snrDb);
        q.addBindValue(s.frequencyKhz);
        q.addBindValue(s.speedWpm);
        if (!q.exec()) {
            error_ = QStringLiteral("A spot could not be written to the spot log: %1").arg(q.lastError().text());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        error_ = QStringLiteral("The spot log could not be written: %1").arg(db.lastError().text());
        db.rollback();
        return false;
    }
    return true;
}

std::vector<StoredSpot> SpotLog::history(qint64 sinceUtcMs, BeaconIndex station, BandIndex band) const
{
    std::vector<StoredSpot> out;
    if (!isOpen())
        return out;
    QSqlQuery q(file_.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM rbn_spots WHERE heard_ms >= ? AND (? < 0 OR station = ?) "
                             "AND (? < 0 OR band = ?) ORDER BY heard_ms, rowid")
                  .arg(QLatin1String(Columns)));
    q.addBindValue(sinceUtcMs);
    q.addBindValue(station);
    q.addBindValue(station);
    q.addBindValue(band);
    q.addBindValue(band);
    if (!q.exec())
        return out;
    while (q.next()) {
        StoredSpot s;
        s.heardUtcMs = q.value(0).toLongLong();
        s.spotUtcMs = q.value(1).toLongLong();
        s.station = q.value(2).toInt();
        s.band = q.value(3).toInt();
        s.skimmer = q.value(4).toString().toStdString();
        s.snrDb = q.value(5).toInt();
        s.frequencyKhz = q.value(6).toDouble();
        s.speedWpm = q.value(7).toInt();
        // A row edited by hand must not reach the per-station tables out of range.
        if (s.station < 0 || s.station >= BeaconCount || s.band < 0 || s.band >= BandCount)
            continue;
        out.push_back(std::move(s));
    }
    return out;
}

qint64 SpotLog::count() const
{
    QSqlQuery q(file_.database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM rbn_spots")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

bool SpotLog::trim(qint64 beforeUtcMs)
{
    if (!isOpen())
        return false;
    QSqlQuery q(file_.database());
    q.prepare(QStringLiteral("DELETE FROM rbn_spots WHERE heard_ms < ?"));
    q.addBindValue(beforeUtcMs);
    bool ok = q.exec();
    q.prepare(QStringLiteral("DELETE FROM rbn_connected WHERE end_ms < ?"));
    q.addBindValue(beforeUtcMs);
    ok = q.exec() && ok;
    if (!ok)
        error_ = QStringLiteral("The spot log could not be trimmed: %1").arg(q.lastError().text());
    return ok;
}

bool SpotLog::saveConnected(qint64 startUtcMs, qint64 endUtcMs)
{
    if (!isOpen())
        return false;
    QSqlQuery q(file_.database());
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO rbn_connected (start_ms, end_ms) VALUES (?, ?)"));
    q.addBindValue(startUtcMs);
    q.addBindValue(endUtcMs);
    if (!q.exec()) {
        error_ = QStringLiteral("The spot log could not be written: %1").arg(q.lastError().text());
        return false;
    }
    return true;
}

std::vector<std::pair<qint64, qint64>> SpotLog::connectedSpans(qint64 sinceUtcMs) const
{
    std::vector<std::pair<qint64, qint64>> out;
    if (!isOpen())
        return out;
    QSqlQuery q(file_.database());
    q.prepare(QStringLiteral("SELECT start_ms, end_ms FROM rbn_connected WHERE end_ms >= ? ORDER BY start_ms"));
    q.addBindValue(sinceUtcMs);
    if (q.exec())
        while (q.next())
            out.emplace_back(q.value(0).toLongLong(), q.value(1).toLongLong());
    return out;
}

std::unique_ptr<SpotLog> openSpotLog(const QString &path)
{
    auto log = std::make_unique<SpotLog>();
    log->open(path);
    return log;
}

bool openSpotLog(SpotStore &store, const QString &path) { return store.attachLog(openSpotLog(path)); }

} // namespace halvion
