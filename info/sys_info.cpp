#include "sys_info.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QFileInfo>
#include <QSettings>
#endif

namespace halvion {

QString msinfoPath(const RegistryReader &readValue, const FileTest &fileExists)
{
    if (auto path = readValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH")))
        return *path;
    if (auto folder = readValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"))) {
        const QString path = *folder + QStringLiteral("\\MSINFO32.EXE");
        if (fileExists(path))
            return path;
    }
    return {};
}

const QStringList &systemInformationTools()
{
    // System-information programs first, then the desktops' system monitors.
    static const QStringList tools{
        QStringLiteral("kinfocenter"),          QStringLiteral("hardinfo2"),
        QStringLiteral("hardinfo"),             QStringLiteral("gnome-system-monitor"),
        QStringLiteral("mate-system-monitor"),  QStringLiteral("xfce4-taskmanager"),
    };
    return tools;
}

#ifdef Q_OS_WIN
namespace {

// A string value under HKEY_LOCAL_MACHINE, read without asking for write access
// (which an ordinary user does not have there).
std::optional<QString> GetKeyValue(const QString &key, const QString &valueName)
{
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, QSettings::NativeFormat);
    const QVariant value = registry.value(valueName);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace
#endif

QString findSystemInformationTool()
{
#ifdef Q_OS_WIN
    return msinfoPath(GetKeyValue, [](const QString &path) { return QFileInfo(path).isFile(); });
#else
    for (const QString &tool : systemInformationTools()) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty())
            return path;
    }
    return {};
#endif
}

bool startSystemInformationTool()
{
    const QString path = findSystemInformationTool();
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

} // namespace halvion
