#include "controls/control_library.h"

#include "controls/scroller.h"
#include "controls/slider.h"
#include "controls/static_text.h"
#include "controls/table_control.h"
#include "runtime/engine.h"

namespace vel {

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per file.
    registerScroller(engine);
    registerSlider(engine);
    registerStaticText(engine);
    registerTableControl(engine);
}

} // namespace vel
