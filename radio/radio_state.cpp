#include "radio_state.h"

namespace halvion {

QString megahertzText(double hertz)
{
    QString text = QString::number(hertz / 1e6, 'f', 6);
    while (text.endsWith(QLatin1Char('0')) && text.indexOf(QLatin1Char('.')) < text.size() - 4)
        text.chop(1);
    return text + QStringLiteral(" MHz");
}

QString radioStateText(const RadioState &state, bool scanning)
{
    const QString where = state.port.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(state.port);
    switch (state.kind) {
    case RadioState::Kind::NotConfigured: return QStringLiteral("Radio not configured");
    case RadioState::Kind::Ready: return QStringLiteral("Radio ready: %1").arg(state.model);
    case RadioState::Kind::Connected: {
        QString text = (scanning ? QStringLiteral("Radio scanning with %1 - %2") : QStringLiteral("Radio connected to %1 - %2"))
                           .arg(state.model, megahertzText(state.frequencyHz));
        if (!state.mode.isEmpty())
            text += QLatin1Char(' ') + state.mode;
        return text;
    }
    case RadioState::Kind::NotAnswering: return QStringLiteral("Radio not answering") + where;
    case RadioState::Kind::Unreachable: return QStringLiteral("No radio answered at %1: %2").arg(state.port, state.error);
    case RadioState::Kind::Error: return QStringLiteral("Radio error: %1").arg(state.error) + where;
    }
    return {};
}

} // namespace halvion
