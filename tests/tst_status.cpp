// The beacon status store: loading the 54 status keys, the first-run defaults and
// saving the stations' choices.

#include "status_store.h"

#include <QtTest>

#include <memory>

using namespace halvion;

Q_DECLARE_METATYPE(halvion::BeaconStatus)

namespace {

const char *word(BeaconStatus s)
{
    switch (s) {
    case BeaconStatus::None:
        return "None";
    case BeaconStatus::OK:
        return "OK";
    case BeaconStatus::OFF:
        return "OFF";
    case BeaconStatus::ON:
        return "ON";
    }
    return "?";
}

// The "key=value" lines of the file in the order they stand, section header left out.
QStringList keyLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('[')))
            lines << line;
    }
    return lines;
}

} // namespace

class TestStatus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void loadPrecedence_data();
    void loadPrecedence();
    void loadReportsEveryChange();
    void selectReportsOnlyChanges();
    void savedStatusProbe_data();
    void savedStatusProbe();
    void defaultsOnANewFile();
    void selectionWrittenInThreePasses();
    void selectionSurvivesARoundTrip();
    void failedWriteLeavesTheStoredStatus();

private:
    void writeFile(const QByteArray &text);
    void makeStore(const QString &path);

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    std::unique_ptr<SettingsFile> settings_;
    std::unique_ptr<StatusStore> store_;
};

void TestStatus::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    makeStore(dir_->filePath(QStringLiteral("Halvion.ini")));
}

void TestStatus::cleanup()
{
    store_.reset();
    settings_.reset();
    dir_.reset();
}

void TestStatus::makeStore(const QString &path)
{
    path_ = path;
    store_.reset();
    settings_ = std::make_unique<SettingsFile>(path.toStdString());
    store_ = std::make_unique<StatusStore>(*settings_);
}

void TestStatus::writeFile(const QByteArray &text)
{
    QFile file(path_);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

void TestStatus::loadPrecedence_data()
{
    QTest::addColumn<int>("station");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<BeaconStatus>("expected");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("off");
    QTest::addColumn<bool>("on");

    QTest::newRow("OK only") << 0 << QByteArray("OK 0=True\nOFF 0=False\nON 0=False\n") << BeaconStatus::OK << true << false << false;
    QTest::newRow("OFF only") << 5 << QByteArray("OK 5=False\nOFF 5=True\nON 5=False\n") << BeaconStatus::OFF << false << true << false;
    QTest::newRow("ON only") << 17 << QByteArray("OK 17=False\nOFF 17=False\nON 17=True\n") << BeaconStatus::ON << false << false << true;
    QTest::newRow("KH6WO OK and ON") << 3 << QByteArray("OK 3=True\nOFF 3=False\nON 3=True\n") << BeaconStatus::ON << true << false << true;
    QTest::newRow("OK and OFF") << 11 << QByteArray("OK 11=True\nOFF 11=True\n") << BeaconStatus::OFF << true << true << false;
    QTest::newRow("OFF and ON") << 1 << QByteArray("OFF 1=True\nON 1=True\n") << BeaconStatus::ON << false << true << true;
    QTest::newRow("all three") << 9 << QByteArray("ON 9=True\nOFF 9=True\nOK 9=True\n") << BeaconStatus::ON << true << true << true;
    QTest::newRow("no keys") << 4 << QByteArray() << BeaconStatus::None << false << false << false;
    QTest::newRow("all False") << 4 << QByteArray("OK 4=False\nOFF 4=False\nON 4=False\n") << BeaconStatus::None << false << false << false;
    QTest::newRow("lower-case true") << 2 << QByteArray("OK 2=true\nOFF 2=TRUE\nON 2=yes\n") << BeaconStatus::None << false << false << false;
    QTest::newRow("True with more after it") << 2 << QByteArray("OK 2=Truely\nOFF 2=True\n") << BeaconStatus::OFF << false << true << false;
    QTest::newRow("OK key of another station") << 1 << QByteArray("OK 11=True\nON 10=True\n") << BeaconStatus::None << false << false << false;
    QTest::newRow("CRLF file") << 3 << QByteArray("OK 3=False\r\nOFF 3=True\r\n") << BeaconStatus::OFF << false << true << false;
}

// Whatever the station was showing before, the load leaves exactly what the file says.
void TestStatus::loadPrecedence()
{
    QFETCH(int, station);
    QFETCH(QByteArray, keys);
    QFETCH(BeaconStatus, expected);
    QFETCH(bool, ok);
    QFETCH(bool, off);
    QFETCH(bool, on);

    writeFile("[Halvion]\n" + keys);
    for (BeaconStatus before : {BeaconStatus::None, BeaconStatus::OK, BeaconStatus::OFF, BeaconStatus::ON}) {
        for (BeaconIndex i = 0; i < BeaconCount; ++i)
            store_->select(i, before);
        store_->ReadBeaconStatus();
        QVERIFY2(store_->SelectedStatus(station) == expected,
                 qPrintable(QStringLiteral("was %1, now %2").arg(word(before), word(store_->SelectedStatus(station)))));
        QCOMPARE(store_->StatusOK(station), ok);
        QCOMPARE(store_->StatusOFF(station), off);
        QCOMPARE(store_->StatusON(station), on);
        for (BeaconIndex other = 0; other < BeaconCount; ++other) {
            if (other == station || keys.contains(' ' + QByteArray::number(other) + '='))
                continue;
            QVERIFY2(store_->SelectedStatus(other) == BeaconStatus::None, qPrintable(QString::number(other)));
            QVERIFY(!store_->StatusOK(other) && !store_->StatusOFF(other) && !store_->StatusON(other));
        }
    }
}

void TestStatus::loadReportsEveryChange()
{
    store_->writeDefaults();
    store_->ReadBeaconStatus();

    QSignalSpy spy(store_.get(), &StatusStore::selectionChanged);
    store_->ReadBeaconStatus();
    QCOMPARE(spy.count(), 0); // nothing changed, nothing to redraw

    QVERIFY(settings_->write("ON 12", "True"));
    QVERIFY(settings_->write("OK 7", "False"));
    store_->ReadBeaconStatus();
    QSet<int> reported;
    for (const QList<QVariant> &args : spy)
        reported.insert(args.at(0).toInt());
    QCOMPARE(reported, (QSet<int>{7, 12}));
    QVERIFY(store_->SelectedStatus(12) == BeaconStatus::ON);
    QVERIFY(store_->SelectedStatus(7) == BeaconStatus::None);
}

void TestStatus::selectReportsOnlyChanges()
{
    QSignalSpy spy(store_.get(), &StatusStore::selectionChanged);
    store_->select(6, BeaconStatus::OFF);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 6);
    QVERIFY(store_->SelectedStatus(6) == BeaconStatus::OFF);

    store_->select(6, BeaconStatus::OFF);
    QCOMPARE(spy.count(), 1);

    store_->select(6, BeaconStatus::ON);
    QCOMPARE(spy.count(), 2);
    QVERIFY(store_->SelectedStatus(6) == BeaconStatus::ON);

    // Out-of-range stations are refused, not written past the end.
    store_->select(-1, BeaconStatus::OK);
    store_->select(BeaconCount, BeaconStatus::OK);
    QCOMPARE(spy.count(), 2);
    QVERIFY(store_->SelectedStatus(BeaconCount) == BeaconStatus::None);
    QVERIFY(!store_->StatusOK(-1));
}

void TestStatus::savedStatusProbe_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("saved");

    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("OK 0 True") << QByteArray("[Halvion]\nOK 0=True\n") << true;
    QTest::newRow("OK 0 False") << QByteArray("[Halvion]\nOK 0=False\n") << true;
    QTest::newRow("OK 0 empty") << QByteArray("[Halvion]\nOK 0=\n") << true;
    QTest::newRow("only other status keys") << QByteArray("[Halvion]\nOFF 0=True\nON 0=True\nOK 1=True\nOK 10=True\n") << false;
    QTest::newRow("OK 0 in another section") << QByteArray("[Other]\nOK 0=True\n[Halvion]\nLegend=True\n") << false;
}

void TestStatus::savedStatusProbe()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, saved);
    if (!text.isEmpty())
        writeFile(text);
    QCOMPARE(store_->hasSavedStatus(), saved);
}

void TestStatus::defaultsOnANewFile()
{
    QVERIFY(!store_->hasSavedStatus());
    QSignalSpy spy(store_.get(), &StatusStore::selectionChanged);
    store_->writeDefaults();

    QStringList expected;
    for (int n = 0; n < BeaconCount; ++n)
        expected << QStringLiteral("OK %1=True").arg(n) << QStringLiteral("OFF %1=False").arg(n)
                 << QStringLiteral("ON %1=False").arg(n);
    QCOMPARE(keyLines(path_), expected);

    QVERIFY(store_->hasSavedStatus());
    QCOMPARE(spy.count(), BeaconCount);
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        QVERIFY(store_->SelectedStatus(i) == BeaconStatus::OK);

    store_->ReadBeaconStatus();
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        QVERIFY(store_->SelectedStatus(i) == BeaconStatus::OK);
        QVERIFY(store_->StatusOK(i) && !store_->StatusOFF(i) && !store_->StatusON(i));
    }
}

void TestStatus::selectionWrittenInThreePasses()
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        store_->select(i, BeaconStatus::OK);
    store_->select(1, BeaconStatus::OFF);
    store_->select(2, BeaconStatus::ON);
    store_->select(3, BeaconStatus::None);
    store_->select(17, BeaconStatus::ON);
    store_->writeSelection();

    QStringList expected;
    const std::pair<const char *, BeaconStatus> passes[] = {
        {"OK", BeaconStatus::OK}, {"OFF", BeaconStatus::OFF}, {"ON", BeaconStatus::ON}};
    for (const auto &[name, status] : passes)
        for (int n = 0; n < BeaconCount; ++n)
            expected << QStringLiteral("%1 %2=%3")
                            .arg(QLatin1String(name))
                            .arg(n)
                            .arg(store_->SelectedStatus(n) == status ? QStringLiteral("True") : QStringLiteral("False"));
    QCOMPARE(keyLines(path_), expected);
}

// Saving and loading again gives every station back its choice, a missing one included;
// keys that held two "True"s are straightened out.
void TestStatus::selectionSurvivesARoundTrip()
{
    writeFile("[Halvion]\nOK 3=True\nON 3=True\nOFF 8=True\nOK 8=True\n");
    store_->ReadBeaconStatus();
    store_->select(0, BeaconStatus::OK);
    store_->select(5, BeaconStatus::OFF);
    std::array<BeaconStatus, BeaconCount> chosen{};
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        chosen[static_cast<std::size_t>(i)] = store_->SelectedStatus(i);

    store_->writeSelection();
    QCOMPARE(QString::fromStdString(settings_->readStatus(StatusWord::OK, 3)), QStringLiteral("False"));
    QCOMPARE(QString::fromStdString(settings_->readStatus(StatusWord::OK, 8)), QStringLiteral("False"));

    auto fresh = std::make_unique<StatusStore>(*settings_);
    fresh->ReadBeaconStatus();
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const BeaconStatus s = chosen[static_cast<std::size_t>(i)];
        QVERIFY2(fresh->SelectedStatus(i) == s, qPrintable(QString::number(i)));
        QCOMPARE(fresh->StatusOK(i), s == BeaconStatus::OK);
        QCOMPARE(fresh->StatusOFF(i), s == BeaconStatus::OFF);
        QCOMPARE(fresh->StatusON(i), s == BeaconStatus::ON);
    }
}

void TestStatus::failedWriteLeavesTheStoredStatus()
{
    // A settings path below a plain file can never be written.
    const QString blocker = dir_->filePath(QStringLiteral("plain"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }
    makeStore(blocker + QStringLiteral("/Halvion.ini"));

    store_->writeDefaults();
    QVERIFY(!store_->hasSavedStatus());
    store_->select(4, BeaconStatus::ON);
    store_->writeSelection();
    store_->ReadBeaconStatus();
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        QVERIFY(store_->SelectedStatus(i) == BeaconStatus::None);
}

QTEST_GUILESS_MAIN(TestStatus)
#include "tst_status.moc"
