#include "controls/control_library.h"

#include "controls/history.h"
#include "runtime/engine.h"

namespace vel {

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per file.
    History::of(engine);
}

} // namespace vel
