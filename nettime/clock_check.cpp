#include "clock_check.h"

#include "pc_time_text.h"
#include "settings_file.h"

#include <QDateTime>
#include <QTimer>

#include <cmath>

namespace halvion {

namespace ClockCheckKeys {
const KeySpec Enabled{"ClockCheck", "NoClockCheck", 16};
const KeySpec Server{"ClockCheckServer", "NoClockCheckServer", 255};
} // namespace ClockCheckKeys

ClockCheck::ClockCheck(SettingsFile &settings, const ClockCheckClocks &clocks, const KernelClockReader &kernel,
                       QObject *parent)
    : QObject(parent), settings_(settings), clocks_(clocks), kernel_(kernel)
{
    client_ = new SntpClient(clocks_, this);
    connect(client_, &SntpClient::measured, this, &ClockCheck::onMeasured);
    connect(client_, &SntpClient::kissOfDeath, this, &ClockCheck::onKiss);
    connect(client_, &SntpClient::failed, this, &ClockCheck::onFailed);

    pollTimer_ = new QTimer(this);
    pollTimer_->setObjectName(QStringLiteral("ClockCheckPollTimer"));
    pollTimer_->setSingleShot(true);
    connect(pollTimer_, &QTimer::timeout, this, &ClockCheck::poll);

    watchTimer_ = new QTimer(this);
    watchTimer_->setObjectName(QStringLiteral("ClockCheckWatchTimer"));
    watchTimer_->setInterval(WatchInterval);
    watchTimer_->setTimerType(Qt::VeryCoarseTimer);
    connect(watchTimer_, &QTimer::timeout, this, &ClockCheck::watch);
}

void ClockCheck::load()
{
    kernelState_ = kernel_.read();
    const bool on = settings_.readText(ClockCheckKeys::Enabled) == SettingsKeys::True;
    policy_.setEnabled(on, clocks_.steadyMillis());
    watchTimer_->start();
    if (on)
        poll();
    refresh();
}

void ClockCheck::setEnabled(bool on)
{
    if (on == policy_.enabled())
        return;
    settings_.writeSwitch(ClockCheckKeys::Enabled.key, on);
    const std::int64_t now = clocks_.steadyMillis();
    client_->abandon();
    policy_.setEnabled(on, now);
    trouble_ = ClockCheckFacts::Trouble::None;
    if (on) {
        // A refusal holds for the server that gave it; another server starts afresh.
        if (policy_.refused() && configuredServer() != refusedServer_)
            policy_.serverChanged(now);
        poll();
    } else {
        pollTimer_->stop();
    }
    refresh();
}

void ClockCheck::clockWasSet()
{
    if (air_) {
        air_.reset(); // measured before the clock moved: no longer true
        refresh();
    }
    if (!policy_.enabled())
        return;
    policy_.requestSoon(clocks_.steadyMillis());
    schedule();
}

void ClockCheck::setAirOffset(const std::optional<ClockCheckFacts::AirMeasurement> &air)
{
    const bool same = air_.has_value() == air.has_value() &&
                      (!air || (air_->pcAhead == air->pcAhead && air_->slots == air->slots));
    if (same)
        return;
    air_ = air;
    refresh();
}

void ClockCheck::poll()
{
    const std::int64_t now = clocks_.steadyMillis();
    if (!policy_.mayQueryNow(now)) {
        schedule();
        return;
    }
    const QString server = configuredServer();
    if (!server_.isNull() && server != server_)
        policy_.serverChanged(now);
    server_ = server;
    const SntpServer target = parseSntpServer(server);
    if (!target.valid()) {
        trouble_ = ClockCheckFacts::Trouble::NoServer;
        pollTimer_->stop();
        refresh();
        return;
    }
    // Counted as sent before it goes: a socket that fails at once reports back inside query().
    policy_.querySent(now);
    if (!measured_)
        trouble_ = ClockCheckFacts::Trouble::Waiting;
    if (!client_->query(target))
        policy_.queryFailed(now);
    schedule();
    refresh();
}

QString ClockCheck::configuredServer() const
{
    const std::optional<std::string> stored = settings_.read(ClockCheckKeys::Server);
    return stored ? QString::fromStdString(*stored) : QString::fromLatin1(ClockCheckKeys::DefaultServer);
}

void ClockCheck::schedule()
{
    const auto in = policy_.nextQueryIn(clocks_.steadyMillis());
    if (!in) {
        pollTimer_->stop();
        return;
    }
    // A pause of hours is not waited in one go: the poll looks again, which also
    // follows the steady count across a suspend.
    pollTimer_->start(static_cast<int>(std::min<std::int64_t>(*in, 60 * 1000)));
}

void ClockCheck::watch()
{
    kernelState_ = kernel_.read();
    // A step of the PC clock by other means than the time dialog asks for a new
    // measurement once, not again every watch while the server stays silent.
    if (policy_.enabled() && measured_) {
        const double step = stepSince(*measured_);
        if (std::fabs(step - stepAsked_) > StepWorthChecking) {
            stepAsked_ = step;
            clockWasSet();
        }
    }
    refresh();
}

std::optional<double> ClockCheck::pcAhead() const
{
    if (!measured_)
        return std::nullopt;
    return measured_->pcAhead + stepSince(*measured_);
}

// How far the PC clock was stepped since the measurement: the PC clock's advance less
// the steady count's advance.
double ClockCheck::stepSince(const Measured &m) const
{
    const double wall = static_cast<double>(clocks_.wallMicros() - m.wallMicros) / 1e6;
    const double steady = static_cast<double>(clocks_.steadyMillis() - m.steadyMillis) / 1e3;
    return wall - steady;
}

QString ClockCheck::nowText() const
{
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(clocks_.wallMicros() / 1000);
    const QTime t = now.time();
    // The PC time as the windows show it (local or UTC), without their "PC Time " in front.
    return clockTimeText({t.hour(), t.minute(), t.second(), t.msec(), now.offsetFromUtc()});
}

void ClockCheck::onMeasured(const SntpResult &result)
{
    policy_.replyAccepted(clocks_.steadyMillis());
    Measured m;
    m.pcAhead = -result.measurement.offset;
    m.delay = result.measurement.delay;
    m.wallMicros = result.receivedWallMicros;
    m.steadyMillis = result.receivedSteadyMillis;
    m.checkedAt = nowText();
    measured_ = m;
    stepAsked_ = 0;
    trouble_ = ClockCheckFacts::Trouble::None;
    schedule();
    refresh();
}

void ClockCheck::onKiss(sntp::Kiss kiss, const QString &code)
{
    policy_.kissOfDeath(kiss, clocks_.steadyMillis());
    troubleAt_ = nowText();
    troubleDetail_ = code;
    if (policy_.refused()) {
        trouble_ = ClockCheckFacts::Trouble::Refused;
        refusedServer_ = server_;
    } else if (kiss == sntp::Kiss::Rate) {
        trouble_ = ClockCheckFacts::Trouble::SlowDown;
    } else {
        trouble_ = ClockCheckFacts::Trouble::BadReply;
        troubleDetail_ = code.isEmpty() ? QStringLiteral("refusal with no code")
                                        : QStringLiteral("refusal code %1").arg(code);
    }
    schedule();
    refresh();
}

void ClockCheck::onFailed(SntpClient::Failure failure, const QString &detail)
{
    policy_.queryFailed(clocks_.steadyMillis());
    troubleAt_ = nowText();
    troubleDetail_ = detail;
    switch (failure) {
    case SntpClient::Failure::NotFound:
        trouble_ = ClockCheckFacts::Trouble::NotFound;
        break;
    case SntpClient::Failure::NoReply:
    case SntpClient::Failure::SocketError:
        trouble_ = ClockCheckFacts::Trouble::NoReply;
        break;
    case SntpClient::Failure::BadReply:
        trouble_ = ClockCheckFacts::Trouble::BadReply;
        break;
    }
    schedule();
    refresh();
}

void ClockCheck::refresh()
{
    ClockCheckFacts facts;
    facts.enabled = policy_.enabled();
    facts.kernel = kernelState_;
    facts.server = server_;
    if (measured_) {
        ClockCheckFacts::Measurement m;
        m.pcAhead = *pcAhead();
        m.delay = measured_->delay;
        m.checkedAt = measured_->checkedAt;
        m.stale = clocks_.steadyMillis() - measured_->steadyMillis > FreshFor;
        facts.measurement = m;
    }
    facts.air = air_;
    facts.trouble = trouble_;
    facts.troubleAt = troubleAt_;
    facts.troubleDetail = troubleDetail_;
    facts.nextCheckMinutes = static_cast<int>(policy_.interval() / 60000);
    ClockBadgeView view = clockBadgeView(facts);
    if (view == badge_)
        return;
    badge_ = view;
    Q_EMIT badgeChanged(badge_);
}

} // namespace halvion
