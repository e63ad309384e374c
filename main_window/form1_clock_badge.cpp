// The clock badge's place: on the top right corner of the PC time box, just over its
// edge, where it reads as belonging to "PC Time" without covering its text.

#include "form1.h"

#include <QProgressBar>

namespace halvion {

void Form1::placeClockBadge(QWidget *badge)
{
    badge_ = badge;
    badge->setParent(Gauge1->parentWidget());
    const QSize size = badge->sizeHint();
    const QRect box = Gauge1->geometry();
    badge->setGeometry(box.right() + 5 - size.width(), box.top() + 4 - size.height(), size.width(), size.height());
    badge->raise();
    badge->show();
}

} // namespace halvion
