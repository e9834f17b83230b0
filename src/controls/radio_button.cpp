#include "controls/radio_button.h"

#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/string.h"

namespace vel {

RadioButton::RadioButton(Engine& engine, const Value& properties)
    : velLibraryControl(engine, properties), selected_(truth("Selected", false))
{
}

Value RadioButton::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new RadioButton(engine_, data));
}

Value RadioButton::perform(const Value& action, const Value& arguments)
{
    std::string_view name = action.is(Tag::String) ? textOf(action) : std::string_view();
    if (name == "IsSelected")
        return Value::boolean(selected_);
    if (name == "Select") {
        applySelected(isTrue(arguments));
        return Value();
    }
    if (name == "Disable") {
        const bool disable = isTrue(arguments);
        if (!selected_ || disable) {
            setBoolean(Value::string("Disabled"), disable);
            if (selected_) {
                selected_ = false;
                setInteger(Value::string("Selected"), 0);
            }
            draw(), flush();
        }
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

void RadioButton::initialise()
{
    initialised_ = true;
    const platform::Rect spot = hotSpotRect();
    at_ = {integer("SelectedX", spot.left), integer("SelectedY", spot.top)};
    imageRect_ = spot;
    for (const char* key : {"DeselectedImage", "SelectedImage", "DisabledImage"})
        imageRect_ = unionRect(imageRect_, imageBoundsAt(imageProperty(key), at_.x, at_.y));
    screen_ = saveScreen(imageRect_);
}

void RadioButton::drawLook(bool selected)
{
    // The screen it was drawn on first (the deselected look when there is no image for it), so that
    // a masked image never lies over the other state's.
    drawImageAt(screen_, imageRect_.left, imageRect_.top);
    Value image;
    if (selected)
        image = imageProperty("SelectedImage");
    else if (truth("Disabled", false) && has("DisabledImage"))
        image = imageProperty("DisabledImage");
    else
        image = imageProperty("DeselectedImage");
    drawImageAt(image, at_.x, at_.y, imageProperty("Mask"));
}

void RadioButton::draw()
{
    if (!initialised_)
        initialise();
    if (!isVisible()) {
        // Hidden: the screen it covered comes back.
        drawImageAt(screen_, imageRect_.left, imageRect_.top);
        return;
    }
    selected_ = truth("Selected", false);
    drawLook(selected_);
}

bool RadioButton::containsPoint(int32_t x, int32_t y) const
{
    return !selected_ && velLibraryControl::containsPoint(x, y);
}

bool RadioButton::track(int32_t, int32_t, int32_t, int32_t)
{
    if (!isEnabled())
        return false;
    if (!initialised_)
        initialise();
    if (has("Sound"))
        playSound(property("Sound"), 0);
    bool chosen = selected_;
    if (!chosen) {
        drawLook(true);
        flush();
    }
    trackBegin();
    if (!chosen) {
        chosen = followPress([this](bool in) {
            drawLook(in);
            flush();
            trackChanged();
        });
        drawLook(chosen);
        flush();
    }
    trackEnd();
    if (chosen && has("RadioGroup")) {
        velFormObject* form = asForm(engine_.currentForm());
        Value group = form ? form->findControl(property("RadioGroup")) : Value();
        if (velControlObject* target = asControl(group))
            target->perform(Value::string("Notify"), property("Name"));
    }
    applySelected(chosen);
    return chosen;
}

void RadioButton::applySelected(bool selected)
{
    const bool changed = selected != truth("Selected", false);
    selected_ = selected;
    setInteger(Value::string("Selected"), selected ? 1 : 0);
    if (changed)
        setInteger(Value::string("Disabled"), selected ? 1 : 0);
    if (initialised_)
        draw(), flush();
}

} // namespace vel
