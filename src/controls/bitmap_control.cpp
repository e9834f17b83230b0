#include "controls/bitmap_control.h"

#include "runtime/image.h"
#include "value/string.h"

namespace vel {

Value Bitmap::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Bitmap(engine_, data));
}

Value Bitmap::perform(const Value& action, const Value& arguments)
{
    if (action.is(Tag::String) && textOf(action) == "DiscardBK") {
        background_ = Value();
        return Value();
    }
    if (action.is(Tag::String) && textOf(action) == "Draw") {
        // Asked for by the form's code, outside a drawing of the whole form: shown at once.
        draw();
        flush();
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

void Bitmap::draw()
{
    const int32_t x = integer("X", 0), y = integer("Y", 0);
    if (!background_.isNil() && !isEnabled()) {
        drawImageAt(background_, x, y);
        background_ = Value();
        return;
    }
    Value image = imageProperty("Image");
    Image* picture = asImage(image);
    if (!picture)
        return;
    if (background_.isNil() && truth("Save Background", false))
        background_ = saveScreen(x, y, picture->width(), picture->height());
    if (isEnabled())
        drawImageAt(image, x, y, imageProperty("Mask"));
}

} // namespace vel
