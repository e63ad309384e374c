#include "monitor_loader.h"

#include "module_file.h"

#include <QObject>

namespace halvion {

QString MonitorLoader::fileName() { return QString::fromLatin1(HALVION_MONITOR_MODULE_FILE); }

QString MonitorLoader::folderFromProgram() { return module_file::folderFromProgram(); }

QStringList MonitorLoader::candidates(const QString &programFolder)
{
    return module_file::candidates(programFolder, fileName());
}

MonitorModuleFactory *MonitorLoader::load(const QString &programFolder, QString *why)
{
    QStringList failures;
    QObject *entry = module_file::open(
        programFolder, fileName(), [](QObject *o) { return qobject_cast<MonitorModuleFactory *>(o) != nullptr; },
        QStringLiteral("not the beacon monitor"), &failures);
    if (!entry && why)
        *why = failures.join(QLatin1Char('\n'));
    return qobject_cast<MonitorModuleFactory *>(entry);
}

} // namespace halvion
