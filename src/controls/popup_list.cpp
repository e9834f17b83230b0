#include "controls/popup_list.h"

#include <algorithm>

#include "controls/choice_support.h"
#include "controls/plain_drawing.h"
#include "runtime/drawing_context.h"
#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/surface.h"

namespace vel {

using platform::Rect;

using namespace system_color;

PopupList::~PopupList()
{
    hide();
}

void PopupList::setRows(std::vector<PopupRow> rows)
{
    rows_ = std::move(rows);
    highlight_ = -1;
    first_ = 0;
}

void PopupList::selectFont()
{
    if (DrawingSurface* s = engine_.surface())
        s->selectFont(style_.font.is(Tag::Font) ? style_.font : Value());
}

int PopupList::rowHeight()
{
    if (style_.rowHeight > 0)
        return style_.rowHeight;
    DrawingSurface* s = engine_.surface();
    if (!s)
        return 16;
    selectFont();
    return std::max(1, s->measureText("\xC1g").height + 4);
}

int PopupList::naturalWidth()
{
    DrawingSurface* s = engine_.surface();
    if (!s)
        return 0;
    selectFont();
    int widest = 0;
    bool cascades = false;
    for (const PopupRow& row : rows_) {
        widest = std::max(widest, s->measureText(row.text).width);
        cascades = cascades || row.cascade;
    }
    return widest + 2 * style_.textX + (cascades ? 12 : 0) + (style_.drawBorder ? 2 : 0);
}

int PopupList::heightFor(int visible)
{
    const int count = static_cast<int>(rows_.size());
    const int shown = visible > 0 ? std::min(visible, count) : count;
    return std::max(1, shown) * rowHeight() + (style_.drawBorder ? 2 : 0);
}

void PopupList::place(const Rect& box)
{
    const bool wasShown = shown();
    if (wasShown)
        hide();
    box_ = box;
    if (wasShown)
        show();
}

void PopupList::show()
{
    DrawingSurface* s = engine_.surface();
    if (!s || box_.empty())
        return;
    if (!shown()) {
        savedX_ = box_.left + s->originX();
        savedY_ = box_.top + s->originY();
        saved_ = captureImage(s->context(), savedX_, savedY_, box_.width(), box_.height(), Value(), true);
    }
    draw();
}

void PopupList::hide()
{
    DrawingSurface* s = engine_.surface();
    if (s && shown())
        velDrawImage(s->context(), saved_, savedX_ - s->originX(), savedY_ - s->originY());
    saved_ = Value();
}

bool PopupList::scrolls()
{
    return static_cast<int>(rows_.size()) > visibleRows();
}

int PopupList::visibleRows()
{
    const int inner = box_.height() - (style_.drawBorder ? 2 : 0);
    return std::max(1, inner / std::max(1, rowHeight()));
}

ListScrollBar PopupList::scrollBar()
{
    if (!style_.scrollLayout.bar.empty())
        return ListScrollBar(style_.scrollLayout, style_.scrollImages);
    const int b = style_.drawBorder ? 1 : 0;
    ListScrollBar::Layout plain;
    plain.bar = {std::max(box_.left + b, box_.right - b - ScrollBarWidth), box_.top + b, box_.right - b,
                 box_.bottom - b};
    plain.upArrow = Rect::sized(plain.bar.left, plain.bar.top, plain.bar.width(), ScrollBarWidth);
    plain.downArrow = Rect::sized(plain.bar.left, plain.bar.bottom - ScrollBarWidth, plain.bar.width(), ScrollBarWidth);
    plain.thumbHeight = ScrollBarWidth;
    return ListScrollBar(plain, ListScrollBar::Images{});
}

Rect PopupList::listRect()
{
    const int b = style_.drawBorder ? 1 : 0;
    Rect r{box_.left + b, box_.top + b, box_.right - b, box_.bottom - b};
    // The rows end where a bar at their right begins.
    if (scrolls()) {
        const Rect bar = scrollBar().layout().bar;
        if (bar.left > r.left && bar.left < r.right)
            r.right = bar.left;
    }
    return r;
}

Rect PopupList::rowRect(int row)
{
    const Rect list = listRect();
    const int h = rowHeight();
    return {list.left, list.top + (row - first_) * h, list.right, list.top + (row - first_ + 1) * h};
}

int PopupList::thumbTop()
{
    return scrollBar().thumbTop(first_, static_cast<int>(rows_.size()), visibleRows());
}

int PopupList::firstForThumb(int y)
{
    return scrollBar().topForThumb(y, static_cast<int>(rows_.size()), visibleRows());
}

bool PopupList::choosable(int row) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) && rows_[row].enabled && !rows_[row].separator;
}

int PopupList::nextChoosable(int from, int step) const
{
    const int count = static_cast<int>(rows_.size());
    const int direction = step < 0 ? -1 : 1;
    int best = choosable(from) ? from : -1;
    int row = from;
    for (int moved = 0; moved < std::abs(step);) {
        row += direction;
        if (row < 0 || row >= count)
            break;
        if (choosable(row)) {
            best = row;
            ++moved;
        }
    }
    return best;
}

void PopupList::setHighlight(int row)
{
    highlight_ = choosable(row) ? row : -1;
}

void PopupList::scrollTo(int row, bool atTop)
{
    const int visible = visibleRows();
    const int last = std::max(0, static_cast<int>(rows_.size()) - visible);
    if (atTop || row < first_)
        first_ = row;
    else if (row >= first_ + visible)
        first_ = row - visible + 1;
    first_ = std::clamp(first_, 0, last);
}

void PopupList::scrollBy(int rows)
{
    const int last = std::max(0, static_cast<int>(rows_.size()) - visibleRows());
    first_ = std::clamp(first_ + rows, 0, last);
}

PopupList::Hit PopupList::hitAt(int x, int y)
{
    Hit hit;
    if (!box_.contains(x, y))
        return hit;
    const Rect list = listRect();
    if (list.contains(x, y)) {
        const int row = first_ + (y - list.top) / std::max(1, rowHeight());
        if (row < static_cast<int>(rows_.size()))
            hit = {Part::Row, row};
        return hit;
    }
    if (!scrolls())
        return hit;
    switch (scrollBar().partAt(x, y, first_, static_cast<int>(rows_.size()), visibleRows())) {
    case ListScrollBar::Part::UpArrow: hit.part = Part::UpArrow; break;
    case ListScrollBar::Part::DownArrow: hit.part = Part::DownArrow; break;
    case ListScrollBar::Part::PageUp: hit.part = Part::PageUp; break;
    case ListScrollBar::Part::PageDown: hit.part = Part::PageDown; break;
    case ListScrollBar::Part::Thumb: hit.part = Part::Thumb; break;
    default: break;
    }
    return hit;
}

void PopupList::draw()
{
    DrawingSurface* s = engine_.surface();
    if (!s || box_.empty())
        return;
    s->fill(box_, style_.background);
    drawPicture(style_.backgroundImage, box_);
    if (style_.drawBorder)
        s->rectangle(box_, style_.border, 1);
    selectFont();
    const Rect list = listRect();
    const int h = rowHeight();
    s->setClip(list);
    s->setTextBackground(-1);
    const int count = static_cast<int>(rows_.size());
    for (int row = first_; row < count && (row - first_) * h < list.height(); ++row) {
        const Rect r = rowRect(row);
        const PopupRow& item = rows_[row];
        if (item.separator) {
            const int y = (r.top + r.bottom) / 2;
            s->fill({r.left + 2, y - 1, r.right - 2, y}, ButtonShadow);
            s->fill({r.left + 2, y, r.right - 2, y + 1}, ButtonLight);
            continue;
        }
        const bool lit = row == highlight_;
        if (lit && drawPicture(style_.selectionImage, r))
            s->setClip(list); // the picture's clip replaced the rows'
        else if (lit)
            s->fill(r, style_.selectedBackground);
        const int32_t color = !item.enabled ? style_.disabledText : lit ? style_.selectedText : style_.text;
        s->setTextColor(color);
        const int textHeight = s->measureText(item.text).height;
        s->textOut(r.left + style_.textX, r.top + (h - textHeight) / 2, item.text);
        if (item.cascade) {
            drawArrow(*s, {r.right - 14, r.top + 2, r.right - 4, r.bottom - 2}, ArrowDirection::Right, color);
        }
    }
    s->resetClip();
    if (scrolls()) {
        ListScrollBar::Part pressed = ListScrollBar::Part::None;
        switch (pressed_) {
        case Part::UpArrow: pressed = ListScrollBar::Part::UpArrow; break;
        case Part::DownArrow: pressed = ListScrollBar::Part::DownArrow; break;
        case Part::Thumb: pressed = ListScrollBar::Part::Thumb; break;
        default: break;
        }
        scrollBar().draw(*s, first_, count, visibleRows(), pressed);
    }
}

bool PopupList::drawPicture(const Value& image, const Rect& area)
{
    DrawingSurface* s = engine_.surface();
    if (!s || !image.is(Tag::Image))
        return false;
    Value context = s->context();
    DrawingContext* c = asDrawingContext(context);
    c->intersectClip(area);
    velDrawImage(context, image, area.left, area.top);
    c->resetClip();
    return true;
}

} // namespace vel
