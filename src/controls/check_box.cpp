#include "controls/check_box.h"

#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/string.h"

namespace vel {

CheckBox::CheckBox(Engine& engine, const Value& properties)
    : velLibraryControl(engine, properties), selected_(truth("Selected", false))
{
}

Value CheckBox::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new CheckBox(engine_, data));
}

Value CheckBox::perform(const Value& action, const Value& arguments)
{
    std::string_view name = action.is(Tag::String) ? textOf(action) : std::string_view();
    if (name == "IsSelected")
        return Value::boolean(selected_);
    if (name == "Select" || name == "SelectDontDraw") {
        selected_ = isTrue(arguments);
        if (name == "Select")
            draw(), flush();
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

void CheckBox::layout()
{
    initialised_ = true;
    selectedImage_ = imageProperty("SelectedImage");
    deselectedImage_ = imageProperty("DeselectedImage");
    mask_ = imageProperty("Mask");
    spot_ = hotSpotRect();
    box_ = {spot_.left, spot_.top};
    if (has("SelectedX"))
        box_.x = integer("SelectedX", 0);
    if (has("SelectedY"))
        box_.y = integer("SelectedY", 0);
    const platform::Rect box = unionRect(imageBoundsAt(selectedImage_, 0, 0), imageBoundsAt(deselectedImage_, 0, 0));
    const int32_t boxWidth = box.width(), boxHeight = box.height();
    label_ = {spot_.left + boxWidth + 5, spot_.top, spot_.right, spot_.bottom};
    labelImage_ = imageProperty("TextBitmap");
    if (Image* picture = asImage(labelImage_)) {
        label_.top = spot_.top + (boxHeight - picture->height()) / 2 + 2;
        label_.bottom = label_.top + picture->height();
    } else {
        font_ = property("Font");
        if (!font_.is(Tag::Font))
            font_ = Font::make(Value::string("Arial"), 8, 0);
        if (truth("Bold", false)) {
            const Font* f = font_.as<Font>();
            font_ = Font::make(f->face, f->size, f->style | 2);
        }
        foreground_ = integer("ForegroundColor", 0);
        if (has("BackgroundColor"))
            background_ = integer("BackgroundColor", 0xFFFFFF);
        std::string_view align = textOf(property("Align"));
        format_ = (align == "Center" ? text_format::Center : align == "Right" ? text_format::Right : text_format::Left) |
                  text_format::VCenter | text_format::SingleLine;
    }
    boxScreen_ = saveScreen(box_.x, box_.y, boxWidth, boxHeight);
    labelScreen_ = saveScreen(label_);
}

void CheckBox::drawBox(bool selected)
{
    drawImageAt(boxScreen_, box_.x, box_.y);
    drawImageAt(selected ? selectedImage_ : deselectedImage_, box_.x, box_.y, mask_);
}

void CheckBox::drawLabel()
{
    if (!labelImage_.isNil()) {
        drawImageAt(labelImage_, label_.left, label_.top);
        return;
    }
    DrawingSurface* surface = engine_.surface();
    std::string_view text = textOf(property("Text"));
    if (!surface || label_.empty())
        return;
    // Text drawn over itself thickens at the edges: the screen under it goes back first.
    drawImageAt(labelScreen_, label_.left, label_.top);
    if (background_ >= 0)
        surface->fill(label_, static_cast<int32_t>(background_));
    if (text.empty() || !surface->selectFont(font_))
        return;
    surface->setTextColor(foreground_);
    surface->setTextBackground(-1);
    surface->drawTextInRect(label_, text, format_);
}

void CheckBox::draw()
{
    if (!initialised_)
        layout();
    if (!isVisible()) {
        // Hidden: the screen it covered comes back.
        drawImageAt(boxScreen_, box_.x, box_.y);
        drawImageAt(labelScreen_, label_.left, label_.top);
        return;
    }
    drawBox(selected_);
    drawLabel();
    if (truth("DebugBorder", false))
        if (DrawingSurface* surface = engine_.surface())
            surface->rectangle(spot_, 0x0000FF, 1);
}

bool CheckBox::track(int32_t, int32_t, int32_t, int32_t)
{
    if (!initialised_)
        layout();
    if (has("Sound"))
        playSound(property("Sound"), 0);
    drawBox(!selected_);
    flush();
    trackBegin();
    const bool inside = followPress([this](bool in) {
        drawBox(in ? !selected_ : selected_);
        flush();
        trackChanged();
    });
    if (inside)
        selected_ = !selected_;
    drawBox(selected_);
    flush();
    trackEnd();
    return inside;
}

} // namespace vel
