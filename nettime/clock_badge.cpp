#include "clock_badge.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace halvion {

namespace {
constexpr int Height = 14;
constexpr int Dot = 8;
constexpr int Pad = 4;

QFont badgeFont(const QFont &base, double scale)
{
    QFont f = base;
    f.setPointSizeF(7.5 * scale);
    f.setBold(true);
    return f;
}
} // namespace

// The window that holds the badge may draw itself larger than its design: it sets the
// "layoutScale" property, and the badge grows with it.
double ClockBadge::scale() const
{
    const double s = property("layoutScale").toDouble();
    return s > 0 ? s : 1.0;
}

bool ClockBadge::event(QEvent *e)
{
    if (e->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(e)->propertyName() == "layoutScale")
        display(view_);
    return QWidget::event(e);
}

ClockBadge::ClockBadge(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ClockBadge"));
    setAttribute(Qt::WA_TranslucentBackground);
    // A glance at the clock's state should not need a click into the window first.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    display(view_);
}

QColor ClockBadge::colour(BadgeLevel level)
{
    switch (level) {
    case BadgeLevel::Calm:
        return QColor(46, 158, 70);
    case BadgeLevel::Amber:
        return QColor(230, 160, 0);
    case BadgeLevel::Red:
        return QColor(200, 32, 32);
    case BadgeLevel::Unknown:
        break;
    }
    return QColor(150, 150, 150);
}

void ClockBadge::display(const ClockBadgeView &view)
{
    view_ = view;
    setToolTip(view.toolTip);
    setAccessibleName(view.text.isEmpty() ? QStringLiteral("PC clock check") : view.text);
    setAccessibleDescription(view.toolTip);
    // The badge grows to the left: its right edge stays where the window put it.
    const int right = x() + width();
    resize(sizeHint());
    move(right - width(), y());
    update();
}

QSize ClockBadge::sizeHint() const
{
    const double s = scale();
    const int height = int(std::lround(Height * s));
    if (view_.text.isEmpty())
        return {height, height};
    const QFontMetrics metrics(badgeFont(font(), s));
    return {int(std::lround((Pad + Dot + Pad + Pad + 2) * s)) + metrics.horizontalAdvance(view_.text), height};
}

void ClockBadge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = colour(view_.level);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double s = scale();
    const double pad = Pad * s, dotSize = Dot * s;
    if (!view_.text.isEmpty()) {
        // A pill in the badge's colour with the dot and the offset in white.
        p.setPen(QPen(c.darker(130), 1));
        p.setBrush(c);
        p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
        const QRectF dot(pad, (height() - dotSize) / 2.0, dotSize, dotSize);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(dot.adjusted(1.5, 1.5, -1.5, -1.5));
        p.setPen(Qt::white);
        p.setFont(badgeFont(font(), s));
        p.drawText(QRectF(pad + dotSize + pad, 0, width() - (pad + dotSize + pad), height()),
                   Qt::AlignVCenter | Qt::AlignLeft, view_.text);
        return;
    }
    // A dot on a light ring, so it reads on the gauge's bar and beside it alike.
    const QRectF dot = box.adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(QColor(255, 255, 255, 220), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    if (view_.measured) {
        p.setPen(QPen(c.darker(130), 1));
        p.setBrush(c);
    } else {
        p.setPen(QPen(c, 2));
        p.setBrush(QColor(255, 255, 255));
    }
    p.drawEllipse(dot.adjusted(1, 1, -1, -1));
}

} // namespace halvion
