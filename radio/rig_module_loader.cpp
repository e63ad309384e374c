#include "rig_module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace halvion {

QString RigModuleLoader::fileName() { return QString::fromLatin1(HALVION_RIG_MODULE_FILE); }

QString RigModuleLoader::folderFromProgram() { return QString::fromLatin1(HALVION_MODULE_FROM_BIN); }

QStringList RigModuleLoader::candidates(const QString &programFolder)
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

RigBackend *RigModuleLoader::load(const QString &programFolder, QString *why)
{
    QStringList failures;
    for (const QString &path : candidates(programFolder)) {
        if (!QFileInfo::exists(path)) {
            failures << QStringLiteral("%1: not found").arg(path);
            continue;
        }
        QPluginLoader loader(path);
        QObject *entry = loader.instance();
        if (auto *backend = qobject_cast<RigBackend *>(entry)) {
            // Made on whichever thread asked first (the radio's own, often), which ends
            // before the program does: the entry object lives on with the program.
            if (QCoreApplication::instance() && entry->thread() != QCoreApplication::instance()->thread())
                entry->moveToThread(QCoreApplication::instance()->thread());
            return backend;
        }
        failures << QStringLiteral("%1: %2").arg(path, entry ? QStringLiteral("not the rig module") : loader.errorString());
    }
    if (why)
        *why = failures.join(QStringLiteral("; "));
    return nullptr;
}

RigBackend *RigModuleLoader::backend(std::string *why)
{
    struct Loaded {
        RigBackend *backend = nullptr;
        std::string why;
    };
    // (a function-local static is made once, even when threads ask at the same time)
    static const Loaded loaded = [] {
        // The program's own folder, also before the application object exists.
        const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        QString reason;
        Loaded result;
        result.backend = load(folder, &reason);
        result.why = reason.toStdString();
        return result;
    }();
    if (!loaded.backend && why)
        *why = loaded.why;
    return loaded.backend;
}

} // namespace halvion
