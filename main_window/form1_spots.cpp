// The main window's part in the Reverse Beacon Network: the File menu's item for its
// dialog, the feed's status line under the map, and a ring round the marker of each
// station the skimmers heard on the tracked band lately. The rings are shown and
// hidden only when that set changes, never by the tick.

#include "form1.h"
#include "form1_util.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>

namespace halvion {

namespace {

// A hollow circle round a marker; clicks and tooltips reach what lies below.
class SpotRing final : public QWidget {
public:
    explicit SpotRing(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal pen = std::max(1.5, width() / 8.0);
        p.setPen(QPen(QColor(0x00, 0xd0, 0x40), pen));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(rect()).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2));
    }
};

// One line of text that ends in "..." when it does not fit, shortened again whenever
// the window scales it; its tooltip tells the whole story.
class ElidedLine final : public QLabel {
public:
    using QLabel::QLabel;
    // The line shows the short text, cut to fit; its tooltip the whole story.
    void setTexts(const QString &line, const QString &full)
    {
        line_ = line;
        setToolTip(full);
        elide();
    }
    const QString &line() const { return line_; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }
    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(line_, Qt::ElideRight, width())); }
    QString line_;
};

} // namespace

void Form1::buildSpots(QWidget *client)
{
    ReverseBeaconNetwork = new QAction(QStringLiteral("Reverse Beacon Network..."), FileMenu);
    ReverseBeaconNetwork->setObjectName(QStringLiteral("ReverseBeaconNetwork"));
    FileMenu->insertAction(ExitMenu, ReverseBeaconNetwork);
    connect(ReverseBeaconNetwork, &QAction::triggered, this, &Form1::rbnDialogRequested);

    // The follow line keeps its first line; the feed's line takes the second.
    FollowState->setGeometry(8, 298, 230, 14);
    FollowState->setWordWrap(false);
    RbnState = new ElidedLine(client);
    RbnState->setObjectName(QStringLiteral("RbnState"));
    RbnState->setGeometry(8, 311, 230, 14);
    setSmallLineColour(RbnState);

    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        auto *ring = new SpotRing(Picture1);
        ring->setObjectName(QStringLiteral("SpotRing_%1").arg(i));
        constexpr int Margin = 4;
        ring->setGeometry(OnLed[at(i)]->geometry().adjusted(-Margin, -Margin, Margin, Margin));
        ring->hide();
        SpotRings[at(i)] = ring;
    }
}

void Form1::setRbnStateText(const QString &line, const QString &full)
{
    auto *state = static_cast<ElidedLine *>(RbnState);
    if (state->toolTip() != full || state->line() != line)
        state->setTexts(line, full);
}

void Form1::setSpottedStations(const std::array<bool, BeaconCount> &spotted)
{
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        QWidget *ring = SpotRings[at(i)];
        const bool show = spotted[at(i)];
        if (ring->isVisibleTo(Picture1) == show)
            continue;
        if (show)
            ring->raise();
        ring->setVisible(show);
    }
}

} // namespace halvion
