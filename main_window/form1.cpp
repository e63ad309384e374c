// Form1's controls, menus and window events.

#include "form1.h"
#include "form1_util.h"

#include "callsign_label.h"

#include "led_pictures.h"
#include "open_link.h"
#include "settings_file.h"
#include "twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace halvion {

namespace {

// Where each station's markers and callsign label sit on the map, in twips inside Picture1.
struct MapPlace {
    int markerLeft, markerTop;
    int labelLeft, labelTop, labelWidth, labelHeight;
};

constexpr std::array<MapPlace, BeaconCount> MapPlaces{{
    {2220, 1095, 2415, 1140, 615, 255}, // 4U1UN
    {1935, 165, 1320, 20, 675, 210},    // VE8AT
    {1035, 1155, 375, 1175, 675, 210},  // W6WX
    {75, 1515, 315, 1470, 720, 225},    // KH6WO
    {8310, 2970, 7800, 2988, 528, 216}, // ZL6B
    {6810, 2835, 6060, 2856, 780, 228}, // VK6RBP
    {7350, 1155, 7580, 1185, 675, 210}, // JA2IGY
    {5985, 675, 6195, 690, 555, 225},   // RR9O
    {6780, 1560, 6990, 1590, 510, 240}, // VR2B
    {5955, 1830, 5835, 2040, 495, 210}, // 4S7B
    {4680, 2715, 4920, 2880, 645, 210}, // ZS6DN
    {4905, 2055, 5130, 2190, 510, 225}, // 5Z4B
    {4890, 1245, 5085, 1275, 630, 210}, // 4X6TU
    {4635, 585, 4860, 615, 525, 210},   // OH2B
    {3585, 1290, 3120, 1485, 525, 210}, // CS3B
    {2595, 2925, 2800, 3036, 636, 216}, // LU4AA
    {2130, 2370, 1880, 2600, 525, 210}, // OA4B
    {2400, 1785, 2655, 1800, 495, 210}, // YV5B
}};

constexpr int MarkerTwips = 240;


QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QLabel *makeLed(QWidget *parent, const QString &name, LedColour colour, bool lit, const QRect &geometry)
{
    auto *led = new QLabel(parent);
    led->setObjectName(name);
    led->setPixmap(ledPixmap(colour, lit, geometry.width()));
    led->setGeometry(geometry);
    led->setAttribute(Qt::WA_TransparentForMouseEvents);
    // What the picture shows, so it can be drawn again at another size.
    led->setProperty("ledColour", static_cast<int>(colour));
    led->setProperty("ledLit", lit);
    return led;
}

} // namespace

Form1::Form1(AppState &state, StatusStore &status, SettingsFile &settings, const ClockSource &clock,
             QWidget *parent)
    : QMainWindow(parent), state_(state), status_(status), settings_(settings), clock_(clock)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Halvion"));
    buildControls();
    buildMenus();
    buildGeo();
    buildSpots(centralWidget());
    buildLayoutAids();
    buildKeys();
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    client->resize(twipsToPixels(9015), twipsToPixels(6270));
    setCentralWidget(client);

    // The map and everything that lies on it.
    Picture1 = new QFrame(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(120, 840, 8760, 3615));
    Image1 = makeLabel(Picture1, "Image1", QString(), twipsRect(0, -30, 8700, 3660));
    // A double click anywhere on the map (picture, marker or callsign) reaches the box.
    Picture1->installEventFilter(this);

    const struct {
        MarkerArray *array;
        const char *name;
        LedColour colour;
        bool lit;
    } kinds[] = {
        {&OnLed, "OnLed", LedColour::Red, true},
        {&OffLed, "OffLed", LedColour::Red, false},
        {&OnLEDBlue, "OnLEDBlue", LedColour::Blue, true},
        {&OnBlueLedDim, "OnBlueLedDim", LedColour::Blue, false},
        {&BeaconOffAir, "BeaconOffAir", LedColour::RedX, true},
        {&OffAirDim, "OffAirDim", LedColour::RedX, false},
    };
    for (const auto &kind : kinds) {
        for (BeaconIndex i = 0; i < BeaconCount; ++i) {
            const MapPlace &place = MapPlaces[static_cast<std::size_t>(i)];
            QLabel *led = makeLed(Picture1, QStringLiteral("%1_%2").arg(QLatin1String(kind.name)).arg(i),
                                  kind.colour, kind.lit,
                                  twipsRect(place.markerLeft, place.markerTop, MarkerTwips, MarkerTwips));
            led->hide();
            (*kind.array)[static_cast<std::size_t>(i)] = led;
        }
    }

    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const MapPlace &place = MapPlaces[static_cast<std::size_t>(i)];
        QLabel *label = new CallsignLabel(toQString(BeaconCatalogue::beacon(i).callsign), Picture1);
        label->setObjectName(QString::fromStdString(BeaconCatalogue::mapLabelName(i)));
        QRect geometry = twipsRect(place.labelLeft, place.labelTop, place.labelWidth, place.labelHeight);
        label->setAlignment(Qt::AlignCenter);
        label->setProperty("callsign", true);
        label->adjustSize();
        geometry.setSize(geometry.size().expandedTo(label->sizeHint()));
        label->setGeometry(geometry);
        label->setContentsMargins(2, 0, 2, 0);
        label->hide();
        CallsignLabels[static_cast<std::size_t>(i)] = label;
    }

    // The marker legend, over the lower left of the map.
    Image2 = new QFrame(Picture1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(twipsRect(90, 1905, 1725, 1065));
    Image2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image2->setLineWidth(1);
    {
        QPalette p = Image2->palette();
        p.setColor(QPalette::Window, QColor(245, 245, 240, 215));
        p.setColor(QPalette::WindowText, QColor(0x55, 0x55, 0x55)); // the border
        Image2->setPalette(p);
        Image2->setAutoFillBackground(true);
    }
    Label7 = makeLabel(Picture1, "Label7", QStringLiteral("Beacon Markers"), twipsRect(240, 1920, 1500, 240));
    LegendRed = makeLed(Picture1, QStringLiteral("LegendRed"), LedColour::Red, true, twipsRect(200, 2150, 240, 240));
    Label9 = makeLabel(Picture1, "Label9", QStringLiteral("OK- On Air"), twipsRect(495, 2160, 1260, 225));
    LegendBlue = makeLed(Picture1, QStringLiteral("LegendBlue"), LedColour::Blue, true, twipsRect(200, 2420, 240, 240));
    Label8 = makeLabel(Picture1, "Label8", QStringLiteral("ON - Problems"), twipsRect(500, 2430, 1260, 225));
    LegendX = makeLed(Picture1, QStringLiteral("LegendX"), LedColour::RedX, true, twipsRect(200, 2690, 240, 240));
    Label10 = makeLabel(Picture1, "Label10", QStringLiteral("OFF - Off Air"), twipsRect(500, 2700, 1260, 225));
    for (QWidget *w : legendParts())
        w->hide();
    Label7->setProperty("legendTitle", true);
    for (QLabel *caption : {Label9, Label8, Label10})
        caption->setProperty("legendCaption", true);

    // The active station's details, above the map.
    Label4 = makeLabel(client, "Label4", QString(), QRect(8, 4, 330, 24));
    Label3 = makeLabel(client, "Label3", QString(), QRect(8, 29, 330, 20));
    Lat = makeLabel(client, "Lat", QString(), QRect(345, 7, 248, 20));
    Lon = makeLabel(client, "Lon", QString(), QRect(345, 29, 248, 20));
    Lat->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Lon->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4->setProperty("heading", true);

    // The status line.
    Label1 = makeLabel(client, "Label1",
                       QStringLiteral("Important! Syncronize Your PC Clock To The Exact Minute and Second With WWV"),
                       twipsRect(0, 4890, 8955, 285));
    Label1->setAlignment(Qt::AlignCenter);
    QPalette reminder = Label1->palette();
    reminder.setColor(QPalette::WindowText, QColor(176, 0, 0));
    Label1->setPalette(reminder);

    // The band buttons, each with its indicator LED.
    Frame1 = new QGroupBox(QStringLiteral("Select Frequency Band To Monitor "), client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    // The buttons stand close enough together to leave the gauge's column room for
    // "Pass 9999" beside "Beacon 18 of 18".
    Frame1->setGeometry(6, 348, 420, 64);
    for (BandIndex b = 0; b < BandCount; ++b) {
        const Band &band = BeaconCatalogue::band(b);
        auto *button = new QPushButton(toQString(band.buttonCaption), Frame1);
        button->setObjectName(toQString(band.buttonControl));
        button->setGeometry(6 + b * 82, 26, 80, 28);
        connect(button, &QPushButton::clicked, this, [this, b] {
            SelectBand(b);
            Q_EMIT bandChosen(b);
        });
        BandButtons[static_cast<std::size_t>(b)] = button;
        // The indicator sits at the button's left, where the selected caption's leading blanks make room.
        QLabel *indicator = makeLed(Frame1, QStringLiteral("Picture2_%1").arg(b), LedColour::Red, true,
                                    QRect(button->x() + 4, button->y() + 9, 10, 10));
        indicator->hide();
        Picture2[static_cast<std::size_t>(b)] = indicator;
    }

    // PC time over the activity gauge, and the pass counter.
    Gauge1 = new GaugeBar(client);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 9);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(false);
    Gauge1->setGeometry(432, 356, 164, 22);
    Label2 = makeLabel(client, "Label2", QString(), Gauge1->geometry());
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label6 = makeLabel(client, "Label6", QString(), QRect(432, 384, 64, 22));
    Label5 = makeLabel(client, "Label5", QString(), QRect(496, 384, 100, 22));
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buildRadioControls(client);
    // The follow and radio lines share the gap under the map. A radio line can run long
    // (a rig's model, or an error and what to check), so it may take a second line.
    FollowState->setGeometry(8, 298, 230, 27);
    FollowState->setWordWrap(true);
    RadioState->setGeometry(242, 298, 351, 27);
    RadioState->setWordWrap(true);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1500);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setTimerType(Qt::PreciseTimer);
    Timer3->setInterval(250);
    connect(Timer3, &QTimer::timeout, this, &Form1::Timer3_Timer);

}

void Form1::buildMenus()
{
    auto menu = [this](const char *name, const QString &title) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &text, bool checkable,
                       void (Form1::*handler)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(checkable);
        if (handler)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };

    FileMenu = menu("FileMenu", QStringLiteral("&File"));
    ExitMenu = item(FileMenu, "ExitMenu", QStringLiteral("Exit Program"), false, nullptr);
    connect(ExitMenu, &QAction::triggered, this, &QWidget::close);

    MenuDisplay = menu("MenuDisplay", QStringLiteral("&Display"));
    CondensedDisplayMode = item(MenuDisplay, "CondensedDisplayMode",
                                QStringLiteral("Display All Bands - Beacon Compact View"), false,
                                &Form1::CondensedDisplayMode_Click);
    MenuDisplay->addSeparator();
    LegendMenu = item(MenuDisplay, "LegendMenu", QStringLiteral("Turn Beacon Marker Legend On/Off"), true,
                      &Form1::LegendMenu_Click);
    MenuDisplay->addSeparator();
    ActivityPeriodMenu = item(MenuDisplay, "ActivityPeriodMenu",
                              QStringLiteral("Turn 10-Second Beacon Activity Gauge On/Off"), true,
                              &Form1::ActivityPeriodMenu_Click);
    MenuDisplay->addSeparator();
    SatTrackMenu = item(MenuDisplay, "SatTrackMenu", QStringLiteral("Turn Single-track Beacon Markers On/Off"),
                        true, &Form1::SatTrackMenu_Click);
    MarkersLED = item(MenuDisplay, "MarkersLED", QStringLiteral("Turn All Beacon Markers On/Off"), true,
                      &Form1::MarkersLED_Click);
    MenuDisplay->addSeparator();
    ToggleCallsign = item(MenuDisplay, "ToggleCallsign", QStringLiteral("Turn Beacon Callsigns On/Off"), true,
                          &Form1::ToggleCallsign_Click);
    BeaconPassCounter = item(MenuDisplay, "BeaconPassCounter", QStringLiteral("Turn Beacon Pass Counter On/Off"),
                             true, &Form1::BeaconPassCounter_Click);
    MenuDisplay->addSeparator();
    LEDBlinkRateNone = item(MenuDisplay, "LEDBlinkRateNone", QStringLiteral("Set Beacon Marker Blink Rate - None"),
                            true, nullptr);
    LEDBlinkRateSlow = item(MenuDisplay, "LEDBlinkRateSlow", QStringLiteral("Set Beacon Marker Blink Rate - Slow"),
                            true, nullptr);
    LEDBlinkRateMedium = item(MenuDisplay, "LEDBlinkRateMedium",
                              QStringLiteral("Set Beacon Marker Blink Rate - Medium"), true, nullptr);
    LEDBlinkRateFast = item(MenuDisplay, "LEDBlinkRateFast", QStringLiteral("Set Beacon Marker Blink Rate - Fast"),
                            true, nullptr);
    connect(LEDBlinkRateNone, &QAction::triggered, this, [this] { SetBlinkRate(BlinkRate::None); });
    connect(LEDBlinkRateSlow, &QAction::triggered, this, [this] { SetBlinkRate(BlinkRate::Slow); });
    connect(LEDBlinkRateMedium, &QAction::triggered, this, [this] { SetBlinkRate(BlinkRate::Medium); });
    connect(LEDBlinkRateFast, &QAction::triggered, this, [this] { SetBlinkRate(BlinkRate::Fast); });

    BeaconStatus = menu("BeaconStatus", QStringLiteral("&Beacon Status"));
    GoToNCDXFWebSite = item(BeaconStatus, "GoToNCDXFWebSite",
                            QStringLiteral("Go To NCDXF Web Site For Current Beacon Status..."), false,
                            &Form1::GoToNCDXFWebSite_Click);
    UpdateBeaconStatus = item(BeaconStatus, "UpdateBeaconStatus",
                              QStringLiteral("Update Halvion -  Beacon Marker Status"), false, nullptr);
    connect(UpdateBeaconStatus, &QAction::triggered, this, &Form1::statusEditorRequested);

    // The beacon monitor sits with the status: both say which beacons are on the air.
    BeaconStatus->addSeparator();
    BeaconMonitorMenu = item(BeaconStatus, "BeaconMonitorMenu", QStringLiteral("Beacon Monitor..."), false, nullptr);
    AnalyzeRecordingMenu = item(BeaconStatus, "AnalyzeRecordingMenu", QStringLiteral("Analyze Recording..."), false, nullptr);
    MonitorResultsMenu = item(BeaconStatus, "MonitorResultsMenu", QStringLiteral("Monitor Results..."), false, nullptr);
    connect(BeaconMonitorMenu, &QAction::triggered, this, &Form1::beaconMonitorRequested);
    connect(AnalyzeRecordingMenu, &QAction::triggered, this, &Form1::analyzeRecordingRequested);
    connect(MonitorResultsMenu, &QAction::triggered, this, &Form1::monitorResultsRequested);
    buildRadioMenu();

    SetPCclock = menu("SetPCclock", QStringLiteral("&Internet Time"));
    NISTtimeserver = item(SetPCclock, "NISTtimeserver", QStringLiteral("Set PC Time (Via Internet NIST Time Server)"),
                          false, nullptr);
    connect(NISTtimeserver, &QAction::triggered, this, &Form1::timeDialogRequested);
    CheckPCClock = item(SetPCclock, "CheckPCClock", QStringLiteral("Check PC Clock Against Internet Time"), true,
                        nullptr);
    HAMInfo = menu("HAMInfo", QStringLiteral("Internet &HAM Info"));
    Greyline = item(HAMInfo, "Greyline", QStringLiteral("Greyline..."), false, &Form1::Greyline_Click);
    Propagation = item(HAMInfo, "Propagation", QStringLiteral("Propagation..."), false, &Form1::Propagation_Click);
    LatestWWV = item(HAMInfo, "LatestWWV", QStringLiteral("WWV Geo Alert Message..."), false,
                     &Form1::LatestWWV_Click);
    DXPeditions = item(HAMInfo, "DXPeditions", QStringLiteral("DXPeditions..."), false, &Form1::DXPeditions_Click);
    Latest425 = item(HAMInfo, "Latest425", QStringLiteral("425 DX News / Bulletin..."), false,
                     &Form1::Latest425_Click);

    // The item names run crosswise to their captions; each opens what its caption says.
    HelpMenu = menu("HelpMenu", QStringLiteral("I&nstructions"));
    PgmDes = item(HelpMenu, "PgmDes", QStringLiteral("Program Instructions"), false, &Form1::PgmDes_Click);
    About = menu("About", QStringLiteral("&About..."));
    PgmInstructionsMenu = item(About, "PgmInstructionsMenu", QStringLiteral("Program Description"), false,
                               &Form1::PgmInstructionsMenu_Click);
    AboutMenu = item(About, "AboutMenu", QStringLiteral("About Halvion"), false, &Form1::AboutMenu_Click);
    About->addSeparator();
    WebSite = item(About, "WebSite", QStringLiteral("Visit Web Site: ") + homePageHost(), false,
                   &Form1::WebSite_Click);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (sizeSaveTimer_->isActive())
        saveWindowSize();
    // The band tracked now is the one the next start begins with, if the user asked for that.
    if (StartOnLastBandMenu->isChecked() && state_.trackedBand() >= 0)
        settings_.write(SettingsKeys::LastBand.key, BeaconCatalogue::band(state_.trackedBand()).bandLabel);
    event->accept();
    Q_EMIT closing();
}

void Form1::CondensedDisplayMode_Click()
{
    Q_EMIT compactViewRequested();
}

// Only while a band is being tracked: the compact view highlights it.
void Form1::Image1_DblClick()
{
    if (state_.trackedBand() >= 0)
        Q_EMIT compactViewRequested();
}

} // namespace halvion
