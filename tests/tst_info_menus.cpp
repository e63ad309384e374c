// The main window's web, help and About items in the running program: each web item
// hands its address from the settings file to the browser, the help items open their
// windows (the item names run crosswise to the captions) at the main window's
// corner, one window each, and the About box is modal and made afresh each time.

#include "address_defaults.h"
#include "form1.h"
#include "frm_about.h"
#include "frm_splash.h"
#include "help_window.h"
#include "link_recorder.h"
#include "open_link.h"
#include "program.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace halvion;


namespace {


// The program started and handed over to the main window, over a settings file
// holding `ini` (none: no file).
struct Running {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Halvion.ini"));
    FakeClockSource clock{12, 0, 25};
    std::unique_ptr<Program> program;
    Form1 *form = nullptr;

    explicit Running(const QByteArray &ini = {})
    {
        if (!ini.isNull()) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(ini);
        }
        program = std::make_unique<Program>(path.toStdString(), clock);
        program->start();
        program->splash()->Timer1_Timer();
        form = program->mainWindow();
    }

    QAction *item(const char *name) const { return form->findChild<QAction *>(QLatin1String(name)); }

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// A settings file as the first start leaves it, so that later starts write nothing
// (each write replaces the file on disk, which is slow on a busy machine).
QByteArray settledIni;

// settledIni with the given keys set to other values.
QByteArray settledWith(const QList<QPair<QByteArray, QByteArray>> &values)
{
    QList<QByteArray> lines = settledIni.split('\n');
    for (const auto &[key, value] : values)
        for (QByteArray &line : lines)
            if (line.startsWith(key + '='))
                line = key + '=' + value;
    return lines.join('\n');
}

QStringList menuItems(const QMenu *menu)
{
    QStringList names;
    for (const QAction *a : menu->actions())
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + QLatin1Char('=') + a->text());
    return names;
}

template <typename Window>
int windowsOfKind()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<Window *>(w))
            ++count;
    return count;
}

} // namespace

class TestInfoMenus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void menus();
    void webItems_data();
    void webItems();
    void helpItems_data();
    void helpItems();
    void aboutBox();
    void closingTheProgramClosesHelpAndAbout();

private:
    LinkRecorder recorder_;
};

void TestInfoMenus::initTestCase()
{
    settledIni = Running().file();
    QVERIFY(settledIni.contains("NCDXFweb="));
}

void TestInfoMenus::init()
{
    recorder_.opened.clear();
}

void TestInfoMenus::menus()
{
    Running r(settledIni);
    QCOMPARE(r.form->BeaconStatus->actions().first()->objectName(), QStringLiteral("GoToNCDXFWebSite"));
    QCOMPARE(r.form->GoToNCDXFWebSite->text(), QStringLiteral("Go To NCDXF Web Site For Current Beacon Status..."));
    QCOMPARE(menuItems(r.form->HAMInfo),
             (QStringList{"Greyline=Greyline...", "Propagation=Propagation...", "LatestWWV=WWV Geo Alert Message...",
                          "DXPeditions=DXPeditions...", "Latest425=425 DX News / Bulletin..."}));
    QCOMPARE(menuItems(r.form->HelpMenu), (QStringList{"PgmDes=Program Instructions"}));
    const QString host = QUrl(QString::fromUtf8(HomePageAddress)).host();
    QVERIFY(!host.isEmpty());
    QCOMPARE(menuItems(r.form->About),
             (QStringList{"PgmInstructionsMenu=Program Description", "AboutMenu=About Halvion", "-",
                          "WebSite=Visit Web Site: " + host}));
}

namespace {

const char *const WebItems[] = {"GoToNCDXFWebSite", "Greyline", "Propagation", "LatestWWV",
                                "DXPeditions",      "Latest425", "WebSite"};

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

void TestInfoMenus::webItems_data()
{
    QTest::addColumn<QByteArray>("ini");      // null: no settings file
    QTest::addColumn<QStringList>("opened");  // by item of WebItems; empty: nothing may open

    const QString home = QString::fromUtf8(HomePageAddress);
    QTest::newRow("first start: built-in addresses")
        << QByteArray() << QStringList{text(DefaultAddress::Ncdxf),       text(DefaultAddress::Greyline),
                                       text(DefaultAddress::Propagation), text(DefaultAddress::Wwv),
                                       text(DefaultAddress::DxPeditions), text(DefaultAddress::Bulletin425),
                                       home};
    QTest::newRow("addresses of the user's own")
        << settledWith({{"NCDXFweb", "http://127.0.0.1:8080/ncdxf?page=1"},
                        {"GreylineWEB", "https://example.org/grey"},
                        {"PropWEB", "https://example.org/prop/"},
                        {"WWVweb", "http://localhost/wwv.txt"},
                        {"DXPeditionsWEB", "HTTPS://EXAMPLE.ORG/dx"},
                        {"Bulletin425WEB", "https://example.org/425#latest"}})
        << QStringList{"http://127.0.0.1:8080/ncdxf?page=1", "https://example.org/grey", "https://example.org/prop/",
                       "http://localhost/wwv.txt", "https://example.org/dx", "https://example.org/425#latest", home};
    QTest::newRow("empty or not a web address: nothing opens")
        << settledWith({{"NCDXFweb", ""},
                        {"GreylineWEB", "file:///etc/passwd"},
                        {"PropWEB", "/usr/bin/xterm"},
                        {"WWVweb", "javascript:alert(1)"},
                        {"DXPeditionsWEB", "ftp://example.org/"},
                        {"Bulletin425WEB", "mailto:dx@example.org"}})
        << QStringList{"", "", "", "", "", "", home};
}

void TestInfoMenus::webItems()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, opened);

    Running r(ini);
    if (!ini.isNull())
        QCOMPARE(r.file(), ini); // the stored addresses are left as they are
    for (int i = 0; i < int(std::size(WebItems)); ++i) {
        recorder_.opened.clear();
        QAction *action = r.item(WebItems[i]);
        QVERIFY2(action, WebItems[i]);
        action->trigger();
        if (opened[i].isEmpty()) {
            QVERIFY2(recorder_.opened.isEmpty(), qPrintable(recorder_.opened.value(0).toString()));
        } else {
            QCOMPARE(recorder_.opened.size(), 1);
            QCOMPARE(recorder_.opened.first(), QUrl(opened[i]));
        }
    }
}

void TestInfoMenus::helpItems_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Program Instructions") << "PgmDes" << "Halvion Program Instructions:";
    QTest::newRow("Program Description") << "PgmInstructionsMenu" << "Halvion Program Description:";
}

void TestInfoMenus::helpItems()
{
    QFETCH(QString, item);
    QFETCH(QString, caption);

    Running r(settledIni);
    const bool instructions = item == QLatin1String("PgmDes");
    const auto opened = [&]() -> HelpWindow * {
        return instructions ? static_cast<HelpWindow *>(r.program->instructions()) : r.program->description();
    };
    const auto other = [&]() -> HelpWindow * {
        return instructions ? static_cast<HelpWindow *>(r.program->description()) : r.program->instructions();
    };
    QVERIFY(!opened() && !other());

    r.form->move(130, 70);
    r.item(item.toLatin1().constData())->trigger();
    HelpWindow *help = opened();
    QVERIFY(help);
    QVERIFY(!other());
    QCOMPARE(help->windowTitle(), caption);
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    QCOMPARE(help->pos(), r.form->pos());
    QVERIFY(r.form->isVisible());

    // Closed, the main window moved, opened again: the same window at the new corner.
    help->findChild<QPushButton *>(instructions ? "Command1" : "Command2")->click();
    QVERIFY(!help->isVisible());
    r.form->move(420, 260);
    r.item(item.toLatin1().constData())->trigger();
    QCOMPARE(opened(), help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->pos(), QPoint(420, 260));
    QCOMPARE(instructions ? windowsOfKind<InstructionForm>() : windowsOfKind<DescriptionForm>(), 1);
}

void TestInfoMenus::aboutBox()
{
    Running r(settledIni);
    r.form->SelectBand(0);
    r.form->AboutMenu->trigger();
    QPointer<frmAbout> box = r.program->about();
    QVERIFY(box && box->isVisible());
    QVERIFY(box->isModal());
    QCOMPARE(QApplication::activeModalWidget(), box.data());
    QCOMPARE(box->windowTitle(), QStringLiteral("About..."));
    QCOMPARE(box->lblTitle->text(), QStringLiteral("Halvion"));

    // Tracking goes on behind it.
    r.clock.set(12, 0, 45);
    r.form->Timer3_Timer();
    QCOMPARE(r.form->Label4->text(), QStringLiteral("NCDXF Beacon Station ZL6B"));

    box->cmdOK_Click();
    QTRY_VERIFY(!box);
    QVERIFY(!QApplication::activeModalWidget());

    r.form->AboutMenu->trigger();
    QVERIFY(r.program->about() && r.program->about()->isVisible());
    r.program->about()->close();
    QTRY_VERIFY(!r.program->about());
}

void TestInfoMenus::closingTheProgramClosesHelpAndAbout()
{
    Running r(settledIni);
    r.form->PgmDes->trigger();
    r.form->PgmInstructionsMenu->trigger();
    QVERIFY(r.program->instructions()->isVisible() && r.program->description()->isVisible());
    r.form->close();
    QVERIFY(!r.program->instructions()->isVisible());
    QVERIFY(!r.program->description()->isVisible());
}

QTEST_MAIN(TestInfoMenus)
#include "tst_info_menus.moc"
