#pragma once
// Opens the beacon monitor's module, the first time the user asks for the monitor;
// found as every module is (module_file.h).

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
