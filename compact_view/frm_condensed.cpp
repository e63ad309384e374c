#include "frm_condensed.h"

#include "compact_position.h"
#include "led_pictures.h"
#include "pc_time_text.h"
#include "settings_file.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStringList>
#include <QTimer>

namespace halvion {

namespace {

constexpr int ClientWidth = 2415;
constexpr int ClientHeight = 2160;
// Without the pass counter the window ends above the rule over the counter line.
constexpr int CounterLineHeight = 330;

constexpr std::size_t at(int index) { return static_cast<std::size_t>(index); }

// The level beside a callsign, drawn as four small bars rising left to right, one
// for each power the station sends at: filled down to the lowest power heard
// ("100 W" one bar, "0.1 W" all four), all hollow when the slot was measured and
// nothing came through ("-"). The text stays the label's, for its tooltip and tests.
class LevelBars : public QLabel {
public:
    using QLabel::QLabel;

    static int barsFor(const QString &text)
    {
        static const char *const powers[] = {"100 W", "10 W", "1 W", "0.1 W"};
        for (int i = 0; i < 4; ++i)
            if (text == QLatin1String(powers[i]))
                return i + 1;
        return 0;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (text().isEmpty())
            return;
        QPainter p(this);
        const int filled = barsFor(text());
        const int barWidth = 2, gap = 1, h = height() - 2;
        const QColor ink = palette().color(QPalette::WindowText);
        for (int i = 0; i < 4; ++i) {
            const int barHeight = std::max(2, h * (i + 1) / 4);
            const QRect bar(i * (barWidth + gap), 1 + h - barHeight, barWidth, barHeight);
            if (i < filled)
                p.fillRect(bar, ink);
            else
                p.fillRect(bar, palette().color(QPalette::Mid));
        }
    }
};

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    // Clicks fall through to the row under the label.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QFrame *makeRule(QWidget *parent, const char *name, int top)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(twipsToPixels(0), twipsToPixels(top), twipsToPixels(2400), 2);
    return line;
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Picture20", "M17", ...: a prefix and the band's number of metres.
QString rowName(const char *prefix, BandIndex band)
{
    return QLatin1String(prefix) + toQString(BeaconCatalogue::band(band).bandLabel);
}

} // namespace

frmCondensed::frmCondensed(AppState &state, const StatusStore &status, SettingsFile &settings,
                           const ClockSource &clock, QWidget *parent)
    : QMainWindow(parent), state_(state), status_(status), settings_(settings), clock_(clock)
{
    setObjectName(QStringLiteral("frmCondensed"));
    setWindowTitle(QStringLiteral("Halvion"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Keys 1 to 5 choose a band as a click on its row does.
    for (BandIndex b = 0; b < BandCount; ++b) {
        auto *key = new QShortcut(QKeySequence(Qt::Key_1 + b), this);
        key->setObjectName(QStringLiteral("BandKey_%1").arg(b + 1));
        connect(key, &QShortcut::activated, this, [this, b] { chooseRow(b); });
    }
}

// How much wider than its design the window must be for its longest counter line in
// the desktop's font, in pixels (none for a font as narrow as the design's).
int frmCondensed::extraWidth() const
{
    constexpr int Padding = 4;
    const int needed = fontMetrics().horizontalAdvance(QStringLiteral("Pass 9999, Beacon 18 of 18")) + Padding;
    return std::max(0, needed - twipsToPixels(ClientWidth));
}

void frmCondensed::buildControls()
{
    // A wider window gives the extra room to the rows' callsigns; band names and LEDs
    // keep their places at the rows' right.
    const int extra = extraWidth();
    const auto widened = [extra](QRect r) { return r.adjusted(0, 0, extra, 0); };
    const auto shifted = [extra](QRect r) { return r.translated(extra, 0); };

    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("frmCondensedClient"));
    Client->setFixedSize(twipsToPixels(ClientWidth) + extra, twipsToPixels(ClientHeight));
    setCentralWidget(Client);

    Line1 = makeRule(Client, "Line1", 0);
    Line1->setGeometry(widened(Line1->geometry()));

    Gauge2 = new QProgressBar(Client);
    Gauge2->setObjectName(QStringLiteral("Gauge2"));
    Gauge2->setRange(0, 9);
    Gauge2->setValue(0);
    Gauge2->setTextVisible(false);
    Gauge2->setGeometry(widened(twipsRect(120, 120, 2175, 255)));
    Label6 = makeLabel(Gauge2, QStringLiteral("Label6"), QStringLiteral("Syncing Beacons"),
                       widened(twipsRect(0, 10, 2175, 240)));
    Label6->setAlignment(Qt::AlignCenter);

    const char *bandLabelNames[BandCount] = {"Label7", "Label8", "Label9", "Label10", "Label11"};
    for (BandIndex b = 0; b < BandCount; ++b) {
        const Band &band = BeaconCatalogue::band(b);
        auto *row = new QFrame(Client);
        row->setObjectName(rowName("Picture", b));
        row->setGeometry(widened(twipsRect(120, 420 + 285 * b, 2175, 240)));
        row->setAutoFillBackground(true);
        row->installEventFilter(this);
        Rows[at(b)] = row;

        QLabel *callsign = makeLabel(row, rowName("M", b), QStringLiteral("?"), widened(twipsRect(0, 10, 735, 220)));
        callsign->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Callsigns[at(b)] = callsign;

        // In the margin left of the row, clear of the longest callsign.
        auto *level = new LevelBars(Client);
        level->setObjectName(QStringLiteral("Level_%1").arg(b));
        level->setGeometry(twipsRect(15, 420 + 285 * b + 30, 195, 180));
        level->setAttribute(Qt::WA_TransparentForMouseEvents);
        level->hide();
        Levels[at(b)] = level;

        // Between the callsign and the band: the skimmers heard this station lately.
        QLabel *mark = makeLabel(row, QStringLiteral("SpotMark_%1").arg(b), QString(), shifted(twipsRect(765, 75, 90, 90)));
        mark->setStyleSheet(QStringLiteral("background: #00b040; border-radius: 3px;"));
        mark->setToolTip(QStringLiteral("Heard by the Reverse Beacon Network's skimmers in the last 15 minutes"));
        mark->hide();
        SpotMarks[at(b)] = mark;

        // "14100, 20M": the frequency in kHz and the band.
        const QString frequency = toQString(band.frequencyText).remove(QLatin1Char('.'));
        const QString caption = QStringLiteral("%1, %2M").arg(frequency, rowName("", b));
        BandLabels[at(b)] =
            makeLabel(row, QLatin1String(bandLabelNames[b]), caption, shifted(twipsRect(840, 10, 1095, 220)));

        const struct {
            RowLeds *leds;
            const char *name;
            LedColour colour;
        } kinds[] = {{&OKLED, "OKLED", LedColour::Red}, {&OffLED, "OffLED", LedColour::RedX},
                     {&OnLED, "OnLED", LedColour::Blue}};
        for (const auto &kind : kinds) {
            const QRect place = shifted(twipsRect(1920, 0, 240, 240));
            QLabel *led = makeLabel(row, QStringLiteral("%1_%2").arg(QLatin1String(kind.name)).arg(b), QString(),
                                    place);
            led->setPixmap(ledPixmap(kind.colour, true, place.width()));
            (*kind.leds)[at(b)] = led;
        }
    }

    Line2 = makeRule(Client, "Line2", 1850);
    Line2->setGeometry(widened(Line2->geometry()));
    ConPassLabel =
        makeLabel(Client, QStringLiteral("ConPassLabel"), QString(), widened(twipsRect(0, 1900, 2415, 240)));
    ConPassLabel->setAlignment(Qt::AlignCenter);

    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(250);
    connect(Timer4, &QTimer::timeout, this, &frmCondensed::Timer4_Timer);

    paintRows(-1);
}

void frmCondensed::buildMenus()
{
    auto menu = [this](const char *name, const QString &title) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &text, void (frmCondensed::*handler)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    File = menu("File", QStringLiteral("&File"));
    ExitCompactDisplay = item(File, "ExitCompactDisplay", QStringLiteral("Return To Full Size (Map) View"),
                              &frmCondensed::ExitCompactDisplay_Click);
    File->addSeparator()->setObjectName(QStringLiteral("Divider1"));
    ExitProgram = item(File, "ExitProgram", QStringLiteral("Exit (End) Program"), &frmCondensed::ExitProgram_Click);

    Display = menu("Display", QStringLiteral("&Display"));
    AlwaysOnTop = item(Display, "AlwaysOnTop", QStringLiteral("Display Always On Top"),
                       &frmCondensed::AlwaysOnTop_Click);
    Normal = item(Display, "Normal", QStringLiteral("Display Normal"), &frmCondensed::Normal_Click);
    AlwaysOnTop->setCheckable(true);
    Normal->setCheckable(true);
}

void frmCondensed::Form_Load()
{
    namespace K = SettingsKeys;
    ClearLEDs();

    // A first opening stacks normally and says so in the file.
    if (!settings_.read(K::AOTAtLoad)) {
        setTopmost(false);
        settings_.writeSwitch(K::AOT.key, false);
    }

    const int top = CompactPosition::toPixels(parsePosition(settings_.read(K::CompactWinTop).value_or("0")));
    const int left = CompactPosition::toPixels(parsePosition(settings_.read(K::CompactWinLeft).value_or("0")));

    applyStoredStacking(true);

    if (state_.PassCounterOn) {
        pass_.reset(clock_.now());
        setPassText();
    } else {
        Client->setFixedHeight(twipsToPixels(ClientHeight - CounterLineHeight));
        ConPassLabel->clear();
    }

    for (BandIndex b = BandCount - 1; b >= 0; --b)
        if (state_.BandSelected[at(b)])
            highlightRow(b);

    placeFrameAt(QPoint(left, top));
    Timer4->start();
}

// The stored place is the outer frame's top-left corner. A window that would lie off
// every screen opens on the nearest one instead, and the file keeps the stored place
// until the user moves the window.
void frmCondensed::placeFrameAt(QPoint stored)
{
    // The size is settled first: a window resized while it is being shown has its
    // place taken as the client area's instead of the frame's, and creeps by the
    // title bar's height at every opening.
    ensurePolished();
    layout()->activate();
    adjustSize();

    QList<CompactPosition::ScreenArea> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    const QSize frameSize = QRect(QPoint(), size()).marginsAdded(frameMarginsOfOtherWindows()).size();
    placedAt_ = CompactPosition::placeOnScreens(QRect(stored, frameSize), screens);
    keepStoredPlace_ = placedAt_ != stored;
    move(placedAt_);
}

// The frame the window manager draws around this program's windows, as seen on one
// already framed (the main window); none before any window has been framed.
QMargins frmCondensed::frameMarginsOfOtherWindows() const
{
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        if (w == this || w->windowType() != Qt::Window)
            continue;
        const QRect outer = w->frameGeometry();
        const QRect inner = w->geometry();
        if (outer != inner)
            return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                            outer.bottom() - inner.bottom());
    }
    return {};
}

// Anything but "False" (a missing key included) keeps the window on top; the word
// that applies is written back.
void frmCondensed::applyStoredStacking(bool toWindow)
{
    const bool onTop = settings_.readText(SettingsKeys::AOT) != SettingsKeys::False;
    if (toWindow)
        setTopmost(onTop);
    else
        checkStacking(onTop);
    settings_.writeSwitch(SettingsKeys::AOT.key, onTop);
}

void frmCondensed::checkStacking(bool onTop)
{
    AlwaysOnTop->setChecked(onTop);
    Normal->setChecked(!onTop);
}

void frmCondensed::setTopmost(bool on)
{
    checkStacking(on);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    // Changing a window's flags hides it: show it again where it was.
    const bool wasVisible = isVisible();
    const QPoint place = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) {
        move(place);
        show();
    }
}

void frmCondensed::AlwaysOnTop_Click()
{
    setTopmost(true);
    settings_.writeSwitch(SettingsKeys::AOT.key, true);
}

void frmCondensed::Normal_Click()
{
    setTopmost(false);
    settings_.writeSwitch(SettingsKeys::AOT.key, false);
}

void frmCondensed::writePosition()
{
    if (keepStoredPlace_ && pos() == placedAt_)
        return;
    settings_.write(SettingsKeys::CompactWinTop.key, formatPosition(CompactPosition::toTwips(pos().y())));
    settings_.write(SettingsKeys::CompactWinLeft.key, formatPosition(CompactPosition::toTwips(pos().x())));
}

void frmCondensed::ExitCompactDisplay_Click()
{
    close();
}

void frmCondensed::ExitProgram_Click()
{
    writePosition();
    Q_EMIT exitRequested();
}

// Every way back to the map ends here: the close box, the menu item, a double click
// on a row, and the program closing this window as it ends.
void frmCondensed::closeEvent(QCloseEvent *event)
{
    Timer4->stop();
    writePosition();
    // The window is going away: only the check marks and the file follow the stored word.
    applyStoredStacking(false);
    event->accept();
    Q_EMIT returnToMap();
}

void frmCondensed::Timer4_Timer()
{
    const ClockReading reading = clock_.now();
    const ScheduleTime t = ScheduleClock::fromMinuteSecond(reading.minute, reading.second);
    LookUp(t.SlotIndex);
    Label6->setText(pcTimeText(reading));
    Gauge2->setValue(state_.GaugeRunning ? t.SecondInSlot : 0);
    // The counter counts slot starts, not ticks: a late or doubled tick changes nothing.
    if (state_.PassCounterOn) {
        pass_.advance(reading);
        setPassText();
    }
}

void frmCondensed::LookUp(int slotIndex)
{
    for (BandIndex b = 0; b < BandCount; ++b) {
        const BeaconIndex station = ScheduleClock::beaconOn(b, slotIndex);
        Callsigns[at(b)]->setText(toQString(BeaconCatalogue::beacon(station).callsign));
        LedBand = b;
        switch (status_.SelectedStatus(station)) {
        case BeaconStatus::OK: FCLedOK(); break;
        case BeaconStatus::OFF: FCLedOff(); break;
        case BeaconStatus::ON: FCLedOn(); break;
        case BeaconStatus::None: break; // the row keeps the LED it has
        }
    }
    if (slotIndex != shownSlot_) {
        // Another station in every row: a level shown belongs to the one before.
        shownSlot_ = slotIndex;
        for (BandIndex b = 0; b < BandCount; ++b)
            setRowLevel(b, QString());
        Q_EMIT rowsChanged(slotIndex);
    }
}

void frmCondensed::setRowLevel(BandIndex band, const QString &text)
{
    if (band < 0 || band >= BandCount)
        return;
    QLabel *level = Levels[at(band)];
    if (level->text() == text)
        return;
    level->setText(text);
    level->setVisible(!text.isEmpty());
}

void frmCondensed::setRowSpotted(BandIndex band, bool spotted)
{
    if (band < 0 || band >= BandCount)
        return;
    QLabel *mark = SpotMarks[at(band)];
    if (mark->isVisibleTo(Rows[at(band)]) != spotted)
        mark->setVisible(spotted);
}

void frmCondensed::showLed(RowLeds &shown, RowLeds &hiddenA, RowLeds &hiddenB)
{
    hiddenA[at(LedBand)]->hide();
    hiddenB[at(LedBand)]->hide();
    shown[at(LedBand)]->show();
}

void frmCondensed::FCLedOK() { showLed(OKLED, OffLED, OnLED); }
void frmCondensed::FCLedOff() { showLed(OffLED, OnLED, OKLED); }
void frmCondensed::FCLedOn() { showLed(OnLED, OKLED, OffLED); }

void frmCondensed::ClearLEDs()
{
    for (const RowLeds *leds : {&OffLED, &OnLED, &OKLED})
        for (QLabel *led : *leds)
            led->hide();
}

void frmCondensed::highlightRow(BandIndex band)
{
    state_.BandSelected.fill(false);
    state_.BandSelected[at(band)] = true;
    if (state_.PassCounterOn && highlighted_ != band) {
        pass_.reset(clock_.now());
        setPassText();
    }
    paintRows(band);
}

// Plain rows in the button colour, the highlighted one (if any) in the tooltip colour.
void frmCondensed::paintRows(BandIndex highlighted)
{
    const QPalette system = palette();
    for (BandIndex b = 0; b < BandCount; ++b) {
        const bool lit = b == highlighted;
        QPalette p = Rows[at(b)]->palette();
        p.setColor(QPalette::Window, system.color(lit ? QPalette::ToolTipBase : QPalette::Button));
        p.setColor(QPalette::WindowText, system.color(lit ? QPalette::ToolTipText : QPalette::ButtonText));
        Rows[at(b)]->setPalette(p);
    }
    highlighted_ = highlighted;
}

void frmCondensed::setPassText()
{
    ConPassLabel->setText(QStringLiteral("Pass %1, Beacon %2 of 18").arg(pass_.passNumber()).arg(pass_.beaconInPass()));
}

bool frmCondensed::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        for (BandIndex b = 0; b < BandCount; ++b) {
            if (watched != Rows[at(b)] || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                continue;
            // The press of a double click has already highlighted the row.
            if (event->type() == QEvent::MouseButtonPress)
                chooseRow(b);
            else
                ExitCompactDisplay_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmCondensed::setExtraToolTip(const QString &key, const QString &text)
{
    if (text.isEmpty())
        extraToolTips_.remove(key);
    else
        extraToolTips_.insert(key, text);
    setToolTip(QStringList(extraToolTips_.values()).join(QLatin1Char('\n')));
}

} // namespace halvion
