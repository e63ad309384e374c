// The link opener and the splash window: only web addresses ever reach the
// browser; the splash loads the main window, shows the home-page link, reacts to the
// mouse and hands over when its timer fires. The help windows show their texts and
// pictures and open at the main window's corner; the About box shows the version and
// starts the system-information program or says there is none.
#include "beacon_catalogue.h"
#include "frm_about.h"
#include "frm_splash.h"
#include "help_window.h"
#include "link_recorder.h"
#include "message_sink.h"
#include "open_link.h"
#include "sys_info.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include <map>

using halvion::DescriptionForm;
using halvion::frmAbout;
using halvion::frmSplash;
using halvion::HelpWindow;
using halvion::HomePageAddress;
using halvion::InstructionForm;
using halvion::MessageIcon;
using halvion::OpenLink;


namespace {


// Counts pixels of the label that are clearly the given colour.
int pixelsOfColour(QWidget* widget, const QColor& colour)
{
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    }
    return count;
}

QColor linkColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

std::unique_ptr<HelpWindow> makeHelpWindow(const QString& kind)
{
    if (kind == QLatin1String("InstructionForm"))
        return std::make_unique<InstructionForm>();
    return std::make_unique<DescriptionForm>();
}

// The pictures a help text shows, by name.
QStringList pictureNames(const QTextDocument* document)
{
    QStringList names;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                names << format.toImageFormat().name();
        }
    }
    return names;
}

// Sets PATH for the life of the object.
class PathOverride {
public:
    explicit PathOverride(const QByteArray& path) : saved_(qgetenv("PATH")) { qputenv("PATH", path); }
    ~PathOverride() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

// Writes an executable shell script; when it runs it leaves a file named `marker`
// beside itself. It uses nothing but the shell, so it runs on any PATH.
void writeTool(const QString& folder, const QString& name, const QString& marker,
               const QByteArray& interpreter = "#!/bin/sh")
{
    QFile file(folder + QLatin1Char('/') + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(interpreter + "\n: > \"${0%/*}/" + marker.toUtf8() + "\"\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void openLinkOpensOnlyWebAddresses_data();
    void openLinkOpensOnlyWebAddresses();

    void formLoadLoadsMainWindowFirstThenShowsLink();
    void splashShowsItsArtwork();
    void timerHandsOverToMainWindow();
    void closedEarlyHandsOverOnce_data();
    void closedEarlyHandsOverOnce();
    void timerTickReachesHandOver();
    void mouseOnLink_data();
    void mouseOnLink();

    void helpWindow_data();
    void helpWindow();
    void helpTextsShowTheirPictures();
    void descriptionListsEveryStationInOrder();
    void aboutBox();
    void msinfoFromRegistry_data();
    void msinfoFromRegistry();
    void systemInfoFromPath_data();
    void systemInfoFromPath();

private:
    LinkRecorder recorder_;
};

void TestInfo::init()
{
    recorder_.opened.clear();
}

void TestInfo::openLinkOpensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened"); // empty: nothing may be opened

    QTest::newRow("https") << "https://www.ncdxf.org/beacon/" << "https://www.ncdxf.org/beacon/";
    QTest::newRow("http") << "http://example.com" << "http://example.com";
    QTest::newRow("scheme in capitals")
        << "HTTPS://Example.COM/Path" << "https://example.com/Path";
    QTest::newRow("port, query, fragment")
        << "http://127.0.0.1:8080/a?b=1#c" << "http://127.0.0.1:8080/a?b=1#c";

    QTest::newRow("empty") << "" << "";
    QTest::newRow("local file") << "file:///etc/passwd" << "";
    QTest::newRow("program path") << "/usr/bin/xterm" << "";
    QTest::newRow("program name") << "xterm" << "";
    QTest::newRow("windows path") << "C:\\Windows\\system32\\calc.exe" << "";
    QTest::newRow("relative") << "beacon/index.html" << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << "";
    QTest::newRow("data") << "data:text/html,<b>x</b>" << "";
    QTest::newRow("mailto") << "mailto:someone@example.com" << "";
    QTest::newRow("ftp") << "ftp://ftp.example.com/" << "";
    QTest::newRow("http without host") << "http:example.com" << "";
    QTest::newRow("http, nothing after") << "http://" << "";
    QTest::newRow("https with empty host") << "https:///etc/passwd" << "";
    QTest::newRow("blank in host") << "https://exa mple.com/" << "";
    QTest::newRow("leading blank") << " https://example.com/" << "";
    QTest::newRow("blank in path") << "https://example.com/a b" << "";
    QTest::newRow("broken percent escape") << "https://example.com/%zz" << "";
}

void TestInfo::openLinkOpensOnlyWebAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, opened);

    const bool handedOver = OpenLink(address);

    if (opened.isEmpty()) {
        QVERIFY(!handedOver);
        QVERIFY2(recorder_.opened.isEmpty(), qPrintable(recorder_.opened.value(0).toString()));
    } else {
        QVERIFY(handedOver);
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened.first().toString(), opened);
    }
}

void TestInfo::formLoadLoadsMainWindowFirstThenShowsLink()
{
    frmSplash splash;
    QSignalSpy load(&splash, &frmSplash::loadMainWindow);
    QSignalSpy handOver(&splash, &frmSplash::handOver);

    // The main window is loaded before anything else of the splash is set up.
    bool timerRunningAtLoad = true;
    QString linkAtLoad = QStringLiteral("not called");
    connect(&splash, &frmSplash::loadMainWindow, this, [&] {
        timerRunningAtLoad = splash.Timer1->isActive();
        linkAtLoad = splash.Label3->text();
    });

    splash.Form_Load();

    QCOMPARE(load.size(), 1);
    QCOMPARE(handOver.size(), 0);
    QVERIFY(!timerRunningAtLoad);
    QCOMPARE(linkAtLoad, QString());

    auto* link = splash.findChild<QLabel*>("Label3");
    auto* box = splash.findChild<QWidget*>("Picture3");
    auto* timer = splash.findChild<QTimer*>("Timer1");
    QVERIFY(link && box && timer);
    QCOMPARE(link->parentWidget(), box);
    QCOMPARE(link->text(), QString::fromUtf8(HomePageAddress));
    QCOMPARE(linkColour(link), QColor(0, 0, 255));
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->pos(), QPoint(0, 0));
    QCOMPARE(box->size(), link->size());
    QVERIFY2(link->width() >= link->fontMetrics().horizontalAdvance(link->text()),
             "the whole address is visible");

    QCOMPARE(timer->interval(), 4000);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive());

    auto* caption = splash.findChild<QLabel*>("Label4");
    QVERIFY(caption);
    QCOMPARE(caption->text(), QStringLiteral("Visit the Halvion web site :"));
}

void TestInfo::splashShowsItsArtwork()
{
    frmSplash splash;
    QVERIFY(splash.windowTitle().isEmpty());
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    auto* image = splash.findChild<QLabel*>("Image1");
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(582, 240));
    const QPixmap artwork = image->pixmap();
    QVERIFY(!artwork.isNull());
    QCOMPARE(artwork.deviceIndependentSize().toSize(), QSize(582, 240));

    // Picture above, link line below it, all inside the window.
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QRect picture(image->mapTo(&splash, QPoint(0, 0)), image->size());
    const QRect link(splash.Picture3->mapTo(&splash, QPoint(0, 0)), splash.Picture3->size());
    const QRect caption(splash.Label4->mapTo(&splash, QPoint(0, 0)), splash.Label4->size());
    QVERIFY(splash.rect().contains(picture));
    QVERIFY(splash.rect().contains(link));
    QVERIFY(splash.rect().contains(caption));
    QVERIFY(link.top() >= picture.bottom());
    QVERIFY(caption.right() <= link.left());
    splash.Timer1->stop();
}

void TestInfo::closedEarlyHandsOverOnce_data()
{
    QTest::addColumn<bool>("fromWindowManager");
    QTest::newRow("close()") << false;
    QTest::newRow("close event, as from the window manager") << true;
}

// Closed before its four seconds are up, the splash hands over at once, and its timer
// (already stopped) can never hand over a second time.
void TestInfo::closedEarlyHandsOverOnce()
{
    QFETCH(bool, fromWindowManager);
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();
    if (fromWindowManager) {
        QCloseEvent close;
        QCoreApplication::sendEvent(&splash, &close);
        QVERIFY(close.isAccepted());
    } else {
        splash.close();
    }
    QCOMPARE(handOver.size(), 1);
    QVERIFY(!splash.Timer1->isActive());
    splash.Timer1_Timer();
    splash.close();
    QCOMPARE(handOver.size(), 1);
}

void TestInfo::timerHandsOverToMainWindow()
{
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    splash.Timer1_Timer();

    QVERIFY(!splash.isVisible());
    QCOMPARE(handOver.size(), 1);
    QVERIFY2(!splash.Timer1->isActive(), "the hand-over happens once");
    // The main window is still hidden when the splash closes: that must not end
    // the program.
    QVERIFY(!splash.testAttribute(Qt::WA_QuitOnClose));
}

void TestInfo::timerTickReachesHandOver()
{
    frmSplash splash;
    QSignalSpy handOver(&splash, &frmSplash::handOver);
    splash.Form_Load();
    splash.show();

    QVERIFY(QMetaObject::invokeMethod(splash.Timer1, "timeout", Qt::DirectConnection));

    QCOMPARE(handOver.size(), 1);
    QVERIFY(!splash.isVisible());
}

void TestInfo::mouseOnLink_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("releaseOnLink");
    QTest::addColumn<bool>("opens");

    QTest::newRow("left click") << Qt::LeftButton << true << true;
    QTest::newRow("right button") << Qt::RightButton << true << false;
    QTest::newRow("left, released beside the link") << Qt::LeftButton << false << false;
}

void TestInfo::mouseOnLink()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, releaseOnLink);
    QFETCH(bool, opens);

    frmSplash splash;
    splash.Form_Load();
    splash.Timer1->stop();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QLabel* link = splash.Label3;
    const QColor blue(0, 0, 255), red(255, 0, 0);
    QVERIFY(pixelsOfColour(link, blue) > 10);

    QTest::mousePress(link, button, {}, link->rect().center());
    QCOMPARE(linkColour(link), red);
    QVERIFY2(pixelsOfColour(link, red) > 10, "the link is drawn red while held");
    QCOMPARE(pixelsOfColour(link, blue), 0);
    QVERIFY(recorder_.opened.isEmpty());

    const QPoint releaseAt = releaseOnLink ? link->rect().center() : QPoint(-20, link->height() / 2);
    QTest::mouseRelease(link, button, {}, releaseAt);
    QCOMPARE(linkColour(link), blue);
    QVERIFY(pixelsOfColour(link, blue) > 10);

    if (opens) {
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(recorder_.opened.first(), QUrl(QString::fromUtf8(HomePageAddress)));
    } else {
        QVERIFY(recorder_.opened.isEmpty());
    }
}

void TestInfo::helpWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("closeButton");

    QTest::newRow("instructions") << "InstructionForm" << "Halvion Program Instructions:" << "Command1";
    QTest::newRow("description") << "DescriptionForm" << "Halvion Program Description:" << "Command2";
}

// Each opening puts the window on the main window's top-left corner, wherever that
// is now; Close only hides the window, and a minimised one comes back.
void TestInfo::helpWindow()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, closeButton);

    QWidget mainWindow;
    mainWindow.resize(600, 440);
    mainWindow.move(140, 90);
    mainWindow.show();
    std::unique_ptr<HelpWindow> help = makeHelpWindow(kind);
    QCOMPARE(help->objectName(), kind);
    QCOMPARE(help->windowTitle(), caption);
    QVERIFY(help->isWindow());
    auto* text = help->findChild<QTextBrowser*>("RichTextBox1");
    QVERIFY(text && text->isReadOnly());
    QVERIFY(text->toPlainText().size() > 1000);
    auto* close = help->findChild<QPushButton*>(closeButton);
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("&Close"));

    help->openAt(&mainWindow);
    QVERIFY(help->isVisible());
    QCOMPARE(help->pos(), mainWindow.pos());

    close->click();
    QVERIFY(!help->isVisible());

    mainWindow.move(310, 205);
    help->openAt(&mainWindow);
    QVERIFY(help->isVisible());
    QCOMPARE(help->pos(), QPoint(310, 205));

    help->showMinimized();
    help->openAt(&mainWindow);
    QVERIFY(!help->isMinimized());
    QVERIFY(help->isVisible());
}

// Every picture a help text names is in the program, at a readable size.
void TestInfo::helpTextsShowTheirPictures()
{
    InstructionForm instructions;
    DescriptionForm description;
    const QStringList pictures = pictureNames(instructions.RichTextBox1->document());
    QCOMPARE(pictures.size(), 2);
    for (const QString& name : pictures) {
        const QVariant picture
            = instructions.RichTextBox1->document()->resource(QTextDocument::ImageResource, QUrl(name));
        const QImage image = picture.value<QImage>().isNull() ? picture.value<QPixmap>().toImage()
                                                               : picture.value<QImage>();
        QVERIFY2(image.width() >= 400 && image.height() >= 300, qPrintable(name));
    }
    QVERIFY(pictureNames(description.RichTextBox1->document()).isEmpty());

    // Fifteen numbered steps (the plain text turns the non-breaking blank into a blank).
    const QString steps = instructions.RichTextBox1->toPlainText();
    for (int step = 1; step <= 15; ++step)
        QVERIFY2(steps.contains(QStringLiteral("\n%1.  ").arg(step)), qPrintable(QString::number(step)));
    QVERIFY(!steps.contains(QStringLiteral("\n16.")));
}

void TestInfo::descriptionListsEveryStationInOrder()
{
    DescriptionForm description;
    const QString text = description.RichTextBox1->toPlainText();
    qsizetype at = 0;
    for (halvion::BeaconIndex i = 0; i < halvion::BeaconCount; ++i) {
        const halvion::Beacon& b = halvion::BeaconCatalogue::beacon(i);
        const QString row = QStringLiteral("\n%1\n%2\n%3\n")
                                .arg(i + 1)
                                .arg(QString::fromUtf8(b.callsign.data(), b.callsign.size()),
                                     QString::fromUtf8(b.site.data(), b.site.size()));
        const qsizetype found = text.indexOf(row, at);
        QVERIFY2(found > at, qPrintable(row));
        at = found;
    }
    for (const char* frequency : {"14.100", "18.110", "21.150", "24.930", "28.200"})
        QVERIFY2(text.contains(QLatin1String(frequency)), frequency);
}

void TestInfo::aboutBox()
{
    halvion::RecordingMessageSink sink;
    QWidget mainWindow;
    auto* box = new frmAbout(sink, &mainWindow);
    QPointer<frmAbout> guard(box);
    box->Form_Load();

    QCOMPARE(box->windowTitle(), QStringLiteral("About..."));
    QVERIFY(box->isModal());
    QCOMPARE(box->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Halvion"));
    const QString version = box->findChild<QLabel*>("lblVersion")->text();
    QCOMPARE(version, QStringLiteral("Version " HALVION_VERSION));
    QVERIFY2(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$")).match(version).hasMatch(),
             qPrintable(version));
    QVERIFY(!box->findChild<QLabel*>("picIcon")->pixmap().isNull());
    QCOMPARE(box->findChild<QLabel*>("Label2")->text(), QStringLiteral("Program Description:"));
    QCOMPARE(box->findChild<QPushButton*>("cmdOK")->text(), QStringLiteral("&OK"));
    QCOMPARE(box->findChild<QPushButton*>("cmdSysInfo")->text(), QStringLiteral("&System Info..."));
    QVERIFY(box->findChild<QLabel*>("lblCredit")->text().contains(QStringLiteral("Blue Marble")));

    // The five description lines read top to bottom in this order.
    const std::map<const char*, const char*> lineTexts{
        {"Label3", "Halvion will identify all 18 worldwide NCDXF"},
        {"Label5", "HF beacon stations and display each on a relief map"},
        {"Label6", "of the world along with detailed latitude and longitude"},
        {"Label7", "information.  In addition, the program will ID all beacon"},
        {"Label4", "transmissions on 20, 17, 15, 12, and 10 meter bands."},
    };
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    int previousTop = -1;
    for (const char* name : {"Label3", "Label5", "Label6", "Label7", "Label4"}) {
        auto* line = box->findChild<QLabel*>(name);
        QVERIFY2(line, name);
        QCOMPARE(line->text(), QString::fromUtf8(lineTexts.at(name)));
        QVERIFY2(line->isVisible() && line->width() >= line->sizeHint().width(), name);
        const int top = line->mapTo(box, QPoint(0, 0)).y();
        QVERIFY2(top > previousTop, name);
        previousTop = top;
    }

    box->cmdOK_Click();
    QVERIFY(!box->isVisible());
    QCOMPARE(box->result(), int(QDialog::Accepted));
    QVERIFY(sink.messages.empty());
}

void TestInfo::msinfoFromRegistry_data()
{
    QTest::addColumn<QString>("msinfoPathValue");    // null: no such value
    QTest::addColumn<QString>("sharedToolsFolder");  // null: no such value
    QTest::addColumn<bool>("fileInFolder");
    QTest::addColumn<QString>("program");            // empty: unavailable

    const QString none;
    const QString folder = QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo");
    QTest::newRow("MSINFO path") << "C:\\Tools\\msinfo32.exe" << folder << true << "C:\\Tools\\msinfo32.exe";
    QTest::newRow("shared tools folder, file there")
        << none << folder << true << folder + QStringLiteral("\\MSINFO32.EXE");
    QTest::newRow("shared tools folder, no file") << none << folder << false << "";
    QTest::newRow("neither") << none << none << true << "";
}

void TestInfo::msinfoFromRegistry()
{
    QFETCH(QString, msinfoPathValue);
    QFETCH(QString, sharedToolsFolder);
    QFETCH(bool, fileInFolder);
    QFETCH(QString, program);

    QStringList filesTested;
    const auto read = [&](const QString& key, const QString& value) -> std::optional<QString> {
        if (key == QLatin1String("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO") && value == QLatin1String("PATH")
            && !msinfoPathValue.isNull())
            return msinfoPathValue;
        if (key == QLatin1String("SOFTWARE\\Microsoft\\Shared Tools Location") && value == QLatin1String("MSINFO")
            && !sharedToolsFolder.isNull())
            return sharedToolsFolder;
        return std::nullopt;
    };
    const auto exists = [&](const QString& path) {
        filesTested << path;
        return fileInFolder;
    };

    QCOMPARE(halvion::msinfoPath(read, exists), program);
    if (msinfoPathValue.isNull() && !sharedToolsFolder.isNull())
        QCOMPARE(filesTested, QStringList{sharedToolsFolder + QStringLiteral("\\MSINFO32.EXE")});
}

void TestInfo::systemInfoFromPath_data()
{
    QTest::addColumn<QStringList>("tools");      // stand-ins put on the PATH
    QTest::addColumn<bool>("startable");
    QTest::addColumn<QString>("started");        // empty: the unavailable message

    QTest::newRow("no tool") << QStringList{} << true << "";
    QTest::newRow("a system monitor") << QStringList{"xfce4-taskmanager"} << true << "xfce4-taskmanager";
    QTest::newRow("the first of the list wins")
        << QStringList{"gnome-system-monitor", "kinfocenter"} << true << "kinfocenter";
    QTest::newRow("tool that cannot start") << QStringList{"hardinfo"} << false << "";
}

void TestInfo::systemInfoFromPath()
{
#ifdef Q_OS_WIN
    QSKIP("Windows finds its system-information program through the registry");
#endif
    QFETCH(QStringList, tools);
    QFETCH(bool, startable);
    QFETCH(QString, started);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString& tool : tools)
        writeTool(folder.path(), tool, tool + QStringLiteral(".started"),
                  startable ? "#!/bin/sh" : "#!/nonexistent/interpreter");
    // A file of the right name that is not executable is no tool.
    QFile plain(folder.filePath(QStringLiteral("hardinfo2")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    halvion::RecordingMessageSink sink;
    const PathOverride path(QFile::encodeName(folder.path()));
    frmAbout box(sink);
    box.Form_Load();
    box.cmdSysInfo_Click();

    if (started.isEmpty()) {
        QCOMPARE(sink.messages.size(), std::size_t(1));
        QCOMPARE(sink.messages.front().title, QStringLiteral("Halvion"));
        QCOMPARE(sink.messages.front().text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(sink.messages.front().icon, MessageIcon::None);
        const std::unique_ptr<QMessageBox> shown(
            halvion::makeMessageBox(nullptr, MessageIcon::None, sink.messages.front().title, sink.messages.front().text));
        QCOMPARE(shown->icon(), QMessageBox::NoIcon);
    } else {
        QVERIFY(sink.messages.empty());
        QTRY_VERIFY(QFile::exists(folder.filePath(started + QStringLiteral(".started"))));
        for (const QString& tool : tools)
            if (tool != started)
                QVERIFY2(!QFile::exists(folder.filePath(tool + QStringLiteral(".started"))), qPrintable(tool));
    }
}

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
