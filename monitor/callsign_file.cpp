#include "callsign_file.h"

#include <QFile>

namespace halvion {

BeaconCallsigns loadBeaconCallsigns(const QString &path, QStringList &problems)
{
    BeaconCallsigns table = BeaconCallsigns::standard();
    QFile file(path);
    if (!file.exists())
        return table;
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return table;
    }
    const QByteArray text = file.read(1 << 20);
    for (const auto &e : table.parse(std::string_view(text.constData(), std::size_t(text.size()))))
        problems << QStringLiteral("line %1: %2").arg(e.line).arg(QString::fromStdString(e.message));
    return table;
}

} // namespace halvion
