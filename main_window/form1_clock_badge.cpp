// The clock badge's place: on the top right corner of the PC time box, just over its
// edge, where it reads as belonging to "PC Time" without covering its text.

#include "form1.h"

#include <QProgressBar>
#include <QVariant>

#include <cmath>

namespace halvion {

void Form1::placeClockBadge(QWidget *badge)
{
    badge_ = badge;
    badge->setParent(Gauge1->parentWidget());
    // It grows with the window's layout.
    if (badge->property("layoutScale").toDouble() != scale_)
        badge->setProperty("layoutScale", scale_);
    const QSize size = badge->sizeHint();
    const QRect box = Gauge1->geometry();
    badge->setGeometry(box.right() + int(std::lround(5 * scale_)) - size.width(),
                       box.top() + int(std::lround(4 * scale_)) - size.height(), size.width(), size.height());
    badge->raise();
    badge->show();
}

} // namespace halvion
