#pragma once
// Finding and starting the platform's system-information program for the About box's
// System Info button. On Windows it is MSINFO32, found through the registry; elsewhere
// the first of a few well-known desktop tools that is on the PATH.

#include <QString>

#include <functional>
#include <optional>

namespace halvion {

// Reads a string value under HKEY_LOCAL_MACHINE: (key, value name) -> text, or nothing.
using RegistryReader = std::function<std::optional<QString>(const QString &key, const QString &valueName)>;
using FileTest = std::function<bool(const QString &path)>;

// Where Windows keeps MSINFO32: the "PATH" of the MSINFO key, else MSINFO32.EXE in
// the "Shared Tools Location" folder if that file exists. Empty when neither gives one.
QString msinfoPath(const RegistryReader &readValue, const FileTest &fileExists);

// The tools tried elsewhere, in order.
const QStringList &systemInformationTools();

// The system-information program of this machine, or empty when there is none.
QString findSystemInformationTool();

// Starts it as a program of its own; false when there is none or it cannot start.
bool startSystemInformationTool();

} // namespace halvion
