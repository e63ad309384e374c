#include "gauge_bar.h"

#include <QPainter>

namespace halvion {

void GaugeBar::setValue(int value)
{
    if (value == this->value())
        return;
    // With updates off QProgressBar's immediate repaint does nothing; turning them on
    // again asks for an ordinary update, drawn with whatever else changed.
    setUpdatesEnabled(false);
    QProgressBar::setValue(value);
    setUpdatesEnabled(true);
}

void GaugeBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, palette().base());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    const int span = maximum() - minimum();
    if (span <= 0 || value() <= minimum())
        return;
    QRect bar = frame.adjusted(2, 2, -2, -2);
    bar.setWidth(bar.width() * (value() - minimum()) / span);
    painter.fillRect(bar, palette().highlight());
}

} // namespace halvion
