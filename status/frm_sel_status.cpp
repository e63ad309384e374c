#include "frm_sel_status.h"

#include "led_pictures.h"
#include "twips.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace halvion {

namespace {

constexpr int ClientWidth = 6975;
constexpr int ClientHeight = 6840;

constexpr int StationFrameWidth = 3375;
constexpr int StationFrameHeight = 615;
constexpr int StationRowPitch = 600;
constexpr int StationsPerColumn = 9;
constexpr int Frame1Left = 60;
constexpr int Frame1Top = 60;
constexpr int StationLeft = 45;
constexpr int StationTop = 90;
constexpr int ColumnGap = 15;
constexpr int Frame1Width = 2 * StationLeft + 2 * StationFrameWidth + ColumnGap;
constexpr int Frame1Height = StationTop + (StationsPerColumn - 1) * StationRowPitch + StationFrameHeight + 60;

constexpr int LedTwips = 240; // the 16-pixel LED pictures
constexpr int LedPixels = 16;
constexpr int LedTop = 285;
constexpr int OptionTop = 255;
constexpr int OptionHeight = 300;
constexpr int OptionWidth = 825;

constexpr int BottomTop = Frame1Top + Frame1Height + 75;
constexpr int ButtonWidth = 1560;
constexpr int ButtonHeight = 375;
constexpr int ButtonLeft = Frame1Left + Frame1Width - ButtonWidth;
// The suggestions from the skimmers' spots sit in the legend box, right of its rows.
constexpr int SuggestWidth = 1770;
constexpr int SuggestLeft = ButtonLeft - 180 - 90 - SuggestWidth;
constexpr int SuggestTop = BottomTop + 255;
constexpr int SuggestHeight = 330;

constexpr std::array<const char *, BeaconCount> FrameCaptions{
    "4U1UN - United Nations - USA (NY)",
    "VE8AT - Canada",
    "W6WX - USA (California)",
    "KH6WO - USA (Hawaii)",
    "ZL6B - New Zealand",
    "VK6RBP - Australia",
    "JA2IGY - Japan",
    "RR9O - Russia",
    "VR2B - Hong Kong",
    "4S7B - Sri Lanka",
    "ZS6DN - South Africa",
    "5Z4B - Kenya",
    "4X6TU - Israel",
    "OH2B - Finland",
    "CS3B - Madeira",
    "LU4AA - Argentina",
    "OA4B - Peru",
    "YV5B - Venezuela",
};

const QString SpotsTip = QStringLiteral("Chooses OK for the stations the Reverse Beacon Network's skimmers heard in "
                                       "the last hour, and marks in red those they did not hear through the last 24 "
                                       "hours of listening. Ok saves, Cancel discards.");

const QColor ChosenCaption(0, 0, 0);
const QColor OtherCaption(192, 192, 192);

QString indexed(const char *name, BeaconIndex i)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

QLabel *ledLabel(QWidget *parent, const QString &name, LedColour colour, bool lit, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(ledPixmap(colour, lit, LedPixels));
    label->setGeometry(geometry);
    return label;
}

void setCaptionColour(QRadioButton *option, const QColor &colour)
{
    QPalette palette = option->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    option->setPalette(palette);
}

} // namespace

frmSelStatus::frmSelStatus(StatusStore &store, QWidget *parent)
    : QWidget(parent, Qt::Window), store_(store)
{
    setObjectName(QStringLiteral("frmSelStatus"));
    // Closed means gone: the next opening builds a fresh editor from the file.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Select Beacon Status For Each Station"));
    setFixedSize(twipsRect(0, 0, ClientWidth, ClientHeight).size());

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(twipsRect(Frame1Left, Frame1Top, Frame1Width, Frame1Height));
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        buildStationFrame(i);

    buildLegend();

    Command1 = new QPushButton(QStringLiteral("&Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(ButtonLeft, BottomTop + 60, ButtonWidth, ButtonHeight));
    connect(Command1, &QPushButton::clicked, this, &frmSelStatus::Command1_Click);

    SuggestFromSpots = new QPushButton(QStringLiteral("Suggest From Spots"), this);
    SuggestFromSpots->setObjectName(QStringLiteral("SuggestFromSpots"));
    SuggestFromSpots->setGeometry(twipsRect(SuggestLeft, SuggestTop, SuggestWidth, SuggestHeight));
    QFont small = SuggestFromSpots->font();
    small.setPointSizeF(std::min(small.pointSizeF(), 7.5));
    SuggestFromSpots->setFont(small);
    SuggestFromSpots->setEnabled(false);
    SuggestFromSpots->setToolTip(SpotsTip);
    connect(SuggestFromSpots, &QPushButton::clicked, this, &frmSelStatus::SuggestFromSpots_Click);
    SuggestionText = new QLabel(this);
    SuggestionText->setObjectName(QStringLiteral("SuggestionText"));
    SuggestionText->setGeometry(twipsRect(SuggestLeft, SuggestTop + SuggestHeight + 15, SuggestWidth,
                                          ClientHeight - 120 - SuggestTop - SuggestHeight - 15));
    small.setPointSizeF(std::min(small.pointSizeF(), 7.0));
    SuggestionText->setFont(small);
    SuggestionText->setWordWrap(true);
    SuggestionText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SuggestionText->setTextFormat(Qt::PlainText);

    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(ButtonLeft, BottomTop + 60 + ButtonHeight + 105, ButtonWidth, ButtonHeight));
    connect(Command2, &QPushButton::clicked, this, &frmSelStatus::Command2_Click);
    // Escape is Cancel: the edits are discarded.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("EscapeKey"));
    connect(escape, &QShortcut::activated, Command2, &QPushButton::click);

    if (const QScreen *screen = this->screen()) {
        QRect placed = rect();
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }

    connect(&store_, &StatusStore::selectionChanged, this, [this](int) { RefreshStatusLeds(); });
    store_.ReadBeaconStatus();
    // A load that changes nothing reports nothing, so draw the state as it is.
    RefreshStatusLeds();
}

void frmSelStatus::buildStationFrame(BeaconIndex i)
{
    const auto at = static_cast<std::size_t>(i);
    auto *frame = new QGroupBox(QString::fromLatin1(FrameCaptions[at]), Frame1);
    frame->setObjectName(indexed("Frame3", i));
    const int column = i / StationsPerColumn;
    const int row = i % StationsPerColumn;
    frame->setGeometry(twipsRect(StationLeft + column * (StationFrameWidth + ColumnGap), StationTop + row * StationRowPitch,
                             StationFrameWidth, StationFrameHeight));
    Frame3[at] = frame;

    struct Choice {
        const char *image;
        const char *cover;
        const char *option;
        const char *caption;
        LedColour colour;
        int ledLeft;
        int optionLeft;
        BeaconStatus status;
    };
    const std::array<Choice, 3> choices{{
        {"Image1", "OnLEDdim", "Option1", "OK", LedColour::Red, 120, 360, BeaconStatus::OK},
        {"Image2", "OffAirDim", "Option2", "OFF", LedColour::RedX, 1200, 1440, BeaconStatus::OFF},
        {"Image3", "onLEDblueDim", "Option3", "ON", LedColour::Blue, 2280, 2520, BeaconStatus::ON},
    }};
    std::array<QLabel **, 3> images{&Image1[at], &Image2[at], &Image3[at]};
    std::array<QLabel **, 3> covers{&OnLEDdim[at], &OffAirDim[at], &onLEDblueDim[at]};
    std::array<QRadioButton **, 3> options{&Option1[at], &Option2[at], &Option3[at]};

    for (std::size_t k = 0; k < choices.size(); ++k) {
        const Choice &c = choices[k];
        const QRect ledPlace = twipsRect(c.ledLeft, LedTop, LedTwips, LedTwips);
        *images[k] = ledLabel(frame, indexed(c.image, i), c.colour, true, ledPlace);
        // Created after the LED, so it lies on top of it; hiding it lights the LED.
        *covers[k] = ledLabel(frame, indexed(c.cover, i), c.colour, false, ledPlace);

        auto *option = new QRadioButton(QString::fromLatin1(c.caption), frame);
        option->setObjectName(indexed(c.option, i));
        // The three choices exclude each other, but a station may have none, which
        // an auto-exclusive group cannot show: the store decides what is checked.
        option->setAutoExclusive(false);
        option->setGeometry(twipsRect(c.optionLeft, OptionTop, OptionWidth, OptionHeight));
        const BeaconStatus status = c.status;
        connect(option, &QRadioButton::clicked, this, [this, i, status] { Option_Click(i, status); });
        *options[k] = option;
    }
}

void frmSelStatus::buildLegend()
{
    Frame2 = new QGroupBox(QStringLiteral("Beacon Station Operational Status Legend"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipsRect(Frame1Left, BottomTop, ButtonLeft - Frame1Left - 180, ClientHeight - BottomTop - 60));

    auto *grid = new QGridLayout(Frame2);
    grid->setContentsMargins(12, 2, 8, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
    const struct {
        LedColour colour;
        const char *text;
    } entries[] = {
        {LedColour::Red, "- Fully Operational"},
        {LedColour::RedX, "- Off The Air"},
        {LedColour::Blue, "- Operational With Problems"},
    };
    int row = 0;
    for (const auto &entry : entries) {
        auto *led = new QLabel(Frame2);
        led->setPixmap(ledPixmap(entry.colour, true, LedPixels));
        led->setFixedSize(LedPixels, LedPixels);
        grid->addWidget(led, row, 0);
        grid->addWidget(new QLabel(QString::fromLatin1(entry.text), Frame2), row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
}

void frmSelStatus::RefreshStatusLeds()
{
    const struct {
        BeaconStatus status;
        const std::array<QRadioButton *, BeaconCount> &options;
        bool okCover, offCover, onCover;
    } passes[] = {
        {BeaconStatus::OK, Option1, false, true, true},
        {BeaconStatus::OFF, Option2, true, false, true},
        {BeaconStatus::ON, Option3, true, true, false},
    };
    for (const auto &pass : passes) {
        for (BeaconIndex i = 0; i < BeaconCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (store_.SelectedStatus(i) == pass.status) {
                setCaptionColour(pass.options[at], ChosenCaption);
                OnLEDdim[at]->setVisible(pass.okCover);
                OffAirDim[at]->setVisible(pass.offCover);
                onLEDblueDim[at]->setVisible(pass.onCover);
            } else {
                setCaptionColour(pass.options[at], OtherCaption);
            }
        }
    }
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        showChoice(i);
}

void frmSelStatus::showChoice(BeaconIndex i)
{
    const auto at = static_cast<std::size_t>(i);
    const BeaconStatus chosen = store_.SelectedStatus(i);
    Option1[at]->setChecked(chosen == BeaconStatus::OK);
    Option2[at]->setChecked(chosen == BeaconStatus::OFF);
    Option3[at]->setChecked(chosen == BeaconStatus::ON);
}

void frmSelStatus::Option_Click(BeaconIndex i, BeaconStatus status)
{
    store_.select(i, status);
    // A click on the choice already made would otherwise leave its button unchecked.
    showChoice(i);
}

void frmSelStatus::leave()
{
    // A suggestion holds for this visit only.
    unheardMarks_.fill(false);
    for (QGroupBox *frame : Frame3) {
        QPalette palette = frame->palette();
        palette.setColor(QPalette::WindowText, Frame1->palette().color(QPalette::WindowText));
        frame->setPalette(palette);
        frame->setToolTip(QString());
    }
    SuggestionText->clear();
    SuggestionText->setToolTip(QString());
    SuggestFromSpots->setToolTip(SpotsTip);
    store_.ReadBeaconStatus();
    Q_EMIT returnToMap();
}

void frmSelStatus::Command1_Click()
{
    store_.writeSelection();
    leave();
    hide();
}

void frmSelStatus::Command2_Click()
{
    leave();
    hide();
}

void frmSelStatus::closeEvent(QCloseEvent *event)
{
    // The close box of the shown editor discards the edits like Cancel. A hidden
    // editor closed as the program ends has no map to return to.
    if (isVisible())
        leave();
    event->accept();
}

void frmSelStatus::setSuggestionSource(std::function<StatusSuggestion()> source)
{
    suggestions_ = std::move(source);
    SuggestFromSpots->setEnabled(bool(suggestions_));
}

void frmSelStatus::SuggestFromSpots_Click()
{
    if (!suggestions_)
        return;
    const StatusSuggestion s = suggestions_();
    QStringList proposed, unheard;
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const QString call = QString::fromLatin1(BeaconCatalogue::beacon(i).callsign.data(),
                                                 qsizetype(BeaconCatalogue::beacon(i).callsign.size()));
        // Heard means on the air; whether it has problems the spots cannot tell.
        const BeaconStatus now = store_.SelectedStatus(i);
        const bool propose = s.heardLately[at] && now != BeaconStatus::OK && now != BeaconStatus::ON;
        if (propose) {
            store_.select(i, BeaconStatus::OK);
            proposed << call;
        }
        const bool mark = s.unheard[at] && !s.heardLately[at];
        unheardMarks_[at] = mark;
        if (mark)
            unheard << call;
        QPalette palette = Frame3[at]->palette();
        palette.setColor(QPalette::WindowText, mark      ? QColor(0xb0, 0x00, 0x00)
                                               : propose ? QColor(0x00, 0x7a, 0x30)
                                                         : Frame1->palette().color(QPalette::WindowText));
        Frame3[at]->setPalette(palette);
        Frame3[at]->setToolTip(mark      ? QStringLiteral("Not heard by the skimmers through the last 24 hours of "
                                                          "listening: perhaps off the air")
                               : propose ? QStringLiteral("Heard by the skimmers in the last hour: OK proposed")
                                         : QString());
    }
    QStringList summary, details;
    summary << (proposed.isEmpty() ? QStringLiteral("No change") : QStringLiteral("%1 proposed OK").arg(proposed.size()));
    details << (proposed.isEmpty() ? QStringLiteral("No change proposed.")
                                   : QStringLiteral("OK proposed (heard in the last hour): %1.").arg(proposed.join(QStringLiteral(", "))));
    if (!unheard.isEmpty()) {
        summary << QStringLiteral("%1 not heard for a day").arg(unheard.size());
        details << QStringLiteral("Not heard for a day (in red): %1.").arg(unheard.join(QStringLiteral(", ")));
    } else if (!s.note.isEmpty()) {
        details << s.note;
    }
    SuggestionText->setText(summary.join(QStringLiteral(", ")));
    details << QStringLiteral("Ok saves the choices, Cancel discards them.");
    SuggestionText->setToolTip(details.join(QLatin1Char('\n')));
    SuggestFromSpots->setToolTip(SuggestionText->toolTip());
}

} // namespace halvion
