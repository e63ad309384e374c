#pragma once
// The Reverse Beacon Network's telnet feed: connects only while the user has it on,
// logs in with the user's callsign when the server asks for it, reads the spot lines
// and hands the beacon spots to the store; every other spot is dropped where it is
// read. Runs on the user-interface thread's event loop and never waits: each batch of
// bytes is read as it comes, at most ReadBufferBytes at a time, so a flood is paced by
// the connection itself and memory does not grow with the feed's rate.
//
// After a drop it connects again after a pause that doubles from 2 s up to 5 min; a
// connection that held for a minute starts the pauses afresh. A server that answers
// nothing for 5 minutes (or does not accept the connection within 30 s) counts as a
// drop. statusText() says in one line whether it is connected and how many spots
// came, or why not. The store and the clock must outlive the feed.

#include "beacon_callsigns.h"
#include "rbn_settings.h"
#include "spot_line.h"
#include "spot_line_splitter.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

#include <vector>

class QTcpSocket;
class QTimer;

namespace halvion {

class FeedClock;
class SpotStore;
struct BeaconSpot;

class RbnFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int FirstPauseMs = 2000;
    static constexpr int LongestPauseMs = 5 * 60 * 1000;
    static constexpr qint64 HeldConnectionMs = 60 * 1000;
    static constexpr qint64 SilenceLimitMs = 5 * 60 * 1000;
    static constexpr qint64 ConnectTimeoutMs = 30 * 1000;
    static constexpr int WatchIntervalMs = 10 * 1000;
    static constexpr qint64 ReadBufferBytes = 64 * 1024;

    enum class State { Off, Waiting, Connecting, LoggingIn, Connected };

    struct Counters {
        quint64 lines = 0;       // whole lines read
        quint64 spots = 0;       // spot lines read whole
        quint64 beaconSpots = 0; // of those, the beacons' (kept)
        quint64 malformed = 0;   // lines that began like a spot and were not one
        quint64 overlong = 0;    // lines longer than SpotLineSplitter::MaxLineBytes, discarded
    };

    RbnFeed(SpotStore &store, const FeedClock &clock, QObject *parent = nullptr);
    ~RbnFeed() override;

    // Takes the user's settings: connects when the switch is on and they can work,
    // connects again when the server or callsign changed, disconnects otherwise.
    void apply(const RbnSettings &settings);

    // The callsigns that name the stations (the standard table and the user's file).
    void setCallsigns(BeaconCallsigns table) { callsigns_ = std::move(table); }

    State state() const { return state_; }
    QString statusText() const { return status_; }
    // The same in a few words for the map window's small line: the count of beacon
    // spots while connected, else whether it is connecting or not connected.
    QString lineText() const;
    const Counters &counters() const { return counters_; }
    // The pause before the next attempt after another drop.
    int nextPauseMs() const { return pauseMs_; }
    QTimer *reconnectTimer() const { return reconnectTimer_; }
    QTimer *watchTimer() const { return watchTimer_; }
    // Bytes of the feed held now (socket buffer and unfinished line), and the most held
    // at once since the feed was turned on.
    std::size_t bufferedBytes() const;
    std::size_t mostBufferedBytes() const { return mostBuffered_; }

    // The reconnect timer's work: the next attempt.
    void reconnect();
    // The watch timer's work: gives up on a silent server or a connection attempt
    // that hangs.
    void watch();

Q_SIGNALS:
    void statusChanged(const QString &text);

private:
    void connectNow();
    void stop();
    void teardown();
    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void dropped(const QString &reason);
    void handleLine(std::string_view line, std::vector<BeaconSpot> &batch);
    void sawPrompt();
    void setState(State state);
    void refreshStatus(const QString &why = {});

    SpotStore &store_;
    const FeedClock &clock_;
    RbnSettings settings_;
    QString serverText_;
    QTcpSocket *socket_ = nullptr;
    QTimer *reconnectTimer_ = nullptr;
    QTimer *watchTimer_ = nullptr;
    SpotLineSplitter splitter_;
    SpotLine line_;
    BeaconCallsigns callsigns_ = BeaconCallsigns::standard();
    State state_ = State::Off;
    QString status_;
    Counters counters_;
    int pauseMs_ = FirstPauseMs;
    qint64 attemptSteadyMs_ = 0;
    qint64 connectedSteadyMs_ = 0;
    qint64 lastDataSteadyMs_ = 0;
    bool loginSent_ = false;
    quint64 linesSinceLogin_ = 0;
    std::size_t mostBuffered_ = 0;
};

} // namespace halvion
