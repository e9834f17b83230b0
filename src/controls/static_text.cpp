#include "controls/static_text.h"

#include "runtime/engine.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kDefaultForeground = 1;

bool isWord(const Value& v, std::string_view word)
{
    return v.is(Tag::String) && textOf(v) == word;
}

} // namespace

Value labelFont(Engine& engine, const Value& font, bool bold, bool underline)
{
    Value given = engine.resources().resolve(font);
    const Font* f = given.is(Tag::Font) ? given.as<Font>() : nullptr;
    int32_t style = (f ? f->style : 0) | (bold ? 2 : 0) | (underline ? 4 : 0);
    if (f && style == f->style)
        return given;
    return Font::make(f ? f->face : Value::string("MS Sans Serif"), f ? f->size : 8, style);
}

int alignmentFlags(const Value& align, const Value& verticalAlign)
{
    int flags = isWord(align, "Center") ? text_format::Center : isWord(align, "Right") ? text_format::Right : text_format::Left;
    if (isWord(verticalAlign, "Center"))
        flags |= text_format::VCenter;
    else if (isWord(verticalAlign, "Bottom"))
        flags |= text_format::Bottom;
    return flags;
}

StaticText::StaticText(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value StaticText::className() const
{
    return Value::string("StaticText");
}

Value StaticText::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new StaticText(engine_, data));
}

Value StaticText::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "setText")) {
        setProperty(Value::string("Text"), arguments);
        draw();
        engine_.updateScreen();
        return Value::integer(1);
    }
    if (isAction(action, "getText"))
        return property("Text");
    return velLibraryControl::perform(action, arguments);
}

void StaticText::draw()
{
    DrawingSurface* surface = engine_.surface();
    if (!surface)
        return;
    // Hidden or disabled, the text gives its place back to what it covered.
    if (!isEnabled()) {
        background_.restore(*surface);
        return;
    }
    std::optional<platform::Rect> region = rectProperty("Text Region");
    if (!region)
        region = rectProperty("Hot Spot");
    if (!region || region->empty())
        return;
    if (truth("Save Background", false)) {
        background_.saveOnce(*surface, *region);
        background_.restore(*surface);
    }
    Value text = has("Text") ? property("Text") : property("Name");
    if (!text.is(Tag::String))
        return;
    if (int32_t fill = integer("Background Color", -1); fill != -1)
        surface->fill(*region, fill);
    if (!surface->selectFont(labelFont(engine_, property("Font"), truth("Bold", false), truth("Underline", false))))
        return;
    surface->setTextColor(integer("Foreground Color", kDefaultForeground));
    surface->setTextBackground(-1);
    surface->drawTextInRect(*region, textOf(text),
                            alignmentFlags(property("Align"), property("VAlign")) | text_format::WordBreak);
}

} // namespace vel
