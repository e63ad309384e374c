#include "monitor_loader.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace halvion {

QString MonitorLoader::fileName() { return QString::fromLatin1(HALVION_MONITOR_MODULE_FILE); }

QString MonitorLoader::folderFromProgram() { return QString::fromLatin1(HALVION_MODULE_FROM_BIN); }

QStringList MonitorLoader::candidates(const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList places;
    for (const QString &folder : {program.filePath(folderFromProgram()), programFolder}) {
        const QString path = QDir::cleanPath(QDir(folder).filePath(fileName()));
        if (!places.contains(path))
            places << path;
    }
    return places;
}

MonitorModuleFactory *MonitorLoader::load(const QString &programFolder, QString *why)
{
    QStringList failures;
    for (const QString &path : candidates(programFolder)) {
        if (!QFileInfo::exists(path)) {
            failures << QStringLiteral("%1: not found").arg(path);
            continue;
        }
        QPluginLoader loader(path);
        QObject *entry = loader.instance();
        if (auto *factory = qobject_cast<MonitorModuleFactory *>(entry))
            return factory;
        failures << QStringLiteral("%1: %2").arg(path, entry ? QStringLiteral("not the beacon monitor") : loader.errorString());
    }
    if (why)
        *why = failures.join(QLatin1Char('\n'));
    return nullptr;
}

} // namespace halvion
