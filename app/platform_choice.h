#pragma once
// Qt 6.4 on Wayland can neither place a window where it was left nor keep one above
// the others, both of which the compact view needs. On a Wayland session that also
// offers an X server (XWayland), the program runs on X11 instead, unless the user
// chose a platform with QT_QPA_PLATFORM.

#include <string_view>

namespace halvion {

// The arguments are the values of QT_QPA_PLATFORM, XDG_SESSION_TYPE, WAYLAND_DISPLAY
// and DISPLAY (empty when unset).
constexpr bool preferX11Platform(std::string_view qpaPlatform, std::string_view sessionType,
                                 std::string_view waylandDisplay, std::string_view x11Display)
{
    if (!qpaPlatform.empty() || x11Display.empty())
        return false;
    return sessionType == "wayland" || !waylandDisplay.empty();
}

} // namespace halvion
