#include "controls/scroller.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/plain_drawing.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/framework_timer.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/error.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kDefaultPartLength = 10;
const int32_t kFaceColor = colorRef(200, 200, 200);
const int32_t kTrackColor = colorRef(228, 226, 220);
const int32_t kBorderColor = colorRef(60, 60, 60);
const int32_t kDebugColor = colorRef(255, 0, 0);

std::string missing(std::string_view what)
{
    return "You must specify " + std::string(what) + " in the table file.";
}

} // namespace

Scroller::Scroller(Engine& engine, const Value& properties) : velLibraryControl(engine, properties)
{
    // The table's own values: the getters answer the state, which is what is being made here.
    min_ = numberOr(tableGet(Value::string("Min")), 0);
    max_ = numberOr(tableGet(Value::string("Max")), 100);
    pageInc_ = numberOr(tableGet(Value::string("PageInc")), 10);
    value_ = std::clamp(numberOr(tableGet(Value::string("Value")), min_), min_, maximum());
}

Value Scroller::className() const
{
    return Value::string("Scroller");
}

Value Scroller::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Scroller(engine_, data));
}

void Scroller::onFormLoad()
{
    velLibraryControl::onFormLoad();
    auto has = [this](const char* key) { return hasProperty(Value::string(key)); };
    if (!has("Hot Spot"))
        velError(missing("Hot Spot"));
    if (!has("ButtHeight") && !(has("UpImage") && has("DownImage")))
        velError("You must specify either ButtHeight or UpImage and DownImage in the table file.");
    if (!has("KnobHeight") && !has("KnobImage"))
        velError("You must specify either KnobHeight or KnobImage in the table file.");
}

Value Scroller::getProperty(const Value& key) const
{
    if (key.is(Tag::String)) {
        std::string_view k = textOf(key);
        if (k == "Value")
            return Value::integer(value_);
        if (k == "Min")
            return Value::integer(min_);
        if (k == "Max")
            return Value::integer(max_);
    }
    return velLibraryControl::getProperty(key);
}

void Scroller::setProperty(const Value& key, const Value& value)
{
    // A bar moved elsewhere gives back the screen it covered and saves anew where it goes.
    if (key.is(Tag::String) && textOf(key) == "Hot Spot" && background_.saved()) {
        if (DrawingSurface* surface = engine_.surface())
            background_.restore(*surface);
        background_.forget();
    }
    velLibraryControl::setProperty(key, value);
    takeSetting(key, value);
}

void Scroller::takeSetting(const Value& key, const Value& value)
{
    if (!key.is(Tag::String) || !(value.is(Tag::Int) || value.is(Tag::Float)))
        return;
    std::string_view k = textOf(key);
    int32_t n = numberOr(value, 0);
    if (k == "Min")
        min_ = n;
    else if (k == "Max")
        max_ = n;
    else if (k == "PageInc")
        pageInc_ = n;
    else if (k != "Value")
        return;
    value_ = std::clamp(k == "Value" ? n : value_, min_, maximum());
}

int32_t Scroller::partLength(const char* imageKey, const char* lengthKey) const
{
    if (truth("ResizeToAccommodateImages", true)) {
        // Held, so that a picture loaded from a file outlives the measuring.
        const Value image = imageProperty(imageKey);
        if (Image* picture = asImage(image))
            return horizontal() ? picture->width() : picture->height();
    }
    return integer(lengthKey, kDefaultPartLength);
}

Scroller::Layout Scroller::layout() const
{
    Layout l;
    l.horizontal = horizontal();
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!spot || spot->empty())
        return l;
    l.bar = *spot;
    const platform::Rect bar = l.bar;
    const bool h = l.horizontal;
    const int32_t length = h ? bar.width() : bar.height();
    auto segment = [&](int32_t from, int32_t n) {
        return h ? platform::Rect{bar.left + from, bar.top, bar.left + from + n, bar.bottom}
                 : platform::Rect{bar.left, bar.top + from, bar.right, bar.top + from + n};
    };
    // Buttons longer than half the bar would overlap: each keeps at most half.
    const int32_t upLength = std::clamp(partLength("UpImage", "ButtHeight"), 0, length / 2);
    const int32_t downLength = std::clamp(partLength("DownImage", "ButtHeight"), 0, length / 2);
    l.up = segment(0, upLength);
    l.down = segment(length - downLength, downLength);
    l.track = segment(upLength, length - upLength - downLength);
    if (std::optional<platform::Rect> inside = rectProperty("InsideRect"))
        l.track = *inside;

    const int32_t trackLength = std::max(0, h ? l.track.width() : l.track.height());
    const int32_t knobLength = static_cast<int32_t>(std::clamp<int64_t>(
        int64_t{partLength("KnobImage", "KnobHeight")} + integer("KnobAdjust", 0), 0, trackLength));
    const int32_t travel = trackLength - knobLength;
    const int64_t span = static_cast<int64_t>(maximum()) - min_;
    // In floating point: a wide range times a long track would not fit 64 bits.
    const int32_t offset =
        span > 0 ? static_cast<int32_t>(static_cast<double>(int64_t{value_} - min_) * travel / static_cast<double>(span))
                 : 0;
    const int32_t shift = integer("KnobOffset", 0);
    l.knob = h ? platform::Rect{l.track.left + offset, l.track.top + shift, l.track.left + offset + knobLength,
                                l.track.bottom + shift}
               : platform::Rect{l.track.left + shift, l.track.top + offset, l.track.right + shift,
                                l.track.top + offset + knobLength};
    return l;
}

void Scroller::draw()
{
    DrawingSurface* surface = engine_.surface();
    if (dontDraw_ || !surface)
        return;
    if (!isVisible()) {
        background_.restore(*surface);
        return;
    }
    const Layout l = layout();
    if (l.bar.empty())
        return;
    if (!asImage(imageProperty("Background Image"))) {
        background_.saveOnce(*surface, l.bar);
        background_.restore(*surface);
    }
    Value context = surface->context();
    auto drawImage = [&](const Value& picture, const platform::Rect& at) {
        Image* p = asImage(picture);
        if (!p)
            return false;
        // A size of 0 would draw the whole picture.
        if (!at.empty())
                velDrawImage(context, picture, at.left, at.top, std::min(p->width(), at.width()),
                         std::min(p->height(), at.height()));
        return true;
    };

    const bool background = drawImage(imageProperty("Background Image"), l.bar);
    if (!drawImage(imageProperty("InsideImage"), l.track) && !background && truth("FillInside", true)) {
        surface->fill(l.track, integer("FillColor", integer("InsideColor", kTrackColor)));
    }

    auto drawButton = [&](const platform::Rect& r, Part part, const char* normal, const char* held, ArrowDirection arrow) {
        const bool pressed = held_ == part;
        Value picture = pressed ? imageProperty(held) : Value();
        if (picture.isNil())
            picture = imageProperty(normal);
        if (drawImage(picture, r) || !truth("DrawButtons", true))
            return;
        drawBevel(*surface, r, integer("ButtonColor", kFaceColor), pressed);
        drawArrow(*surface, r, arrow, integer("BorderColor", kBorderColor));
    };
    drawButton(l.up, Part::Up, "UpImage", "UpHImage", l.horizontal ? ArrowDirection::Left : ArrowDirection::Up);
    drawButton(l.down, Part::Down, "DownImage", "DownHImage",
               l.horizontal ? ArrowDirection::Right : ArrowDirection::Down);

    Value knob = held_ == Part::Knob ? imageProperty("KnobHImage") : Value();
    if (knob.isNil())
        knob = imageProperty("KnobImage");
    if (!drawImage(knob, l.knob) && truth("DrawKnob", true))
        drawBevel(*surface, l.knob, integer("KnobColor", kFaceColor), false);

    if (truth("DrawBorder", !background))
        surface->rectangle(l.bar, integer("BorderColor", kBorderColor), 1);
    if (truth("DebugDraw", false)) {
        for (const platform::Rect& r : {l.up, l.down, l.track, l.knob})
            if (!r.empty())
                surface->rectangle(r, kDebugColor, 1);
    }
}

void Scroller::redraw()
{
    // Not before the form has drawn it: the screen is not yet the form's to save.
    if (!background_.saved() && !asImage(imageProperty("Background Image")))
        return;
    draw();
    engine_.updateScreen();
}

void Scroller::notifyChange()
{
    // The scroller itself is reported, not whichever control holds the keys: a form that answers
    // the click of another control by setting this bar would otherwise hear that click again.
    Value form = engine_.currentForm();
    if (velFormObject* f = asForm(form))
        f->controlClicked(Value::share(Tag::Control, this));
}

bool Scroller::changeValue(int64_t wanted)
{
    const int32_t v = static_cast<int32_t>(std::clamp<int64_t>(wanted, min_, maximum()));
    if (v == value_)
        return false;
    value_ = v;
    redraw();
    notifyChange();
    return true;
}

int32_t Scroller::stepOf(Part part) const
{
    const int32_t page = static_cast<int32_t>(std::min<int64_t>(std::llabs(pageInc_), INT32_MAX));
    switch (part) {
    case Part::Up: return -1;
    case Part::Down: return 1;
    case Part::PageUp: return -page;
    case Part::PageDown: return page;
    default: return 0;
    }
}

bool Scroller::pointStillOn(Part part, int32_t x, int32_t y) const
{
    const Layout l = layout();
    switch (part) {
    case Part::Up: return l.up.contains(x, y);
    case Part::Down: return l.down.contains(x, y);
    // Paging stops once the knob has reached the pointer, so it never runs past it.
    case Part::PageUp: return l.track.contains(x, y) && along(x, y) < along(l.knob.left, l.knob.top);
    case Part::PageDown: return l.track.contains(x, y) && along(x, y) >= along(l.knob.right, l.knob.bottom);
    default: return false;
    }
}

void Scroller::stepWithRepeat(Part part, int32_t x, int32_t y)
{
    const bool paging = part == Part::PageUp || part == Part::PageDown;
    held_ = paging ? Part::None : part;
    if (!changeValue(int64_t{value_} + stepOf(part)))
        redraw();
    if (!truth(paging ? "DisablePageRepeat" : "DisableScrollRepeat", false) && engine_.frameworkTimer()) {
        bool on = true;
        followRepeatingPress(
            engine_, integer("InitialRepeat", 250), integer("RepeatRate", 50),
            [&](int32_t px, int32_t py) {
                x = px, y = py;
                const bool now = pointStillOn(part, x, y);
                if (now != on && !paging) {
                    held_ = now ? part : Part::None;
                    redraw();
                }
                on = now;
            },
            [&] {
                if (on && pointStillOn(part, x, y))
                    changeValue(int64_t{value_} + stepOf(part));
                engine_.updateScreen();
            });
    }
    held_ = Part::None;
    redraw();
}

void Scroller::dragKnob(int32_t x, int32_t y)
{
    const Layout start = layout();
    const int32_t grab = along(x, y) - along(start.knob.left, start.knob.top);
    held_ = Part::Knob;
    redraw();
    EventRecord e;
    while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        const Layout l = layout();
        const bool h = l.horizontal;
        const int32_t travel = (h ? l.track.width() - l.knob.width() : l.track.height() - l.knob.height());
        if (travel <= 0)
            continue;
        const double position =
            std::clamp<double>(along(e.x, e.y) - grab - along(l.track.left, l.track.top), 0, travel);
        const double span = static_cast<double>(maximum()) - min_;
        changeValue(min_ + std::llround(position * span / travel));
    }
    held_ = Part::None;
    redraw();
}

bool Scroller::key(int32_t code, int32_t)
{
    if (!isEnabled())
        return false;
    Value keep = Value::share(Tag::Control, this);
    const int64_t v = value_;
    switch (code) {
    case key_code::Up:
    case key_code::Left: changeValue(v - 1); break;
    case key_code::Down:
    case key_code::Right: changeValue(v + 1); break;
    case key_code::PageUp: changeValue(v + stepOf(Part::PageUp)); break;
    case key_code::PageDown: changeValue(v + stepOf(Part::PageDown)); break;
    case key_code::Home: changeValue(min_); break;
    case key_code::End: changeValue(maximum()); break;
    default: break;
    }
    return false;
}

bool Scroller::track(int32_t x, int32_t y, int32_t, int32_t)
{
    if (!isEnabled() || maximum() <= min_)
        return false;
    // A handler told of a change may drop the form's last reference to this control.
    Value keep = Value::share(Tag::Control, this);
    const int32_t before = value_;
    const Layout l = layout();
    if (l.up.contains(x, y)) {
        stepWithRepeat(Part::Up, x, y);
    } else if (l.down.contains(x, y)) {
        stepWithRepeat(Part::Down, x, y);
    } else if (truth("DoKnob", true)) {
        if (l.knob.contains(x, y))
            dragKnob(x, y);
        else if (l.track.contains(x, y) && !truth("DisablePageUpDown", false))
            stepWithRepeat(along(x, y) < along(l.knob.left, l.knob.top) ? Part::PageUp : Part::PageDown, x, y);
    }
    return value_ != before;
}

Value Scroller::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "DontDraw")) {
        dontDraw_ = isTrue(arguments);
        if (!dontDraw_)
            redraw();
        return Value::integer(1);
    }
    const int64_t v = value_;
    int32_t n = 0;
    const bool given = integerOf(arguments, n);
    if (isAction(action, "ScrollUp"))
        changeValue(v - 1);
    else if (isAction(action, "ScrollDown"))
        changeValue(v + 1);
    else if (isAction(action, "PageUp"))
        changeValue(v + stepOf(Part::PageUp));
    else if (isAction(action, "PageDown"))
        changeValue(v + stepOf(Part::PageDown));
    else if (isAction(action, "Home"))
        changeValue(min_);
    else if (isAction(action, "End"))
        changeValue(maximum());
    else if (isAction(action, "SetValue") && given)
        changeValue(n);
    else if (isAction(action, "SetPageInc") && given)
        pageInc_ = n;
    else if ((isAction(action, "SetMin") || isAction(action, "SetMax")) && given) {
        (isAction(action, "SetMin") ? min_ : max_) = n;
        // The knob moves with the range even when the value stays.
        if (!changeValue(value_))
            redraw();
    } else
        return velLibraryControl::perform(action, arguments);
    return Value::integer(1);
}

} // namespace vel
