#include "controls/button.h"

#include "runtime/engine.h"
#include "value/string.h"

namespace vel {

Button::Button(Engine& engine, const Value& properties)
    : velLibraryControl(engine, properties), needsPreparing_(!has("ImageRect"))
{
}

Value Button::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Button(engine_, data));
}

Value Button::perform(const Value& action, const Value& arguments)
{
    if (action.is(Tag::String) && textOf(action) == "Redraw") {
        needsPreparing_ = true;
        draw();
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

FormPoint Button::downPosition() const
{
    // "DownY" alone moves nothing: the pair counts only when "DownX" is given.
    const platform::Rect spot = hotSpotRect();
    if (!has("DownX"))
        return {spot.left, spot.top};
    return {integer("DownX", spot.left), integer("DownY", spot.top)};
}

FormPoint Button::disabledPosition() const
{
    const platform::Rect spot = hotSpotRect();
    return {integer("DisabledX", spot.left), integer("DisabledY", spot.top)};
}

platform::Rect Button::imageRect() const
{
    if (std::optional<platform::Rect> given = rectProperty("ImageRect"))
        return *given;
    const platform::Rect spot = hotSpotRect();
    platform::Rect area = spot;
    if (has("DownImage")) {
        const FormPoint at = downPosition();
        area = unionRect(area, imageBoundsAt(imageProperty("DownImage"), at.x, at.y));
    }
    if (has("DisabledImage")) {
        const FormPoint at = disabledPosition();
        area = unionRect(area, imageBoundsAt(imageProperty("DisabledImage"), at.x, at.y));
    }
    return area.empty() ? spot : area;
}

void Button::prepareImages()
{
    needsPreparing_ = false;
    imageRect_ = imageRect();
    background_ = saveScreen(imageRect_);
}

void Button::drawState(std::string_view image, std::string_view mask, FormPoint at)
{
    Value picture = imageProperty(image);
    if (picture.isNil())
        return;
    // The kept screen goes back where it was taken, whichever image is placed where.
    drawImageAt(background_, imageRect_.left, imageRect_.top);
    drawImageAt(picture, at.x, at.y, imageProperty(mask));
}

void Button::drawUp()
{
    const platform::Rect spot = hotSpotRect();
    drawState("UpImage", "UpMask", {spot.left, spot.top});
}

void Button::drawDown()
{
    drawState("DownImage", "DownMask", downPosition());
}

void Button::draw()
{
    if (needsPreparing_)
        prepareImages();
    if (isEnabled())
        drawUp();
    else if (isVisible())
        drawState("DisabledImage", "DisabledMask", disabledPosition());
    else
        drawImageAt(background_, imageRect_.left, imageRect_.top);
}

bool Button::track(int32_t, int32_t, int32_t, int32_t)
{
    if (!isEnabled())
        return false;
    if (needsPreparing_)
        prepareImages();
    hideRollover();
    drawDown();
    flush();
    if (has("Sound"))
        playSound(property("Sound"), 0);
    trackBegin();
    const bool inside = followPress([this](bool in) {
        if (in)
            drawDown();
        else
            drawUp();
        flush();
        trackChanged();
    });
    drawUp();
    flush();
    trackEnd();
    return inside;
}

void Button::flash()
{
    Value down = imageProperty("DownImage");
    if (down.isNil())
        return;
    const platform::Rect area = imageRect();
    Value screen = saveScreen(area);
    const platform::Rect spot = hotSpotRect();
    drawImageAt(down, spot.left, spot.top, imageProperty("DownMask"));
    flush();
    engine_.clock().sleep(100);
    drawImageAt(screen, area.left, area.top);
    flush();
}

} // namespace vel
