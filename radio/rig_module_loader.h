#pragma once
// Opens the rig module, which alone links Hamlib, the first time the program needs a rig
// or the list of models; found as every module is (module_file.h).

#include "rig_backend.h"

#include <QString>
#include <QStringList>

namespace halvion {

class RigModuleLoader {
public:
    // The module's file name, and its folder relative to the program's folder.
    static QString fileName();
    static QString folderFromProgram();

    // The places tried, first one first, for a program in programFolder.
    static QStringList candidates(const QString &programFolder);

    // The backend of the first module that opens, or nullptr with the reason in *why
    // (every place tried and what went wrong). The module stays loaded for the rest of
    // the process.
    static RigBackend *load(const QString &programFolder, QString *why);

    // The program's module, opened once, on the first call from any thread; nullptr
    // (and the reason in *why) when it could not be.
    static RigBackend *backend(std::string *why = nullptr);
};

} // namespace halvion
