// The command line: --help and --version answer and end; everything else is refused
// with exit code 2 before any window or settings file is touched.
#include "command_line.h"

#include <QTest>

using halvion::ReadCommandLine;

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data();
    void answers();
};

void TestCommandLine::answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("exitNow");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outStart");
    QTest::addColumn<QString>("errStart");

    const QString usage = QStringLiteral("Usage: halvion [--help | --version]");
    QTest::newRow("none") << QStringList{} << false << 0 << QString() << QString();
    QTest::newRow("version") << QStringList{"--version"} << true << 0 << QStringLiteral("Halvion 4.0.0\n")
                             << QString();
    QTest::newRow("help") << QStringList{"--help"} << true << 0 << usage << QString();
    QTest::newRow("help wins") << QStringList{"--version", "--help"} << true << 0 << usage << QString();
    QTest::newRow("unknown option") << QStringList{"--verbose"} << true << 2 << QString()
                                    << QStringLiteral("halvion: Unknown option 'verbose'.");
    QTest::newRow("short option") << QStringList{"-v"} << true << 2 << QString()
                                  << QStringLiteral("halvion: Unknown option 'v'.");
    QTest::newRow("Qt's own option") << QStringList{"-platform", "xcb"} << true << 2 << QString()
                                     << QStringLiteral("halvion: Unknown options:");
    QTest::newRow("file name") << QStringList{"Halvion.ini"} << true << 2 << QString()
                               << QStringLiteral("halvion: unexpected argument 'Halvion.ini'");
    QTest::newRow("after --") << QStringList{"--", "--help"} << true << 2 << QString()
                              << QStringLiteral("halvion: unexpected argument '--help'");
    QTest::newRow("value on a switch") << QStringList{"--version=2"} << true << 2 << QString()
                                       << QStringLiteral("halvion: Unexpected value after '--version'.");
}

void TestCommandLine::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, exitNow);
    QFETCH(int, exitCode);
    QFETCH(QString, outStart);
    QFETCH(QString, errStart);

    arguments.prepend(QStringLiteral("/usr/bin/halvion"));
    const auto answer = ReadCommandLine(arguments);
    QCOMPARE(answer.exitNow, exitNow);
    QCOMPARE(answer.exitCode, exitCode);
    QVERIFY2(answer.out.startsWith(outStart), qPrintable(answer.out));
    QVERIFY2(answer.err.startsWith(errStart), qPrintable(answer.err));
    QCOMPARE(answer.out.isEmpty(), outStart.isEmpty());
    QCOMPARE(answer.err.isEmpty(), errStart.isEmpty());
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
