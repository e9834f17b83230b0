#include "controls/slider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kDefaultThumbLength = 10;
constexpr int32_t kGrooveThickness = 4;
const int32_t kThumbColor = colorRef(200, 200, 200);
const int32_t kGrooveColor = colorRef(228, 226, 220);
const int32_t kRangeColor = colorRef(35, 75, 140);

} // namespace

Slider::Slider(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value Slider::className() const
{
    return Value::string("Slider");
}

Value Slider::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Slider(engine_, data));
}

int32_t Slider::minimum() const
{
    return integer("Minimum", 0);
}

int32_t Slider::maximum() const
{
    return std::max(minimum(), integer("Maximum", 100));
}

int32_t Slider::low() const
{
    return std::clamp(integer("Low", minimum()), minimum(), maximum());
}

int32_t Slider::high() const
{
    if (!isDouble())
        return low();
    int32_t fallback = maximum();
    if (!hasProperty(Value::string("High")) && hasProperty(Value::string("Range")))
        fallback = static_cast<int32_t>(std::min<int64_t>(int64_t{low()} + integer("Range", 0), maximum()));
    return std::clamp(integer("High", fallback), low(), maximum());
}

void Slider::place(Thumb thumb, int64_t position)
{
    const int64_t from = thumb == Thumb::High ? low() : minimum();
    const int64_t to = thumb == Thumb::Low && isDouble() ? high() : maximum();
    const int32_t kept = static_cast<int32_t>(std::clamp(position, from, std::max(from, to)));
    setInteger(Value::string(thumb == Thumb::High ? "High" : "Low"), kept);
}

int32_t Slider::thumbLength() const
{
    // The value keeps the picture alive: one loaded from a file lives no longer than it.
    const Value picture = imageProperty("ThumbImage");
    if (Image* thumb = asImage(picture))
        return vertical() ? thumb->height() : thumb->width();
    return kDefaultThumbLength;
}

platform::Rect Slider::thumbRect(Thumb thumb) const
{
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!spot || spot->empty() || thumb == Thumb::None)
        return {};
    const platform::Rect bar = *spot;
    const int32_t length = vertical() ? bar.height() : bar.width();
    const int32_t thumbSize = std::clamp(thumbLength(), 0, length);
    const int64_t span = int64_t{maximum()} - minimum();
    const int32_t position = thumb == Thumb::High ? high() : low();
    // In floating point: a wide range times a long bar would not fit 64 bits.
    const int32_t offset = span > 0 ? static_cast<int32_t>(static_cast<double>(int64_t{position} - minimum()) *
                                                           (length - thumbSize) / static_cast<double>(span))
                                    : 0;
    return vertical() ? platform::Rect{bar.left, bar.top + offset, bar.right, bar.top + offset + thumbSize}
                      : platform::Rect{bar.left + offset, bar.top, bar.left + offset + thumbSize, bar.bottom};
}

int64_t Slider::positionAt(int32_t offset) const
{
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    const int32_t length = spot ? (vertical() ? spot->height() : spot->width()) : 0;
    const int32_t travel = length - std::clamp(thumbLength(), 0, length);
    const int64_t span = int64_t{maximum()} - minimum();
    if (travel <= 0 || span <= 0)
        return minimum();
    const double share = std::clamp(static_cast<double>(offset) / travel, 0.0, 1.0);
    int64_t position = minimum() + std::llround(share * static_cast<double>(span));
    if (int64_t step = std::llabs(integer("Increment", 0)); step > 1)
        position = minimum() + (position - minimum() + step / 2) / step * step;
    return position;
}

Slider::Thumb Slider::thumbFor(int32_t x, int32_t y) const
{
    if (!isDouble())
        return Thumb::Low;
    const platform::Rect lowThumb = thumbRect(Thumb::Low), highThumb = thumbRect(Thumb::High);
    const int32_t at = along(x, y);
    const int32_t lowCentre = along((lowThumb.left + lowThumb.right) / 2, (lowThumb.top + lowThumb.bottom) / 2);
    const int32_t highCentre = along((highThumb.left + highThumb.right) / 2, (highThumb.top + highThumb.bottom) / 2);
    // Thumbs lying on each other part the way the pointer goes: the high one above them, the low one below.
    if (lowCentre == highCentre)
        return at > highCentre ? Thumb::High : Thumb::Low;
    return std::abs(at - lowCentre) <= std::abs(at - highCentre) ? Thumb::Low : Thumb::High;
}

void Slider::draw()
{
    DrawingSurface* surface = engine_.surface();
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!surface || !spot || spot->empty())
        return;
    if (!isVisible()) {
        background_.restore(*surface);
        return;
    }
    const platform::Rect bar = *spot;
    background_.saveOnce(*surface, bar);
    background_.restore(*surface);
    Value context = surface->context();

    const bool v = vertical();
    const int32_t thickness = v ? bar.width() : bar.height();
    const int32_t middle = thickness / 2 - kGrooveThickness / 2;
    auto across = [&](int32_t from, int32_t to) {
        return v ? platform::Rect{bar.left + middle, from, bar.left + middle + kGrooveThickness, to}
                 : platform::Rect{from, bar.top + middle, to, bar.top + middle + kGrooveThickness};
    };
    const Value barImage = imageProperty("BarImage");
    if (Image* picture = asImage(barImage))
        velDrawImage(context, barImage, bar.left, bar.top, std::min(picture->width(), bar.width()),
                     std::min(picture->height(), bar.height()));
    else
        drawBevel(*surface, across(v ? bar.top : bar.left, v ? bar.bottom : bar.right), kGrooveColor, true);

    const platform::Rect lowThumb = thumbRect(Thumb::Low);
    if (isDouble()) {
        const platform::Rect highThumb = thumbRect(Thumb::High);
        const platform::Rect range = v ? across((lowThumb.top + lowThumb.bottom) / 2, (highThumb.top + highThumb.bottom) / 2)
                                       : across((lowThumb.left + lowThumb.right) / 2, (highThumb.left + highThumb.right) / 2);
        if (!range.empty())
            surface->fill(range, kRangeColor);
    }
    for (Thumb thumb : {Thumb::Low, Thumb::High}) {
        if (thumb == Thumb::High && !isDouble())
            break;
        const platform::Rect r = thumbRect(thumb);
        Value picture = dragging_ == thumb ? imageProperty("ThumbHighlight") : Value();
        if (picture.isNil())
            picture = imageProperty("ThumbImage");
        if (r.empty())
            continue;
        if (Image* p = asImage(picture)) {
            Value mask = imageProperty("ThumbMask");
            if (!mask.isNil() && p->mask().isNil())
                setImageMask(picture, mask);
            velDrawImage(context, picture, r.left, r.top, std::min(p->width(), r.width()), std::min(p->height(), r.height()));
        } else {
            drawBevel(*surface, r, kThumbColor, dragging_ == thumb);
        }
    }
}

void Slider::redraw()
{
    // Not before the form has drawn it: the screen is not yet the form's to save.
    if (!background_.saved())
        return;
    draw();
    engine_.updateScreen();
}

bool Slider::track(int32_t x, int32_t y, int32_t, int32_t)
{
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!isEnabled() || !spot || spot->empty())
        return false;
    Value keep = Value::share(Tag::Control, this);
    const int32_t lowBefore = low(), highBefore = high();
    const Thumb thumb = thumbFor(x, y);
    const platform::Rect r = thumbRect(thumb);
    const int32_t barStart = along(spot->left, spot->top);
    // A press beside the thumb takes it by its middle.
    const int32_t grab = r.contains(x, y) ? along(x, y) - along(r.left, r.top) : thumbLength() / 2;
    dragging_ = thumb;
    place(thumb, positionAt(along(x, y) - grab - barStart));
    redraw();
    EventRecord e;
    while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        const int32_t lowNow = low(), highNow = high();
        place(thumb, positionAt(along(e.x, e.y) - grab - barStart));
        if (low() != lowNow || high() != highNow)
            redraw();
    }
    dragging_ = Thumb::None;
    redraw();
    return low() != lowBefore || high() != highBefore;
}

Value Slider::perform(const Value& action, const Value& arguments)
{
    if (!action.is(Tag::String))
        return velLibraryControl::perform(action, arguments);
    const std::string_view name = textOf(action);
    if (name == "IsVertical")
        return Value::boolean(vertical());
    if (name == "IsDouble")
        return Value::boolean(isDouble());
    if (name == "SetVertical" || name == "SetDouble") {
        setBoolean(Value::string(name == "SetVertical" ? "Vertical" : "Double"), isTrue(arguments));
        redraw();
        return Value::integer(1);
    }
    struct Number {
        std::string_view name;
        int32_t (*get)(const Slider&);
        void (*set)(Slider&, int32_t);
    };
    static const Number numbers[] = {
        {"Minimum", [](const Slider& s) { return s.minimum(); },
         [](Slider& s, int32_t n) { s.setInteger(Value::string("Minimum"), n); }},
        {"Maximum", [](const Slider& s) { return s.maximum(); },
         [](Slider& s, int32_t n) { s.setInteger(Value::string("Maximum"), n); }},
        {"Increment", [](const Slider& s) { return s.integer("Increment", 0); },
         [](Slider& s, int32_t n) { s.setInteger(Value::string("Increment"), n); }},
        {"Pos", [](const Slider& s) { return s.low(); }, [](Slider& s, int32_t n) { s.place(Thumb::Low, n); }},
        {"Low", [](const Slider& s) { return s.low(); }, [](Slider& s, int32_t n) { s.place(Thumb::Low, n); }},
        {"High", [](const Slider& s) { return s.high(); }, [](Slider& s, int32_t n) { s.place(Thumb::High, n); }},
        {"Range", [](const Slider& s) { return s.high() - s.low(); },
         [](Slider& s, int32_t n) { s.place(Thumb::High, int64_t{s.low()} + n); }},
    };
    const bool getting = name.starts_with("Get"), setting = name.starts_with("Set");
    int32_t n = 0;
    for (const Number& number : numbers) {
        if (!(getting || setting) || name.substr(3) != number.name)
            continue;
        if (getting)
            return Value::integer(number.get(*this));
        if (setting && integerOf(arguments, n)) {
            number.set(*this, n);
            redraw();
            return Value::integer(1);
        }
    }
    return velLibraryControl::perform(action, arguments);
}

} // namespace vel
