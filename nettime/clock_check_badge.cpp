#include "clock_check_badge.h"

#include <QStringList>

#include <cmath>

namespace halvion {

namespace {

constexpr double CalmLimit = 0.2;
constexpr double AmberLimit = 0.5;

QString signedNumber(double value, int decimals)
{
    return (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QString::number(std::fabs(value), 'f', decimals);
}

QString kernelLine(const KernelClockState &kernel)
{
    switch (kernel.sync) {
    case KernelClockState::Sync::Synchronised:
        if (kernel.estimatedError >= 0)
            return QStringLiteral("System clock service: synchronised, estimated error %1 ms")
                .arg(kernel.estimatedError * 1000.0, 0, 'f', 1);
        return QStringLiteral("System clock service: synchronised");
    case KernelClockState::Sync::Unsynchronised:
        return QStringLiteral("System clock service: not synchronised");
    case KernelClockState::Sync::Unknown:
        break;
    }
    return QStringLiteral("System clock service: state unknown");
}

BadgeLevel kernelLevel(const KernelClockState &kernel)
{
    switch (kernel.sync) {
    case KernelClockState::Sync::Synchronised:
        return kernel.estimatedError <= CalmLimit ? BadgeLevel::Calm : BadgeLevel::Amber;
    case KernelClockState::Sync::Unsynchronised:
        return BadgeLevel::Amber;
    case KernelClockState::Sync::Unknown:
        break;
    }
    return BadgeLevel::Unknown;
}

QString aheadText(double pcAhead)
{
    const QString amount = QString::number(std::fabs(pcAhead), 'f', 3);
    return pcAhead < 0 ? QStringLiteral("PC clock %1 s behind").arg(amount)
                       : QStringLiteral("PC clock %1 s ahead").arg(amount);
}

QString troubleLine(const ClockCheckFacts &f)
{
    using T = ClockCheckFacts::Trouble;
    switch (f.trouble) {
    case T::None:
        return {};
    case T::Waiting:
        return QStringLiteral("Asking the time server...");
    case T::NoServer:
        return QStringLiteral("No time server is set for the check.");
    case T::NotFound:
        return QStringLiteral("The time server could not be found (%1).").arg(f.troubleAt);
    case T::NoReply:
        return QStringLiteral("No reply from the time server (%1).").arg(f.troubleAt);
    case T::BadReply:
        return QStringLiteral("The time server's reply was not usable: %1 (%2).").arg(f.troubleDetail, f.troubleAt);
    case T::SlowDown:
        return QStringLiteral("The time server asked for fewer checks (%1): next check in %2 min.")
            .arg(f.troubleDetail)
            .arg(f.nextCheckMinutes);
    case T::Refused:
        return QStringLiteral("The time server refused the check (%1): it is not asked again.").arg(f.troubleDetail);
    }
    return {};
}

QString airLine(const ClockCheckFacts::AirMeasurement &air)
{
    return QStringLiteral("Measured from the beacons: %1 (median of %2 slots)").arg(aheadText(air.pcAhead)).arg(air.slots);
}

} // namespace

BadgeLevel levelForOffset(double pcAhead)
{
    const double size = std::fabs(pcAhead);
    if (size <= CalmLimit)
        return BadgeLevel::Calm;
    if (size <= AmberLimit)
        return BadgeLevel::Amber;
    return BadgeLevel::Red;
}

QString badgeOffsetText(double pcAhead)
{
    const double size = std::fabs(pcAhead);
    if (size < 9.95)
        return signedNumber(pcAhead, 1) + QStringLiteral(" s");
    if (size < 999.5)
        return signedNumber(pcAhead, 0) + QStringLiteral(" s");
    if (size < 99.5 * 60)
        return signedNumber(pcAhead / 60, 0) + QStringLiteral(" min");
    if (size < 99.5 * 3600)
        return signedNumber(pcAhead / 3600, 0) + QStringLiteral(" h");
    return signedNumber(pcAhead / 86400, 0) + QStringLiteral(" d");
}

ClockBadgeView clockBadgeView(const ClockCheckFacts &f)
{
    ClockBadgeView view;
    QStringList lines;
    const bool fresh = f.enabled && f.measurement && !f.measurement->stale;
    if (fresh) {
        const auto &m = *f.measurement;
        view.measured = true;
        view.level = levelForOffset(m.pcAhead);
        if (view.level == BadgeLevel::Red)
            view.text = badgeOffsetText(m.pcAhead);
    } else if (f.air) {
        // No fresh answer from a time server: the beacons heard are the best word on
        // the clock there is, and they say it is off.
        view.measured = true;
        view.level = levelForOffset(f.air->pcAhead);
        if (view.level == BadgeLevel::Red)
            view.text = badgeOffsetText(f.air->pcAhead);
    } else {
        view.level = kernelLevel(f.kernel);
    }

    if (fresh)
        view.summary = QStringLiteral("%1 of Internet time (checked %2)")
                           .arg(aheadText(f.measurement->pcAhead), f.measurement->checkedAt);
    else if (f.air)
        view.summary = QStringLiteral("%1, measured from the beacons (%2 slots)")
                           .arg(aheadText(f.air->pcAhead))
                           .arg(f.air->slots);
    else
        view.summary = kernelLine(f.kernel);

    if (!f.enabled) {
        lines << kernelLine(f.kernel);
        lines << QStringLiteral("Check PC Clock Against Internet Time is off (Internet Time menu).");
    } else {
        lines << QStringLiteral("Time server: %1").arg(f.server.isEmpty() ? QStringLiteral("none") : f.server);
        if (f.measurement) {
            const auto &m = *f.measurement;
            lines << QStringLiteral("Offset: %1").arg(aheadText(m.pcAhead));
            lines << QStringLiteral("Round trip: %1 ms").arg(m.delay * 1000.0, 0, 'f', 0);
            lines << QStringLiteral("Last check: %1%2")
                         .arg(m.checkedAt, m.stale ? QStringLiteral(" (too long ago to vouch for the clock)")
                                                   : QString());
        }
        if (const QString trouble = troubleLine(f); !trouble.isEmpty())
            lines << trouble;
        lines << kernelLine(f.kernel);
    }
    if (f.air)
        lines << airLine(*f.air);
    if (view.level == BadgeLevel::Red || (view.level == BadgeLevel::Amber && view.measured))
        lines << QStringLiteral("To set the clock: Internet Time > Set PC Time (Via Internet NIST Time Server)");
    view.toolTip = lines.join(QLatin1Char('\n'));
    return view;
}

} // namespace halvion
