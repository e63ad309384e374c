#pragma once
// The activity gauge behind the PC time: a plain bar filled in the highlight colour up
// to its value. Drawn here rather than by the desktop's style, whose shaded, striped
// bar has the painting spread over helper threads every second, at more cost than the
// rest of an idle second's drawing.

#include <QProgressBar>

namespace halvion {

class GaugeBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace halvion
