#pragma once
// One question to a time server over UDP and its answer: sends a request, waits for
// the one reply that echoes it from the server's own address and port, and turns it
// into an offset and a round trip. Everything else that arrives is dropped unread by
// the rest of the program. At most one question is open at a time; a new socket for
// each, closed when the question ends, so a late or forged packet finds no one.
// The reply is dated by the system when it arrives, not when this thread gets to it
// (see sntp_arrival.h), so a busy user interface does not show as a slow or distant
// server.

#include "clock_check_clocks.h"
#include "sntp_packet.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QHostInfo;
class QTimer;
class QUdpSocket;

namespace halvion {

// "time.nist.gov", "127.0.0.1:5123", "[::1]:5123", "::1": host and port (123 when none).
struct SntpServer {
    QString host;
    quint16 port = sntp::DefaultPort;
    bool valid() const { return !host.isEmpty(); }
};
SntpServer parseSntpServer(const QString &text);

struct SntpResult {
    sntp::Measurement measurement;
    std::int64_t receivedWallMicros = 0; // the PC clock when the reply came
    std::int64_t receivedSteadyMillis = 0; // the steady count at that moment
    // The system dated the reply's arrival; otherwise the clock was read when the
    // reply was taken up.
    bool stampedOnArrival = false;
};

class SntpClient : public QObject {
    Q_OBJECT
public:
    enum class Failure { NotFound, NoReply, BadReply, SocketError };

    // Before the request goes, a datagram to the socket's own port shows whether the
    // system is already dating arrivals (it switches that on a moment after a socket
    // first asks). Unstamped or lost, another follows after ProbeWait; after MaxProbes
    // the request goes anyway and its reply is dated when it is read.
    static constexpr int ProbeWait = 10; // ms
    static constexpr int MaxProbes = 10;

    explicit SntpClient(const ClockCheckClocks &clocks, QObject *parent = nullptr);
    ~SntpClient() override;

    bool busy() const { return busy_; }
    // Starts a question; false (and nothing sent) when one is already open or the
    // server is not valid.
    bool query(const SntpServer &server);
    // Ends the open question, if any, without a signal.
    void abandon();

    // The reply timeout, 5 s; tests call its handler instead of waiting.
    QTimer *replyTimer() const { return replyTimer_; }
    void replyTimedOut();
    QTimer *probeTimer() const { return probeTimer_; }

Q_SIGNALS:
    void measured(const halvion::SntpResult &result);
    void kissOfDeath(halvion::sntp::Kiss kiss, const QString &code);
    // detail: what was wrong with a reply (BadReply), else empty.
    void failed(halvion::SntpClient::Failure failure, const QString &detail);

private:
    void hostLookedUp(const QHostInfo &info);
    void send(const QHostAddress &address);
    void probe();
    void probeTimedOut();
    void ask();
    void readReplies();
    void finish();

    const ClockCheckClocks &clocks_;
    QTimer *replyTimer_ = nullptr;
    QTimer *probeTimer_ = nullptr;
    QUdpSocket *socket_ = nullptr;
    bool busy_ = false;
    bool probing_ = false;
    int probes_ = 0;
    int lookupId_ = -1;
    SntpServer server_;
    QHostAddress address_;
    sntp::Timestamp nonce_ = 0;
    sntp::Timestamp sentAt_ = 0;
};

} // namespace halvion
