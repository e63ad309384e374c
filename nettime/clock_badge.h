#pragma once
// The small badge beside "PC Time": a dot in the badge's colour, filled when a
// measurement stands behind it and hollow when only the system's own sync state
// does; red with the offset written beside the dot. Its tooltip tells the rest.

#include "clock_check_badge.h"

#include <QWidget>

namespace halvion {

class ClockBadge : public QWidget {
    Q_OBJECT
public:
    explicit ClockBadge(QWidget *parent = nullptr);

    void display(const ClockBadgeView &view);
    const ClockBadgeView &view() const { return view_; }
    // The badge's colour for a level (tests and the compact view use the same).
    static QColor colour(BadgeLevel level);

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    double scale() const;

    ClockBadgeView view_;
};

} // namespace halvion
