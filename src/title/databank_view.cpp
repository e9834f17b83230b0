#include "title/databank_view.h"

#include <algorithm>

#include "runtime/surface.h"

namespace vel {

using platform::Rect;

namespace {

constexpr int32_t kPadding = 4;

} // namespace

void DatabankTableView::setTable(const std::vector<Value>& records, const std::vector<DatabankField>& fields,
                                 const std::vector<int32_t>& rows, const std::vector<int32_t>& columns)
{
    headers_.clear();
    widths_.clear();
    numeric_.clear();
    shown_.clear();
    records_.clear();
    for (int32_t c : columns)
        if (c >= 0 && c < static_cast<int32_t>(fields.size())) {
            shown_.push_back(fields[c]);
            headers_.push_back(fields[c].name);
            widths_.push_back(fields[c].width);
            numeric_.push_back(fields[c].numeric ? 1 : 0);
        }
    for (int32_t r : rows)
        if (r >= 0 && r < static_cast<int32_t>(records.size()))
            records_.push_back(records[r]);
    rows_ = records_.size();
    cells_.assign(rows_ * shown_.size(), std::string());
    formatted_.assign(cells_.size(), 0);
    firstRow_ = firstColumn_ = 0;
}

const std::string& DatabankTableView::cell(int32_t row, int32_t column) const
{
    const std::size_t at = row * shown_.size() + column;
    if (!formatted_[at]) {
        cells_[at] = formatCell(shown_[column], records_[row]);
        formatted_[at] = 1;
    }
    return cells_[at];
}

int32_t DatabankTableView::visibleRows() const
{
    const int32_t h = std::max(1, look_.rowHeight);
    return std::max(0, look_.area.height() / h - 1);
}

int32_t DatabankTableView::lastFirstRow() const { return std::max(0, rowCount() - visibleRows()); }

int32_t DatabankTableView::lastFirstColumn() const
{
    // The first column stays; of the others, the last position from which every remaining one fits.
    if (columnCount() < 2)
        return 0;
    const int32_t room = look_.area.width() - widths_[0];
    int32_t width = 0, column = columnCount();
    while (column > 1 && width + widths_[column - 1] <= room) {
        width += widths_[column - 1];
        --column;
    }
    return std::min(column - 1, columnCount() - 2);
}

std::vector<int32_t> DatabankTableView::shownColumns() const
{
    std::vector<int32_t> shown;
    if (columnCount() == 0)
        return shown;
    shown.push_back(0);
    int32_t width = widths_[0];
    for (int32_t c = 1 + firstColumn_; c < columnCount() && width < look_.area.width(); ++c) {
        shown.push_back(c);
        width += widths_[c];
    }
    return shown;
}

int32_t DatabankTableView::visibleColumns() const { return static_cast<int32_t>(shownColumns().size()); }

void DatabankTableView::prepare(DrawingSurface& surface)
{
    if (!look_.font.isNil())
        surface.selectFont(look_.font);
    surface.setTextColor(look_.textColor);
    surface.setTextBackground(-1);
}

void DatabankTableView::drawRow(DrawingSurface& surface, int32_t row, int32_t y, int32_t rowHeight,
                                const std::vector<int32_t>& columns, const std::vector<int32_t>& widths, int32_t x)
{
    const bool heading = row < 0;
    for (int32_t c : columns) {
        const Rect box{x, y, x + widths[c], y + rowHeight};
        surface.fill(box, heading ? look_.boxColor : look_.paperColor);
        surface.rectangle(box, look_.lineColor, 1);
        const Rect inner{box.left + kPadding, box.top, box.right - kPadding, box.bottom};
        const int format = text_format::VCenter | text_format::SingleLine |
                           (!heading && numeric_[c] ? text_format::Right : text_format::Left);
        surface.drawTextInRect(inner, heading ? headers_[c] : cell(row, c), format);
        x += widths[c];
    }
}

int32_t DatabankTableView::drawBlock(DrawingSurface& surface, int32_t x, int32_t y, int32_t rowHeight, int32_t first,
                                     int32_t last, const std::vector<int32_t>& columns,
                                     const std::vector<int32_t>& widths)
{
    prepare(surface);
    drawRow(surface, -1, y, rowHeight, columns, widths, x);
    int32_t used = rowHeight;
    for (int32_t r = first; r < last; ++r, used += rowHeight)
        drawRow(surface, r, y + used, rowHeight, columns, widths, x);
    return used;
}

void DatabankTableView::draw(DrawingSurface& surface)
{
    const Rect& area = look_.area;
    surface.setClip(area);
    surface.fill(area, look_.paperColor);
    const int32_t last = std::min(rowCount(), firstRow_ + visibleRows() + 1);
    drawBlock(surface, area.left, area.top, look_.rowHeight, firstRow_, last, shownColumns(), widths_);
    surface.resetClip();
    surface.invalidate(area);
}

void DatabankTableView::scrollToRow(DrawingSurface& surface, int32_t row)
{
    row = std::clamp(row, 0, lastFirstRow());
    const int32_t moved = row - firstRow_;
    if (moved == 0)
        return;
    const int32_t h = look_.rowHeight, rows = visibleRows();
    firstRow_ = row;
    if (std::abs(moved) >= rows) {
        draw(surface);
        return;
    }
    // The record rows below the header move; the strip they leave is drawn anew.
    const Rect body{look_.area.left, look_.area.top + h, look_.area.right, look_.area.bottom};
    surface.scroll(body, 0, -moved * h);
    const int32_t fresh = std::abs(moved);
    const int32_t from = moved > 0 ? rows - fresh : 0;
    // A partly shown last row stays drawn as the whole draw leaves it.
    const int32_t to = moved > 0 ? rows + 1 : fresh;
    prepare(surface);
    surface.setClip(body);
    const std::vector<int32_t> columns = shownColumns();
    const Rect strip{body.left, body.top + from * h, body.right, std::min(body.bottom, body.top + to * h)};
    surface.fill(strip, look_.paperColor);
    for (int32_t i = from; i < to && firstRow_ + i < rowCount(); ++i)
        drawRow(surface, firstRow_ + i, body.top + i * h, h, columns, widths_, body.left);
    surface.resetClip();
    surface.invalidate(strip);
}

void DatabankTableView::scrollToColumn(DrawingSurface& surface, int32_t column)
{
    column = std::clamp(column, 0, lastFirstColumn());
    if (column == firstColumn_)
        return;
    firstColumn_ = column;
    draw(surface);
}

} // namespace vel
