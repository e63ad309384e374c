#include "clock_setter.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusMessage>

#include <cerrno>
#include <ctime>
#endif

namespace halvion {

#ifdef Q_OS_WIN

bool SystemClockSetter::set(const SystemTimeRecord &r)
{
    if (!isValidSystemTime(r))
        return false;
    SYSTEMTIME st{};
    st.wYear = r.year;
    st.wMonth = r.month;
    st.wDayOfWeek = 0;
    st.wDay = r.day;
    st.wHour = r.hour;
    st.wMinute = r.minute;
    st.wSecond = r.second;
    st.wMilliseconds = r.milliseconds;
    return SetSystemTime(&st) != 0;
}

#else

namespace {

std::int64_t realtimeMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

// Long enough for the user to read the password prompt and answer it; the main
// window's timers go on meanwhile.
constexpr int AuthorisationTimeoutMs = 120000;

bool setThroughTimedated(std::int64_t targetMicroseconds)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("SetTime"));
    const qint64 correction = targetMicroseconds - realtimeMicroseconds();
    call << correction << true /* relative */ << true /* interactive */;
    call.setInteractiveAuthorizationAllowed(true);
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, AuthorisationTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool SystemClockSetter::set(const SystemTimeRecord &r)
{
    if (!isValidSystemTime(r))
        return false;
    const std::int64_t target = unixMicroseconds(r);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(target / 1000000);
    ts.tv_nsec = static_cast<long>(target % 1000000) * 1000;
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    if (errno != EPERM)
        return false;
    return setThroughTimedated(target);
}

#endif

} // namespace halvion
