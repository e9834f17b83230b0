#include "controls/combo_box.h"

#include <algorithm>

#include "controls/choice_support.h"
#include "controls/plain_drawing.h"
#include "runtime/drawing_context.h"
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
    const velControlObject* focusHolder() const override { return &owner_; }

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
    if (Value picture = imageProperty("SelectionImage"); lit && picture.is(Tag::Image)) {
        Value context = s->context();
        asDrawingContext(context)->intersectClip(edit);
        velDrawImage(context, picture, edit.left, edit.top);
        asDrawingContext(context)->resetClip();
    }
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

ListScrollBar::Layout DropDownControl::scrollBarLayout(const Rect& box, ListScrollBar::Images& images) const
{
    images = ListScrollBar::imagesOf(*this, "ScrollbarImage");
    auto width = [](const Value& v) { Image* i = asImage(v); return i ? i->width() : 0; };
    auto height = [](const Value& v) { Image* i = asImage(v); return i ? i->height() : 0; };
    // The list drops below or above the control: its bar's places are measured from its corner.
    auto placed = [&](const char* key) {
        std::optional<Rect> r = rectProperty(key);
        return r && !r->empty() ? Rect::sized(box.left + r->left, box.top + r->top, r->width(), r->height()) : Rect{};
    };
    ListScrollBar::Layout l;
    l.bar = placed("ScrollbarHotSpot");
    const bool pictured = !images.track.isNil() || !images.trackTile.isNil() || !images.thumb.isNil();
    if (l.bar.empty()) {
        const int w = std::max({width(images.track), width(images.trackTile), width(images.thumb)});
        if (w <= 0)
            return l; // the list's plain bar
        // Inside the dropped list's border.
        l.bar = {box.right - 1 - w, box.top + 1, box.right - 1, box.bottom - 1};
    }
    const int plain = pictured ? 0 : l.bar.width();
    auto arrow = [&](const char* region, const char* length, const Value& image, bool up) {
        Rect r = placed(region);
        const int h = std::max(0, integer(length, image.isNil() ? plain : height(image)));
        if (r.empty() && h > 0)
            r = up ? Rect{l.bar.left, l.bar.top, l.bar.right, l.bar.top + h}
                   : Rect{l.bar.left, l.bar.bottom - h, l.bar.right, l.bar.bottom};
        return r;
    };
    l.upArrow = arrow("UpArrowRegion", "UpArrowH", images.upArrow, true);
    l.downArrow = arrow("DownArrowRegion", "DownArrowH", images.downArrow, false);
    l.upArrowX = box.left + integer("UpArrowX", l.upArrow.left - box.left);
    l.upArrowY = box.top + integer("UpArrowY", l.upArrow.top - box.top);
    l.downArrowX = box.left + integer("DownArrowX", l.downArrow.left - box.left);
    l.downArrowY = box.top + integer("DownArrowY", l.downArrow.top - box.top);
    l.thumbHeight = images.thumb.isNil() ? plain : height(images.thumb);
    return l;
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
    style.selectionImage = imageProperty("SelectionImage");
    list_.setRows(std::move(rows));
    list_.setStyle(style);
    const Rect r = hotSpotRect();
    const int height = list_.heightFor(std::max(1, integer("MaxItems", DefaultMaxItems)));
    // Below the control, or above it when the screen ends first.
    int top = r.bottom;
    if (s->originY() + top + height > s->height() && r.top - height + s->originY() >= 0)
        top = r.top - height;
    const Rect box = Rect::sized(r.left, top, r.width(), height);
    style.scrollLayout = scrollBarLayout(box, style.scrollImages);
    list_.setStyle(style);
    list_.place(box);
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
    return followDrop();
}

bool DropDownControl::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    if (!isEnabled())
        return false;
    Value keep = Value::share(Tag::Control, this);
    if (list_.shown()) {
        // Dropped by a key: the press acts in it, and then the open list holds the mouse.
        switch (pressInList(x, y)) {
        case Press::Chosen: return true;
        case Press::Closed: return false;
        case Press::Stays: return whileOpen();
        }
    }
    if (buttonRect().contains(x, y)) {
        drawButton(true);
        drop();
        return followDrop();
    }
    if (editRect().contains(x, y))
        return trackTextPart(x, y, flags, clicks);
    return false;
}

void DropDownControl::showList()
{
    list_.draw();
    engine_.updateScreen();
}

void DropDownControl::lightRowAt(int32_t x, int32_t y)
{
    const PopupList::Hit hit = list_.hitAt(x, y);
    if (hit.part == PopupList::Part::Row && list_.choosable(hit.row) && hit.row != list_.highlight()) {
        list_.setHighlight(hit.row);
        showList();
    }
}

int DropDownControl::followRows(bool& released)
{
    released = false;
    int row = -1;
    EventRecord e;
    while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e)) {
        lightRowAt(e.x, e.y);
        const PopupList::Hit hit = list_.hitAt(e.x, e.y);
        row = hit.part == PopupList::Part::Row ? hit.row : -1;
        if (e.kind == event_kind::MouseUp) {
            released = true;
            break;
        }
    }
    return row;
}

bool DropDownControl::followDrop()
{
    // Press, drag, release over a row chooses it; a release elsewhere leaves the list open.
    bool released = false;
    const int row = followRows(released);
    drawButton(false);
    if (released && list_.choosable(row)) {
        select(row, true);
        closeUp();
        return true;
    }
    if (!released) {
        closeUp();
        return false;
    }
    engine_.updateScreen();
    return whileOpen();
}

bool DropDownControl::whileOpen()
{
    // The open list holds the mouse and the keys until it closes: rows light under the pointer, a
    // press acts in the list or, elsewhere, closes it, and keys go to the control.
    const int32_t kinds = event_kind::MouseOver | event_kind::MouseDown | event_kind::MouseDrag | event_kind::MouseUp |
                          event_kind::KeyDown;
    EventRecord e;
    while (list_.shown() && engine_.nextNestedEvent(kinds, e)) {
        const FormPoint p = toForm(e.x, e.y);
        if (e.kind == event_kind::KeyDown) {
            if (key(e.detail, e.modifiers))
                return true;
        } else if (e.kind == event_kind::MouseDown) {
            if (pressInList(p.x, p.y) == Press::Chosen)
                return true;
        } else if (e.kind == event_kind::MouseOver) {
            lightRowAt(p.x, p.y);
        }
    }
    closeUp();
    return false;
}

DropDownControl::Press DropDownControl::pressInList(int32_t x, int32_t y)
{
    const PopupList::Hit hit = list_.hitAt(x, y);
    EventRecord e;
    switch (hit.part) {
    case PopupList::Part::None:
        // A press anywhere else closes the list; the press itself does nothing more.
        closeUp();
        while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e) &&
               e.kind != event_kind::MouseUp) {
        }
        return Press::Closed;
    case PopupList::Part::Row: {
        lightRowAt(x, y);
        bool released = false;
        const int row = followRows(released);
        if (released && list_.choosable(row)) {
            select(row, true);
            closeUp();
            return Press::Chosen;
        }
        return Press::Stays;
    }
    case PopupList::Part::Thumb: {
        const int grab = y - list_.thumbTop();
        list_.setPressed(PopupList::Part::Thumb);
        showList();
        while (nextPressEvent(engine_, event_kind::MouseDrag | event_kind::MouseUp, e) &&
               e.kind != event_kind::MouseUp) {
            list_.scrollBy(list_.firstForThumb(e.y - grab) - list_.firstVisible());
            showList();
        }
        break;
    }
    default: scrollWithRepeat(hit.part, x, y); break;
    }
    list_.setPressed(PopupList::Part::None);
    showList();
    return Press::Stays;
}

void DropDownControl::scrollWithRepeat(PopupList::Part part, int32_t x, int32_t y)
{
    const bool arrow = part == PopupList::Part::UpArrow || part == PopupList::Part::DownArrow;
    const int page = list_.visibleRows();
    const int rows = part == PopupList::Part::UpArrow     ? -1
                     : part == PopupList::Part::DownArrow ? 1
                     : part == PopupList::Part::PageUp    ? -page
                                                          : page;
    // Only while the pointer stays on the part: off an arrow, or once the thumb reaches it, it rests.
    auto step = [&] {
        if (list_.hitAt(x, y).part == part) {
            list_.scrollBy(rows);
            showList();
        }
    };
    list_.setPressed(part);
    step();
    followRepeatingPress(
        engine_, integer("InitialRepeat", 250), integer("RepeatRate", 50),
        [&](int32_t px, int32_t py) {
            x = px, y = py;
            list_.setPressed(arrow && list_.hitAt(x, y).part == part ? part : PopupList::Part::None);
            showList();
        },
        step);
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
