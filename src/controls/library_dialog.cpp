#include "controls/library_dialog.h"

#include <algorithm>

#include "runtime/engine.h"

namespace vel {

Value velLibraryDialog::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new velLibraryDialog(engine_, data));
}

void velLibraryDialog::open(const Value& data)
{
    LibraryForm::open(data);
    narrate(false);
}

void velLibraryDialog::drag(int32_t x, int32_t y)
{
    LibraryForm::drag(x, y);
    setProperty(Value::string("Origin X"), Value::integer(originX_));
    setProperty(Value::string("Origin Y"), Value::integer(originY_));
}

FormPoint velLibraryDialog::dragOrigin(int32_t x, int32_t y, int32_t grabX, int32_t grabY) const
{
    // Within the screen as a whole; a dialog larger than the screen keeps its top-left corner on it.
    const Configuration& configuration = engine_.configuration();
    FormPoint origin = LibraryForm::dragOrigin(x, y, grabX, grabY);
    origin.x = std::clamp(origin.x, 0, std::max(0, configuration.mediaWidth() - width_));
    origin.y = std::clamp(origin.y, 0, std::max(0, configuration.mediaHeight() - height_));
    return origin;
}

} // namespace vel
