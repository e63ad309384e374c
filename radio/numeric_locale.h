#pragma once

#include <clocale>

namespace halvion {

// Hamlib's rig_open notes the name of the C library's numeric locale, switches LC_NUMERIC to
// "C" for its own parsing and then switches back by that name, which the first switch has
// already freed unless the numeric locale was "C" to begin with; and it does so on whichever
// thread opens the rig, while other threads may be formatting numbers. So every program that
// can open a rig calls this once, right after creating its application object (which applies
// the user's locale) and before it starts a thread of its own. Qt formats and parses numbers
// through QLocale, so nothing the user sees changes.
inline void useCNumericLocale()
{
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace halvion
