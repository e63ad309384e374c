// The time dialog in the program: opened from the main window's Internet Time menu,
// modal over it while the main window's timers run on, gone when it closes.

#include "clock_setter.h"
#include "form1.h"
#include "frm_splash.h"
#include "message_sink.h"
#include "program.h"
#include "set_time_form.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace halvion;

class TestTimeDialogInProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuOpensModalDialog();
};

void TestTimeDialogInProgram::menuOpensModalDialog()
{
    QTemporaryDir dir;
    FakeClockSource clock{12, 0, 25};
    Program program(dir.filePath(QStringLiteral("Halvion.ini")).toStdString(), clock);

    // A daytime server on this machine, a recording clock setter and message sink.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    connect(&server, &QTcpServer::newConnection, this, [&server] {
        server.nextPendingConnection()->write("\n54174 07-03-15 12:34:56 00 0 0  50.0 UTC(NIST) * \n");
    });
    RecordingClockSetter setter;
    RecordingMessageSink messages;
    TimeService &service = program.timeService();
    service.table.servers = {{"local", "127.0.0.1"}};
    service.table.port = server.serverPort();
    service.setter = &setter;
    service.messages = &messages;

    program.start();
    program.splash()->Timer1_Timer();
    Form1 *form = program.mainWindow();
    QVERIFY(form->isVisible());

    auto *item = form->findChild<QAction *>(QStringLiteral("NISTtimeserver"));
    QVERIFY(item);
    QCOMPARE(item->text(), QStringLiteral("Set PC Time (Via Internet NIST Time Server)"));
    QVERIFY(form->SetPCclock->actions().contains(item));
    QCOMPARE(form->SetPCclock->title(), QStringLiteral("&Internet Time"));

    item->trigger();
    QPointer<SetTimeForm> dialog = program.timeDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->parentWidget(), form);
    QCOMPARE(dialog->Combo1->currentText(), QStringLiteral("Server 1  -  local"));
    // The main window goes on ticking behind it.
    QVERIFY(form->Timer1->isActive());
    QVERIFY(form->Timer3->isActive());

    dialog->Command2_Click();
    QTRY_VERIFY(!dialog);
    QVERIFY(!program.timeDialog());

    // A fresh dialog each time; a good reply sets the clock and closes it.
    item->trigger();
    dialog = program.timeDialog();
    QVERIFY(dialog);
    QSignalSpy set(dialog.data(), &SetTimeForm::clockSet);
    dialog->Command1_Click();
    QTRY_VERIFY(!dialog);
    QCOMPARE(set.count(), 1);
    QCOMPARE(setter.records.size(), std::size_t{1});
    QCOMPARE(messages.messages.size(), std::size_t{1});
    QCOMPARE(messages.messages[0].title, QStringLiteral("Halvion - NIST Time Set"));
}

QTEST_MAIN(TestTimeDialogInProgram)
#include "tst_nettime_program.moc"
