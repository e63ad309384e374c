#pragma once
// Beacon audio written into a PulseAudio pipe source the way a sound card delivers it:
// one band per channel, every slot keyed on the PC clock, each 50 ms block once its last
// sample's time has passed, 16-bit at the rate given, from a thread of its own.

#include "monitor_signal.h"
#include "slot_window.h"

#include <QDateTime>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace halvion::test {

namespace ts = halvion::testsignal;

class BeaconFeeder {
public:
    BeaconFeeder(const QString &fifo, std::vector<BandIndex> bands, std::uint64_t seed, int rate)
        : fd_(::open(fifo.toLocal8Bit().constData(), O_WRONLY)), bands_(std::move(bands)), seed_(seed), rate_(rate)
    {
        if (fd_ >= 0)
            thread_ = std::thread([this] { run(); });
    }
    ~BeaconFeeder() { stop(); }
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool ok() const { return fd_ >= 0; }

private:
    void run()
    {
        ts::Noise noise(seed_);
        const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
        const int block = rate_ / 20;
        const std::size_t channels = bands_.size();
        for (qint64 written = 0; !stop_; written += block) {
            const qint64 from = t0 + written * 1000 / rate_, to = from + block * 1000 / rate_;
            while (!stop_ && QDateTime::currentMSecsSinceEpoch() < to)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::vector<qint16> pcm(std::size_t(block) * channels);
            for (std::size_t c = 0; c < channels; ++c) {
                std::vector<float> audio(std::size_t(block), 0.0f);
                for (qint64 slot = from / 10000 - 1; slot <= to / 10000; ++slot)
                    ts::addBeacon(audio, rate_, double(from - slot * 10000) / 1000.0,
                                  {SlotTiming::expectedStation(slot, bands_[c]), 10.0, 640, 0.0});
                ts::addNoise(audio, rate_, noise);
                for (std::size_t i = 0; i < audio.size(); ++i)
                    pcm[i * channels + c] = qint16(std::lround(std::clamp(audio[i], -1.0f, 1.0f) * 32767));
            }
            const char *p = reinterpret_cast<const char *>(pcm.data());
            std::size_t left = pcm.size() * 2;
            while (left > 0 && !stop_) {
                const ssize_t n = ::write(fd_, p, left);
                if (n <= 0)
                    return;
                p += n;
                left -= std::size_t(n);
            }
        }
    }

    int fd_;
    std::vector<BandIndex> bands_;
    std::uint64_t seed_;
    int rate_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

} // namespace halvion::test
