#include "set_time_form.h"

#include "clock_setter.h"
#include "message_sink.h"
#include "pc_time_text.h"
#include "settings_file.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QTimer>
#include <QVBoxLayout>

#include <string_view>

namespace halvion {

namespace {

const QString CR = QStringLiteral("\r");
const QString CRLF = QStringLiteral("\r\n");

constexpr const char *TimeSetErrorTitle = "Halvion - NIST Time Set Error";

QString fromStd(const std::string &text) { return QString::fromStdString(text); }

} // namespace

SetTimeForm::SetTimeForm(TimeService &service, AppState &state, SettingsFile &settings, const ClockSource &clock,
                         QWidget *parent)
    : QDialog(parent), service_(service), state_(state), settings_(settings), clock_(clock)
{
    setObjectName(QStringLiteral("SetTimeForm"));
    setWindowTitle(QStringLiteral("Internet Time - Set PC Time"));
    buildControls();

    auto timer = [this](const char *name, int interval, void (SetTimeForm::*handler)()) {
        auto *t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    Timer1 = timer("Timer1", 0, &SetTimeForm::Timer1_Timer);
    Timer2 = timer("Timer2", 500, &SetTimeForm::Timer2_Timer);
    Timer2->start();
    QueryPacingTimer = timer("QueryPacingTimer", 0, &SetTimeForm::QueryPacingTimer_Timer);
    QueryPacingTimer->setSingleShot(true);

    Winsock1 = new QTcpSocket(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    // A flooding server fills no more than this much memory.
    Winsock1->setReadBufferSize(MaxReplyBytes);
    connect(Winsock1, &QTcpSocket::readyRead, this, &SetTimeForm::Winsock1_DataArrival);
    connect(Winsock1, &QTcpSocket::disconnected, this, &SetTimeForm::onDisconnected);
    connect(Winsock1, &QTcpSocket::errorOccurred, this, &SetTimeForm::Winsock1_Error);
}

SetTimeForm::~SetTimeForm()
{
    leave();
}

void SetTimeForm::buildControls()
{
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Combo1->setMinimumWidth(320);
    connect(Combo1, &QComboBox::activated, this, &SetTimeForm::Combo1_Click);

    Text1 = new QLineEdit(QStringLiteral("NIST Address"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFocusPolicy(Qt::NoFocus);

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setMinimumHeight(Label4->fontMetrics().height() + 8);
    QFont clockFont = Label4->font();
    clockFont.setBold(true);
    Label4->setFont(clockFont);

    Command1 = new QPushButton(QStringLiteral("&Set Time"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &SetTimeForm::Command1_Click);

    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    connect(Command2, &QPushButton::clicked, this, &SetTimeForm::Command2_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(Combo1);
    layout->addWidget(Text1);
    layout->addWidget(Label4);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString SetTimeForm::addressLine(int index) const
{
    return QStringLiteral("Server %1 Addr: ").arg(index + 1)
        + fromStd(service_.table.servers[static_cast<std::size_t>(index)].address);
}

void SetTimeForm::Form_Load()
{
    const auto &servers = service_.table.servers;
    Combo1->clear();
    for (std::size_t i = 0; i < servers.size(); ++i)
        Combo1->addItem(QStringLiteral("Server %1  -  ").arg(i + 1) + fromStd(servers[i].hostName));

    const std::string firstAddress = servers.empty() ? std::string() : servers.front().address;
    const std::string stored = settings_.readText(SettingsKeys::TimeNistIP);
    if (stored != SettingsKeys::TimeNistIP.marker) {
        state_.NistServerAddress = stored;
    } else {
        settings_.write(SettingsKeys::TimeNistIP.key, firstAddress);
        state_.NistServerAddress = firstAddress;
    }
    Text1->setText(QStringLiteral("NIST Server Addr: ") + fromStd(state_.NistServerAddress));

    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (servers[i].address == state_.NistServerAddress) {
            selectEntry(static_cast<int>(i));
            return;
        }
    }
    // The stored address is none of the list's: the first server takes its place.
    state_.NistServerAddress = firstAddress;
    if (!servers.empty())
        selectEntry(0);
    Text1->setText(QStringLiteral("NIST Server Addr: ") + fromStd(firstAddress));
}

void SetTimeForm::selectEntry(int index)
{
    Combo1->setCurrentIndex(index);
    Combo1_Click();
}

void SetTimeForm::Combo1_Click()
{
    const int k = Combo1->currentIndex();
    if (k < 0 || k >= static_cast<int>(service_.table.servers.size()))
        return;
    const std::string &address = service_.table.servers[static_cast<std::size_t>(k)].address;
    settings_.write(SettingsKeys::TimeNistIP.key, address);
    Text1->setText(addressLine(k));
    selectedServerAddress_ = fromStd(address);
}

void SetTimeForm::Timer2_Timer()
{
    Label4->setText(pcTimeText(clock_.now()));
}

void SetTimeForm::Command1_Click()
{
    if (settingClock_)
        return;
    TimeSetArmed = 1;

    // An attempt is under way (or the server hung up on the last one): this press only
    // ends it; the next one starts afresh.
    if (Winsock1->state() != QAbstractSocket::UnconnectedState || halfClosed_ || QueryPacingTimer->isActive()) {
        QueryPacingTimer->stop();
        closeConnection();
        setBusy(false);
        stopTimer1();
        return;
    }

    QHostAddress address;
    if (!address.setAddress(selectedServerAddress_)) {
        TimeSetArmed = 0;
        setBusy(false);
        stopTimer1();
        message(false, "Halvion - Winsock Error Reported",
                QStringLiteral("The Winsock Connection Is Unavailable.") + CR
                    + QStringLiteral("Please Check Your PC Internet Connections."));
        closeConnection();
        return;
    }

    setBusy(true);
    if (const int wait = service_.pacer.waitBeforeQuery(); wait > 0) {
        QueryPacingTimer->start(wait);
        return;
    }
    startConnection();
}

void SetTimeForm::QueryPacingTimer_Timer()
{
    QueryPacingTimer->stop();
    startConnection();
}

void SetTimeForm::startConnection()
{
    received_.clear();
    halfClosed_ = false;
    Timer1->setInterval(NoResponseMs);
    Timer1->start();
    setBusy(true);
    service_.pacer.queried();
    Winsock1->connectToHost(QHostAddress(selectedServerAddress_), service_.table.port);
}

void SetTimeForm::Timer1_Timer()
{
    closeConnection();
    setBusy(false);
    stopTimer1();
    message(false, TimeSetErrorTitle,
            QStringLiteral("There Was No Response From The NIST Time Server.") + CR
                + QStringLiteral(" Please Try Again, or Choose Another Server."));
}

// The reply may come in pieces: it is judged once the line after the leading line feed
// is complete, when the server hangs up, or when MaxReplyBytes have come.
void SetTimeForm::Winsock1_DataArrival()
{
    const qint64 room = MaxReplyBytes - received_.size();
    if (room > 0)
        received_ += Winsock1->read(room);
    if (const qsizetype end = received_.indexOf('\n', 1); end >= 0)
        judgeReply(received_.left(end + 1));
    else if (received_.size() >= MaxReplyBytes)
        judgeReply(received_);
}

void SetTimeForm::onDisconnected()
{
    if (Winsock1->bytesAvailable() > 0)
        Winsock1_DataArrival();
    if (!received_.isEmpty())
        judgeReply(received_);
    else
        Winsock1_Close();
}

void SetTimeForm::Winsock1_Close()
{
    setBusy(false);
    stopTimer1();
    halfClosed_ = true;
}

void SetTimeForm::Winsock1_Error()
{
    // A hang-up is not an error: the close event follows.
    if (Winsock1->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    closeConnection();
    setBusy(false);
    stopTimer1();
    TimeSetArmed = 0;
    message(false, "Halvion - Time Set Failure",
            QStringLiteral("An Error Occurred During An Attempt To Set The System Time.") + CRLF
                + QStringLiteral("Your Dial-up or High Speed Modem May Not Be Connected.") + CRLF + CRLF
                + QStringLiteral("Please Verify Your Connected To The Internet And Try Again."));
}

void SetTimeForm::judgeReply(QByteArray reply)
{
    // The attempt is over whatever the reply says: nothing more is read, and the
    // messages below are shown with the default pointer and no timer running.
    stopTimer1();
    closeConnection();
    setBusy(false);

    const DaytimeReply result = ReadDaytimeReply(std::string_view(reply.constData(), static_cast<std::size_t>(reply.size())));
    const QString notSet = CRLF + QStringLiteral("As A Result, The System Time Was Not Set.") + CRLF + CRLF
        + QStringLiteral("Please Try Another Server, or Try Again Later.");
    switch (result.verdict) {
    case ReplyVerdict::BadDateTime:
        TimeSetArmed = 0;
        message(false, TimeSetErrorTitle,
                QStringLiteral("The Data Returned From This Server Caused A Time or Date Formatting Error.") + notSet);
        break;
    case ReplyVerdict::AdvanceOverflow:
        break; // nothing sensible to say: the attempt ends quietly
    case ReplyVerdict::Unhealthy:
        AdvanceTenths = result.advanceTenths;
        TimeSetArmed = 0;
        message(false, TimeSetErrorTitle,
                QStringLiteral("This Time Server Reports Its Time May Not Be Accurate At The Moment.") + notSet);
        break;
    case ReplyVerdict::Good:
        AdvanceTenths = result.advanceTenths;
        if (TimeSetArmed == 1) {
            setClockFrom(reply, result.stated);
            return;
        }
        break;
    }
    TimeSetArmed = 0;
}

void SetTimeForm::setClockFrom(const QByteArray &reply, const UtcDateTime &stated)
{
    TimeSetArmed = 0;
    const auto record = clockRecordFor(stated, AdvanceTenths);
    if (!record)
        return; // the advance takes the time out of range: ends quietly

    // The setter may wait for the administrator's password while the program runs on:
    // the dialog stays put until it answers.
    settingClock_ = true;
    setEnabled(false);
    const bool set = service_.setter->set(*record);
    setEnabled(true);
    settingClock_ = false;

    if (!set) {
        message(false, TimeSetErrorTitle, QStringLiteral("There Was An Error While Setting The Time.  Please Try Again."));
        return;
    }
    message(true, "Halvion - NIST Time Set",
            QStringLiteral("PC Time (Minutes & Seconds) Updated Successfully") + CR + CR
                + QStringLiteral("The Server Returned The Following Information:") + CR + QString::fromLatin1(reply)
                + CR + CR + QStringLiteral("Click OK To Continue Using Halvion"));
    Q_EMIT clockSet();
    Command2_Click();
}

void SetTimeForm::stopTimer1()
{
    Timer1->stop();
    Timer1->setInterval(0);
}

void SetTimeForm::setBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

// Closes the connection without telling ourselves about it.
void SetTimeForm::closeConnection()
{
    halfClosed_ = false;
    received_.clear();
    const QSignalBlocker quiet(Winsock1);
    Winsock1->abort();
}

void SetTimeForm::message(bool information, const char *title, const QString &text)
{
    service_.messages->show(this, information ? MessageIcon::Information : MessageIcon::Exclamation,
                            QString::fromLatin1(title), text);
}

void SetTimeForm::Command2_Click()
{
    reject();
}

void SetTimeForm::leave()
{
    stopTimer1();
    Timer2->stop();
    Timer2->setInterval(0);
    QueryPacingTimer->stop();
    setBusy(false);
    closeConnection();
}

void SetTimeForm::reject()
{
    if (settingClock_)
        return;
    leave();
    QDialog::reject();
}

void SetTimeForm::closeEvent(QCloseEvent *event)
{
    if (settingClock_) {
        event->ignore();
        return;
    }
    leave();
    QDialog::closeEvent(event);
}

} // namespace halvion
