#pragma once
// One SQLite file opened through Qt SQL on a connection of its own: the monitor's log
// and the spot log both keep their tables in the user's monitor.sqlite this way.

#include <QSqlDatabase>
#include <QString>

#include <initializer_list>

namespace halvion {

class SqliteFile {
public:
    // `what` names the file in messages ("monitor log").
    explicit SqliteFile(QString what);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    // The user's monitor.sqlite in the program's data folder.
    static QString defaultPath();

    // Makes the folder, opens the file (waiting up to busyTimeoutMs for another writer's
    // lock) and runs the set-up statements; on a failure the file is closed and `error`
    // says why.
    bool open(const QString &path, std::initializer_list<const char *> setup, int busyTimeoutMs, QString &error);
    bool isOpen() const;
    QSqlDatabase database() const;

private:
    QString what_;
    QString connection_;
};

} // namespace halvion
