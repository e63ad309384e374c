#include "rbn_feed.h"

#include "beacon_spot.h"
#include "feed_clock.h"
#include "spot_store.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace halvion {

namespace {

QString pauseText(int ms)
{
    const int seconds = (ms + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds % 60 == 0)
        return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

QString count(quint64 n, const char *what)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
}

} // namespace

RbnFeed::RbnFeed(SpotStore &store, const FeedClock &clock, QObject *parent)
    : QObject(parent), store_(store), clock_(clock)
{
    reconnectTimer_ = new QTimer(this);
    reconnectTimer_->setObjectName(QStringLiteral("RbnReconnectTimer"));
    reconnectTimer_->setSingleShot(true);
    connect(reconnectTimer_, &QTimer::timeout, this, &RbnFeed::reconnect);
    watchTimer_ = new QTimer(this);
    watchTimer_->setObjectName(QStringLiteral("RbnWatchTimer"));
    watchTimer_->setInterval(WatchIntervalMs);
    watchTimer_->setTimerType(Qt::VeryCoarseTimer);
    connect(watchTimer_, &QTimer::timeout, this, &RbnFeed::watch);
    refreshStatus();
}

RbnFeed::~RbnFeed()
{
    if (state_ == State::LoggingIn || state_ == State::Connected)
        store_.connectionEnded(clock_.utcMs());
    teardown();
}

void RbnFeed::apply(const RbnSettings &settings)
{
    store_.setWatchList(settings.skimmers);
    const bool sameLink = settings.server == settings_.server && settings.callsign == settings_.callsign;
    settings_ = settings;
    if (!settings.enabled) {
        stop();
        refreshStatus();
        return;
    }
    if (const auto problem = rbnSettingsProblem(settings)) {
        stop();
        refreshStatus(QString::fromStdString(*problem));
        return;
    }
    if (state_ != State::Off && sameLink)
        return;
    stop();
    counters_ = {};
    mostBuffered_ = 0;
    pauseMs_ = FirstPauseMs;
    watchTimer_->start();
    connectNow();
}

void RbnFeed::stop()
{
    if (state_ == State::LoggingIn || state_ == State::Connected)
        store_.connectionEnded(clock_.utcMs());
    teardown();
    reconnectTimer_->stop();
    watchTimer_->stop();
    state_ = State::Off;
}

void RbnFeed::teardown()
{
    if (!socket_)
        return;
    socket_->disconnect(this);
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
    splitter_.reset();
}

void RbnFeed::connectNow()
{
    teardown();
    std::string host;
    int port = 0;
    if (!splitServer(settings_.server, host, port)) { // checked by apply(); kept for safety
        stop();
        return;
    }
    serverText_ = QString::fromStdString(settings_.server);
    loginSent_ = false;
    linesSinceLogin_ = 0;
    socket_ = new QTcpSocket(this);
    socket_->setReadBufferSize(ReadBufferBytes);
    connect(socket_, &QTcpSocket::connected, this, &RbnFeed::onConnected);
    connect(socket_, &QTcpSocket::readyRead, this, &RbnFeed::onReadyRead);
    connect(socket_, &QTcpSocket::errorOccurred, this, &RbnFeed::onError);
    connect(socket_, &QTcpSocket::disconnected, this, &RbnFeed::onDisconnected);
    attemptSteadyMs_ = clock_.steadyMs();
    setState(State::Connecting);
    socket_->connectToHost(QString::fromStdString(host), quint16(port));
}

void RbnFeed::reconnect()
{
    if (state_ != State::Waiting)
        return;
    reconnectTimer_->stop();
    connectNow();
}

void RbnFeed::onConnected()
{
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    connectedSteadyMs_ = lastDataSteadyMs_ = clock_.steadyMs();
    store_.connectionStarted(clock_.utcMs());
    setState(State::LoggingIn);
}

void RbnFeed::onReadyRead()
{
    if (!socket_)
        return;
    lastDataSteadyMs_ = clock_.steadyMs();
    std::vector<BeaconSpot> batch;
    char chunk[16 * 1024];
    while (socket_ && socket_->bytesAvailable() > 0) {
        mostBuffered_ = std::max(mostBuffered_, bufferedBytes());
        const qint64 n = socket_->read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        splitter_.feed(std::string_view(chunk, std::size_t(n)),
                       [&](std::string_view line) { handleLine(line, batch); });
        if (!socket_) // the server refused the login
            break;
    }
    counters_.overlong = splitter_.overlongLines();
    if (socket_ && looksLikeLoginPrompt(splitter_.partialLine()))
        sawPrompt();
    if (!batch.empty())
        store_.add(batch, clock_.utcMs());
    if (state_ == State::LoggingIn || state_ == State::Connected)
        refreshStatus();
}

void RbnFeed::handleLine(std::string_view line, std::vector<BeaconSpot> &batch)
{
    if (!socket_)
        return;
    ++counters_.lines;
    switch (readSpotLine(line, line_)) {
    case SpotLineKind::Spot:
        ++counters_.spots;
        if (auto beacon = beaconSpotFrom(line_, callsigns_)) {
            ++counters_.beaconSpots;
            batch.push_back(std::move(*beacon));
        }
        if (state_ == State::LoggingIn)
            setState(State::Connected);
        break;
    case SpotLineKind::Malformed:
        ++counters_.malformed;
        break;
    case SpotLineKind::Text:
        if (looksLikeLoginPrompt(line))
            sawPrompt();
        break;
    }
    if (loginSent_)
        ++linesSinceLogin_;
}

void RbnFeed::sawPrompt()
{
    if (!loginSent_) {
        loginSent_ = true;
        linesSinceLogin_ = 0;
        socket_->write(QByteArray::fromStdString(settings_.callsign) + "\r\n");
        setState(State::Connected);
        return;
    }
    // The prompt we answered shows again once its line ends; a new one after that
    // means the server wants another callsign.
    if (linesSinceLogin_ > 0)
        dropped(QStringLiteral("the server did not accept the callsign %1").arg(QString::fromStdString(settings_.callsign)));
}

void RbnFeed::onError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError)
        dropped(QStringLiteral("the server closed the connection"));
    else
        dropped(socket_ ? socket_->errorString() : QStringLiteral("the connection failed"));
}

void RbnFeed::onDisconnected() { dropped(QStringLiteral("the server closed the connection")); }

void RbnFeed::dropped(const QString &reason)
{
    if (state_ == State::Off || state_ == State::Waiting)
        return;
    const bool wasConnected = state_ == State::LoggingIn || state_ == State::Connected;
    if (wasConnected) {
        store_.connectionEnded(clock_.utcMs());
        if (clock_.steadyMs() - connectedSteadyMs_ >= HeldConnectionMs)
            pauseMs_ = FirstPauseMs;
    }
    teardown();
    const int pause = pauseMs_;
    pauseMs_ = std::min(pauseMs_ * 2, LongestPauseMs);
    reconnectTimer_->start(pause);
    state_ = State::Waiting;
    refreshStatus(QStringLiteral("%1. Trying again in %2.").arg(reason, pauseText(pause)));
}

void RbnFeed::watch()
{
    const qint64 now = clock_.steadyMs();
    if (state_ == State::Connecting && now - attemptSteadyMs_ >= ConnectTimeoutMs)
        dropped(QStringLiteral("no answer from the server"));
    else if ((state_ == State::LoggingIn || state_ == State::Connected) && now - lastDataSteadyMs_ >= SilenceLimitMs)
        dropped(QStringLiteral("no data from the server for 5 minutes"));
}

std::size_t RbnFeed::bufferedBytes() const
{
    return splitter_.bufferedBytes() + (socket_ ? std::size_t(std::max<qint64>(0, socket_->bytesAvailable())) : 0);
}

void RbnFeed::setState(State state)
{
    state_ = state;
    refreshStatus();
}

QString RbnFeed::lineText() const
{
    switch (state_) {
    case State::Connecting:
    case State::LoggingIn:
        return QStringLiteral("Reverse Beacon Network: connecting...");
    case State::Connected:
        return QStringLiteral("Reverse Beacon Network: %1").arg(count(counters_.beaconSpots, "beacon spot"));
    case State::Off:
    case State::Waiting:
        break;
    }
    return QStringLiteral("Reverse Beacon Network: not connected");
}

void RbnFeed::refreshStatus(const QString &why)
{
    QString text;
    switch (state_) {
    case State::Off:
        text = why.isEmpty() ? QStringLiteral("Off: nothing is sent to the Reverse Beacon Network.")
                             : QStringLiteral("Not connected: %1").arg(why);
        break;
    case State::Waiting:
        text = QStringLiteral("Not connected: %1").arg(why);
        break;
    case State::Connecting:
        text = QStringLiteral("Connecting to %1...").arg(serverText_);
        break;
    case State::LoggingIn:
        text = QStringLiteral("Connected to %1, waiting for the login prompt...").arg(serverText_);
        break;
    case State::Connected:
        text = QStringLiteral("Connected to %1: %2 (%3 read)")
                   .arg(serverText_, count(counters_.beaconSpots, "beacon spot"), count(counters_.spots, "spot"));
        if (counters_.malformed > 0)
            text += QStringLiteral(", %1 ignored").arg(count(counters_.malformed, "malformed line"));
        break;
    }
    if (text == status_)
        return;
    status_ = text;
    Q_EMIT statusChanged(status_);
}

} // namespace halvion
