#include "controls/menu.h"

#include <algorithm>

#include "controls/choice_support.h"
#include "controls/plain_drawing.h"
#include "runtime/engine.h"
#include "runtime/event.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

using platform::Rect;

namespace {

using namespace system_color;

constexpr int DefaultTextX = 8;

bool isSeparator(std::string_view text)
{
    return text == "---";
}

std::vector<PopupRow> rowsOf(const Value& items, const Value& cascades)
{
    std::vector<PopupRow> rows;
    List* list = asList(items);
    List* subLists = asList(cascades);
    for (int32_t i = 0; list && i < list->count(); ++i) {
        PopupRow row{textForm(list->get(i))};
        row.separator = isSeparator(row.text);
        if (subLists && i < subLists->count())
            if (List* sub = asList(subLists->get(i)))
                row.cascade = sub->count() > 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

// ---- Menu ----

Menu::Menu(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value Menu::className() const
{
    return Value::string("Menu");
}

Value Menu::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new Menu(engine_, data));
}

Value Menu::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "GetResult"))
        return result_;
    return velLibraryControl::perform(action, arguments);
}

PopupStyle Menu::style() const
{
    PopupStyle style;
    style.font = property("Font");
    style.text = integer("ForegroundColor", Black);
    style.background = integer("BackgroundColor", MenuFace);
    style.selectedText = integer("SelectedForegroundColor", White);
    style.selectedBackground = integer("SelectedBackgroundColor", Highlight);
    style.border = Grey;
    style.textX = DefaultTextX;
    style.backgroundImage = imageProperty("Background");
    return style;
}

Rect Menu::placeBox(int x, int y, int width, int height) const
{
    // Whole on the screen: pulled back from the right and bottom edges, then from the left and top.
    if (DrawingSurface* s = engine_.surface()) {
        x = std::max(-s->originX(), std::min(x, s->width() - s->originX() - width));
        y = std::max(-s->originY(), std::min(y, s->height() - s->originY() - height));
    }
    return Rect::sized(x, y, width, height);
}

int Menu::levelAt(int x, int y) const
{
    for (int i = static_cast<int>(levels_.size()) - 1; i >= 0; --i)
        if (levels_[i].list->box().contains(x, y))
            return i;
    return -1;
}

void Menu::closeLevelsAbove(int level)
{
    while (static_cast<int>(levels_.size()) > level + 1) {
        levels_.back().list->hide();
        levels_.pop_back();
    }
}

void Menu::closeAll()
{
    closeLevelsAbove(-1);
}

void Menu::openCascade(int level, int row)
{
    closeLevelsAbove(level);
    List* cascades = asList(property("CascadingItems"));
    if (!cascades || row >= cascades->count())
        return;
    Level sub;
    sub.list = std::make_unique<PopupList>(engine_);
    sub.list->setRows(rowsOf(cascades->get(row), Value()));
    sub.list->setStyle(style());
    sub.parentRow = row;
    PopupList& parent = *levels_[level].list;
    const Rect from = parent.rowRect(row), box = parent.box();
    const int width = sub.list->naturalWidth(), height = sub.list->heightFor(0);
    int x = has("CascadeFixedX") ? integer("CascadeFixedX", 0) : box.right - 2;
    const int y = has("CascadeFixedY") ? integer("CascadeFixedY", 0) : from.top - 1;
    // A cascade with no room on the right opens to the left.
    if (DrawingSurface* s = engine_.surface(); s && !has("CascadeFixedX") &&
                                               x + width + s->originX() > s->width())
        x = box.left - width + 2;
    sub.list->place(placeBox(x, y, width, height));
    sub.list->show();
    levels_.push_back(std::move(sub));
}

Value Menu::resultFor(int row, int subRow) const
{
    List* results = asList(property("Results"));
    Value entry = results && row < results->count() ? results->get(row) : Value();
    const std::vector<PopupRow>& rows = levels_[0].list->rows();
    if (subRow < 0)
        return entry.isNil() ? Value::string(rows[row].text) : entry;
    if (List* sub = asList(entry); sub && subRow < sub->count())
        return sub->get(subRow);
    return Value::string(levels_[1].list->rows()[subRow].text);
}

bool Menu::choose(int level, int row)
{
    PopupList& list = *levels_[level].list;
    if (!list.choosable(row) || list.rows()[row].cascade)
        return false;
    result_ = level == 0 ? resultFor(row, -1) : resultFor(levels_[1].parentRow, row);
    return true;
}

bool Menu::handleKey(int32_t code, bool& chosen)
{
    const int level = static_cast<int>(levels_.size()) - 1;
    PopupList& list = *levels_[level].list;
    const int count = static_cast<int>(list.rows().size());
    const int lit = list.highlight();
    switch (code) {
    case key_code::Up: list.setHighlight(list.nextChoosable(lit < 0 ? count : lit, -1)); break;
    case key_code::Down: list.setHighlight(list.nextChoosable(lit, 1)); break;
    case key_code::Right:
    case 13:
        if (lit >= 0 && list.rows()[lit].cascade) {
            openCascade(level, lit);
            PopupList& sub = *levels_.back().list;
            sub.setHighlight(sub.nextChoosable(-1, 1));
            sub.draw();
        } else if (code == 13 && lit >= 0) {
            chosen = choose(level, lit);
            return true;
        }
        break;
    case key_code::Left:
    case 27:
        if (level > 0) {
            closeLevelsAbove(level - 1);
        } else if (code == 27) {
            return true;
        }
        break;
    default: return false;
    }
    levels_.back().list->draw();
    engine_.updateScreen();
    return false;
}

bool Menu::track(int32_t, int32_t, int32_t, int32_t)
{
    if (!isEnabled())
        return false;
    Value keep = Value::share(Tag::Control, this);
    result_ = Value();
    closeAll();
    Level first;
    first.list = std::make_unique<PopupList>(engine_);
    first.list->setRows(rowsOf(property("Items"), property("CascadingItems")));
    first.list->setStyle(style());
    const int x = has("FixedX") ? integer("FixedX", 0) : left();
    const int y = has("FixedY") ? integer("FixedY", 0) : top() + height();
    first.list->place(placeBox(x, y, first.list->naturalWidth(), first.list->heightFor(0)));
    first.list->show();
    levels_.push_back(std::move(first));
    engine_.updateScreen();

    // The release of the press that opened the pop-up leaves it open for a click; once the pointer
    // has been over it, a release chooses (or, outside, dismisses).
    bool entered = false, chosen = false, buttonDown = true;
    const int32_t kinds = event_kind::MouseDown | event_kind::MouseDrag | event_kind::MouseUp |
                          event_kind::MouseOver | event_kind::KeyDown;
    EventRecord e;
    while (engine_.nextNestedEvent(kinds, e)) {
        if (e.kind == event_kind::KeyDown) {
            if (handleKey(e.detail, chosen))
                break;
            continue;
        }
        const FormPoint p = toForm(e.x, e.y);
        const int level = levelAt(p.x, p.y);
        if (e.kind == event_kind::MouseDrag || e.kind == event_kind::MouseOver) {
            if (level < 0)
                continue;
            entered = true;
            PopupList& list = *levels_[level].list;
            const PopupList::Hit hit = list.hitAt(p.x, p.y);
            const int row = hit.part == PopupList::Part::Row ? hit.row : -1;
            if (row != list.highlight() || static_cast<int>(levels_.size()) > level + 1) {
                const bool sameCascade = static_cast<int>(levels_.size()) > level + 1 && levels_[level + 1].parentRow == row;
                list.setHighlight(row);
                list.draw();
                if (!sameCascade) {
                    closeLevelsAbove(level);
                    if (list.choosable(row) && list.rows()[row].cascade)
                        openCascade(level, row);
                }
                engine_.updateScreen();
            }
            continue;
        }
        if (e.kind == event_kind::MouseDown) {
            buttonDown = true;
            if (level < 0)
                break; // a press outside dismisses
            continue;
        }
        buttonDown = false;
        if (level >= 0) {
            const PopupList::Hit hit = levels_[level].list->hitAt(p.x, p.y);
            if (hit.part == PopupList::Part::Row && choose(level, hit.row)) {
                chosen = true;
                break;
            }
            continue;
        }
        if (entered)
            break;
    }
    // The press that dismissed the pop-up ends here, not on the form.
    while (buttonDown && engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e) &&
           e.kind != event_kind::MouseUp) {
    }
    closeAll();
    engine_.updateScreen();
    return chosen;
}

// ---- MenuForm ----

MenuForm::MenuForm(Engine& engine, const Value& properties) : velDialogObject(engine, properties) {}

Value MenuForm::className() const
{
    return Value::string("MenuForm");
}

Value MenuForm::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new MenuForm(engine_, data));
}

bool MenuForm::hasProperty(const Value& key) const
{
    for (const Value& layer : {placement_, argument_})
        if (Table* t = asTable(layer); t && t->contains(key))
            return true;
    return velDialogObject::hasProperty(key);
}

Value MenuForm::getProperty(const Value& key) const
{
    for (const Value& layer : {placement_, argument_})
        if (Table* t = asTable(layer); t && t->contains(key))
            return t->get(key);
    return velDialogObject::getProperty(key);
}

void MenuForm::readItems()
{
    items_.clear();
    Value disabledTable = property("DisabledMenuItemsTable");
    if (disabledTable.is(Tag::String))
        disabledTable = engine_.configuration().global(disabledTable);
    Table* disabled = asTable(disabledTable);
    List* list = asList(property("Items"));
    for (int32_t i = 0; list && i < list->count(); ++i) {
        Value entry = list->get(i);
        Item item;
        if (Table* t = asTable(entry)) {
            item.text = textForm(t->get("Text"));
            item.result = t->get("Result");
            item.name = t->get("Name");
            item.dialog = t->get("DlgName");
        } else {
            item.text = textForm(entry);
        }
        if (item.name.isNil())
            item.name = Value::string(item.text);
        item.separator = isSeparator(item.text);
        item.enabled = !item.separator && !(disabled && isTrue(disabled->get(item.name)));
        items_.push_back(std::move(item));
    }
}

void MenuForm::placeMenu(const Value& data)
{
    placement_ = Table::make();
    Table* place = placement_.as<Table>();
    Value background = property("Background");
    if (!background.isNil() && !velDialogObject::hasProperty(Value::string("Background Image")))
        place->put(Value::string("Background Image"), background);
    Value image = resourceProperty("Background Image");
    int32_t width = 0, height = 0;
    if (Image* i = asImage(image)) {
        width = i->width();
        height = i->height();
    } else {
        const int spacing = rowRect(0).height();
        int widest = 0;
        bool cascades = false;
        if (DrawingSurface* s = engine_.surface()) {
            Value font = property("Font");
            s->selectFont(font.is(Tag::Font) ? font : Value());
            for (const Item& item : items_) {
                widest = std::max(widest, s->measureText(item.text).width);
                cascades = cascades || !cascadeFor(item).isNil();
            }
        }
        const int textX = getInteger(Value::string("TextX"), DefaultTextX);
        width = widest + 2 * textX + 4 + (cascades ? 12 : 0);
        height = static_cast<int>(items_.size()) * spacing + 4;
    }
    // Beside the parent's item when it asks for the default place; otherwise where it is put, moved
    // by the offsets.
    int32_t x = getInteger(Value::string("Origin X"), 0), y = getInteger(Value::string("Origin Y"), 0);
    List* parents = asList(property("ParentsList"));
    velFormObject* parent = parents && parents->count() > 0 ? asForm(parents->get(parents->count() - 1)) : nullptr;
    Region* item = parent ? asRegion(parent->getProperty(Value::string("SubItemRect"))) : nullptr;
    if (hasProperty(Value::string("UseDefaultPosition")) && item) {
        x = item->left + (item->right - item->left) + 1;
        y = item->top - 3;
    } else {
        x += getInteger(Value::string("Offset X"), 0);
        y += getInteger(Value::string("Offset Y"), 0);
    }
    // The whole menu on the screen: a menu running past the bottom or the right edge is moved back.
    const int32_t mediaWidth = engine_.configuration().mediaWidth(), mediaHeight = engine_.configuration().mediaHeight();
    x = std::max(0, std::min(x, mediaWidth - width));
    y = std::max(0, std::min(y, mediaHeight - height));
    place->put(Value::string("Origin X"), Value::integer(x));
    place->put(Value::string("Origin Y"), Value::integer(y));
    place->put(Value::string("Width"), Value::integer(width));
    place->put(Value::string("Height"), Value::integer(height));
    (void)data;
}

int32_t MenuForm::getInteger(const Value& key, int32_t fallback) const
{
    Value v = getProperty(key);
    return v.is(Tag::Int) || v.is(Tag::Float) || v.is(Tag::Boolean) || v.is(Tag::String) ? velIntValue(v) : fallback;
}

void MenuForm::open(const Value& data)
{
    argument_ = asTable(data) ? data : Value();
    result_ = Value();
    highlight_ = -1;
    readItems();
    placeMenu(data);
    velDialogObject::open(data);
}

void MenuForm::close()
{
    velDialogObject::close();
    argument_ = Value();
    placement_ = Value();
}

Value MenuForm::result()
{
    return result_;
}

Rect MenuForm::rowRect(int row) const
{
    int spacing = getInteger(Value::string("Spacing"), 0);
    if (spacing <= 0) {
        spacing = 20;
        if (DrawingSurface* s = engine_.surface()) {
            Value font = property("Font");
            s->selectFont(font.is(Tag::Font) ? font : Value());
            spacing = s->measureText("\xC1g").height + 6;
        }
    }
    Rect area{2, 2, width_ - 2, height_ - 2};
    if (Region* r = asRegion(property("MenuRect")))
        area = {r->left, r->top, r->right, r->bottom};
    return {area.left, area.top + row * spacing, area.right, area.top + (row + 1) * spacing};
}

int MenuForm::rowAt(int x, int y) const
{
    for (int row = 0; row < static_cast<int>(items_.size()); ++row)
        if (rowRect(row).contains(x, y))
            return row;
    return -1;
}

void MenuForm::drawRow(int row)
{
    DrawingSurface* s = engine_.surface();
    if (!s || row < 0 || row >= static_cast<int>(items_.size()))
        return;
    const Item& item = items_[row];
    const Rect r = rowRect(row);
    const bool lit = row == highlight_;
    // The row's own background again: the picture's part under it, or the colour.
    Value image = resourceProperty("Background Image");
    if (lit)
        s->fill(r, getInteger(Value::string("SelectedBackgroundColor"), Highlight));
    else if (image.is(Tag::Image))
        velDrawImage(s->context(), image, r.left, r.top, r.width(), r.height(), r.left, r.top);
    else
        s->fill(r, getInteger(Value::string("BackgroundColor"), MenuFace));
    if (item.separator) {
        const int y = (r.top + r.bottom) / 2;
        s->fill({r.left + 4, y, r.right - 4, y + 1}, Grey);
        return;
    }
    Value font = property("Font");
    s->selectFont(font.is(Tag::Font) ? font : Value());
    s->setTextBackground(-1);
    s->setTextColor(!item.enabled ? getInteger(Value::string("DisabledColor"), Grey)
                    : lit        ? getInteger(Value::string("SelectedForegroundColor"), White)
                                 : getInteger(Value::string("ForegroundColor"), Black));
    const int textHeight = s->measureText(item.text).height;
    const int textY = hasProperty(Value::string("TextY")) ? r.top + getInteger(Value::string("TextY"), 0)
                                                          : r.top + (r.height() - textHeight) / 2;
    s->textOut(r.left + getInteger(Value::string("TextX"), DefaultTextX), textY, item.text);
    if (!cascadeFor(item).isNil()) {
        drawArrow(*s, {r.right - 15, r.top + 2, r.right - 5, r.bottom - 2}, ArrowDirection::Right, lit ? White : Black);
    }
}

void MenuForm::draw()
{
    DrawingSurface* s = engine_.surface();
    if (s && !asImage(resourceProperty("Background Image"))) {
        s->fill({0, 0, width_, height_}, getInteger(Value::string("BackgroundColor"), MenuFace));
        s->rectangle({0, 0, width_, height_}, Grey, 1);
    }
    velDialogObject::draw();
    for (int row = 0; row < static_cast<int>(items_.size()); ++row)
        drawRow(row);
}

void MenuForm::setHighlight(int row)
{
    if (row == highlight_)
        return;
    const int old = highlight_;
    highlight_ = row;
    drawRow(old);
    drawRow(row);
    engine_.updateScreen();
}

int MenuForm::nextEnabled(int from, int step) const
{
    const int count = static_cast<int>(items_.size());
    for (int row = from + step; row >= 0 && row < count; row += step)
        if (items_[row].enabled)
            return row;
    return -1;
}

Value MenuForm::cascadeFor(const Item& item) const
{
    Table* cascades = asTable(property("CascadeTable"));
    if (!cascades)
        return Value();
    Value entry = cascades->get(item.name);
    return entry.isNil() ? cascades->get(Value::string(item.text)) : entry;
}

void MenuForm::choose(int row)
{
    if (row < 0 || row >= static_cast<int>(items_.size()) || !items_[row].enabled)
        return;
    Value keep = self();
    const Item item = items_[row];
    if (Value sound = property("Sound"); !sound.isNil()) {
        if (soundPlayer_.isNil())
            soundPlayer_ = Value::adopt(Tag::Control, new velLibraryControl(engine_, Value()));
        static_cast<velLibraryControl*>(soundPlayer_.object())->playSound(sound, 0);
    }
    if (Value cascade = cascadeFor(item); !cascade.isNil()) {
        // The cascade learns where this item is (in screen pixels) and who its parents are.
        const Rect r = rowRect(row);
        placement_.as<Table>()->put(Value::string("SubItemRect"),
                                     Region::rectangle(r.left + originX_, r.top + originY_, r.right + originX_, r.bottom + originY_));
        Value parents = ValueList::make();
        if (List* before = asList(property("ParentsList")))
            for (int32_t i = 0; i < before->count(); ++i)
                parents.as<List>()->append(before->get(i));
        parents.as<List>()->append(self());
        Value argument = asTable(cascade) ? cascade.as<Table>()->copy() : Table::make();
        argument.as<Table>()->put(Value::string("ParentsList"), parents);
        argument.as<Table>()->put(Value::string("UseDefaultPosition"), Value::boolean(1));
        Value sub = cascade;
        if (asTable(cascade)) {
            // A definition opens in a menu like this one, with this menu's look but not its items.
            Value look = asTable(properties_) ? properties_.as<Table>()->copy() : Table::make();
            for (const char* key : {"Items", "Background", "Background Image", "MenuRect", "CascadeTable",
                                    "Origin X", "Origin Y", "Width", "Height"})
                look.as<Table>()->remove(Value::string(key));
            sub = createInstance(look);
        }
        Value chosen = runDialog(engine_, sub, argument);
        if (DrawingSurface* s = engine_.surface())
            s->setOrigin(originX_, originY_);
        if (asTable(chosen)) {
            result_ = chosen;
            end();
        }
        return;
    }
    if (!item.dialog.isNil())
        runDialog(engine_, item.dialog, argument_);
    if (item.result.is(Tag::String) && textOf(item.result) == "__STAYOPEN__")
        return;
    if (item.result.is(Tag::String) && textOf(item.result) == "__CLOSE__") {
        end();
        return;
    }
    Value chosen = Table::make();
    Table* t = chosen.as<Table>();
    t->put(Value::string("Text"), Value::string(item.text));
    t->put(Value::string("Result"), item.result);
    t->put(Value::string("Name"), item.name);
    t->put(Value::string("Index"), Value::integer(row));
    result_ = chosen;
    end();
}

void MenuForm::mouseOver(int32_t x, int32_t y)
{
    const FormPoint p = toFormCoordinates({x, y});
    const int row = rowAt(p.x, p.y);
    setHighlight(row >= 0 && items_[row].enabled ? row : -1);
}

void MenuForm::mouseDown(int32_t x, int32_t y)
{
    Value keep = self();
    const FormPoint p = toFormCoordinates({x, y});
    if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_) {
        // A press outside closes the menu and goes on to the parent menus: one of them takes it, or
        // it closes them too.
        if (List* parents = asList(property("ParentsList")); parents && parents->count() > 0) {
            EventRecord again;
            again.kind = event_kind::MouseDown;
            again.x = x;
            again.y = y;
            again.detail = 1;
            if (EventQueue* events = engine_.events())
                events->post(again);
        }
        end();
        return;
    }
    int row = rowAt(p.x, p.y);
    setHighlight(row >= 0 && items_[row].enabled ? row : -1);
    EventRecord e;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e)) {
        const FormPoint q = toFormCoordinates({e.x, e.y});
        row = rowAt(q.x, q.y);
        setHighlight(row >= 0 && items_[row].enabled ? row : -1);
        if (e.kind == event_kind::MouseUp)
            break;
    }
    if (row >= 0)
        choose(row);
}

void MenuForm::keyDown(int32_t code, int32_t flags)
{
    const int count = static_cast<int>(items_.size());
    switch (code) {
    case key_code::Up:
    case key_code::Down: {
        const bool up = code == key_code::Up;
        const int next = nextEnabled(highlight_ < 0 && up ? count : highlight_, up ? -1 : 1);
        if (next >= 0)
            setHighlight(next);
        return;
    }
    case 13: choose(highlight_); return;
    case key_code::Right:
        if (highlight_ >= 0 && !cascadeFor(items_[highlight_]).isNil())
            choose(highlight_);
        return;
    case key_code::Left:
        if (asList(property("ParentsList")))
            end(); // back to the parent menu
        return;
    default: velDialogObject::keyDown(code, flags);
    }
}

} // namespace vel
