#include "sntp_client.h"

#include "clock_check_policy.h"
#include "sntp_arrival.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

namespace halvion {

namespace {
QString badReplyReason(sntp::Verdict verdict)
{
    switch (verdict) {
    case sntp::Verdict::Unsynchronised:
        return QStringLiteral("server clock not synchronised");
    case sntp::Verdict::BadStratum:
        return QStringLiteral("server stratum out of range");
    case sntp::Verdict::BadRootDelay:
        return QStringLiteral("server root delay out of range");
    case sntp::Verdict::MissingStamp:
        return QStringLiteral("server time stamp missing");
    case sntp::Verdict::StampsReversed:
        return QStringLiteral("server sent the reply before it got the request");
    case sntp::Verdict::BadRoundTrip:
        return QStringLiteral("round trip out of range");
    default:
        return QStringLiteral("not a time server reply");
    }
}
} // namespace

SntpServer parseSntpServer(const QString &text)
{
    SntpServer server;
    const QString t = text.trimmed();
    if (t.isEmpty() || t.contains(QLatin1Char(' ')))
        return server;
    QString host = t;
    QString port;
    if (t.startsWith(QLatin1Char('['))) { // [v6] or [v6]:port
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return server;
        host = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return server;
            port = rest.mid(1);
        }
    } else if (t.count(QLatin1Char(':')) == 1) { // name:port or v4:port; a bare v6 has more colons
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        host = t.left(colon);
        port = t.mid(colon + 1);
    }
    if (host.isEmpty())
        return server;
    if (!port.isNull()) {
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            return server;
        server.port = static_cast<quint16>(number);
    }
    server.host = host;
    return server;
}

SntpClient::SntpClient(const ClockCheckClocks &clocks, QObject *parent) : QObject(parent), clocks_(clocks)
{
    replyTimer_ = new QTimer(this);
    replyTimer_->setObjectName(QStringLiteral("SntpReplyTimer"));
    replyTimer_->setSingleShot(true);
    replyTimer_->setInterval(static_cast<int>(ClockCheckPolicy::ReplyTimeout));
    connect(replyTimer_, &QTimer::timeout, this, &SntpClient::replyTimedOut);

    probeTimer_ = new QTimer(this);
    probeTimer_->setObjectName(QStringLiteral("SntpProbeTimer"));
    probeTimer_->setSingleShot(true);
    probeTimer_->setInterval(ProbeWait);
    connect(probeTimer_, &QTimer::timeout, this, &SntpClient::probeTimedOut);
}

SntpClient::~SntpClient()
{
    abandon();
}

bool SntpClient::query(const SntpServer &server)
{
    if (busy_ || !server.valid())
        return false;
    busy_ = true;
    server_ = server;
    replyTimer_->start();
    QHostAddress literal;
    if (literal.setAddress(server.host)) {
        send(literal);
    } else {
        lookupId_ = QHostInfo::lookupHost(server.host, this, &SntpClient::hostLookedUp);
    }
    return true;
}

void SntpClient::abandon()
{
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    finish();
}

void SntpClient::finish()
{
    replyTimer_->stop();
    probeTimer_->stop();
    busy_ = false;
    probing_ = false;
    if (socket_) {
        socket_->disconnect(this);
        socket_->close();
        socket_->deleteLater();
        socket_ = nullptr;
    }
}

void SntpClient::hostLookedUp(const QHostInfo &info)
{
    if (!busy_ || info.lookupId() != lookupId_)
        return;
    lookupId_ = -1;
    const QList<QHostAddress> addresses = info.addresses();
    if (info.error() != QHostInfo::NoError || addresses.isEmpty()) {
        finish();
        Q_EMIT failed(Failure::NotFound, QString());
        return;
    }
    // IPv4 first where there is one: it is what most time servers answer on.
    QHostAddress chosen = addresses.first();
    for (const QHostAddress &a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = a;
            break;
        }
    }
    send(chosen);
}

void SntpClient::send(const QHostAddress &address)
{
    address_ = address;
    socket_ = new QUdpSocket(this);
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    if (!socket_->bind(v6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4, 0)) {
        finish();
        Q_EMIT failed(Failure::SocketError, QString());
        return;
    }
    connect(socket_, &QUdpSocket::readyRead, this, &SntpClient::readReplies);
    if (sntp::enableArrivalStamps(socket_->socketDescriptor())) {
        probing_ = true;
        probes_ = 0;
        probe();
    } else {
        ask();
    }
}

void SntpClient::probe()
{
    ++probes_;
    const bool v6 = address_.protocol() == QAbstractSocket::IPv6Protocol;
    const char nothing = 0;
    if (socket_->writeDatagram(&nothing, 1, v6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost,
                               socket_->localPort()) != 1) {
        probing_ = false;
        ask();
        return;
    }
    probeTimer_->start();
}

void SntpClient::probeTimedOut()
{
    if (!busy_ || !probing_)
        return;
    if (probes_ < MaxProbes) {
        probe();
        return;
    }
    probing_ = false;
    ask();
}

void SntpClient::ask()
{
    // The server only echoes the transmit field; a random one cannot be guessed by a
    // stranger, and our own send time stays here.
    do {
        nonce_ = QRandomGenerator::system()->generate64();
    } while (nonce_ == 0);
    const auto packet = sntp::requestPacket(nonce_);
    sentAt_ = sntp::fromUnixMicros(clocks_.wallMicros());
    const qint64 written = socket_->writeDatagram(reinterpret_cast<const char *>(packet.data()),
                                                  static_cast<qint64>(packet.size()), address_, server_.port);
    if (written != static_cast<qint64>(packet.size())) {
        finish();
        Q_EMIT failed(Failure::SocketError, QString());
    }
}

void SntpClient::readReplies()
{
    // The clocks as the reply is taken up: what dates it where the system did not.
    const std::int64_t readMicros = clocks_.wallMicros();
    const std::int64_t readSteady = clocks_.steadyMillis();
    while (socket_ && socket_->hasPendingDatagrams()) {
        const std::optional<std::int64_t> arrival = sntp::peekArrivalStamp(socket_->socketDescriptor());
        const QNetworkDatagram datagram = socket_->receiveDatagram(512);
        if (!datagram.isValid())
            continue;
        const bool ownProbe = datagram.senderPort() == socket_->localPort() && datagram.senderAddress().isLoopback();
        if (ownProbe) {
            if (probing_ && arrival) {
                probing_ = false;
                probeTimer_->stop();
                ask();
            }
            continue;
        }
        if (probing_) // nothing asked yet: whatever came is no answer
            continue;
        const bool fromServer = datagram.senderPort() == server_.port &&
                                datagram.senderAddress().isEqual(address_, QHostAddress::ConvertV4MappedToIPv4);
        if (!fromServer)
            continue;
        const QByteArray bytes = datagram.data();
        const auto packet = sntp::readPacket(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                             static_cast<std::size_t>(bytes.size()));
        if (!packet)
            continue;
        sntp::Judgement judgement = sntp::judgeReply(*packet, nonce_);
        SntpResult result;
        if (judgement.verdict == sntp::Verdict::Accepted) {
            result.receivedWallMicros = arrival ? clocks_.wallMicrosAt(*arrival) : readMicros;
            // The steady count at the same moment, for noticing later steps of the PC clock.
            const std::int64_t waited = std::max<std::int64_t>(0, readMicros - result.receivedWallMicros);
            result.receivedSteadyMillis = readSteady - waited / 1000;
            result.stampedOnArrival = arrival.has_value();
            result.measurement = sntp::measure(sentAt_, packet->receive, packet->transmit,
                                               sntp::fromUnixMicros(result.receivedWallMicros));
            judgement.verdict = sntp::judgeRoundTrip(result.measurement, ClockCheckPolicy::ReplyTimeout / 1000.0);
        }
        switch (judgement.verdict) {
        case sntp::Verdict::NotOurs:
            continue;
        case sntp::Verdict::Accepted:
            finish();
            Q_EMIT measured(result);
            return;
        case sntp::Verdict::KissOfDeath:
            finish();
            Q_EMIT kissOfDeath(judgement.kiss, QString::fromStdString(judgement.kissCode));
            return;
        case sntp::Verdict::Malformed:
        case sntp::Verdict::Unsynchronised:
        case sntp::Verdict::BadStratum:
        case sntp::Verdict::BadRootDelay:
        case sntp::Verdict::MissingStamp:
        case sntp::Verdict::StampsReversed:
        case sntp::Verdict::BadRoundTrip:
            finish();
            Q_EMIT failed(Failure::BadReply, badReplyReason(judgement.verdict));
            return;
        }
    }
}

void SntpClient::replyTimedOut()
{
    if (!busy_)
        return;
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    finish();
    Q_EMIT failed(Failure::NoReply, QString());
}

} // namespace halvion
