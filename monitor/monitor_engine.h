#pragma once
// The monitor at work: samples come in (live from the receiver or from a recording),
// are cut into slot windows for the band being heard, measured one slot at a time on
// a worker thread, and written to the log. Nothing here runs in a timer tick.

#include "clock_offset_tracker.h"
#include "monitor_log.h"
#include "sample_stream.h"
#include "slot_analyzer.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <vector>

namespace halvion {

class MonitorEngine : public QObject {
    Q_OBJECT
public:
    explicit MonitorEngine(MonitorLog &log, QObject *parent = nullptr);
    ~MonitorEngine() override;

    // The tone search of every input and of recordings; the second form one input's alone.
    void setToneSearch(ToneSearch search);
    void setToneSearch(int input, ToneSearch search);
    // The callsigns each station may send (the catalogue's and the known others).
    void setCallsigns(BeaconCallsigns callsigns);
    const BeaconCallsigns &callsigns() const { return callsigns_; }
    ToneSearch toneSearch() const { return search_; }

    // Live listening: which band the receiver is on in a slot (-1: do not measure it).
    void setBandForSlot(SlotAssembler::BandForSlot bandForSlot) { setBandForSlot(0, std::move(bandForSlot)); }
    // Live samples, their first one taken at startUtcMs.
    void pushSamples(const float *samples, qsizetype count, double sampleRate, qint64 startUtcMs)
    {
        pushSamples(0, samples, count, sampleRate, startUtcMs);
    }
    void resetStream() { resetStream(0); }

    // Several receivers at once, one band each: every input (0 .. MaxInputs - 1) is a
    // stream of its own, cut into slots against its own clock anchor and started afresh
    // on its own gaps, so one input stalling or failing never holds up the others. The
    // calls above are input 0's. Its slots are measured on the same worker as the rest.
    static constexpr int MaxInputs = 5;
    void setBandForSlot(int input, SlotAssembler::BandForSlot bandForSlot);
    void pushSamples(int input, const float *samples, qsizetype count, double sampleRate, qint64 startUtcMs);
    void resetStream(int input);

    // Measures a WAV recording made on one band that started at startUtcMs; false with
    // the reason when the file cannot be used or another recording is still running.
    bool analyzeRecording(const QString &path, qint64 startUtcMs, BandIndex band, QString &error);
    void cancelRecording() { cancel_ = true; }
    bool recordingBusy() const { return recordingBusy_; }

    const ClockOffsetTracker &clockOffset() const { return clockOffset_; }
    // The last recording's clock error as its slots tell it (see
    // ClockOffsetTracker::recordingClockError), set before recordingFinished.
    std::optional<double> recordingClockError() const { return recordingClockError_; }
    MonitorLog &log() { return log_; }

    // Waits until every slot handed to the worker has been measured and delivered.
    void waitForIdle();

Q_SIGNALS:
    void measured(const halvion::SlotMeasurement &m);
    void recordingProgress(int percent);
    void recordingFinished(int slotsMeasured, int slotsHeard, const QString &error);
    void logError(const QString &message);

private:
    void deliver(const SlotMeasurement &m, bool live);
    void finishRecording(int slots, int heard, const QString &error);

    MonitorLog &log_;
    ToneSearch search_;
    BeaconCallsigns callsigns_ = BeaconCallsigns::standard();
    std::optional<double> recordingClockError_;
    struct Stream {
        SlotAssembler::BandForSlot bandForSlot;
        SlotAssembler assembler;
        // The assembler asks through the stream, so a band plan set later is the one used
        // (streams are held by pointer: `this` stays put).
        Stream() : assembler([this](qint64 slot) { return bandForSlot ? bandForSlot(slot) : BandIndex(-1); }) {}
    };
    std::vector<std::unique_ptr<Stream>> streams_;
    void rebuildAnalyzers();
    std::unique_ptr<SlotAnalyzer> analyzer_; // recordings'; used on the worker thread only
    std::vector<ToneSearch> inputSearch_;    // each live input's
    std::vector<std::unique_ptr<SlotAnalyzer>> inputAnalyzers_; // worker thread only
    QThreadPool pool_;                        // one thread: slots are measured in turn
    ClockOffsetTracker clockOffset_;
    std::atomic<bool> cancel_ = false;
    bool recordingBusy_ = false;
    std::vector<SlotMeasurement> recordingRows_;
};

} // namespace halvion
