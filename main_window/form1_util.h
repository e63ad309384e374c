#pragma once
// Small conversions shared by the main window's source files.

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QString>

#include <cstddef>
#include <string_view>

namespace halvion {

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A station or band index as an index into the control arrays.
constexpr std::size_t at(int index) { return static_cast<std::size_t>(index); }

// The small grey lines between the map and the status line (follow, radio, skimmers).
inline void setSmallLineColour(QLabel *line)
{
    QPalette p = line->palette();
    p.setColor(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    line->setPalette(p);
}

} // namespace halvion
