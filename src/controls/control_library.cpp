#include "controls/control_library.h"

#include "controls/text_view.h"
#include "runtime/engine.h"

namespace vel {

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per file.
    registerTextView(engine);
}

} // namespace vel
