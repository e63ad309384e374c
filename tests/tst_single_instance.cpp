// One copy per user: a second start finds the first, which is asked to come to the
// front; a copy that crashed leaves nothing that stops the next start. Every case
// uses its own server name and lock file in a temporary folder, so no real copy of the
// program and no other test is ever reached.

#include "single_instance.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace halvion;

namespace {

struct Names {
    QTemporaryDir dir;
    QString server = dir.filePath(QStringLiteral("instance"));
    QString lock = dir.filePath(QStringLiteral("instance.lock"));
};

// A later start, run in a thread of its own while this one answers: its claim blocks.
struct LaterStart {
    bool claimed = true;
    bool answered = false;
    std::unique_ptr<QThread> thread;

    LaterStart(const Names &names)
    {
        thread.reset(QThread::create([this, server = names.server, lock = names.lock] {
            SingleInstance later(server, lock);
            claimed = later.claim();
            answered = later.runningCopyAnswered();
        }));
        thread->start();
    }
    bool finish() { return thread->wait(10000); }
};

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondStartRaisesTheFirst();
    void crashedCopyLeavesNoObstacle();
};

void TestSingleInstance::secondStartRaisesTheFirst()
{
    Names names;
    QVERIFY(names.dir.isValid());
    {
        SingleInstance first(names.server, names.lock);
        QSignalSpy raise(&first, &SingleInstance::raiseRequested);
        QVERIFY(first.claim());

        LaterStart second(names);
        QVERIFY(raise.wait(10000));
        QVERIFY(second.finish());
        QVERIFY(!second.claimed);
        QVERIFY(second.answered);
        QCOMPARE(raise.size(), 1);
    }
    // The first copy has ended: the next start is the first again.
    SingleInstance next(names.server, names.lock);
    QVERIFY(next.claim());
}

void TestSingleInstance::crashedCopyLeavesNoObstacle()
{
    Names names;
    QVERIFY(names.dir.isValid());
    // What a killed copy leaves: its lock file naming a process that is gone, and its
    // socket file.
    QFile lock(names.lock);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("9999999\nhalvion\n" + QHostInfo::localHostName().toUtf8() + '\n');
    lock.close();
    QFile socket(names.server);
    QVERIFY(socket.open(QIODevice::WriteOnly));
    socket.close();

    SingleInstance first(names.server, names.lock);
    QSignalSpy raise(&first, &SingleInstance::raiseRequested);
    QVERIFY(first.claim());
    LaterStart second(names);
    QVERIFY(raise.wait(10000));
    QVERIFY(second.finish());
    QVERIFY(!second.claimed && second.answered);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
