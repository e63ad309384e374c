#pragma once
// The program's optional modules (the beacon monitor, radio control) are opened the
// first time they are needed. Each is looked for where the install rules put it, seen
// from the program's own folder (bin/ -> lib/<arch>/halvion/), which is also where the
// build puts it beside build/app/ and build/tests/; then beside the program itself.

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace halvion::module_file {

// The modules' folder relative to the program's folder.
QString folderFromProgram();

// The places tried for a module's file, first one first, for a program in programFolder.
QStringList candidates(const QString &programFolder, const QString &fileName);

// The entry object of the first of those places that opens and that `accepts`, or
// nullptr with every place tried and what went wrong in *failures, one each (a module
// that opens but is not the one wanted is named with `notIt`). A module that opens
// stays loaded for the rest of the process.
QObject *open(const QString &programFolder, const QString &fileName, const std::function<bool(QObject *)> &accepts,
              const QString &notIt, QStringList *failures);

} // namespace halvion::module_file
