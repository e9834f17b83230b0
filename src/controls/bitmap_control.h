// Bitmap: a picture ("Image", through "Mask" when given) at ("X", "Y"). With "Save Background" the
// screen under it is kept at the first draw, so that hiding or disabling it draws the screen back;
// the "DiscardBK" action forgets what was kept (after the screen behind has changed).
#pragma once

#include "controls/library_control.h"

namespace vel {

class Bitmap final : public velLibraryControl {
public:
    using velLibraryControl::velLibraryControl;

    Value className() const override { return Value::string("Bitmap"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;

private:
    Value background_;
};

} // namespace vel
