#include "controls/list_box.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "runtime/clipboard.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/framework_timer.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

using platform::Rect;
using Part = ListScrollBar::Part;

bool isAction(const Value& action, std::string_view name)
{
    return action.is(Tag::String) && textOf(action) == name;
}

// A region's rectangle; one of no size when it is missing or turned inside out.
Rect properRect(const std::optional<Rect>& r)
{
    return r && !r->empty() ? *r : Rect{};
}

int32_t heightOf(const Value& image)
{
    const Image* i = asImage(image);
    return i ? std::max(0, i->height()) : 0;
}

int32_t widthOf(const Value& image)
{
    const Image* i = asImage(image);
    return i ? std::max(0, i->width()) : 0;
}

// The focus outline: one pixel on, one off, round the rectangle; its hundreds of dots go in one fill,
// those outside `within` left out.
void dottedFrame(DrawingSurface& surface, const Rect& r, int32_t colour, const Rect& within)
{
    std::vector<Rect> dots;
    auto dot = [&](int x, int y) {
        if (within.contains(x, y))
            dots.push_back({x, y, x + 1, y + 1});
    };
    for (int x = r.left; x < r.right; x += 2) {
        dot(x, r.top);
        dot(x, r.bottom - 1);
    }
    for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
        dot(r.left, y);
        dot(r.right - 1, y);
    }
    if (!dots.empty())
        surface.fill(dots, colour);
}

} // namespace

AbstractListBox::AbstractListBox(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value AbstractListBox::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new AbstractListBox(engine_, data));
}

List* AbstractListBox::items() const
{
    return asList(tableGet(Value::string("List")));
}

int32_t AbstractListBox::itemCount() const
{
    const List* list = items();
    return list ? list->count() : 0;
}

Rect AbstractListBox::listRect() const
{
    // A hot spot of no size, or turned inside out, holds no lines.
    const Rect r = hotSpotRect();
    return r.empty() ? Rect{} : r;
}

void AbstractListBox::initialise()
{
    initialising_ = true;
    Look look;
    look.textTopMargin = integer("TextTopMargin", 0);
    look.selectionGap = integer("SelectionGap", 0);
    look.background = integer("BackgroundColor", -1);
    look.text = integer("TextColor", 1);
    look.selection = integer("SelectionColor", 0xFFFF00);
    look.selectionText = integer("SelectionTextColor", 0xFFFFFF);
    look.outline = integer("OutlineColor", 0x808080);
    look.border = integer("BorderColor", 1);
    look.drawBorder = truth("DrawBorder", false);
    look.singleClickNotify = truth("SingleClickNotify", false);
    look.doubleClickNotify = truth("DoubleClickNotify", true);
    look.initialRepeat = std::max(0, integer("InitialRepeat", 250));
    look.repeatRate = std::max(0, integer("RepeatRate", 50));
    look_ = look;

    Value font = engine_.resources().loadNamed(property("Font"));
    font_ = font.is(Tag::Font) ? font : Value();
    backgroundImage_ = imageProperty("BackgroundImage");
    int32_t textHeight = 16;
    if (DrawingSurface* surface = engine_.surface(); surface && surface->selectFont(font_))
        textHeight = surface->measureText("|").height;
    // A negative spacing may not close the lines up to nothing: every position divides by it.
    lineHeight_ = std::max(1, textHeight + integer("LineSpacing", 0));
    visible_ = listRect().height() / lineHeight_;
    readScrollBar();

    top_ = 0;
    selection_ = -1;
    adoptItems(tableGet(Value::string("List")));
    selection_ = std::clamp(integer("SelectionIndex", -1), -1, itemCount() - 1);
    setCurrent(selection_);
    initialised_ = true;
    initialising_ = false;
}

void AbstractListBox::readScrollBar()
{
    ListScrollBar::Images images;
    images.track = imageProperty("ScrollBarImage");
    images.trackTile = imageProperty("ScrollBit");
    images.thumb = imageProperty("ThumbImage");
    images.thumbHighlight = imageProperty("ThumbHighlight");
    if (Value mask = imageProperty("ThumbMask"); !mask.isNil()) {
        setImageMask(images.thumb, mask);
        setImageMask(images.thumbHighlight, mask);
    }
    images.upArrow = imageProperty("UpArrowImage");
    images.upArrowHighlight = imageProperty("UpArrowHighlight");
    images.downArrow = imageProperty("DownArrowImage");
    images.downArrowHighlight = imageProperty("DownArrowHighlight");

    int32_t barWidth = 0;
    if (Value given = property("ScrollBarWidth"); given.is(Tag::Int)) {
        barWidth = std::max(0, given.asInt());
    } else if (int32_t fromImage = std::max(widthOf(images.thumb), widthOf(images.track)); fromImage > 0) {
        barWidth = fromImage;
        setInteger(Value::string("ScrollBarWidth"), barWidth);
    }
    const bool pictured = !images.track.isNil() || !images.trackTile.isNil() || !images.thumb.isNil();
    const Rect list = listRect();
    ListScrollBar::Layout layout;
    layout.bar = properRect(rectProperty("ScrollbarHotSpot"));
    if (layout.bar.empty() && barWidth > 0 && !list.empty())
        layout.bar = {std::max(list.left, list.right - barWidth), list.top, list.right, list.bottom};
    // Without pictures the plain bar has square arrows and thumb.
    const int32_t plain = pictured ? 0 : barWidth;
    const int32_t upHeight = images.upArrow.isNil() ? plain : heightOf(images.upArrow);
    const int32_t downHeight = images.downArrow.isNil() ? plain : heightOf(images.downArrow);
    layout.upArrow = properRect(rectProperty("UpArrowRegion"));
    if (layout.upArrow.empty() && upHeight > 0 && !layout.bar.empty())
        layout.upArrow = {layout.bar.left, layout.bar.top, layout.bar.right, layout.bar.top + upHeight};
    layout.downArrow = properRect(rectProperty("DownArrowRegion"));
    if (layout.downArrow.empty() && downHeight > 0 && !layout.bar.empty())
        layout.downArrow = {layout.bar.left, layout.bar.bottom - downHeight, layout.bar.right, layout.bar.bottom};
    layout.upArrowX = integer("UpArrowX", layout.upArrow.left);
    layout.upArrowY = integer("UpArrowY", layout.upArrow.top);
    layout.downArrowX = integer("DownArrowX", layout.downArrow.left);
    layout.downArrowY = integer("DownArrowY", layout.downArrow.top);
    layout.thumbHeight = images.thumb.isNil() ? plain : heightOf(images.thumb);
    scrollBar_ = ListScrollBar(layout, images);
}

void AbstractListBox::adoptItems(const Value& given)
{
    Value list = given;
    if (!list.is(Tag::List) && !list.isNil())
        list = engine_.resources().loadNamed(list);
    if (!list.is(Tag::List))
        list = ValueList::make();
    if (list.object() != tableGet(Value::string("List")).object())
        velLibraryControl::setProperty(Value::string("List"), list);
    letters_.rebuild(items());
    itemsReplaced();
    selection_ = std::min(selection_, itemCount() - 1);
    clampTop();
}

void AbstractListBox::setProperty(const Value& key, const Value& value)
{
    velLibraryControl::setProperty(key, value);
    if (initialised_ && !initialising_ && key.is(Tag::String) && textOf(key) == "List")
        initialise();
}

void AbstractListBox::clampTop()
{
    const int32_t last = std::max(0, itemCount() - std::max(1, visible_));
    top_ = std::clamp(top_, 0, last);
}

void AbstractListBox::setCurrent(int32_t index)
{
    if (index < 0 || index >= itemCount())
        return;
    const int32_t reach = std::max(1, visible_) - 1;
    if (index < top_)
        top_ = index;
    else if (index >= top_ + reach)
        top_ = index - reach;
    clampTop();
}

void AbstractListBox::selectIndex(int32_t index, bool flush)
{
    index = std::clamp(index, -1, itemCount() - 1);
    if (index == selection_)
        return;
    const int32_t before = selection_, topBefore = top_;
    selection_ = index;
    setCurrent(index);
    showMove(before, topBefore, flush);
}

void AbstractListBox::redraw(bool flush)
{
    draw();
    if (flush)
        this->flush();
}

void AbstractListBox::showMove(int32_t before, int32_t topBefore, bool flush)
{
    // A key press at scale 3 would otherwise fill, print and show a million pixels for two lines.
    if (!redrawMove(before, topBefore)) {
        redraw(flush);
        return;
    }
    if (flush)
        this->flush();
}

Rect AbstractListBox::innerRect() const
{
    const Rect list = listRect();
    return look_.drawBorder ? Rect{list.left + 1, list.top + 1, list.right - 1, list.bottom - 1} : list;
}

std::optional<Rect> AbstractListBox::rowsBetween(int top, int bottom) const
{
    // The border and a plain bar are drawn over the lines last, so the rows stop short of them.
    Rect rows = Rect{listRect().left, top, listRect().right, bottom}.intersect(innerRect());
    const ListScrollBar::Layout& bar = scrollBar_.layout();
    for (const Rect* part : {&bar.bar, &bar.upArrow, &bar.downArrow}) {
        if (allFit() || part->empty() || rows.intersect(*part).empty())
            continue;
        if (part->left <= rows.left)
            return std::nullopt;
        rows.right = std::min(rows.right, part->left);
    }
    return rows;
}

bool AbstractListBox::redrawMove(int32_t before, int32_t topBefore)
{
    DrawingSurface* surface = engine_.surface();
    const Rect list = listRect();
    if (!initialised_ || !surface || list.empty() || savedBackground_.isNil() || !isVisible() || !isEnabled() ||
        !backgroundImage_.isNil() || look_.background == -1 || (!allFit() && scrollBar_.pictured()))
        return false;
    const int32_t end = std::min(itemCount(), top_ + visible_);
    const int32_t firstY = list.top + look_.textTopMargin;
    std::vector<Rect> rows;
    for (int32_t index : {before, selection_ != before ? selection_ : -1}) {
        if (index < top_ || index >= end)
            continue;
        const int y = firstY + (index - top_) * lineHeight_;
        // A line's rectangle reaches two pixels into the next; those rows change with it.
        const std::optional<Rect> row = rowsBetween(y, y + lineHeight_ + 2);
        if (!row)
            return false;
        rows.push_back(*row);
    }
    if (top_ != topBefore && !scrollLines(topBefore, rows))
        return false;
    // Rows that meet are drawn as one, so that no line is drawn twice.
    std::sort(rows.begin(), rows.end(), [](const Rect& a, const Rect& b) { return a.top < b.top; });
    std::vector<Rect> merged;
    for (const Rect& row : rows) {
        Rect* last = merged.empty() ? nullptr : &merged.back();
        if (last && last->left == row.left && last->right == row.right && row.top <= last->bottom)
            last->bottom = std::max(last->bottom, row.bottom);
        else if (!row.empty())
            merged.push_back(row);
    }
    surface->selectFont(font_);
    surface->setTextBackground(-1);
    for (const Rect& row : merged) {
        surface->resetClip();
        surface->fill(row, look_.background);
        // Every line whose rectangle crosses the rows, in the order a whole drawing takes them.
        const int32_t from = std::max(top_, top_ + (row.top - firstY) / lineHeight_ - 2);
        for (int32_t i = from, y = firstY + (from - top_) * lineHeight_; i < end && y < row.bottom;
             ++i, y += lineHeight_)
            drawLine(*surface, i, y, row);
    }
    surface->resetClip();
    if (top_ != topBefore)
        scrollBar_.draw(*surface, top_, itemCount(), visible_, pressed_);
    return true;
}

bool AbstractListBox::scrollLines(int32_t topBefore, std::vector<Rect>& rows)
{
    const int32_t shift = top_ - topBefore; // lines the text moves up
    if (allFit() || std::abs(shift) >= visible_)
        return false;
    const std::optional<Rect> block = rowsBetween(innerRect().top, innerRect().bottom);
    if (!block || block->empty())
        return false;
    // Every row must stop at the same edge, the one of a bar part reaching over all of them.
    bool even = block->right == innerRect().right;
    const ListScrollBar::Layout& bar = scrollBar_.layout();
    for (const Rect* part : {&bar.bar, &bar.upArrow, &bar.downArrow})
        even = even || (part->left == block->right && part->top <= block->top && part->bottom >= block->bottom);
    if (!even)
        return false;
    // The rows that show the same lines before and after keep their pixels, but for the two at the
    // top of the first of them, into which a line that came or went reaches.
    const int firstY = listRect().top + look_.textTopMargin, moved = shift * lineHeight_;
    const Rect kept = Rect{block->left, firstY + std::max(0, -shift) * lineHeight_ + 2, block->right,
                           firstY + (visible_ - std::max(0, shift)) * lineHeight_}
                          .intersect(*block)
                          .intersect({block->left, block->top - moved, block->right, block->bottom - moved});
    if (kept.empty())
        return false;
    engine_.surface()->scroll({kept.left, std::min(kept.top, kept.top + moved), kept.right,
                               std::max(kept.bottom, kept.bottom + moved)},
                              0, -moved);
    rows.push_back({block->left, block->top, block->right, kept.top});
    rows.push_back({block->left, kept.bottom, block->right, block->bottom});
    return true;
}

int32_t AbstractListBox::textWidth() const
{
    return listRect().width() - look_.selectionGap - (allFit() ? 0 : scrollBar_.width());
}

bool AbstractListBox::isItemSelected(int32_t index) const
{
    return index >= 0 && index == selection_;
}

bool AbstractListBox::showsSelected(int32_t index) const
{
    return isItemSelected(index);
}

void AbstractListBox::draw()
{
    if (!initialised_)
        initialise();
    DrawingSurface* surface = engine_.surface();
    const Rect list = listRect();
    if (!surface || list.empty())
        return;
    const Rect area = unionRect(list, scrollBar_.layout().bar);
    if (!isVisible()) {
        // A hidden list gives back the screen it covered.
        if (!savedBackground_.isNil())
            drawImageAt(savedBackground_, area.left, area.top);
        return;
    }
    if (!isEnabled())
        return;

    // The screen under the list is kept even when a picture or a colour covers it, for hiding.
    const bool fresh = savedBackground_.isNil();
    if (fresh)
        savedBackground_ = saveScreen(area);
    if (!backgroundImage_.isNil())
        drawImageAt(backgroundImage_, list.left, list.top);
    else if (!fresh && (look_.background == -1 || area.width() != list.width() || area.height() != list.height()))
        drawImageAt(savedBackground_, area.left, area.top);
    if (look_.background != -1)
        surface->fill(list, look_.background);

    const int32_t count = itemCount();
    const bool fits = count <= visible_;
    int y = list.top + look_.textTopMargin;
    surface->selectFont(font_);
    surface->setTextBackground(-1);
    for (int32_t i = top_; i < count && i < top_ + visible_; ++i, y += lineHeight_)
        drawLine(*surface, i, y, list);
    surface->resetClip();
    if (look_.drawBorder)
        surface->rectangle(list, look_.border, 1);
    if (!fits)
        scrollBar_.draw(*surface, top_, count, visible_, pressed_);
}

void AbstractListBox::drawLine(DrawingSurface& surface, int32_t index, int y, const Rect& within)
{
    const List* entries = items();
    const int x = listRect().left + 2;
    const Rect line = Rect{x - 1, y, x - 1 + textWidth() + 1, y + lineHeight_ + 2}.intersect(listRect());
    const Rect clip = line.intersect(within);
    if (!entries || index >= entries->count() || clip.empty())
        return;
    surface.setClip(clip);
    // The list's colour is filled in already: text drawn over it needs no box of its own, which
    // would cut into the selection above.
    if (showsSelected(index)) {
        surface.fill(clip, look_.selection);
        surface.setTextColor(look_.selectionText);
    } else {
        surface.setTextColor(look_.text);
    }
    surface.textOut(x, y, listItemText(entries->get(index)));
    if (isActive() && index == selection_)
        dottedFrame(surface, line, look_.outline, clip);
}

bool AbstractListBox::canActivate() const
{
    return velLibraryControl::canActivate() && itemCount() > 0;
}

void AbstractListBox::activate()
{
    velLibraryControl::activate();
    if (itemCount() > 0)
        redraw(true);
}

void AbstractListBox::deactivate()
{
    velLibraryControl::deactivate();
    redraw(true);
}

void AbstractListBox::copySelection()
{
    const List* entries = items();
    if (!entries || selection_ < 0 || selection_ >= entries->count())
        return;
    clipboardPutText(engine_.clipboard(), Value::string(listItemText(entries->get(selection_))));
}

bool AbstractListBox::searchLetter(unsigned char letter)
{
    const List* entries = items();
    if (!entries)
        return false;
    engine_.setCursor(Cursor::make(CursorKind::Wait));
    // The letters follow the list through this box's own changes; a list changed behind its back is
    // caught by the count or by the item found, and read again.
    if (letters_.count() != entries->count())
        letters_.rebuild(entries);
    int32_t found = letters_.findAfter(letter, selection_);
    if (found >= 0 && ListItemLetters::letterOf(entries->get(found)) != letter) {
        letters_.rebuild(entries);
        found = letters_.findAfter(letter, selection_);
    }
    Value pointerCursor;
    if (velFormObject* form = asForm(engine_.currentForm()))
        if (velControlObject* under = asControl(form->controlUnderPointer()))
            pointerCursor = under->cursor();
    engine_.setCursor(pointerCursor);
    if (found < 0)
        return false;
    moveByKey(found);
    return true;
}

void AbstractListBox::moveByKey(int32_t index)
{
    selectIndex(index, true);
}

bool AbstractListBox::key(int32_t keyCode, int32_t flags)
{
    if (!initialised_)
        initialise();
    const int32_t count = itemCount();
    if (!isEnabled() || count == 0)
        return false;
    const bool control = (flags & modifier::Ctrl) != 0;
    const int32_t lower = keyCode >= 0 && keyCode < 256 ? ListItemLetters::fold(static_cast<unsigned char>(keyCode))
                                                        : keyCode;
    if ((control && lower == 'c') || keyCode == 3) {
        copySelection();
        return false;
    }
    if (keyCode == 13) {
        if (selection_ < 0)
            return false;
        doubleClicked_ = true;
        return true;
    }
    const int32_t before = selection_;
    switch (keyCode) {
    case key_code::Home: moveByKey(0); break;
    case key_code::End: moveByKey(count - 1); break;
    // A page keeps one line of the last in view, and moves by one line at least.
    case key_code::PageUp: moveByKey(std::max(0, selection_ - pageLines())); break;
    case key_code::PageDown: moveByKey(std::min(count - 1, selection_ + pageLines())); break;
    case key_code::Up:
        if (selection_ > 0)
            moveByKey(selection_ - 1);
        break;
    case key_code::Down:
        if (selection_ < count - 1)
            moveByKey(selection_ + 1);
        break;
    default:
        if (lower < 'a' || lower > 'z' || control || (flags & modifier::Alt) || count < 2)
            return false;
        searchLetter(static_cast<unsigned char>(lower));
    }
    if (selection_ != before && hasProperty(Value::string("SelectionAction"))) {
        doubleClicked_ = true;
        return true;
    }
    return false;
}

void AbstractListBox::clickItem(int32_t index)
{
    selectIndex(index, true);
}

bool AbstractListBox::track(int32_t x, int32_t y, int32_t, int32_t clicks)
{
    if (!initialised_)
        initialise();
    const int32_t count = itemCount();
    if (count == 0 || !isEnabled())
        return false;
    if (!allFit()) {
        if (Part part = scrollBar_.partAt(x, y, top_, count, visible_); part != Part::None) {
            trackScrollBar(part, x, y);
            return false;
        }
    }
    const Rect list = listRect();
    const int32_t offset = y - list.top - look_.textTopMargin;
    if (!list.contains(x, y) || offset < 0 || offset / lineHeight_ >= std::max(1, visible_))
        return false;
    const int32_t index = top_ + offset / lineHeight_;
    if (index >= count)
        return false;
    // The second press of a double click leaves the item as the first one left it.
    if (clicks <= 1 || index != selection_)
        clickItem(index);
    doubleClicked_ = clicks > 1;
    return doubleClicked_ ? look_.doubleClickNotify : look_.singleClickNotify;
}

void AbstractListBox::stepScroll(Part part, int32_t pointerY)
{
    const int32_t thumb = scrollBar_.thumbTop(top_, itemCount(), visible_);
    const int32_t page = std::max(1, visible_);
    switch (part) {
    case Part::UpArrow: --top_; break;
    case Part::DownArrow: ++top_; break;
    // Paging stops once the thumb has come under the pointer.
    case Part::PageUp:
        if (pointerY < thumb)
            top_ -= page;
        break;
    case Part::PageDown:
        if (pointerY >= thumb + scrollBar_.layout().thumbHeight)
            top_ += page;
        break;
    default: break;
    }
    clampTop();
}

void AbstractListBox::trackScrollBar(Part part, int32_t x, int32_t y)
{
    // Held for the loop: a handler may drop the form's last reference to this control.
    Value keep = Value::share(Tag::Control, this);
    FrameworkTimer* timer = engine_.frameworkTimer();
    const ListScrollBar::Layout& layout = scrollBar_.layout();
    const int32_t grab = y - scrollBar_.thumbTop(top_, itemCount(), visible_);
    pressed_ = part;
    if (part != Part::Thumb) {
        stepScroll(part, y);
        if (timer)
            timer->set(look_.initialRepeat);
    }
    redraw(true);
    bool inside = true, repeating = false;
    int32_t pointerY = y;
    (void)x;
    EventRecord e;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp | event_kind::Timer, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        if (e.kind == event_kind::MouseDrag) {
            FormPoint p{e.x, e.y};
            if (velFormObject* form = asForm(engine_.currentForm()))
                p = form->toFormCoordinates(p);
            pointerY = p.y;
            if (part == Part::Thumb) {
                const int32_t was = top_;
                top_ = scrollBar_.topForThumb(p.y - grab, itemCount(), visible_);
                clampTop();
                if (top_ != was)
                    showMove(selection_, was, true);
                continue;
            }
            const Rect& on = part == Part::UpArrow ? layout.upArrow : part == Part::DownArrow ? layout.downArrow
                                                                                               : layout.bar;
            if (on.contains(p.x, p.y) != inside) {
                inside = !inside;
                pressed_ = inside ? part : Part::None;
                redraw(true);
            }
            continue;
        }
        if (part == Part::Thumb || !inside)
            continue;
        const int32_t was = top_;
        stepScroll(part, pointerY);
        if (top_ != was)
            showMove(selection_, was, true);
        if (!repeating && timer) {
            repeating = true;
            timer->set(look_.repeatRate);
        }
    }
    if (timer && part != Part::Thumb)
        timer->kill();
    pressed_ = Part::None;
    redraw(true);
}

Value AbstractListBox::deleteItem(const Value& data)
{
    List* entries = items();
    const int32_t count = itemCount();
    const int32_t index = data.is(Tag::Int) ? data.asInt() : selection_;
    if (!entries || index < 0 || index >= count)
        return Value();
    for (int32_t i = index; i + 1 < count; ++i)
        entries->set(i, entries->get(i + 1));
    entries->removeLast();
    letters_.erase(index);
    itemErased(index);
    if (top_ + visible_ > count - 1)
        top_ = std::max(0, count - 1 - visible_);
    selection_ = std::min(selection_, count - 2);
    redraw(true);
    return Value();
}

Value AbstractListBox::perform(const Value& action, const Value& arguments)
{
    if (!action.is(Tag::String))
        return velLibraryControl::perform(action, arguments);
    const std::string_view name = textOf(action);
    if (name == "Initialize") {
        initialise();
        return Value();
    }
    static constexpr std::string_view listActions[] = {"getList", "setList", "addItem", "deleteItem",
                                                       "getSelection", "setSelection", "getSelectionStr",
                                                       "getSelectionState", "canActivate", "dblClicked"};
    if (std::find(std::begin(listActions), std::end(listActions), name) == std::end(listActions))
        return velLibraryControl::perform(action, arguments);
    if (!initialised_)
        initialise();
    if (!items()) // the property was taken away since
        adoptItems(Value());
    List* entries = items();
    const int32_t count = itemCount();
    if (name == "getList")
        return tableGet(Value::string("List"));
    if (name == "setList") {
        adoptItems(arguments.is(Tag::List) ? arguments : Value());
        redraw(true);
        return Value();
    }
    if (name == "addItem") {
        entries->append(arguments);
        letters_.append(arguments);
        itemAppended();
        redraw(true);
        return Value::integer(count);
    }
    if (name == "deleteItem")
        return deleteItem(arguments);
    if (name == "getSelection")
        return Value::integer(selection_);
    if (name == "setSelection") {
        if (arguments.is(Tag::Int))
            selectIndex(arguments.asInt(), true);
        return Value();
    }
    if (name == "getSelectionStr") {
        const int32_t index = arguments.is(Tag::Int) ? arguments.asInt() : selection_;
        return index >= 0 && index < count ? entries->get(index) : Value();
    }
    if (name == "getSelectionState")
        return Value::integer(arguments.is(Tag::Int) && isItemSelected(arguments.asInt()) ? 1 : 0);
    if (name == "canActivate")
        return Value::integer(count > 0 ? 1 : 0);
    return Value::integer(doubleClicked_ ? 1 : 0); // dblClicked
}

Value ListBox::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new ListBox(engine_, data));
}

bool ListBox::showsSelected(int32_t index) const
{
    return !truth("NotSelectable", false) && AbstractListBox::showsSelected(index);
}

Value MultiListBox::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new MultiListBox(engine_, data));
}

bool MultiListBox::isItemSelected(int32_t index) const
{
    return index >= 0 && index < static_cast<int32_t>(flags_.size()) && flags_[static_cast<std::size_t>(index)];
}

void MultiListBox::itemsReplaced()
{
    flags_.resize(static_cast<std::size_t>(itemCount()), 0);
}

void MultiListBox::itemErased(int32_t index)
{
    if (index >= 0 && index < static_cast<int32_t>(flags_.size()))
        flags_.erase(flags_.begin() + index);
}

void MultiListBox::toggle(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(flags_.size()))
        return;
    unsigned char& flag = flags_[static_cast<std::size_t>(index)];
    flag = !flag;
    if (flag)
        ++userSelections_;
}

void MultiListBox::clickItem(int32_t index)
{
    toggle(index);
    selection_ = index;
    setCurrent(index);
    redraw(true);
}

void MultiListBox::moveByKey(int32_t index)
{
    index = std::clamp(index, -1, itemCount() - 1);
    if (index == selection_)
        return;
    const int32_t before = selection_, topBefore = topIndex();
    selection_ = index;
    setCurrent(index);
    showMove(before, topBefore, true);
}

bool MultiListBox::key(int32_t keyCode, int32_t flags)
{
    // The space bar selects or leaves the current item, as a click on it does.
    if (keyCode == ' ' && isEnabled() && selection_ >= 0 && selection_ < itemCount()) {
        toggle(selection_);
        redraw(true);
        return false;
    }
    return AbstractListBox::key(keyCode, flags);
}

Value MultiListBox::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "clearAllSelections")) {
        std::fill(flags_.begin(), flags_.end(), 0);
        userSelections_ = 0;
        redraw(true);
        return Value();
    }
    if (isAction(action, "wereMultipleSelectionsMade"))
        return Value::integer(multipleSelectionsMade() ? 1 : 0);
    if (isAction(action, "moveTo")) {
        if (arguments.is(Tag::Int))
            moveByKey(arguments.asInt());
        return Value();
    }
    if (isAction(action, "getSelections")) {
        Value list = IntList::make(std::max<int32_t>(1, static_cast<int32_t>(flags_.size())));
        for (unsigned char flag : flags_)
            asList(list)->appendInt(flag);
        return list;
    }
    if (isAction(action, "setSelections")) {
        const List* given = asList(arguments);
        for (std::size_t i = 0; i < flags_.size(); ++i)
            flags_[i] = given && static_cast<int32_t>(i) < given->count() && isTrue(given->get(static_cast<int32_t>(i)));
        userSelections_ = 0;
        redraw(true);
        return Value();
    }
    if (isAction(action, "setSelection") && arguments.is(Tag::Int)) {
        const int32_t index = arguments.asInt();
        if (index >= 0 && index < static_cast<int32_t>(flags_.size()))
            flags_[static_cast<std::size_t>(index)] = 1;
    }
    return AbstractListBox::perform(action, arguments);
}

} // namespace vel
