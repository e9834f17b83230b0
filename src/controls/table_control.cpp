#include "controls/table_control.h"

#include <algorithm>

#include "controls/static_text.h"
#include "runtime/engine.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr int32_t kDefaultColor = 1;
constexpr int32_t kRowPadding = 4;
const int32_t kDefaultDownColor = colorRef(200, 210, 235);

Value rowKey(const Value& row, std::string_view key)
{
    Table* t = asTable(row);
    return t ? t->get(key) : Value();
}

} // namespace

TableControl::TableControl(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value TableControl::className() const
{
    return Value::string("Table");
}

Value TableControl::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new TableControl(engine_, data));
}

List* TableControl::rows() const
{
    Value v = property("Rows");
    if (!asList(v))
        v = engine_.resources().loadNamed(v);
    return asList(v);
}

List& TableControl::ownRows()
{
    Value stored = property("Rows");
    if (!asList(stored)) {
        // A list resource is shared with whoever else loaded it: the changes go to a copy.
        List* loaded = rows();
        setProperty(Value::string("Rows"), loaded ? loaded->copy() : ValueList::make());
        stored = property("Rows");
    }
    return *asList(stored);
}

Value TableControl::editableRow(int32_t i)
{
    List& list = ownRows();
    Value row = list.get(i);
    if (!asTable(row)) {
        Value made = Table::make();
        if (!row.isNil())
            made.as<Table>()->put("Value", row);
        list.set(i, made);
        row = made;
    }
    return row;
}

const std::vector<platform::Rect>& TableControl::layout()
{
    rects_.clear();
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    List* list = rows();
    if (!spot || !list)
        return rects_;
    DrawingSurface* surface = engine_.surface();
    int64_t y = spot->top;
    for (int32_t i = 0; i < list->count(); ++i) {
        Value row = list->get(i);
        int32_t width = numberOr(rowKey(row, "Width"), -1);
        int32_t height = numberOr(rowKey(row, "Height"), -1);
        if (width < 0)
            width = spot->width();
        if (height < 0) {
            height = 16;
            if (surface && surface->selectFont(labelFont(engine_, rowKey(row, "Font").isNil() ? property("Font") : rowKey(row, "Font"), false, false)))
                height = surface->measureText("Ag").height + kRowPadding;
        }
        // Rows far past the bottom keep to coordinates the screen can hold.
        const int32_t top = static_cast<int32_t>(std::min<int64_t>(y, INT32_MAX / 2));
        platform::Rect r{spot->left, top, static_cast<int32_t>(std::min<int64_t>(int64_t{spot->left} + width, INT32_MAX / 2)),
                         static_cast<int32_t>(std::min<int64_t>(int64_t{top} + height, INT32_MAX / 2))};
        rects_.push_back(r);
        if (Table* t = asTable(row))
            t->put("Rect", Region::rectangle(r.left, r.top, r.right, r.bottom));
        y += height;
    }
    return rects_;
}

int32_t TableControl::rowAt(int32_t x, int32_t y) const
{
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!spot || !spot->contains(x, y))
        return -1;
    for (std::size_t i = 0; i < rects_.size(); ++i)
        if (rects_[i].contains(x, y))
            return static_cast<int32_t>(i);
    return -1;
}

void TableControl::drawRow(int32_t i, bool pressed)
{
    DrawingSurface* surface = engine_.surface();
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    List* list = rows();
    if (!surface || !spot || !list || i < 0 || i >= list->count() || i >= static_cast<int32_t>(rects_.size()))
        return;
    // Rows below the hot spot are not shown: they could not be clicked.
    const platform::Rect r = rects_[i].intersect(*spot);
    if (r.empty())
        return;
    const Value row = list->get(i);
    background_.restore(*surface, r);
    if (pressed)
        surface->fill(r, numberOr(rowKey(row, "DownColor"), kDefaultDownColor));
    Value text = asTable(row) ? rowKey(row, "Value") : row;
    if (text.isNil())
        return;
    if (!surface->selectFont(labelFont(engine_, rowKey(row, "Font").isNil() ? property("Font") : rowKey(row, "Font"), false, false)))
        return;
    surface->setTextColor(numberOr(rowKey(row, "Color"), kDefaultColor));
    surface->setTextBackground(-1);
    const int wrap = isTrue(rowKey(row, "NoWrap")) ? text_format::SingleLine : text_format::WordBreak;
    const platform::Rect inset{r.left + 2, r.top, r.right - 2, r.bottom};
    surface->drawTextInRect(inset, text.is(Tag::String) ? std::string(textOf(text)) : displayForm(text),
                            alignmentFlags(rowKey(row, "Align"), Value::string("Center")) | wrap);
}

void TableControl::draw()
{
    DrawingSurface* surface = engine_.surface();
    std::optional<platform::Rect> spot = rectProperty("Hot Spot");
    if (!surface || !spot || spot->empty())
        return;
    if (!isVisible()) {
        background_.restore(*surface);
        return;
    }
    background_.saveOnce(*surface, *spot);
    background_.restore(*surface);
    layout();
    for (std::size_t i = 0; i < rects_.size(); ++i)
        drawRow(static_cast<int32_t>(i), false);
}

void TableControl::refresh()
{
    layout();
    if (background_.saved() && isVisible()) {
        draw();
        engine_.updateScreen();
    }
}

bool TableControl::track(int32_t x, int32_t y, int32_t, int32_t)
{
    if (!isEnabled())
        return false;
    layout();
    const int32_t i = rowAt(x, y);
    if (i < 0)
        return false;
    Value keep = Value::share(Tag::Control, this);
    trackBegin();
    drawRow(i, true);
    engine_.updateScreen();
    bool inside = true, released = false;
    EventRecord e;
    while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e)) {
        const bool now = rowAt(e.x, e.y) == i;
        // The row the button comes up on decides, even when no move was seen on the way there.
        if (e.kind == event_kind::MouseUp) {
            released = true;
            inside = now;
            break;
        }
        if (now == inside)
            continue;
        inside = now;
        drawRow(i, inside);
        engine_.updateScreen();
        trackChanged();
    }
    drawRow(i, false);
    engine_.updateScreen();
    const bool clicked = released && inside;
    if (clicked) {
        List* list = rows();
        lastAction_ = list && i < list->count() ? rowKey(list->get(i), "Action") : Value();
    }
    trackEnd();
    return clicked;
}

Value TableControl::perform(const Value& action, const Value& arguments)
{
    if (!action.is(Tag::String))
        return velLibraryControl::perform(action, arguments);
    const std::string_view name = textOf(action);
    if (name == "getAction")
        return lastAction_;
    int32_t index = -1;
    const bool indexed = integerOf(arguments, index);
    List* list = rows();
    const bool inRange = indexed && list && index >= 0 && index < list->count();
    if (name == "getRow")
        return inRange ? list->get(index) : Value();

    static const std::pair<std::string_view, std::string_view> rowSetters[] = {
        {"setValue", "Value"}, {"setWidth", "Width"}, {"setHeight", "Height"},
        {"setFont", "Font"},   {"setColor", "Color"}, {"setAlign", "Align"},
    };
    if (name == "addRow") {
        ownRows().append(arguments);
    } else if (name == "removeAllRows") {
        setProperty(Value::string("Rows"), ValueList::make());
    } else if (name == "setRows") {
        setProperty(Value::string("Rows"), asList(arguments) ? arguments : ValueList::make());
    } else if (name == "deleteRow" || name == "setRow") {
        if (!inRange)
            return Value();
        List& own = ownRows();
        if (name == "setRow") {
            own.set(index, dataItem(arguments, 1));
        } else {
            Value kept = ValueList::make(own.count());
            for (int32_t i = 0; i < own.count(); ++i)
                if (i != index)
                    asList(kept)->append(own.get(i));
            setProperty(Value::string("Rows"), kept);
        }
    } else {
        auto setter = std::find_if(std::begin(rowSetters), std::end(rowSetters),
                                   [&](const auto& s) { return s.first == name; });
        if (setter == std::end(rowSetters))
            return velLibraryControl::perform(action, arguments);
        if (!inRange)
            return Value();
        editableRow(index).as<Table>()->put(setter->second, dataItem(arguments, 1));
    }
    refresh();
    return Value::integer(1);
}

} // namespace vel
