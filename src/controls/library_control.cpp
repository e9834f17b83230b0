#include "controls/library_control.h"

#include <algorithm>
#include <string>

#include "controls/plain_drawing.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/sound.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

velLibraryControl::velLibraryControl(Engine& engine, const Value& properties) : velControlObject(engine, properties) {}

Value velLibraryControl::getProperty(const Value& key) const
{
    Value value = velControlObject::getProperty(key);
    return value.is(Tag::Reference) ? engine_.resources().resolve(value) : value;
}

int32_t velLibraryControl::getInteger(const Value& key, int32_t defaultValue) const
{
    Value value = getProperty(key);
    return value.is(Tag::Int) ? value.asInt() : defaultValue;
}

Value velLibraryControl::perform(const Value& action, const Value& arguments)
{
    if (action.is(Tag::String) && textOf(action) == "getHelpString")
        return help();
    return velControlObject::perform(action, arguments);
}

Value velLibraryControl::cursor() const
{
    return cursorNamed("HandCursor");
}

Value velLibraryControl::mouseEnter(int32_t x, int32_t y)
{
    if (!has("RolloverImage"))
        return velControlObject::mouseEnter(x, y);
    Value image = imageProperty("RolloverImage");
    Image* picture = asImage(image);
    if (!picture)
        return Value();
    // A leave that never came (the control was disabled under the pointer) leaves its area to put back.
    hideRollover();
    const int32_t left = integer("RolloverX", hotSpotRect().left), top = integer("RolloverY", hotSpotRect().top);
    rolloverArea_ = saveScreen(left, top, picture->width(), picture->height());
    drawImageAt(image, left, top);
    flush();
    return Value();
}

void velLibraryControl::mouseLeave(const Value& rolloverState, int32_t x, int32_t y)
{
    if (!rolloverShowing()) {
        velControlObject::mouseLeave(rolloverState, x, y);
        return;
    }
    hideRollover();
    flush();
}

void velLibraryControl::hideRollover()
{
    if (!rolloverShowing())
        return;
    drawImageAt(rolloverArea_, integer("RolloverX", hotSpotRect().left), integer("RolloverY", hotSpotRect().top));
    rolloverArea_ = Value();
}

void velLibraryControl::dataEvent(const Value& first, const Value& second)
{
    // Only the end of this control's own sound: another's, or a movie's, leaves it playing.
    List* notice = asList(first);
    if (sound_.isNil() || !notice || notice->count() < 2 || notice->get(0).object() != sound_.object())
        return velControlObject::dataEvent(first, second);
    std::string_view what = textOf(notice->get(1));
    if (what == "ended" || what == "aborted")
        stopSound();
}

Value soundFileName(Engine& engine, const Value& sound)
{
    if (!sound.is(Tag::String) || textOf(sound).find('.') != std::string_view::npos)
        return sound;
    std::string completed(textOf(sound));
    completed += '.';
    completed += textOf(engine.configuration().get("AudioExtension", Value::string("wav")));
    return Value::string(completed);
}

int32_t velLibraryControl::playSound(const Value& sound, int32_t wait)
{
    if (!engine_.configuration().getTruth("SoundEffects", true))
        return 0;
    const Value name = soundFileName(engine_, sound);
    sound_ = name.is(Tag::Sound) ? name : engine_.resources().loadSound(name, true);
    if (sound_.isNil())
        return 0;
    Value keep = sound_;
    return velPlay(keep, -1, -1, wait != 0) ? 1 : 0;
}

void velLibraryControl::stopSound()
{
    if (sound_.isNil())
        return;
    // Forgotten first: the stop reports "aborted", which must find nothing left to stop.
    Value sound = sound_;
    sound_ = Value();
    velStop(sound);
}

bool velLibraryControl::isSoundPlaying() const
{
    // A sound whose end reached another control (the form passes data events to its active control
    // only) is over all the same.
    Sound* sound = asSound(sound_);
    return sound && sound->isPlaying();
}

Value velLibraryControl::imageProperty(std::string_view key) const
{
    Value value = property(key);
    if (value.is(Tag::Image))
        return value;
    if (!value.is(Tag::String) && !value.is(Tag::Reference))
        return Value();
    return engine_.resources().loadImage(value);
}

std::optional<platform::Rect> velLibraryControl::rectProperty(std::string_view key) const
{
    Region* region = asRegion(engine_.resources().loadNamed(property(key)));
    if (!region)
        return std::nullopt;
    return platform::Rect{region->left, region->top, region->right, region->bottom};
}

platform::Rect velLibraryControl::hotSpotRect() const
{
    return rectProperty("Hot Spot").value_or(platform::Rect{});
}

Value velLibraryControl::saveScreen(int32_t x, int32_t y, int32_t width, int32_t height) const
{
    DrawingSurface* surface = engine_.surface();
    if (!surface || width <= 0 || height <= 0)
        return Value();
    // Captures read the pixels' own coordinates; drawing adds the form's origin.
    return captureImage(surface->context(), x + surface->originX(), y + surface->originY(), width, height, Value(),
                        true);
}

void velLibraryControl::drawImageAt(const Value& image, int32_t x, int32_t y, const Value& mask) const
{
    DrawingSurface* surface = engine_.surface();
    if (!surface || !image.is(Tag::Image))
        return;
    if (mask.is(Tag::Image) && asImage(image)->mask().object() != mask.object())
        setImageMask(image, mask);
    velDrawImage(surface->context(), image, x, y);
}

void velLibraryControl::flush() const
{
    engine_.updateScreen();
}

bool velLibraryControl::followPress(const std::function<void(bool inside)>& crossed)
{
    // Held for the length of the loop: a handler may drop the form's last reference to this control.
    Value keep = Value::share(Tag::Control, this);
    Value spot = hotSpot();
    Region* region = asRegion(spot);
    bool inside = true;
    EventRecord e;
    while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e)) {
        // Where the last drag left the pointer decides, as in the plain control's loop.
        if (e.kind == event_kind::MouseUp)
            return inside;
        if ((region && region->containsPoint(e.x, e.y)) != inside) {
            inside = !inside;
            crossed(inside);
        }
    }
    return false;
}

FormPoint velLibraryControl::toForm(int32_t x, int32_t y) const
{
    velFormObject* form = asForm(engine_.currentForm());
    return form ? form->toFormCoordinates({x, y}) : FormPoint{x, y};
}

platform::Rect imageBoundsAt(const Value& image, int32_t x, int32_t y)
{
    Image* picture = asImage(image);
    return picture ? platform::Rect::sized(x, y, picture->width(), picture->height()) : platform::Rect{x, y, x, y};
}

platform::Rect unionRect(const platform::Rect& a, const platform::Rect& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

} // namespace vel
