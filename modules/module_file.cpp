#include "module_file.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace halvion::module_file {

QString folderFromProgram() { return QString::fromLatin1(HALVION_MODULE_FROM_BIN); }

QStringList candidates(const QString &programFolder, const QString &fileName)
{
    const QDir program(programFolder);
    QStringList places;
    for (const QString &folder : {program.filePath(folderFromProgram()), programFolder}) {
        const QString path = QDir::cleanPath(QDir(folder).filePath(fileName));
        if (!places.contains(path))
            places << path;
    }
    return places;
}

QObject *open(const QString &programFolder, const QString &fileName, const std::function<bool(QObject *)> &accepts,
              const QString &notIt, QStringList *failures)
{
    QStringList tried;
    for (const QString &path : candidates(programFolder, fileName)) {
        if (!QFileInfo::exists(path)) {
            tried << QStringLiteral("%1: not found").arg(path);
            continue;
        }
        QPluginLoader loader(path);
        QObject *entry = loader.instance();
        if (entry && accepts(entry))
            return entry;
        tried << QStringLiteral("%1: %2").arg(path, entry ? notIt : loader.errorString());
    }
    if (failures)
        *failures = tried;
    return nullptr;
}

} // namespace halvion::module_file
