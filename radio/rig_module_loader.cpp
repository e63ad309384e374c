#include "rig_module_loader.h"

#include "module_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QObject>

namespace halvion {

QString RigModuleLoader::fileName() { return QString::fromLatin1(HALVION_RIG_MODULE_FILE); }

QString RigModuleLoader::folderFromProgram() { return module_file::folderFromProgram(); }

QStringList RigModuleLoader::candidates(const QString &programFolder)
{
    return module_file::candidates(programFolder, fileName());
}

RigBackend *RigModuleLoader::load(const QString &programFolder, QString *why)
{
    QStringList failures;
    QObject *entry = module_file::open(
        programFolder, fileName(), [](QObject *o) { return qobject_cast<RigBackend *>(o) != nullptr; },
        QStringLiteral("not the rig module"), &failures);
    if (!entry) {
        if (why) // shown on the radio's one-line state
            *why = failures.join(QStringLiteral("; "));
        return nullptr;
    }
    // Made on whichever thread asked first (the radio's own, often), which ends before
    // the program does: the entry object lives on with the program.
    if (QCoreApplication::instance() && entry->thread() != QCoreApplication::instance()->thread())
        entry->moveToThread(QCoreApplication::instance()->thread());
    return qobject_cast<RigBackend *>(entry);
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
