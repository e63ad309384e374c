#pragma once
// The two clocks the spot feed and store read: UTC in milliseconds since 1970 (when a
// spot was heard, what is recent) and a steady count that only moves forward (how long
// a connection lasted, how long the server has been silent). Tests give their own.

#include <QtGlobal>

namespace halvion {

class FeedClock {
public:
    virtual ~FeedClock() = default;
    virtual qint64 utcMs() const = 0;
    virtual qint64 steadyMs() const = 0;
};

class SystemFeedClock final : public FeedClock {
public:
    qint64 utcMs() const override;
    qint64 steadyMs() const override;
};

// Stands still until told otherwise; both clocks move together.
class FakeFeedClock final : public FeedClock {
public:
    explicit FakeFeedClock(qint64 utcMs = 0) : utc_(utcMs) {}
    qint64 utcMs() const override { return utc_; }
    qint64 steadyMs() const override { return steady_; }
    void advance(qint64 ms)
    {
        utc_ += ms;
        steady_ += ms;
    }
    void setUtc(qint64 ms) { utc_ = ms; }

private:
    qint64 utc_;
    qint64 steady_ = 1000000;
};

} // namespace halvion
