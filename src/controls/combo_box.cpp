#include "controls/combo_box.h"

#include <algorithm>

#include "controls/choice_support.h"
#include "controls/plain_drawing.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

using platform::Rect;

namespace {

using namespace system_color;

constexpr int DefaultButtonWidth = 16, DefaultMaxItems = 8;

// The edit part of a ComboEdit: a text field drawn in its owner's text area.
class ComboEditField final : public TextField {
public:
    ComboEditField(Engine& engine, const Value& properties, const DropDownControl& owner)
        : TextField(engine, properties), owner_(owner) {}

protected:
    Rect fieldRect() const override { return owner_.editRect(); }

private:
    const DropDownControl& owner_;
};

} // namespace

DropDownControl::DropDownControl(Engine& engine, const Value& properties)
    : velLibraryControl(engine, properties), list_(engine) {}

int32_t DropDownControl::color(const char* key, int32_t fallback) const
{
    return integer(key, fallback);
}

Rect DropDownControl::insideBorder() const
{
    const Rect r = hotSpotRect();
    const int b = truth("DrawBorder", true) ? 1 : 0;
    return {r.left + b, r.top + b, r.right - b, r.bottom - b};
}

Rect DropDownControl::buttonRect() const
{
    const Rect r = insideBorder();
    const int width = std::max(0, integer("DropButtonWidth", DefaultButtonWidth));
    const int x = integer("DropButtonX", r.right - width);
    const int y = integer("DropButtonY", r.top);
    return Rect::sized(x, y, width, r.height());
}

Rect DropDownControl::editRect() const
{
    if (auto edit = rectProperty("EditHotSpot"); edit && !edit->empty())
        return *edit;
    const Rect r = insideBorder();
    const int space = std::max(0, integer("DropButtonSpace", 0));
    return {r.left, r.top, std::max(r.left, buttonRect().left - space), r.bottom};
}

std::vector<std::string> DropDownControl::itemTexts() const
{
    std::vector<std::string> texts;
    if (List* items = asList(property("List")))
        for (int32_t i = 0; i < items->count(); ++i)
            texts.push_back(textForm(items->get(i)));
    return texts;
}

bool DropDownControl::containsPoint(int32_t x, int32_t y) const
{
    return velLibraryControl::containsPoint(x, y) || (list_.shown() && list_.box().contains(x, y));
}

void DropDownControl::drawButton(bool pressed)
{
    DrawingSurface* s = engine_.surface();
    const Rect b = buttonRect();
    if (!s || b.empty())
        return;
    Value image = imageProperty(pressed ? "DropButtonDownImage" : "DropButtonUpImage");
    if (image.is(Tag::Image)) {
        drawImageAt(image, b.left, b.top, imageProperty(pressed ? "DropButtonDownMask" : "DropButtonUpMask"));
        return;
    }
    drawBevel(*s, b, color("DropButtonBackground", ButtonFace), pressed);
    const Rect arrow{b.left + 2 + pressed, b.top + 3 + pressed, b.right - 2 + pressed, b.bottom - 3 + pressed};
    drawArrow(*s, arrow, ArrowDirection::Down, isEnabled() ? Black : ButtonShadow);
}

void DropDownControl::drawTextPart()
{
    DrawingSurface* s = engine_.surface();
    const Rect edit = editRect();
    if (!s || edit.empty())
        return;
    const bool lit = isActive() && truth("DrawActive", true) && !list_.shown();
    s->fill(edit, lit ? color("SelectionColor", Highlight) : color("BackgroundColor", White));
    const std::vector<std::string> texts = itemTexts();
    if (selection_ < 0 || selection_ >= static_cast<int>(texts.size()))
        return;
    Value font = property("Font");
    s->selectFont(font.is(Tag::Font) ? font : Value());
    s->setTextBackground(-1);
    s->setTextColor(lit ? color("TextSelectionColor", White) : color("TextColor", Black));
    const Rect inner{edit.left + 3, edit.top, edit.right - 1, edit.bottom};
    s->setClip(inner);
    const int height = s->measureText(texts[selection_]).height;
    s->textOut(inner.left, inner.top + (inner.height() - height) / 2, texts[selection_]);
    s->resetClip();
}

void DropDownControl::draw()
{
    DrawingSurface* s = engine_.surface();
    const Rect r = hotSpotRect();
    if (!s || r.empty())
        return;
    if (!isVisible()) {
        // Hidden: the screen it covered comes back when it was kept.
        drawImageAt(savedBackground_, r.left, r.top);
        return;
    }
    if (savedBackground_.isNil() && truth("SaveBackground", false))
        savedBackground_ = saveScreen(r);
    drawImageAt(imageProperty("Background Image"), r.left, r.top);
    drawTextPart();
    drawButton(false);
    if (truth("DrawBorder", true))
        s->rectangle(r, color("BorderColor", Black), 1);
    if (list_.shown())
        list_.draw();
}

void DropDownControl::redraw()
{
    draw();
    engine_.updateScreen();
}

void DropDownControl::drop()
{
    DrawingSurface* s = engine_.surface();
    if (list_.shown() || !s)
        return;
    const std::vector<std::string> texts = itemTexts();
    std::vector<PopupRow> rows;
    for (const std::string& t : texts)
        rows.push_back(PopupRow{t});
    PopupStyle style;
    style.font = property("Font");
    style.text = color("TextColor", Black);
    style.background = color("BackgroundColor", White);
    style.selectedText = color("TextSelectionColor", White);
    style.selectedBackground = color("SelectionColor", Highlight);
    style.border = color("BorderColor", Black);
    style.rowHeight = std::max(0, integer("LineSpacing", 0));
    style.scrollTrack = imageProperty("ScrollbarImage");
    style.upArrow = imageProperty("UpArrowImage");
    style.downArrow = imageProperty("DownArrowImage");
    style.thumb = imageProperty("ThumbImage");
    style.thumbMask = imageProperty("ThumbMask");
    list_.setRows(std::move(rows));
    list_.setStyle(style);
    const Rect r = hotSpotRect();
    const int height = list_.heightFor(std::max(1, integer("MaxItems", DefaultMaxItems)));
    // Below the control, or above it when the screen ends first.
    int top = r.bottom;
    if (s->originY() + top + height > s->height() && r.top - height + s->originY() >= 0)
        top = r.top - height;
    list_.place(Rect::sized(r.left, top, r.width(), height));
    list_.setHighlight(selection_);
    if (selection_ >= 0)
        list_.scrollTo(selection_, truth("SelectAtTop", false));
    list_.show();
    captureMouse(1);
    redraw();
}

void DropDownControl::closeUp()
{
    if (!list_.shown())
        return;
    list_.hide();
    captureMouse(0);
    redraw();
}

void DropDownControl::select(int row, bool)
{
    const int count = static_cast<int>(itemTexts().size());
    selection_ = row >= 0 && row < count ? row : -1;
}

void DropDownControl::deactivate()
{
    closeUp();
    velLibraryControl::deactivate();
    if (isVisible())
        redraw();
}

bool DropDownControl::trackTextPart(int32_t, int32_t, int32_t, int32_t)
{
    // The whole of a plain combo box drops its list.
    drop();
    return trackList(-1, -1, true);
}

bool DropDownControl::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    if (!isEnabled())
        return false;
    Value keep = Value::share(Tag::Control, this);
    if (list_.shown()) {
        if (list_.box().contains(x, y))
            return trackList(x, y, false);
        // A press anywhere else closes the list; the press itself does nothing more.
        closeUp();
        EventRecord e;
        while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e) && e.kind != event_kind::MouseUp) {
        }
        return false;
    }
    if (buttonRect().contains(x, y)) {
        drawButton(true);
        drop();
        return trackList(-1, -1, true);
    }
    if (editRect().contains(x, y))
        return trackTextPart(x, y, flags, clicks);
    return false;
}

bool DropDownControl::trackList(int32_t x, int32_t y, bool fromButton)
{
    // From the button, a release over a row chooses it (press, drag, release); a release elsewhere
    // leaves the list open for a click.
    PopupList::Hit hit = fromButton ? PopupList::Hit{} : list_.hitAt(x, y);
    int thumbGrab = -1;
    auto apply = [&](const PopupList::Hit& h, bool pressed) {
        switch (h.part) {
        case PopupList::Part::Row: list_.setHighlight(h.row); break;
        case PopupList::Part::UpArrow: if (pressed) list_.scrollBy(-1); break;
        case PopupList::Part::DownArrow: if (pressed) list_.scrollBy(1); break;
        case PopupList::Part::PageUp: if (pressed) list_.scrollBy(-list_.visibleRows()); break;
        case PopupList::Part::PageDown: if (pressed) list_.scrollBy(list_.visibleRows()); break;
        case PopupList::Part::Thumb: if (pressed) thumbGrab = y; break;
        default: break;
        }
        list_.draw();
        engine_.updateScreen();
    };
    apply(hit, true);
    const int firstAtGrab = list_.firstVisible();
    const bool onRows = hit.part == PopupList::Part::Row;
    bool overRow = onRows;
    EventRecord e;
    bool released = false;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e)) {
        const FormPoint p = toForm(e.x, e.y);
        if (e.kind == event_kind::MouseUp) {
            released = true;
            hit = list_.hitAt(p.x, p.y);
            break;
        }
        if (thumbGrab >= 0) {
            const int count = static_cast<int>(list_.rows().size());
            const int track = std::max(1, list_.box().height() - 2 * PopupList::ScrollBarWidth);
            const int target = firstAtGrab + (p.y - thumbGrab) * count / track;
            list_.scrollBy(target - list_.firstVisible());
            list_.draw();
            engine_.updateScreen();
            continue;
        }
        if (!fromButton && !onRows)
            continue;
        PopupList::Hit now = list_.hitAt(p.x, p.y);
        overRow = now.part == PopupList::Part::Row;
        if (overRow)
            apply(now, false);
    }
    if (fromButton)
        drawButton(false);
    if (released && thumbGrab < 0 && (onRows || fromButton) && overRow && hit.part == PopupList::Part::Row &&
        list_.choosable(hit.row)) {
        select(hit.row, true);
        closeUp();
        return true;
    }
    engine_.updateScreen();
    return false;
}

bool DropDownControl::moveByKey(int32_t code)
{
    const int count = static_cast<int>(itemTexts().size());
    if (count == 0)
        return false;
    const int from = list_.shown() ? list_.highlight() : selection_;
    const int page = list_.shown() ? list_.visibleRows() : DefaultMaxItems;
    int to;
    switch (code) {
    case key_code::Up: to = from < 0 ? 0 : from - 1; break;
    case key_code::Down: to = from + 1; break;
    case key_code::PageUp: to = from - page; break;
    case key_code::PageDown: to = from + page; break;
    case key_code::Home: to = 0; break;
    case key_code::End: to = count - 1; break;
    default: return false;
    }
    to = std::clamp(to, 0, count - 1);
    if (list_.shown()) {
        list_.setHighlight(to);
        list_.scrollTo(to);
        list_.draw();
        engine_.updateScreen();
    } else {
        select(to, true);
        redraw();
    }
    return true;
}

bool DropDownControl::key(int32_t code, int32_t flags)
{
    if (!isEnabled())
        return false;
    const bool altDown = code == key_code::Down && (flags & modifier::Alt);
    if (code == key_code::Unit * 4 || altDown) { // F4 and Alt+Down open and close the list
        list_.shown() ? closeUp() : drop();
        return false;
    }
    if (list_.shown()) {
        if (code == 13) {
            const int row = list_.highlight();
            const int before = selection_;
            if (row >= 0)
                select(row, true);
            closeUp();
            return row >= 0 && selection_ != before;
        }
        if (code == 27) {
            closeUp();
            return false;
        }
        moveByKey(code);
        return false;
    }
    const int before = selection_;
    return moveByKey(code) && selection_ != before;
}

Value DropDownControl::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "getSelection"))
        return Value::integer(selection_);
    if (isAction(action, "setSelection")) {
        select(arguments.is(Tag::Int) ? arguments.asInt() : -1, false);
        redraw();
        return Value();
    }
    if (isAction(action, "getSelectionStr")) {
        const std::vector<std::string> texts = itemTexts();
        return selection_ >= 0 && selection_ < static_cast<int>(texts.size()) ? Value::string(texts[selection_]) : Value();
    }
    if (isAction(action, "setSelectionStr")) {
        const std::vector<std::string> texts = itemTexts();
        const std::string wanted = textForm(arguments);
        auto it = std::find(texts.begin(), texts.end(), wanted);
        select(it == texts.end() ? -1 : static_cast<int>(it - texts.begin()), false);
        redraw();
        return Value();
    }
    if (isAction(action, "getList"))
        return property("List");
    if (isAction(action, "setList")) {
        closeUp();
        setProperty(Value::string("List"), arguments);
        select(selection_, false);
        redraw();
        return Value();
    }
    if (isAction(action, "isDown"))
        return Value::integer(list_.shown() ? 1 : 0);
    if (isAction(action, "closeUp")) {
        closeUp();
        return Value();
    }
    if (isAction(action, "onKey")) {
        // The key code, alone or as the first of a list with the modifier bits.
        Value code = arguments, flags = Value::integer(0);
        if (List* l = asList(arguments); l && l->count() > 0) {
            code = l->get(0);
            if (l->count() > 1)
                flags = l->get(1);
        }
        if (!code.is(Tag::Int))
            return Value::boolean(0);
        return Value::boolean(key(code.asInt(), flags.is(Tag::Int) ? flags.asInt() : 0));
    }
    if (isAction(action, "drawFlag")) {
        // Whether the control is shown; with a truth value, shown or hidden by it and redrawn.
        if (!arguments.isNil()) {
            closeUp();
            setBoolean(Value::string("Hidden"), isTrue(arguments) ? 0 : 1);
            redraw();
        }
        return Value::boolean(isVisible());
    }
    return velLibraryControl::perform(action, arguments);
}

Value ComboBox::className() const
{
    return Value::string("ComboBox");
}

Value ComboBox::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new ComboBox(engine_, data));
}

ComboEdit::ComboEdit(Engine& engine, const Value& properties) : DropDownControl(engine, properties)
{
    if (!asTable(properties_))
        properties_ = Table::make();
    editor_ = new ComboEditField(engine, properties_, *this);
    editorValue_ = Value::adopt(Tag::Control, editor_);
}

Value ComboEdit::className() const
{
    return Value::string("ComboEdit");
}

Value ComboEdit::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new ComboEdit(engine_, data));
}

Value ComboEdit::cursorAt(int32_t x, int32_t y) const
{
    return editRect().contains(x, y) ? editor_->cursor() : cursor();
}

void ComboEdit::drawTextPart()
{
    editor_->draw();
}

bool ComboEdit::trackTextPart(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    return editor_->track(x, y, flags, clicks);
}

void ComboEdit::select(int row, bool chosen)
{
    DropDownControl::select(row, chosen);
    const std::vector<std::string> texts = itemTexts();
    if (selection_ >= 0)
        editor_->setText(texts[selection_]);
}

void ComboEdit::activate()
{
    // The edit part's activation marks this control active too: they share their properties.
    editor_->activate();
}

void ComboEdit::deactivate()
{
    DropDownControl::deactivate();
    editor_->deactivate();
}

bool ComboEdit::key(int32_t code, int32_t flags)
{
    const bool listKey = code == key_code::Up || code == key_code::Down || code == key_code::PageUp ||
                         code == key_code::PageDown || code == key_code::Unit * 4;
    if (isDown() || listKey)
        return DropDownControl::key(code, flags);
    return editor_->key(code, flags);
}

Value ComboEdit::perform(const Value& action, const Value& arguments)
{
    for (const char* name : {"selectAll", "replaceSel", "stringValue", "getText", "setText"})
        if (isAction(action, name))
            return editor_->perform(action, arguments);
    return DropDownControl::perform(action, arguments);
}

} // namespace vel
