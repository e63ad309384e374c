#pragma once
// The time dialog: the user picks one of the NIST daytime servers (remembered in the
// settings file), presses Set Time, and the PC clock is set from the server's reply.
// One attempt at a time: Set Time connects, a reply, a five-second silence, an error or
// a second press ends it, and the busy pointer shows for the whole application while it
// runs.

#include "app_state.h"
#include "clock_source.h"
#include "daytime_reply.h"
#include "time_service.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTcpSocket;
class QTimer;

namespace halvion {

class SettingsFile;

class SetTimeForm : public QDialog {
    Q_OBJECT
public:
    // Replies longer than this are judged on their first KiB; the rest is never read.
    static constexpr int MaxReplyBytes = 1024;
    static constexpr int NoResponseMs = 5000;

    SetTimeForm(TimeService &service, AppState &state, SettingsFile &settings, const ClockSource &clock,
                QWidget *parent = nullptr);
    ~SetTimeForm() override;

    // Fills the list and selects the stored server (or the first). Run once, before showing.
    void Form_Load();

    void Combo1_Click();   // a server chosen from the list
    void Command1_Click(); // Set Time
    void Command2_Click(); // Cancel
    void Timer1_Timer();   // no response in time
    void Timer2_Timer();   // PC time display
    // The pause between queries to NIST is over: the attempt connects.
    void QueryPacingTimer_Timer();

    // 1 while the current Set Time request may still set the clock.
    std::int16_t TimeSetArmed = 0;
    // The advance of the last reply whose date and time were good, in tenths of a ms.
    std::int16_t AdvanceTenths = 0;
    const QString &SelectedServerAddress() const { return selectedServerAddress_; }
    // The reply bytes gathered so far in the current attempt.
    const QByteArray &receivedSoFar() const { return received_; }

    QComboBox *Combo1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *QueryPacingTimer = nullptr;
    QTcpSocket *Winsock1 = nullptr;

public Q_SLOTS:
    void reject() override;

Q_SIGNALS:
    // The PC clock has just been set from a server's reply (emitted after the user
    // dismissed the success message, as the dialog closes).
    void clockSet();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void selectEntry(int index);
    QString addressLine(int index) const;

    // The connection's events.
    void Winsock1_DataArrival();
    void Winsock1_Close();
    void Winsock1_Error();
    void onDisconnected();

    void startConnection();
    void judgeReply(QByteArray reply); // a copy: closing the connection clears what was gathered
    void setClockFrom(const QByteArray &reply, const UtcDateTime &stated);
    void endAttempt();
    void stopTimer1();
    void setBusy(bool busy);
    void closeConnection();
    void leave();
    void message(bool information, const char *title, const QString &text);

    TimeService &service_;
    AppState &state_;
    SettingsFile &settings_;
    const ClockSource &clock_;
    QString selectedServerAddress_;
    QByteArray received_;
    bool halfClosed_ = false;   // the server hung up without a reply
    bool busy_ = false;         // this dialog's busy pointer is showing
    bool settingClock_ = false; // inside the clock setter, which may wait for a password
    bool left_ = false;
};

} // namespace halvion
