#pragma once
// Opens the beacon monitor's module, the first time the user asks for the monitor. It
// is looked for where the install rules put it, seen from the program's own folder
// (bin/ -> lib/<arch>/halvion/), which is also where the build puts it beside build/app/
// and build/tests/; then beside the program itself.

#include "monitor_module.h"

#include <QString>
#include <QStringList>

namespace halvion {

class MonitorLoader {
public:
    // The module's file name, and its folder relative to the program's folder.
    static QString fileName();
    static QString folderFromProgram();

    // The places tried, first one first, for a program in programFolder.
    static QStringList candidates(const QString &programFolder);

    // The factory of the first module that opens, or nullptr with the reason in *why
    // (every place tried and what went wrong). The module stays loaded for the rest
    // of the process.
    static MonitorModuleFactory *load(const QString &programFolder, QString *why);
};

} // namespace halvion
