#include "controls/hot_spot.h"

namespace vel {

Value HotSpot::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new HotSpot(engine_, data));
}

bool HotSpot::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    if (has("Sound"))
        playSound(property("Sound"), 0);
    if (truth("ReleaseOnMouseDown", false))
        return true;
    return velLibraryControl::track(x, y, flags, clicks);
}

} // namespace vel
