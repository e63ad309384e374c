#include "sqlite_file.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace halvion {

namespace {
QAtomicInt connectionCounter;
}

SqliteFile::SqliteFile(QString what)
    : what_(std::move(what)),
      connection_(QStringLiteral("halvion-sqlite-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

SqliteFile::~SqliteFile()
{
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString SqliteFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/monitor.sqlite");
}

bool SqliteFile::open(const QString &path, std::initializer_list<const char *> setup, int busyTimeoutMs, QString &error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        error = QStringLiteral("The folder of the %1 cannot be made: %2").arg(what_, QFileInfo(path).absolutePath());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(connection_) ? QSqlDatabase::database(connection_, false)
                                                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        error = QStringLiteral("SQLite is not available to Qt (the package libqt6sql6-sqlite is missing).");
        return false;
    }
    db.close();
    db.setDatabaseName(path);
    db.setConnectOptions(busyTimeoutMs > 0 ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs) : QString());
    if (!db.open()) {
        error = QStringLiteral("The %1 %2 cannot be opened: %3").arg(what_, path, db.lastError().text());
        return false;
    }
    QSqlQuery q(db);
    for (const char *sql : setup) {
        if (!q.exec(QLatin1String(sql))) {
            error = QStringLiteral("The %1 %2 is not usable: %3").arg(what_, path, q.lastError().text());
            db.close();
            return false;
        }
    }
    return true;
}

bool SqliteFile::isOpen() const
{
    return QSqlDatabase::contains(connection_) && QSqlDatabase::database(connection_, false).isOpen();
}

QSqlDatabase SqliteFile::database() const { return QSqlDatabase::database(connection_, false); }

} // namespace halvion
