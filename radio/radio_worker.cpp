#include "radio_worker.h"

#include <QTimer>

namespace halvion {

RadioWorker::RadioWorker(std::shared_ptr<TuneMailbox> mailbox, QObject *parent)
    : QObject(parent), mailbox_(std::move(mailbox)), retryTimer_(new QTimer(this)), pollTimer_(new QTimer(this))
{
    retryTimer_->setSingleShot(true);
    connect(retryTimer_, &QTimer::timeout, this, &RadioWorker::attempt);
    pollTimer_->setInterval(1000);
    connect(pollTimer_, &QTimer::timeout, this, &RadioWorker::poll);
}

void RadioWorker::setTiming(int firstRetryMs, int longestRetryMs, int pollMs)
{
    firstRetryMs_ = nextRetryMs_ = firstRetryMs;
    longestRetryMs_ = longestRetryMs;
    pollTimer_->setInterval(pollMs);
}

void RadioWorker::configure(const RadioSettings &settings)
{
    retryTimer_->stop();
    pollTimer_->stop();
    rig_.close();
    wanted_.reset();
    lastTuned_.reset();
    settings_ = settings;
    nextRetryMs_ = firstRetryMs_;
    // A radio left off needs no model: the rig module, and Hamlib with it, stays unloaded.
    const RigModelInfo *info = settings.enabled ? findRigModel(settings.model) : nullptr;
    modelLabel_ = info ? QString::fromStdString(info->label()) : QString();
    portLabel_ = info && info->port != RigPortKind::None ? QString::fromStdString(settings.port) : QString();
    usable_ = false;
    RadioState next;
    next.model = modelLabel_;
    if (!settings.enabled) {
        next.kind = RadioState::Kind::NotConfigured;
    } else if (const auto problem = radioSettingsProblem(settings, false)) {
        // Settings the dialog would not have saved, from a file edited by hand: shown, never
        // tried. A serial device that is missing now may be plugged in later: that one is tried.
        next.kind = RadioState::Kind::Error;
        next.error = QString::fromStdString(*problem);
    } else {
        next.kind = RadioState::Kind::Ready;
        usable_ = true;
    }
    setState(next);
}

void RadioWorker::takeTuneRequest()
{
    const auto request = mailbox_->take();
    if (!request || !usable_)
        return;
    wanted_ = *request;
    // While waiting to reopen after an error, the retry applies the request.
    if (!retryTimer_->isActive())
        attempt();
}

void RadioWorker::attempt()
{
    if (!rig_.isOpen()) {
        if (const auto error = rig_.open(settings_)) {
            fail(*error);
            return;
        }
    }
    if (wanted_) {
        if (const auto error = rig_.tune(*wanted_)) {
            fail(*error);
            return;
        }
        Q_EMIT tuned(*wanted_);
        lastTuned_ = std::exchange(wanted_, std::nullopt);
    }
    nextRetryMs_ = firstRetryMs_;
    poll();
    if (rig_.isOpen() && !pollTimer_->isActive())
        pollTimer_->start();
}

void RadioWorker::poll()
{
    RigReading reading;
    if (const auto error = rig_.read(reading)) {
        fail(*error);
        return;
    }
    setState(connectedState(reading));
}

void RadioWorker::fail(const RigFailure &failure)
{
    pollTimer_->stop();
    if (!wanted_)
        wanted_ = lastTuned_;
    RadioState next;
    switch (failure.kind) {
    case RigFailure::Kind::NoAnswer: next.kind = RadioState::Kind::NotAnswering; break;
    case RigFailure::Kind::Unreachable: next.kind = RadioState::Kind::Unreachable; break;
    case RigFailure::Kind::Other: next.kind = RadioState::Kind::Error; break;
    }
    next.model = modelLabel_;
    next.port = portLabel_;
    next.error = QString::fromStdString(failure.text);
    // Shown before the rig is let go: closing a rig that hangs may itself wait out a timeout.
    setState(next);
    // The connection is dropped, with any request still unanswered on it: a new one
    // never reads a reply that was meant for the old.
    rig_.close();
    retryTimer_->start(nextRetryMs_);
    nextRetryMs_ = std::min(nextRetryMs_ * 2, longestRetryMs_);
}

RadioState RadioWorker::connectedState(const RigReading &reading) const
{
    RadioState s;
    s.kind = RadioState::Kind::Connected;
    s.model = modelLabel_;
    s.frequencyHz = reading.frequencyHz;
    s.mode = QString::fromStdString(reading.mode);
    return s;
}

void RadioWorker::setState(const RadioState &state)
{
    if (state == state_)
        return;
    state_ = state;
    Q_EMIT stateChanged(state_);
}

void RadioWorker::runTest(const RadioSettings &settings)
{
    // A serial port opens only once: the worker's own rig lets go for the test.
    const bool wasOpen = rig_.isOpen();
    pollTimer_->stop();
    rig_.close();

    const RigModelInfo *info = findRigModel(settings.model);
    const QString label = info ? QString::fromStdString(info->label()) : QStringLiteral("radio");
    HamlibRig test;
    if (const auto error = test.open(settings)) {
        Q_EMIT testFinished(false, QStringLiteral("The %1 did not answer: %2").arg(label, QString::fromStdString(error->text)));
    } else {
        RigReading reading;
        if (const auto readError = test.read(reading)) {
            Q_EMIT testFinished(false, QStringLiteral("The %1 opened but did not report its frequency: %2")
                                           .arg(label, QString::fromStdString(readError->text)));
        } else {
            QString text = QStringLiteral("The %1 reports %2").arg(label, megahertzText(reading.frequencyHz));
            if (!reading.mode.empty())
                text += QLatin1Char(' ') + QString::fromStdString(reading.mode);
            Q_EMIT testFinished(true, text + QLatin1Char('.'));
        }
    }
    test.close();
    if (wasOpen && !retryTimer_->isActive())
        attempt();
}

void RadioWorker::stop()
{
    retryTimer_->stop();
    pollTimer_->stop();
    rig_.close();
}

} // namespace halvion
