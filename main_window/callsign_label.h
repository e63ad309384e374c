#pragma once
// A callsign on the map. It lies beside its station's marker and a little under it,
// so every blink of the marker repaints a sliver of it; laying its text out again
// each time costs more than the blink itself. It keeps a picture of what it draws
// over its background and shows that, until its text, size, font, style or palette
// change.

#include <QLabel>
#include <QPixmap>

namespace halvion {

class CallsignLabel : public QLabel
{
public:
    CallsignLabel(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool pictureCurrent() const;
    void drawPicture();

    QPixmap picture_;
    QString pictureText_;
    bool drawingPicture_ = false;
    bool pictureQueued_ = false;
};

} // namespace halvion
