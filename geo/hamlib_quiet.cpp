#include "hamlib_quiet.h"

#include <hamlib/rig.h>

#include <mutex>

namespace halvion {

void quietHamlib()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The library starts at the trace level; a level chosen on purpose is left alone.
        if (rig_need_debug(RIG_DEBUG_TRACE) && !rig_need_debug(RIG_DEBUG_CACHE))
            rig_set_debug(RIG_DEBUG_WARN);
    });
}

} // namespace halvion
