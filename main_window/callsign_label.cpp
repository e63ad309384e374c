#include "callsign_label.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

namespace halvion {

CallsignLabel::CallsignLabel(const QString &text, QWidget *parent, QColor background)
    : QLabel(text, parent), background_(background)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QColor(0xff, 0xf6, 0xc8));
    setPalette(p);
}

void CallsignLabel::drawBackground()
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background_);
    painter.drawRoundedRect(QRectF(rect()), 3, 3);
}

bool CallsignLabel::pictureCurrent() const
{
    const qreal ratio = devicePixelRatioF();
    return !picture_.isNull() && picture_.devicePixelRatio() == ratio &&
           picture_.size() == (QSizeF(size()) * ratio).toSize() && pictureText_ == text();
}

// Without a current picture the label draws itself as usual and has the picture
// drawn once the event loop is free: a widget cannot be drawn again while it paints.
void CallsignLabel::paintEvent(QPaintEvent *event)
{
    if (drawingPicture_ || !pictureCurrent()) {
        drawBackground();
        QLabel::paintEvent(event);
        if (!drawingPicture_ && !pictureQueued_) {
            pictureQueued_ = true;
            QMetaObject::invokeMethod(this, [this] { drawPicture(); }, Qt::QueuedConnection);
        }
        return;
    }
    const qreal ratio = picture_.devicePixelRatio();
    const QRect exposed = event->rect();
    QPainter painter(this);
    painter.drawPixmap(exposed, picture_, QRectF(QPointF(exposed.topLeft()) * ratio, QSizeF(exposed.size()) * ratio));
}

void CallsignLabel::drawPicture()
{
    pictureQueued_ = false;
    if (pictureCurrent())
        return;
    const qreal ratio = devicePixelRatioF();
    QPixmap picture((QSizeF(size()) * ratio).toSize());
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    // The picture holds the tag and its text, nothing of what lies under it.
    const bool noBackground = testAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    drawingPicture_ = true;
    render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
    drawingPicture_ = false;
    setAttribute(Qt::WA_NoSystemBackground, noBackground);
    picture_ = picture;
    pictureText_ = text();
}

void CallsignLabel::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        picture_ = QPixmap();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

} // namespace halvion
