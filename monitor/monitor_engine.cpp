#include "monitor_engine.h"

#include "wav_reader.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace halvion {

MonitorEngine::MonitorEngine(MonitorLog &log, QObject *parent)
    : QObject(parent), log_(log), analyzer_(std::make_unique<SlotAnalyzer>())
{
    for (int i = 0; i < MaxInputs; ++i) {
        streams_.push_back(std::make_unique<Stream>());
        inputSearch_.push_back(search_);
        inputAnalyzers_.push_back(std::make_unique<SlotAnalyzer>());
    }
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(QStringLiteral("MonitorWorker"));
}

MonitorEngine::~MonitorEngine()
{
    cancel_ = true;
    pool_.waitForDone();
}

void MonitorEngine::setToneSearch(ToneSearch search)
{
    search_ = search;
    std::fill(inputSearch_.begin(), inputSearch_.end(), search);
    rebuildAnalyzers();
}

void MonitorEngine::setToneSearch(int input, ToneSearch search)
{
    if (input < 0 || input >= MaxInputs)
        return;
    inputSearch_[std::size_t(input)] = search;
    pool_.start([this, input, search, callsigns = callsigns_] {
        inputAnalyzers_[std::size_t(input)] = std::make_unique<SlotAnalyzer>(search, callsigns);
    });
}

void MonitorEngine::setCallsigns(BeaconCallsigns callsigns)
{
    callsigns_ = std::move(callsigns);
    rebuildAnalyzers();
}

// The analyzers are replaced on the worker, between two slots, never under one.
void MonitorEngine::rebuildAnalyzers()
{
    pool_.start([this, search = search_, searches = inputSearch_, callsigns = callsigns_] {
        analyzer_ = std::make_unique<SlotAnalyzer>(search, callsigns);
        for (std::size_t i = 0; i < searches.size(); ++i)
            inputAnalyzers_[i] = std::make_unique<SlotAnalyzer>(searches[i], callsigns);
    });
}

void MonitorEngine::setBandForSlot(int input, SlotAssembler::BandForSlot bandForSlot)
{
    if (input >= 0 && input < MaxInputs)
        streams_[std::size_t(input)]->bandForSlot = std::move(bandForSlot);
}

void MonitorEngine::resetStream(int input)
{
    if (input >= 0 && input < MaxInputs)
        streams_[std::size_t(input)]->assembler.reset();
}

void MonitorEngine::pushSamples(int input, const float *samples, qsizetype count, double sampleRate, qint64 startUtcMs)
{
    if (input < 0 || input >= MaxInputs)
        return;
    for (SlotWindow &w : streams_[std::size_t(input)]->assembler.push(samples, count, sampleRate, startUtcMs)) {
        pool_.start([this, input, w = std::move(w)] {
            SlotMeasurement m = inputAnalyzers_[std::size_t(input)]->analyze(w);
            m.input = input;
            if (m.hasSound())
                QMetaObject::invokeMethod(this, [this, m] { deliver(m, true); }, Qt::QueuedConnection);
        });
    }
}

void MonitorEngine::deliver(const SlotMeasurement &m, bool live)
{
    if (live) {
        clockOffset_.add(m);
        if (!log_.append(m, QStringLiteral("live")))
            Q_EMIT logError(log_.errorText());
    } else {
        recordingRows_.push_back(m);
    }
    Q_EMIT measured(m);
}

bool MonitorEngine::analyzeRecording(const QString &path, qint64 startUtcMs, BandIndex band, QString &error)
{
    if (recordingBusy_) {
        error = QStringLiteral("A recording is being analysed already.");
        return false;
    }
    auto reader = std::make_shared<WavReader>();
    if (!reader->open(path)) {
        error = reader->errorText();
        return false;
    }
    if (reader->durationSeconds() < SlotWindow::SpanSeconds + SlotWindow::LeadSeconds) {
        error = QStringLiteral("The recording is %1 s long: too short to hold a whole beacon slot (at least 13 s).")
                    .arg(reader->durationSeconds(), 0, 'f', 1);
        return false;
    }
    recordingBusy_ = true;
    recordingClockError_.reset();
    cancel_ = false;
    recordingRows_.clear();
    pool_.start([this, reader, startUtcMs, band] {
        SlotAssembler assembler([band](qint64) { return band; });
        const double rate = reader->sampleRate();
        const qint64 total = reader->frameCount();
        qint64 done = 0;
        int slots = 0, heard = 0, lastPercent = -1;
        while (!cancel_) {
            const std::vector<float> block = reader->read(qint64(rate)); // one second at a time
            if (block.empty())
                break;
            const qint64 blockStart = startUtcMs + qint64(double(done) * 1000.0 / rate);
            done += qint64(block.size());
            for (const SlotWindow &w : assembler.push(block.data(), qsizetype(block.size()), rate, blockStart)) {
                const SlotMeasurement m = analyzer_->analyze(w);
                if (!m.hasSound())
                    continue;
                ++slots;
                heard += m.heard() ? 1 : 0;
                QMetaObject::invokeMethod(this, [this, m] { deliver(m, false); }, Qt::QueuedConnection);
            }
            const int percent = int(100 * done / std::max<qint64>(total, 1));
            if (percent != lastPercent) {
                lastPercent = percent;
                QMetaObject::invokeMethod(this, [this, percent] { Q_EMIT recordingProgress(percent); },
                                          Qt::QueuedConnection);
            }
        }
        const QString error = cancel_ ? QStringLiteral("The analysis was cancelled.") : reader->errorText();
        QMetaObject::invokeMethod(this, [this, slots, heard, error] { finishRecording(slots, heard, error); },
                                  Qt::QueuedConnection);
    });
    return true;
}

void MonitorEngine::finishRecording(int slots, int heard, const QString &error)
{
    recordingBusy_ = false;
    recordingClockError_ = ClockOffsetTracker::recordingClockError(recordingRows_);
    QString message = error;
    if (!recordingRows_.empty() && !log_.append(recordingRows_, QStringLiteral("recording")))
        message = log_.errorText();
    recordingRows_.clear();
    Q_EMIT recordingFinished(slots, heard, message);
}

void MonitorEngine::waitForIdle()
{
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace halvion
