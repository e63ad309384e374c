#pragma once
// The activity gauge behind the PC time: a plain bar filled in the highlight colour up
// to its value. Drawn here rather than by the desktop's style, whose shaded, striped
// bar has the painting spread over helper threads every second, at more cost than the
// rest of an idle second's drawing. And QProgressBar paints at once, outside the
// second's other drawing, whenever its value changes: the gauge's value is set here so
// that its change is drawn with the PC time written over it, in one pass a second.

#include <QProgressBar>

namespace halvion {

class GaugeBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

    // Hides QProgressBar::setValue, which is not virtual: call it on a GaugeBar.
    void setValue(int value);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace halvion
