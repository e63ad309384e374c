// The settings file: the INI layer (reads, writes in place, CRLF and LF files, bad
// input, atomic replacement), the program's keys over it, and the window position text.

#include "profile_file.h"
#include "settings_file.h"

#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QProcess>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace halvion;

namespace {

// A byte array from a literal, NULs inside included.
template <std::size_t N>
QByteArray B(const char (&s)[N])
{
    return QByteArray(s, static_cast<qsizetype>(N - 1));
}

std::string str(const QByteArray &b)
{
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

QByteArray qbytes(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

void putFile(const QString &path, const QByteArray &contents)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(contents), contents.size());
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Names left in a folder besides the expected ones: a temporary file left behind shows here.
QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

const std::pair<const char *, KeySpec> AllKeys[] = {
    {"StatusProbe", SettingsKeys::StatusProbe},
    {"LEDSpeed", SettingsKeys::LEDSpeed},
    {"Toggle", SettingsKeys::Toggle},
    {"PassFlag", SettingsKeys::PassFlag},
    {"ActGauge", SettingsKeys::ActGauge},
    {"MarkersLED", SettingsKeys::MarkersLED},
    {"SatTrack", SettingsKeys::SatTrack},
    {"Legend", SettingsKeys::Legend},
    {"AOTAtLoad", SettingsKeys::AOTAtLoad},
    {"AOT", SettingsKeys::AOT},
    {"CompactWinTop", SettingsKeys::CompactWinTop},
    {"CompactWinLeft", SettingsKeys::CompactWinLeft},
    {"TimeNistIP", SettingsKeys::TimeNistIP},
    {"NCDXFweb", SettingsKeys::NCDXFweb},
    {"GreylineWEB", SettingsKeys::GreylineWEB},
    {"PropWEB", SettingsKeys::PropWEB},
    {"WWVweb", SettingsKeys::WWVweb},
    {"DXPeditionsWEB", SettingsKeys::DXPeditionsWEB},
    {"Bulletin425WEB", SettingsKeys::Bulletin425WEB},
};

KeySpec keyNamed(const QByteArray &name)
{
    for (const auto &[n, entry] : AllKeys)
        if (name == n)
            return entry;
    qFatal("no key named %s", name.constData());
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void getString_data();
    void getString();
    void writeString_data();
    void writeString();
    void writeRefusesLineInjection_data();
    void writeRefusesLineInjection();
    void valuesReadBackAsWritten_data();
    void valuesReadBackAsWritten();
    void binaryGarbage();
    void tenMegabyteFile();
    void failedWriteLeavesOldFile_data();
    void failedWriteLeavesOldFile();
    void folderInPlaceOfFile();
    void writeCreatesFolderAndKeepsPermissions();
    void batchMatchesOneByOne_data();
    void batchMatchesOneByOne();
    void unchangedWriteTouchesNothing();
    void symbolicLinkKept_data();
    void symbolicLinkKept();
    void staleTemporaryFilesRemoved();
    void heldLockIsWaitedFor();
    void lockWaitIsBounded();
    void twoProcessesLoseNothing();

    void formatPosition_data();
    void formatPosition();
    void parsePosition_data();
    void parsePosition();
    void positionReadsBackAsWritten();

    void statusKeyName_data();
    void statusKeyName();
    void everyMarkerFitsItsLimit();
    void settingsRead_data();
    void settingsRead();
    void readStatus_data();
    void readStatus();
    void settingsWrites();
};

void TestSettings::getString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("defaultText");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray basic = B("[Halvion]\nLEDSpeed=Fast\nToggle=False\n");
    QTest::newRow("present") << basic << B("Halvion") << B("LEDSpeed") << B("NoOpt") << 16 << B("Fast");
    QTest::newRow("missing key gives the marker") << basic << B("Halvion") << B("Legend") << B("NoOpt") << 16 << B("NoOpt");
    QTest::newRow("missing section gives the marker") << basic << B("Other") << B("LEDSpeed") << B("NoOpt") << 16 << B("NoOpt");
    QTest::newRow("empty value is present") << B("[Halvion]\nTime NIST IP=\n") << B("Halvion") << B("Time NIST IP") << B("NoNIST") << 255 << B("");
    QTest::newRow("empty file") << B("") << B("Halvion") << B("LEDSpeed") << B("NoOpt") << 16 << B("NoOpt");

    QTest::newRow("names in any letter case") << B("[HALVION]\nledspeed=Slow\n") << B("halvion") << B("LEDSPEED") << B("x") << 16 << B("Slow");
    QTest::newRow("value keeps its letter case") << B("[Halvion]\nSatTrack=true\n") << B("Halvion") << B("SatTrack") << B("x") << 16 << B("true");
    QTest::newRow("blanks and tabs trimmed") << B("  [ Halvion ]  \n \t Time NIST IP \t=  \t 1.2.3.4 \t \n") << B("Halvion") << B("Time NIST IP") << B("x") << 255 << B("1.2.3.4");
    QTest::newRow("blanks inside a value kept") << B("[Halvion]\nk= a  b \n") << B("Halvion") << B("k") << B("x") << 255 << B("a  b");
    QTest::newRow("CRLF file") << B("[Other]\r\nk=1\r\n[Halvion]\r\nk=2\r\n") << B("Halvion") << B("k") << B("x") << 255 << B("2");
    QTest::newRow("last line without break") << B("[Halvion]\r\nk=end") << B("Halvion") << B("k") << B("x") << 255 << B("end");
    QTest::newRow("one pair of quotes stripped") << B("[Halvion]\nk=\"  spaced \"\n") << B("Halvion") << B("k") << B("x") << 255 << B("  spaced ");
    QTest::newRow("only one pair") << B("[Halvion]\nk=\"\"twice\"\"\n") << B("Halvion") << B("k") << B("x") << 255 << B("\"twice\"");
    QTest::newRow("lone quote kept") << B("[Halvion]\nk=\"\n") << B("Halvion") << B("k") << B("x") << 255 << B("\"");
    QTest::newRow("unbalanced quote kept") << B("[Halvion]\nk=\"open\n") << B("Halvion") << B("k") << B("x") << 255 << B("\"open");
    QTest::newRow("value holding '='") << B("[Halvion]\nk=a=b\n") << B("Halvion") << B("k") << B("x") << 255 << B("a=b");
    QTest::newRow("duplicate key: first counts") << B("[Halvion]\nk=first\nk=second\n") << B("Halvion") << B("k") << B("x") << 255 << B("first");
    QTest::newRow("later section of the same name ignored") << B("[Halvion]\na=1\n[Halvion]\nk=2\n") << B("Halvion") << B("k") << B("x") << 255 << B("x");
    QTest::newRow("key of another section") << B("[Other]\nk=1\n[Halvion]\n") << B("Halvion") << B("k") << B("x") << 255 << B("x");
    QTest::newRow("key before any section") << B("k=stray\n[Halvion]\n") << B("Halvion") << B("k") << B("x") << 255 << B("x");
    QTest::newRow("comment line is no key") << B("[Halvion]\n;k=commented\n") << B("Halvion") << B("k") << B("x") << 255 << B("x");
    QTest::newRow("line without '=' ignored") << B("[Halvion]\nk\nk=real\n") << B("Halvion") << B("k") << B("x") << 255 << B("real");
    QTest::newRow("header without ']' ignored") << B("[Halvion]\n[Broken\nk=still here\n") << B("Halvion") << B("k") << B("x") << 255 << B("still here");
    QTest::newRow("header without ']' opens nothing") << B("[Halvion\nk=1\n") << B("Halvion") << B("k") << B("x") << 255 << B("x");
    QTest::newRow("text after ']' ignored") << B("[Halvion] trailing\nk=1\n") << B("Halvion") << B("k") << B("x") << 255 << B("1");

    // The size limit: at most size - 1 characters, the marker included.
    const QByteArray fifteen = "123456789012345";
    QTest::newRow("exactly the limit") << "[Halvion]\nk=" + fifteen + "\n" << B("Halvion") << B("k") << B("x") << 16 << fifteen;
    QTest::newRow("one over the limit") << "[Halvion]\nk=" + fifteen + "6\n" << B("Halvion") << B("k") << B("x") << 16 << fifteen;
    QTest::newRow("far over the buffer") << "[Halvion]\nk=" + QByteArray(5000, 'v') + "\n" << B("Halvion") << B("k") << B("x") << 255 << QByteArray(254, 'v');
    QTest::newRow("marker cut too") << basic << B("Halvion") << B("none") << B("MarkerMarker") << 7 << B("Marker");
    QTest::newRow("size 1") << basic << B("Halvion") << B("LEDSpeed") << B("x") << 1 << B("");
    QTest::newRow("size 0") << basic << B("Halvion") << B("LEDSpeed") << B("x") << 0 << B("");
    QTest::newRow("negative size") << basic << B("Halvion") << B("LEDSpeed") << B("x") << -5 << B("");

    // Text stops at the first NUL, in the value and in the marker.
    QTest::newRow("NUL in value") << B("[Halvion]\nk=ab\0cd\n") << B("Halvion") << B("k") << B("x") << 255 << B("ab");
    QTest::newRow("NUL in marker") << basic << B("Halvion") << B("none") << B("No\0Key") << 255 << B("No");
    QTest::newRow("NUL elsewhere in file") << B("\0\0[Junk\0]\n\0=\0\n[Halvion]\nk=v\n") << B("Halvion") << B("k") << B("x") << 255 << B("v");
}

void TestSettings::getString()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, defaultText);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, file);
    const ProfileFile profile(path.toStdString());
    QCOMPARE(qbytes(profile.getString(str(section), str(key), str(defaultText), size)), expected);
}

void TestSettings::writeString_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << false << B("") << B("Halvion") << B("LEDSpeed") << B("Medium")
                              << B("[Halvion]\nLEDSpeed=Medium\n");
    QTest::newRow("empty file") << true << B("") << B("Halvion") << B("OK 0") << B("True")
                                << B("[Halvion]\nOK 0=True\n");
    QTest::newRow("replace in place, the rest byte for byte")
        << true << B("; kept\r\n[Other]\r\nx = 1\r\n\r\n[Halvion]\r\nA=1\r\nLEDSpeed = Fast  \r\nZ=2\r\n")
        << B("Halvion") << B("LEDSpeed") << B("Medium")
        << B("; kept\r\n[Other]\r\nx = 1\r\n\r\n[Halvion]\r\nA=1\r\nLEDSpeed = Medium\r\nZ=2\r\n");
    QTest::newRow("replace matches any letter case") << true << B("[halvion]\nledspeed=Fast\n") << B("Halvion")
                                                     << B("LEDSpeed") << B("Slow") << B("[halvion]\nledspeed=Slow\n");
    QTest::newRow("replace a quoted value") << true << B("[Halvion]\nk=\"old\"\n") << B("Halvion") << B("k") << B("new")
                                            << B("[Halvion]\nk=new\n");
    QTest::newRow("replace the last line, no break") << true << B("[Halvion]\nk=old") << B("Halvion") << B("k")
                                                     << B("new") << B("[Halvion]\nk=new");
    QTest::newRow("duplicate key: first replaced") << true << B("[Halvion]\nk=1\nk=2\n") << B("Halvion") << B("k")
                                                   << B("3") << B("[Halvion]\nk=3\nk=2\n");
    QTest::newRow("append after the section's last line")
        << true << B("[Halvion]\nA=1\n;note\n\n\n[Other]\nC=9\n") << B("Halvion") << B("C") << B("3")
        << B("[Halvion]\nA=1\n;note\nC=3\n\n\n[Other]\nC=9\n");
    QTest::newRow("append to a bare header") << true << B("[Halvion]\n[Other]\n") << B("Halvion") << B("k") << B("v")
                                             << B("[Halvion]\nk=v\n[Other]\n");
    QTest::newRow("append, file ends without break") << true << B("[Halvion]\nA=1") << B("Halvion") << B("B")
                                                     << B("2") << B("[Halvion]\nA=1\nB=2\n");
    QTest::newRow("append keeps CRLF") << true << B("[Halvion]\r\nA=1\r\n") << B("Halvion") << B("B") << B("2")
                                       << B("[Halvion]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("new section at the end") << true << B("[Other]\nx=1\n") << B("Halvion") << B("k") << B("v")
                                            << B("[Other]\nx=1\n[Halvion]\nk=v\n");
    QTest::newRow("new section keeps CRLF") << true << B("[Other]\r\nx=1") << B("Halvion") << B("k") << B("v")
                                            << B("[Other]\r\nx=1\r\n[Halvion]\r\nk=v\r\n");
    QTest::newRow("commented key stays, real one added") << true << B("[Halvion]\n;k=old\n") << B("Halvion")
                                                          << B("k") << B("new") << B("[Halvion]\n;k=old\nk=new\n");
    QTest::newRow("key before any section stays") << true << B("k=stray\n[Halvion]\n") << B("Halvion") << B("k")
                                                   << B("v") << B("k=stray\n[Halvion]\nk=v\n");
    QTest::newRow("first section of the name gets it")
        << true << B("[Halvion]\na=1\n[Halvion]\nk=2\n") << B("Halvion") << B("k") << B("3")
        << B("[Halvion]\na=1\nk=3\n[Halvion]\nk=2\n");
    QTest::newRow("NUL bytes elsewhere kept") << true << B("\0junk\xff\n[Halvion]\nk=a\0b\n") << B("Halvion") << B("k")
                                              << B("c") << B("\0junk\xff\n[Halvion]\nk=c\n");
    QTest::newRow("names written trimmed") << false << B("") << B(" Halvion ") << B("  OK 3\t") << B("True")
                                           << B("[Halvion]\nOK 3=True\n");
    QTest::newRow("value with blanks at its ends quoted") << false << B("") << B("Halvion") << B("k") << B(" x ")
                                                          << B("[Halvion]\nk=\" x \"\n");
}

void TestSettings::writeString()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    if (fileExists)
        putFile(path, before);
    ProfileFile profile(path.toStdString());
    QVERIFY(profile.writeString(str(section), str(key), str(value)));
    QCOMPARE(fileBytes(path), after);
    QCOMPARE(qbytes(profile.getString(str(section), str(key), "missing", 4096)), value);
    QCOMPARE(entriesOf(dir.path()), QStringList{"Halvion.ini"});
}

void TestSettings::writeRefusesLineInjection_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("LF in value") << B("Halvion") << B("NCDXFweb") << B("http://a\n[Halvion]\nOK 0=False");
    QTest::newRow("CR in value") << B("Halvion") << B("NCDXFweb") << B("a\rb");
    QTest::newRow("NUL in value") << B("Halvion") << B("NCDXFweb") << B("a\0b");
    QTest::newRow("LF in key") << B("Halvion") << B("a\nb") << B("v");
    QTest::newRow("CR in key") << B("Halvion") << B("a\rb") << B("v");
    QTest::newRow("NUL in key") << B("Halvion") << B("a\0b") << B("v");
    QTest::newRow("'=' in key") << B("Halvion") << B("OK 0=True") << B("v");
    QTest::newRow("key like a header") << B("Halvion") << B("[Other]") << B("v");
    QTest::newRow("key like a comment") << B("Halvion") << B(";k") << B("v");
    QTest::newRow("empty key") << B("Halvion") << B("") << B("v");
    QTest::newRow("blank key") << B("Halvion") << B(" \t ") << B("v");
    QTest::newRow("']' in section") << B("Hal]vion") << B("k") << B("v");
    QTest::newRow("LF in section") << B("Halvion]\n[x") << B("k") << B("v");
    QTest::newRow("empty section") << B("") << B("k") << B("v");
}

void TestSettings::writeRefusesLineInjection()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString existing = dir.filePath("existing.ini");
    const QByteArray before = B("[Halvion]\r\nOK 0=True\r\nNCDXFweb=http://old\r\n");
    putFile(existing, before);
    QVERIFY(!ProfileFile(existing.toStdString()).writeString(str(section), str(key), str(value)));
    QCOMPARE(fileBytes(existing), before);

    const QString absent = dir.filePath("absent.ini");
    QVERIFY(!ProfileFile(absent.toStdString()).writeString(str(section), str(key), str(value)));
    QVERIFY(!QFileInfo::exists(absent));
    QCOMPARE(entriesOf(dir.path()), QStringList{"existing.ini"});
}

void TestSettings::valuesReadBackAsWritten_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("empty") << B("");
    QTest::newRow("word") << B("Medium");
    QTest::newRow("blanks inside") << B("Time NIST IP");
    QTest::newRow("leading blank") << B(" 2850");
    QTest::newRow("trailing tab") << B("x\t");
    QTest::newRow("only blanks") << B("   ");
    QTest::newRow("quoted") << B("\"quoted\"");
    QTest::newRow("lone quote") << B("\"");
    QTest::newRow("quote at one end") << B("\"open");
    QTest::newRow("looks like a header") << B("[Other]");
    QTest::newRow("looks like a comment") << B(";x");
    QTest::newRow("equals signs") << B("a=b=c");
    QTest::newRow("high bytes") << B("\xc3\xa9\xff");
    QTest::newRow("254 characters") << QByteArray(254, 'a');
}

void TestSettings::valuesReadBackAsWritten()
{
    QFETCH(QByteArray, value);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, B("[Halvion]\nbefore=1\nk=old\nafter=2\n"));
    ProfileFile profile(path.toStdString());
    QVERIFY(profile.writeString("Halvion", "k", str(value)));
    QCOMPARE(qbytes(profile.getString("Halvion", "k", "missing", 4096)), value);
    QCOMPARE(qbytes(profile.getString("Halvion", "before", "missing", 255)), B("1"));
    QCOMPARE(qbytes(profile.getString("Halvion", "after", "missing", 255)), B("2"));

    const QByteArray once = fileBytes(path);
    QVERIFY(profile.writeString("Halvion", "k", str(value)));
    QCOMPARE(fileBytes(path), once);
}

void TestSettings::binaryGarbage()
{
    // Bytes weighted towards the ones the reader looks at.
    std::mt19937 rng(20240611u);
    const char alphabet[] = "[]=;\"\r\n\t \0HalvionkK\x80\xff";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof alphabet) - 2);
    std::uniform_int_distribution<int> anyByte(0, 255);
    QByteArray garbage;
    for (int i = 0; i < 65536; ++i)
        garbage.append(i % 3 ? alphabet[pick(rng)] : static_cast<char>(anyByte(rng)));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, garbage);
    ProfileFile profile(path.toStdString());
    for (const char *key : {"k", "K", "Halvion", "OK 0", "="})
        for (int size : {0, 1, 16, 255}) {
            const std::string text = profile.getString("Halvion", key, "NoKey", size);
            QVERIFY(static_cast<int>(text.size()) <= std::max(size - 1, 0));
            QVERIFY(text.find('\0') == std::string::npos);
        }

    QVERIFY(profile.writeString("Halvion", "NewKey", "written"));
    QCOMPARE(qbytes(profile.getString("Halvion", "NewKey", "missing", 255)), B("written"));
    // Nothing of the old bytes is lost or changed: the new text only goes in between.
    const QByteArray after = fileBytes(path);
    QVERIFY(after.size() > garbage.size());
    qsizetype prefix = 0;
    while (prefix < garbage.size() && after[prefix] == garbage[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < garbage.size() - prefix && after[after.size() - 1 - suffix] == garbage[garbage.size() - 1 - suffix])
        ++suffix;
    QCOMPARE(prefix + suffix, garbage.size());
}

void TestSettings::tenMegabyteFile()
{
    // A large file read and written key by key stays quick: one pass per call.
    QByteArray big;
    big.reserve(11 * 1024 * 1024);
    big += "[Halvion]\r\n";
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += "Filler key " + QByteArray::number(i) + " = some value of moderate length\r\n";
    big += "Target=found\r\n[Next]\r\nTarget=other\r\n";

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, big);
    ProfileFile profile(path.toStdString());

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(profile.getString("Halvion", "Target", "missing", 255), std::string("found"));
    QCOMPARE(profile.getString("Halvion", "Absent", "missing", 255), std::string("missing"));
    QVERIFY(profile.writeString("Halvion", "Target", "changed"));
    QVERIFY(profile.writeString("Halvion", "Added", "yes"));
    QCOMPARE(profile.getString("Halvion", "Added", "missing", 255), std::string("yes"));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString("took %1 ms").arg(timer.elapsed())));

    QByteArray expected = big;
    expected.replace("Target=found\r\n", "Target=changed\r\nAdded=yes\r\n");
    QCOMPARE(fileBytes(path), expected);
}

void TestSettings::failedWriteLeavesOldFile_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("writer fails") << false;
    QTest::newRow("read-only folder") << true;
}

void TestSettings::failedWriteLeavesOldFile()
{
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && ::geteuid() == 0)
        QSKIP("root writes into a read-only folder; the failing writer covers this case");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    const QByteArray before = B("[Halvion]\r\nLEDSpeed=Fast\r\n; mine\r\n");
    putFile(path, before);

    std::string writerPath;
    std::string writerContents;
    ProfileFile::Writer writer;
    if (!readOnlyFolder)
        writer = [&](const std::string &p, const std::string &c) {
            writerPath = p;
            writerContents = c;
            return false;
        };
    ProfileFile profile(path.toStdString(), writer);

    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool written = profile.writeString("Halvion", "LEDSpeed", "Slow");
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QVERIFY(!written);
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(profile.getString("Halvion", "LEDSpeed", "x", 16), std::string("Fast"));
    QCOMPARE(entriesOf(dir.path()), QStringList{"Halvion.ini"});
    if (!readOnlyFolder) {
        QCOMPARE(QString::fromStdString(writerPath), path);
        QCOMPARE(qbytes(writerContents), B("[Halvion]\r\nLEDSpeed=Slow\r\n; mine\r\n"));
    }
}

void TestSettings::folderInPlaceOfFile()
{
    // A path that cannot be read as a file: reads give the marker, and nothing replaces it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    QVERIFY(QDir(dir.path()).mkpath("Halvion.ini/inside"));

    ProfileFile profile(path.toStdString());
    QCOMPARE(profile.getString("Halvion", "k", "NoKey", 255), std::string("NoKey"));
    QVERIFY(!profile.writeString("Halvion", "k", "v"));
    QVERIFY(!ProfileFile::replaceFileAtomically(path.toStdString(), "[Halvion]\nk=v\n"));
    QVERIFY(QFileInfo(path + "/inside").isDir());
    QCOMPARE(entriesOf(dir.path()), QStringList{"Halvion.ini"});
}

void TestSettings::writeCreatesFolderAndKeepsPermissions()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("config/Halvion/Halvion.ini");
    ProfileFile profile(path.toStdString());
    QVERIFY(profile.writeString("Halvion", "OK 0", "True"));
    QCOMPARE(fileBytes(path), B("[Halvion]\nOK 0=True\n"));

    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0640) == 0);
    QVERIFY(profile.writeString("Halvion", "OK 0", "False"));
    struct stat st {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(entriesOf(dir.filePath("config/Halvion")), QStringList{"Halvion.ini"});
}

// A batch leaves exactly the bytes of one write per key, in order, whatever the file
// held before: keys replaced in place, added to the section, a section added, keys
// repeated within the batch.
void TestSettings::batchMatchesOneByOne_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("before");

    QTest::newRow("no file") << false << B("");
    QTest::newRow("empty file") << true << B("");
    QTest::newRow("other section only, CRLF, no last break") << true << B("; mine\r\n[Other]\r\nx=1");
    QTest::newRow("some keys there, odd spacing and case")
        << true << B("[halvion]\nok 3 = \"True\"\r\nLEDSpeed=Fast\n;c\n\n[Other]\nOK 4=x\n");
    QTest::newRow("duplicate section and key") << true << B("[Halvion]\nOFF 1=a\nOFF 1=b\n[Halvion]\nON 2=c\n");
}

void TestSettings::batchMatchesOneByOne()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, before);

    SettingsFile::Batch keys;
    for (int n = 0; n < 18; ++n)
        for (StatusWord w : {StatusWord::OK, StatusWord::OFF, StatusWord::ON})
            keys.push_back(SettingsFile::statusEntry(w, n, (n + static_cast<int>(w)) % 3 == 0));
    keys.emplace_back("LEDSpeed", "Slow");
    keys.emplace_back("CompactWinTop", halvion::formatPosition(2850)); // written quoted
    keys.emplace_back("OK 3", "False");                                 // again, later in the batch

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString single = dir.filePath("single/Halvion.ini");
    const QString batch = dir.filePath("batch/Halvion.ini");
    QVERIFY(QDir(dir.path()).mkpath("single") && QDir(dir.path()).mkpath("batch"));
    if (fileExists) {
        putFile(single, before);
        putFile(batch, before);
    }
    // The one-by-one file only needs the bytes: it is written without waiting for the disk.
    SettingsFile oneByOne(single.toStdString(), [](const std::string &path, const std::string &contents) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && f.write(contents.data(), static_cast<qint64>(contents.size())) == static_cast<qint64>(contents.size());
    });
    for (const auto &[key, value] : keys)
        QVERIFY(oneByOne.write(key, value));
    int writes = 0;
    SettingsFile together(batch.toStdString(), [&](const std::string &path, const std::string &contents) {
        ++writes;
        return ProfileFile::replaceFileAtomically(path, contents);
    });
    QVERIFY(together.write(keys));

    QCOMPARE(writes, 1);
    QCOMPARE(fileBytes(batch), fileBytes(single));
    QCOMPARE(entriesOf(dir.filePath("batch")), QStringList{"Halvion.ini"});

    // One refused key refuses the whole batch.
    keys.emplace_back("bad\nkey", "v");
    QVERIFY(!together.write(keys));
    QCOMPARE(writes, 1);
    QCOMPARE(fileBytes(batch), fileBytes(single));
}

void TestSettings::unchangedWriteTouchesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, B("[Halvion]\nLEDSpeed=Medium\n"));
    int writes = 0;
    SettingsFile settings(path.toStdString(), [&](const std::string &, const std::string &) {
        ++writes;
        return false;
    });
    QVERIFY(settings.write("LEDSpeed", "Medium"));
    QCOMPARE(writes, 0);
    QVERIFY(!settings.write("LEDSpeed", "Fast"));
    QCOMPARE(writes, 1);
}

// A settings file kept elsewhere and linked stays linked: the file the link points to is
// replaced in its own folder, and neither folder keeps a temporary or lock file.
void TestSettings::symbolicLinkKept_data()
{
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("relative link") << true << true;
    QTest::newRow("absolute link") << false << true;
    QTest::newRow("link to a file not made yet") << true << false;
}

void TestSettings::symbolicLinkKept()
{
    QFETCH(bool, relative);
    QFETCH(bool, targetExists);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("config") && QDir(dir.path()).mkpath("kept"));
    const QString target = dir.filePath("kept/mine.ini");
    const QString link = dir.filePath("config/Halvion.ini");
    if (targetExists)
        putFile(target, B("[Halvion]\nLEDSpeed=Fast\n"));
    // Through a second link, as a chain of links is followed too.
    const QString hop = dir.filePath("config/hop.ini");
    QVERIFY(QFile::link(relative ? QStringLiteral("../kept/mine.ini") : target, hop));
    QVERIFY(QFile::link(relative ? QStringLiteral("hop.ini") : hop, link));

    SettingsFile settings(link.toStdString());
    QVERIFY(settings.write("LEDSpeed", "Slow"));
    QVERIFY(settings.write(SettingsFile::Batch{{"PassFlag", "True"}, {"Legend", "False"}}));

    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(hop).isSymLink());
    QCOMPARE(fileBytes(target), B("[Halvion]\nLEDSpeed=Slow\nPassFlag=True\nLegend=False\n"));
    QCOMPARE(settings.readText(SettingsKeys::LEDSpeed), std::string("Slow"));
    QCOMPARE(entriesOf(dir.filePath("config")), (QStringList{"Halvion.ini", "hop.ini"}));
    QCOMPARE(entriesOf(dir.filePath("kept")), QStringList{"mine.ini"});
}

// A crash during a write leaves its temporary file; the next write removes it, and
// those of the older naming too, unless their process still runs.
void TestSettings::staleTemporaryFilesRemoved()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, B("[Halvion]\nOK 0=True\n"));
    putFile(path + ".tmp", B("[Halvion]\nOK 0=Tr"));
    putFile(path + ".lock", B(""));
    putFile(path + ".tmp-9999999-0", B("[Halvion]\n")); // beyond any process number
    const QString running = path + ".tmp-" + QString::number(::getpid()) + "-4";
    putFile(running, B("[Halvion]\n"));

    ProfileFile profile(path.toStdString());
    QVERIFY(profile.writeString("Halvion", "OK 0", "False"));
    QCOMPARE(fileBytes(path), B("[Halvion]\nOK 0=False\n"));
    QCOMPARE(entriesOf(dir.path()), (QStringList{"Halvion.ini", QFileInfo(running).fileName()}));
}

namespace {

// Another writer's hold on a settings file's lock, taken as a writer takes it.
struct ForeignLock {
    explicit ForeignLock(const QString &settingsPath)
        : path(ProfileFile::lockPathFor(settingsPath.toStdString()))
        , fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~ForeignLock() { release(); }
    void release()
    {
        if (fd < 0)
            return;
        ::unlink(path.c_str());
        ::close(fd);
        fd = -1;
    }
    std::string path;
    int fd;
};

} // namespace

void TestSettings::heldLockIsWaitedFor()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    ForeignLock other(path);
    QVERIFY(other.fd >= 0);
    std::atomic<bool> released{false};
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // The other writer's change lands while we wait: ours must not undo it.
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("[Halvion]\nTheirs=1\n");
        f.close();
        released = true;
        other.release();
    });
    const bool written = ProfileFile(path.toStdString()).writeString("Halvion", "Ours", "2");
    // Ours came back only after the other writer let go, however busy the machine is.
    const bool waitedForRelease = released;
    releaser.join();
    QVERIFY(written);
    QVERIFY(waitedForRelease);
    QCOMPARE(fileBytes(path), B("[Halvion]\nTheirs=1\nOurs=2\n"));
    QCOMPARE(entriesOf(dir.path()), QStringList{"Halvion.ini"});
}

void TestSettings::lockWaitIsBounded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    putFile(path, B("[Halvion]\nk=1\n"));
    ForeignLock other(path);
    QVERIFY(other.fd >= 0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!ProfileFile(path.toStdString()).writeString("Halvion", "k", "2"));
    QVERIFY(timer.elapsed() >= ProfileFile::LockWaitMilliseconds - 100);
    QCOMPARE(fileBytes(path), B("[Halvion]\nk=1\n"));
    other.release();
    // The lock of a writer that gave up is free again at once.
    QVERIFY(ProfileFile(path.toStdString()).writeString("Halvion", "k", "3"));
    QCOMPARE(fileBytes(path), B("[Halvion]\nk=3\n"));
}

// Two processes writing keys into one file at the same time: every key of both lands.
void TestSettings::twoProcessesLoseNothing()
{
    constexpr int Keys = 200;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    QProcess a;
    QProcess b;
    a.start(QStringLiteral(SETTINGS_WRITER), {path, "A", "0", QString::number(Keys)});
    b.start(QStringLiteral(SETTINGS_WRITER), {path, "B", "0", QString::number(Keys)});
    QVERIFY(a.waitForFinished(90000) && b.waitForFinished(90000));
    QCOMPARE(a.exitStatus(), QProcess::NormalExit);
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);

    ProfileFile file(path.toStdString());
    const QByteArray text = fileBytes(path);
    QStringList missing;
    for (const char *prefix : {"A", "B"})
        for (int n = 0; n < Keys; ++n) {
            const QByteArray line = prefix + QByteArray::number(n) + "=v" + QByteArray::number(n) + '\n';
            if (!text.contains('\n' + line))
                missing << QString::fromLatin1(line.trimmed());
        }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
    QCOMPARE(text.count('\n'), 2 * Keys + 1);
    QCOMPARE(entriesOf(dir.path()), QStringList{"Halvion.ini"});
}

void TestSettings::formatPosition_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("190 pixels") << 2850.0 << B(" 2850");
    QTest::newRow("negative") << -120.0 << B("-120");
    QTest::newRow("zero") << 0.0 << B(" 0");
    QTest::newRow("negative zero") << -0.0 << B(" 0");
    QTest::newRow("fraction") << 12.5 << B(" 12.5");
    QTest::newRow("below one") << 0.25 << B(" 0.25");
    QTest::newRow("negative fraction") << -7.75 << B("-7.75");
    QTest::newRow("large, no exponent") << 1e20 << B(" 100000000000000000000");
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << B(" 0");
    QTest::newRow("infinity") << -std::numeric_limits<double>::infinity() << B(" 0");
}

void TestSettings::formatPosition()
{
    QFETCH(double, twips);
    QFETCH(QByteArray, text);
    QCOMPARE(qbytes(halvion::formatPosition(twips)), text);
}

void TestSettings::parsePosition_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("twips");
    QTest::newRow("written form") << B(" 2850") << 2850.0;
    QTest::newRow("negative") << B("-120") << -120.0;
    QTest::newRow("plus sign") << B("+15") << 15.0;
    QTest::newRow("many blanks and a tab") << B("   \t42") << 42.0;
    QTest::newRow("fraction") << B(" 12.5") << 12.5;
    QTest::newRow("no leading zero") << B(".5") << 0.5;
    QTest::newRow("trailing point") << B("12.") << 12.0;
    QTest::newRow("leading zeros") << B("0007") << 7.0;
    QTest::newRow("text after the number") << B("300px") << 300.0;
    QTest::newRow("second number ignored") << B("1 2") << 1.0;
    QTest::newRow("no exponent") << B("1e3") << 1.0;
    QTest::newRow("letters") << B("abc") << 0.0;
    QTest::newRow("empty") << B("") << 0.0;
    QTest::newRow("sign alone") << B("-") << 0.0;
    QTest::newRow("point alone") << B(".") << 0.0;
    QTest::newRow("blank after sign") << B("- 5") << 0.0;
    QTest::newRow("two signs") << B("--5") << 0.0;
    QTest::newRow("marker text") << B("No IniFile") << 0.0;
    QTest::newRow("400 digits") << QByteArray(400, '9') << 0.0;
    QTest::newRow("tiny") << "0." + QByteArray(400, '0') + "1" << 0.0;
    QTest::newRow("long but in range") << "1" + QByteArray(300, '0') << 1e300;
}

void TestSettings::parsePosition()
{
    QFETCH(QByteArray, text);
    QFETCH(double, twips);
    QCOMPARE(halvion::parsePosition(str(text)), twips);
}

void TestSettings::positionReadsBackAsWritten()
{
    for (double twips : {2850.0, -120.0, 0.0, 12.5, -0.1, 1.0 / 3.0, 123456789.0, -1e15, 5e-324})
        QCOMPARE(halvion::parsePosition(halvion::formatPosition(twips)), twips);
}

void TestSettings::statusKeyName_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("beacon");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("first OK") << int(StatusWord::OK) << 0 << B("OK 0");
    QTest::newRow("OFF 9") << int(StatusWord::OFF) << 9 << B("OFF 9");
    QTest::newRow("ON 10") << int(StatusWord::ON) << 10 << B("ON 10");
    QTest::newRow("last ON") << int(StatusWord::ON) << 17 << B("ON 17");
}

void TestSettings::statusKeyName()
{
    QFETCH(int, word);
    QFETCH(int, beacon);
    QFETCH(QByteArray, name);
    QCOMPARE(qbytes(SettingsKeys::statusKeyName(static_cast<StatusWord>(word), beacon)), name);
}

void TestSettings::everyMarkerFitsItsLimit()
{
    // A marker cut by its own limit, or equal to a value word, would make a missing key
    // look present (or a present one missing).
    const std::string_view words[] = {"True", "False", "None", "Slow", "Medium", "Fast"};
    for (const auto &[name, entry] : AllKeys) {
        QVERIFY2(static_cast<int>(entry.marker.size()) < entry.sizeLimit, name);
        QVERIFY2(entry.sizeLimit <= SettingsKeys::ReadBufferSize, name);
        for (std::string_view w : words)
            QVERIFY2(entry.marker != w, name);
    }
    QVERIFY(SettingsKeys::OptionMarker.size() <= 15);
}

void TestSettings::settingsRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("keyName");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("missing");

    const QByteArray address300 = QByteArray(300, 'w');
    QTest::newRow("no file") << QByteArray() << B("TimeNistIP") << B("NoNIST") << true;
    QTest::newRow("word") << B("[Halvion]\nLEDSpeed=Medium\n") << B("LEDSpeed") << B("Medium") << false;
    QTest::newRow("option missing") << B("[Halvion]\nLEDSpeed=Medium\n") << B("Legend")
                                    << qbytes(SettingsKeys::OptionMarker) << true;
    QTest::newRow("lower case kept") << B("[Halvion]\nSatTrack=true\n") << B("SatTrack") << B("true") << false;
    QTest::newRow("16+ characters judged by 15") << B("[Halvion]\nLEDSpeed=MediumMediumMedium\n") << B("LEDSpeed")
                                                 << B("MediumMediumMed") << false;
    QTest::newRow("word hidden behind 15 blanks") << B("[Halvion]\nLEDSpeed=\"               Fast\"\n")
                                                  << B("LEDSpeed") << QByteArray(15, ' ') << false;
    QTest::newRow("address of 300 cut to 254") << "[Halvion]\nNCDXFweb=" + address300 + "\n" << B("NCDXFweb")
                                               << address300.left(254) << false;
    QTest::newRow("empty address present") << B("[Halvion]\nTime NIST IP=\n") << B("TimeNistIP") << B("") << false;
    QTest::newRow("stored marker reads as missing") << B("[Halvion]\nTime NIST IP=NoNIST\n") << B("TimeNistIP")
                                                    << B("NoNIST") << true;
    QTest::newRow("other section") << B("[Other]\nAOT=True\n") << B("AOTAtLoad") << B("NoAOT") << true;
    QTest::newRow("AOT later read") << B("[Halvion]\n") << B("AOT") << B("No IniFile") << true;
    QTest::newRow("position") << B("[Halvion]\r\nCompactWinLeft=-120\r\n") << B("CompactWinLeft") << B("-120") << false;
    QTest::newRow("status probe") << B("[Halvion]\nOK 1=True\n") << B("StatusProbe") << B("NoBeaconStatus") << true;
}

void TestSettings::settingsRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, keyName);
    QFETCH(QByteArray, text);
    QFETCH(bool, missing);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    if (!file.isNull())
        putFile(path, file);
    const SettingsFile settings(path.toStdString());
    const KeySpec key = keyNamed(keyName);
    QCOMPARE(qbytes(settings.readText(key)), text);
    const std::optional<std::string> value = settings.read(key);
    QCOMPARE(!value.has_value(), missing);
    if (value)
        QCOMPARE(qbytes(*value), text);
}

void TestSettings::readStatus_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("beacon");
    QTest::addColumn<QByteArray>("text");

    const QByteArray file = B("[Halvion]\nOK 0=True\nOFF 0=False\nON 0=true\nOK 17=TrueTrueTrueTrue\nok 5=True\n");
    QTest::newRow("True") << file << int(StatusWord::OK) << 0 << B("True");
    QTest::newRow("False") << file << int(StatusWord::OFF) << 0 << B("False");
    QTest::newRow("lower case is not True") << file << int(StatusWord::ON) << 0 << B("true");
    QTest::newRow("missing is empty") << file << int(StatusWord::OK) << 1 << B("");
    QTest::newRow("cut to 15") << file << int(StatusWord::OK) << 17 << B("TrueTrueTrueTru");
    QTest::newRow("key name in any case") << file << int(StatusWord::OK) << 5 << B("True");
    QTest::newRow("no file") << QByteArray() << int(StatusWord::OK) << 0 << B("");
}

void TestSettings::readStatus()
{
    QFETCH(QByteArray, file);
    QFETCH(int, word);
    QFETCH(int, beacon);
    QFETCH(QByteArray, text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    if (!file.isNull())
        putFile(path, file);
    const SettingsFile settings(path.toStdString());
    QCOMPARE(qbytes(settings.readStatus(static_cast<StatusWord>(word), beacon)), text);
}

void TestSettings::settingsWrites()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Halvion.ini");
    SettingsFile settings(path.toStdString());
    QVERIFY(settings.writeStatus(StatusWord::OK, 0, true));
    QVERIFY(settings.writeStatus(StatusWord::OFF, 0, false));
    QVERIFY(settings.writeSwitch("PassFlag", true));
    QVERIFY(settings.write("LEDSpeed", "Medium"));
    QVERIFY(settings.writeStatus(StatusWord::OK, 0, false));
    QVERIFY(settings.write("CompactWinTop", halvion::formatPosition(2850)));
    QCOMPARE(fileBytes(path),
             B("[Halvion]\nOK 0=False\nOFF 0=False\nPassFlag=True\nLEDSpeed=Medium\nCompactWinTop=\" 2850\"\n"));
    QCOMPARE(settings.read(SettingsKeys::CompactWinTop).value_or("missing"), std::string(" 2850"));
    QCOMPARE(settings.readStatus(StatusWord::OK, 0), std::string("False"));

    // A failed write is reported to the caller and leaves no file behind.
    const QString other = dir.filePath("other.ini");
    SettingsFile failing(other.toStdString(), [](const std::string &, const std::string &) { return false; });
    QVERIFY(!failing.write("LEDSpeed", "Fast"));
    QVERIFY(!QFileInfo::exists(other));
    QCOMPARE(failing.readText(SettingsKeys::LEDSpeed), std::string(SettingsKeys::OptionMarker));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
