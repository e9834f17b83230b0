// HotSpot: an area of the screen that reacts to a click, with an optional "Sound" played as the
// button goes down. With "ReleaseOnMouseDown" the press itself is the click; otherwise the click
// is a release inside the hot spot.
#pragma once

#include "controls/library_control.h"

namespace vel {

class HotSpot final : public velLibraryControl {
public:
    using velLibraryControl::velLibraryControl;

    Value className() const override { return Value::string("HotSpot"); }
    Value createInstance(const Value& data) const override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;
};

} // namespace vel
