#pragma once
// A callsign on the map (and the path line, drawn the same way): light text on a
// dark, see-through, rounded tag. A callsign lies beside its station's marker and a
// little under it, so every blink of the marker repaints a sliver of it; laying its
// text out again each time costs more than the blink itself. It keeps a picture of
// what it draws and shows that, until its text, size, font, style or palette change.
// The tag is drawn here rather than by a style sheet, which would have every control
// of the window drawn and kept through it.

#include <QColor>
#include <QLabel>
#include <QPixmap>

namespace halvion {

class CallsignLabel : public QLabel
{
public:
    static constexpr QColor CallsignBackground{10, 20, 40, 150};
    static constexpr QColor PathBackground{10, 20, 40, 160};

    CallsignLabel(const QString &text, QWidget *parent, QColor background = CallsignBackground);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool pictureCurrent() const;
    void drawBackground();
    void drawPicture();

    QColor background_;
    QPixmap picture_;
    QString pictureText_;
    bool drawingPicture_ = false;
    bool pictureQueued_ = false;
};

} // namespace halvion
