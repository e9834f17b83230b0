#include "controls/text_field.h"

#include <algorithm>
#include <cstdlib>

#include "controls/beep.h"
#include "controls/choice_support.h"
#include "controls/plain_drawing.h"
#include "controls/number_format.h"
#include "runtime/caret.h"
#include "runtime/clipboard.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "runtime/form.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

using platform::Rect;

namespace {

using namespace system_color;

constexpr int32_t DefaultIndent = 2;

// A pasted text up to its first line break: the field holds one line.
std::string_view firstLine(std::string_view text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

TextField::TextField(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value TextField::className() const
{
    return Value::string("TextField");
}

Value TextField::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new TextField(engine_, data));
}

Value TextField::cursor() const
{
    return Cursor::make(CursorKind::IBeam);
}

Rect TextField::fieldRect() const
{
    return hotSpotRect();
}

Rect TextField::innerRect() const
{
    Rect r = fieldRect();
    const int border = truth("Border", false) ? 1 : 0;
    return {r.left + std::max(border, integer("IndentX", DefaultIndent)), r.top + border,
            r.right - border - 1, r.bottom - border};
}

void TextField::syncFromProperty()
{
    std::string current = textForm(property("StringValue"));
    if (!synced_ || current != edit_.text()) {
        edit_.setText(current, false);
        synced_ = true;
    }
}

void TextField::changed()
{
    setProperty(Value::string("StringValue"), Value::string(edit_.text()));
    redraw();
}

void TextField::redraw()
{
    draw();
    engine_.updateScreen();
}

int TextField::textLeft(const Rect& inner, int textWidth, int caretOffset)
{
    if (property("Align").is(Tag::String) && textOf(property("Align")) == "Right" && textWidth < inner.width()) {
        scroll_ = 0;
        return inner.right - textWidth;
    }
    if (!truth("Scrollable", false)) {
        scroll_ = 0;
        return inner.left;
    }
    // Scroll just enough to keep the caret in view, and no further than the text's end needs.
    const int room = std::max(1, inner.width() - 1);
    if (caretOffset - scroll_ < 0)
        scroll_ = caretOffset;
    else if (caretOffset - scroll_ > room)
        scroll_ = caretOffset - room;
    scroll_ = std::clamp(scroll_, 0, std::max(0, textWidth - room));
    return inner.left - scroll_;
}

void TextField::draw()
{
    DrawingSurface* s = engine_.surface();
    if (!s || !isVisible())
        return;
    syncFromProperty();
    const Rect r = fieldRect();
    const Rect inner = innerRect();
    if (r.empty())
        return;
    const int32_t background = integer("BackgroundColor", White);
    const int32_t foreground = isEnabled() ? integer("ForegroundColor", Black) : Grey;
    s->fill(r, background);
    if (truth("Border", false))
        s->rectangle(r, integer("ForegroundColor", Black), 1);
    if (inner.empty())
        return;
    Value font = property("Font");
    s->selectFont(font.is(Tag::Font) ? font : Value());

    const std::string& text = edit_.text();
    const std::string_view view(text);
    const platform::TextMetrics whole = s->measureText(text);
    const int caretOffset = s->measureText(view.substr(0, edit_.caret())).width;
    const int x = textLeft(inner, whole.width, caretOffset);
    const int y = inner.top + (inner.height() - whole.height) / 2;
    const bool focused = isActive() && isEnabled();

    s->setClip(inner);
    s->setTextBackground(-1);
    s->setTextColor(foreground);
    if (!focused || !edit_.hasSelection()) {
        s->textOut(x, y, text);
    } else {
        const int start = edit_.selectionStart(), end = edit_.selectionEnd();
        const int before = s->measureText(view.substr(0, start)).width;
        const int selected = s->measureText(view.substr(start, end - start)).width;
        s->textOut(x, y, view.substr(0, start));
        s->fill(Rect::sized(x + before, y, selected, whole.height), integer("SelectionColor", Highlight));
        s->setTextColor(background);
        s->textOut(x + before, y, view.substr(start, end - start));
        s->setTextColor(foreground);
        s->textOut(x + before + selected, y, view.substr(end));
    }
    if (focused) {
        const Rect caret = Rect::sized(x + caretOffset, y, 1, whole.height);
        Caret* c = engine_.caret();
        // A drawing of the blink's own keeps its phase; any other (a key, a click) starts it lit.
        if (c && !blinking_) {
            c->show(caret.left + s->originX(), caret.top + s->originY(), caret.width(), caret.height());
            c->setPainter(this, [this] { blinkCaret(); });
            paintsCaret_ = true;
        }
        if (!c || c->lit())
            s->fill(caret, foreground);
    }
    s->resetClip();
}

void TextField::blinkCaret()
{
    // Only while the field is the active control of the form on screen; a field left behind (its
    // form covered or gone) gives the caret up.
    velFormObject* form = asForm(engine_.currentForm());
    if (!isActive() || !isVisible() || !form || form->activeControl().object() != focusHolder()) {
        if (Caret* c = engine_.caret())
            c->release(this);
        return;
    }
    blinking_ = true;
    redraw();
    blinking_ = false;
}

TextField::~TextField()
{
    if (Caret* c = paintsCaret_ ? engine_.caret() : nullptr)
        c->release(this);
}

int TextField::positionAt(int x)
{
    DrawingSurface* s = engine_.surface();
    if (!s)
        return edit_.caret();
    Value font = property("Font");
    s->selectFont(font.is(Tag::Font) ? font : Value());
    const std::string_view text(edit_.text());
    const int left = textLeft(innerRect(), s->measureText(text).width, s->measureText(text.substr(0, edit_.caret())).width);
    // Prefix widths grow with the prefix: the first boundary at or right of x, or the one before it.
    int low = 0, high = static_cast<int>(text.size());
    while (low < high) {
        int middle = (low + high) / 2;
        if (left + s->measureText(text.substr(0, middle)).width < x)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0) {
        int after = left + s->measureText(text.substr(0, low)).width - x;
        int before = x - (left + s->measureText(text.substr(0, low - 1)).width);
        if (before < after)
            --low;
    }
    return low;
}

bool TextField::accepts(const std::string& candidate, std::string_view inserted, Source source)
{
    if (source != Source::Program) {
        Value filter = property("Filter");
        if (filter.is(Tag::String))
            for (char c : inserted)
                if (textOf(filter).find(c) == std::string_view::npos)
                    return false;
    }
    const int32_t maxLength = integer("MaxLength", 0);
    if (maxLength > 0 && candidate.size() > static_cast<std::size_t>(maxLength))
        return false;
    const bool hasMin = has("MinValue"), hasMax = has("MaxValue");
    if (auto number = numberInText(candidate); number && (hasMin || hasMax)) {
        const double low = integer("MinValue", 0), high = integer("MaxValue", 0);
        if (source == Source::Program) {
            if ((hasMin && *number < low) || (hasMax && *number > high))
                return false;
        } else {
            // While typing, a number short of its bound may still grow into range; only one that
            // more digits would take further out is refused (the bounds are enforced on leaving).
            if ((hasMax && high >= 0 && *number > high) || (hasMin && low <= 0 && *number < low))
                return false;
        }
    }
    if (!truth("Scrollable", false)) {
        if (DrawingSurface* s = engine_.surface(); s && !innerRect().empty()) {
            Value font = property("Font");
            s->selectFont(font.is(Tag::Font) ? font : Value());
            if (s->measureText(candidate).width > innerRect().width())
                return false;
        }
    }
    return true;
}

bool TextField::insert(std::string_view text, Source source)
{
    std::string candidate = edit_.replaced(text);
    if (!accepts(candidate, text, source)) {
        beep(engine_);
        return false;
    }
    edit_.replaceSelection(text);
    changed();
    return true;
}

bool TextField::setText(std::string_view given)
{
    syncFromProperty();
    std::string text(given);
    Value pattern = property("Format");
    if (!pattern.isNil() && !text.empty()) {
        if (auto format = NumberFormat::parse(textForm(pattern)))
            text = format->apply(text);
        else
            velError("Format type not allowed: " + textForm(pattern));
    }
    if (!accepts(text, {}, Source::Program)) {
        beep(engine_);
        return false;
    }
    edit_.setText(text, true);
    changed();
    return true;
}

bool TextField::replaceSelection(std::string_view text)
{
    syncFromProperty();
    return insert(text, Source::Program);
}

void TextField::applyLeavingRules()
{
    syncFromProperty();
    std::string text = edit_.text();
    if (text.empty())
        return;
    const bool hasMin = has("MinValue"), hasMax = has("MaxValue");
    if (auto number = numberInText(text); number && (hasMin || hasMax)) {
        const int32_t low = integer("MinValue", 0), high = integer("MaxValue", 0);
        if (hasMin && *number < low)
            text = std::to_string(low);
        else if (hasMax && *number > high)
            text = std::to_string(high);
    }
    Value pattern = property("Format");
    if (!pattern.isNil()) {
        if (auto format = NumberFormat::parse(textForm(pattern)))
            text = format->apply(text);
        else
            velError("Format type not allowed: " + textForm(pattern));
    }
    if (text != edit_.text()) {
        edit_.setText(text, false);
        setProperty(Value::string("StringValue"), Value::string(text));
    }
}

void TextField::copySelection()
{
    if (edit_.hasSelection())
        clipboardPutText(engine_.clipboard(), Value::string(edit_.selected()));
}

void TextField::activate()
{
    velLibraryControl::activate();
    syncFromProperty();
    edit_.selectAll();
    redraw();
}

void TextField::deactivate()
{
    velLibraryControl::deactivate();
    applyLeavingRules();
    if (Caret* c = engine_.caret())
        c->hide();
    redraw();
}

bool TextField::key(int32_t code, int32_t flags)
{
    if (!isEnabled())
        return false;
    syncFromProperty();
    const bool extend = (flags & modifier::Shift) != 0;
    switch (code) {
    case 13: // Enter: the form acts on the text, brought inside its bounds and formatted first
        applyLeavingRules();
        redraw();
        return true;
    case 1: edit_.selectAll(); redraw(); break;     // Ctrl+A
    case 3: copySelection(); break;                 // Ctrl+C
    case 24:                                        // Ctrl+X
        if (edit_.hasSelection()) {
            copySelection();
            edit_.replaceSelection({});
            changed();
        }
        break;
    case 22: {                                      // Ctrl+V
        Value pasted = clipboardGetText(engine_.clipboard());
        std::string_view line = pasted.is(Tag::String) ? firstLine(textOf(pasted)) : std::string_view();
        if (!line.empty())
            insert(line, Source::Paste);
        break;
    }
    case 8:
        if (edit_.erase(false))
            changed();
        break;
    case key_code::Delete:
        if (edit_.erase(true))
            changed();
        break;
    case key_code::Home: edit_.moveTo(0, extend); redraw(); break;
    case key_code::End: edit_.moveTo(static_cast<int>(edit_.text().size()), extend); redraw(); break;
    case key_code::Left:
    case key_code::Right: {
        const bool right = code == key_code::Right;
        if (edit_.hasSelection() && !extend)
            edit_.moveTo(right ? edit_.selectionEnd() : edit_.selectionStart(), false);
        else
            edit_.moveTo(edit_.caret() + (right ? 1 : -1), extend);
        redraw();
        break;
    }
    default:
        // With Ctrl or Alt held a letter arrives as its key, not as a typed character.
        if (code < 32 || code > 255 || code == 127 || (flags & (modifier::Ctrl | modifier::Alt)))
            return false;
        const char c = static_cast<char>(code);
        insert(std::string_view(&c, 1), Source::Typing);
        break;
    }
    return truth("NotifyOnEachKey", false);
}

bool TextField::track(int32_t x, int32_t, int32_t flags, int32_t clicks)
{
    if (!isEnabled())
        return false;
    Value keep = Value::share(Tag::Control, this);
    syncFromProperty();
    if (clicks >= 2)
        edit_.selectAll();
    else
        edit_.moveTo(positionAt(x), (flags & modifier::Shift) != 0);
    redraw();
    EventRecord e;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        if (clicks < 2) {
            edit_.moveTo(positionAt(toForm(e.x, e.y).x), true);
            redraw();
        }
    }
    return false;
}

Value TextField::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "selectAll")) {
        syncFromProperty();
        edit_.selectAll();
        redraw();
        return Value();
    }
    if (isAction(action, "replaceSel"))
        return Value::boolean(replaceSelection(textForm(arguments)));
    if (isAction(action, "setText"))
        return Value::boolean(setText(textForm(arguments)));
    if (isAction(action, "getText")) {
        syncFromProperty();
        return Value::string(edit_.text());
    }
    if (isAction(action, "stringValue"))
        return property("StringValue");
    if (isAction(action, "deactivate")) {
        applyLeavingRules();
        redraw();
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

Value TextCombo::className() const
{
    return Value::string("TextCombo");
}

Value TextCombo::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new TextCombo(engine_, data));
}

Value TextCombo::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "isDuplicate")) {
        const std::string text = textForm(perform(Value::string("getText"), Value()));
        if (List* items = asList(property("List")))
            for (int32_t i = 0; i < items->count(); ++i)
                if (textForm(items->get(i)) == text)
                    return Value::integer(1);
        return Value::integer(0);
    }
    return TextField::perform(action, arguments);
}

} // namespace vel
