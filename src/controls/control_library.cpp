#include "controls/control_library.h"

#include "controls/list_box.h"
#include "runtime/engine.h"

namespace vel {

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per file.
    registerListBoxes(engine);
}

} // namespace vel
