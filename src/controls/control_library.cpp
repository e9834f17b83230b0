#include "controls/control_library.h"

#include "controls/combo_box.h"
#include "controls/menu.h"
#include "controls/text_field.h"
#include "runtime/engine.h"

namespace vel {

void registerControlLibrary(Engine& engine)
{
    // Each family adds its registration here, one line per file.
    registerTextFields(engine);
    registerComboBoxes(engine);
    registerMenus(engine);
}

} // namespace vel
