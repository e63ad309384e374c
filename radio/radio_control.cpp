#include "radio_control.h"

#include <QDeadlineTimer>
#include <QThread>

namespace halvion {

RadioControl::RadioControl(QObject *parent) : QObject(parent) {}

// The worker and its thread are made when first needed: a radio left off needs neither.
// Hamlib, its model tables (a few MB once every backend is loaded) and its libraries
// come with the rig module, which is opened the first time a radio is turned on or the
// radio dialog lists the models, not at start.
RadioWorker *RadioControl::worker()
{
    if (worker_ || shutDown_)
        return worker_;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("Radio"));
    worker_ = new RadioWorker(mailbox_);
    worker_->moveToThread(thread_);
    connect(worker_, &RadioWorker::stateChanged, this, [this](const RadioState &state) {
        state_ = state;
        Q_EMIT stateChanged(state_);
    });
    connect(worker_, &RadioWorker::tuned, this, &RadioControl::tuned);
    connect(worker_, &RadioWorker::testFinished, this, &RadioControl::testFinished);
    thread_->start();
    if (timing_) {
        RadioWorker *w = worker_;
        const auto [first, longest, poll] = *timing_;
        QMetaObject::invokeMethod(w, [=] { w->setTiming(first, longest, poll); }, Qt::QueuedConnection);
    }
    return worker_;
}

RadioControl::~RadioControl() { shutdown(2000); }

void RadioControl::configure(const RadioSettings &settings)
{
    // Off, with no rig ever opened: there is nothing to close and the state says so.
    if (!worker_ && !settings.enabled) {
        if (shutDown_)
            return;
        RadioState off;
        if (!(state_ == off)) {
            state_ = off;
            Q_EMIT stateChanged(state_);
        }
        return;
    }
    RadioWorker *w = worker();
    if (!w)
        return;
    QMetaObject::invokeMethod(w, [w, settings] { w->configure(settings); }, Qt::QueuedConnection);
}

void RadioControl::tune(double frequencyHz)
{
    // Without a worker the radio is off, and a tuning request is nothing to it.
    if (!worker_)
        return;
    mailbox_->put(frequencyHz);
    QMetaObject::invokeMethod(worker_, &RadioWorker::takeTuneRequest, Qt::QueuedConnection);
}

void RadioControl::test(const RadioSettings &settings)
{
    RadioWorker *w = worker();
    if (!w)
        return;
    QMetaObject::invokeMethod(w, [w, settings] { w->runTest(settings); }, Qt::QueuedConnection);
}

void RadioControl::setTiming(int firstRetryMs, int longestRetryMs, int pollMs)
{
    timing_ = {firstRetryMs, longestRetryMs, pollMs};
    if (!worker_)
        return;
    RadioWorker *w = worker_;
    QMetaObject::invokeMethod(w, [=] { w->setTiming(firstRetryMs, longestRetryMs, pollMs); }, Qt::QueuedConnection);
}

bool RadioControl::shutdown(int waitMs)
{
    shutDown_ = true;
    if (!worker_)
        return true;
    RadioWorker *worker = std::exchange(worker_, nullptr);
    disconnect(worker, nullptr, this, nullptr);
    // The worker closes the rig and is deleted on its own thread, which then ends.
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->stop();
            delete worker;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    QThread *thread = std::exchange(thread_, nullptr);
    if (thread->wait(QDeadlineTimer(waitMs))) {
        delete thread;
        return true;
    }
    // Stuck in a rig's timeout: the thread finishes on its own or ends with the process.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    return false;
}

} // namespace halvion
