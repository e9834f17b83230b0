// The data bank's table as drawn on a surface: a header row of field names in boxes of the box
// colour, then one row per record, every row the same height. The cells are formatted once, when
// they are first shown; drawing only lays out what is in view. Scrolling by rows moves the rows that
// stay on the screen and draws only those that come in; scrolling by columns draws the rows again
// (every column moves by a different width). The first column, the row's name, never scrolls
// away. Printing uses the same drawing at the paper's scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/pixels.h"
#include "title/databank_table.h"
#include "value/value.h"

namespace vel {

class DrawingSurface;

class DatabankTableView {
public:
    struct Look {
        platform::Rect area;      // where the table is drawn, form coordinates
        int32_t rowHeight = 18;
        int32_t boxColor = 0xF0D7E1;
        int32_t lineColor = 0x404040;
        int32_t textColor = 0x191919;
        int32_t paperColor = 0xEEF7FA;
        Value font;               // nil: the surface's
    };

    // The rows (record numbers) and columns (field indexes) given.
    // Rows naming no record and columns naming no field are left out.
    void setTable(const std::vector<Value>& records, const std::vector<DatabankField>& fields,
                  const std::vector<int32_t>& rows, const std::vector<int32_t>& columns);
    void setLook(const Look& look) { look_ = look; }
    const Look& look() const { return look_; }

    int32_t rowCount() const { return static_cast<int32_t>(rows_); }
    int32_t columnCount() const { return static_cast<int32_t>(headers_.size()); }
    const std::string& header(int32_t column) const { return headers_[column]; }
    // Formatted on first use, so that a table of many rows costs only what is shown.
    const std::string& cell(int32_t row, int32_t column) const;
    int32_t columnWidth(int32_t column) const { return widths_[column]; }
    bool rightAligned(int32_t column) const { return numeric_[column] != 0; }

    // Record rows that fit below the header.
    int32_t visibleRows() const;
    // The last first row and first column worth scrolling to (0 when everything fits).
    int32_t lastFirstRow() const;
    int32_t lastFirstColumn() const;
    int32_t firstRow() const { return firstRow_; }
    int32_t firstColumn() const { return firstColumn_; }
    // The columns shown: the first (the row's name) always, then the others from firstColumn() + 1
    // as far as the width goes; their count.
    std::vector<int32_t> shownColumns() const;
    int32_t visibleColumns() const;

    // Draws the whole table.
    void draw(DrawingSurface& surface);
    // Moves to the row (clamped): rows that stay are moved on the screen, only the new ones drawn.
    void scrollToRow(DrawingSurface& surface, int32_t row);
    // Moves to the column (clamped) and draws the table again.
    void scrollToColumn(DrawingSurface& surface, int32_t column);

    // Draws rows [first, last) with the columns given at (x, y) onto any
    // surface (the printer's too): the header, then each row; the height used.
    int32_t drawBlock(DrawingSurface& surface, int32_t x, int32_t y, int32_t rowHeight, int32_t first, int32_t last,
                      const std::vector<int32_t>& columns, const std::vector<int32_t>& widths);

private:
    void drawRow(DrawingSurface& surface, int32_t row, int32_t y, int32_t rowHeight, const std::vector<int32_t>& columns,
                 const std::vector<int32_t>& widths, int32_t x);
    void prepare(DrawingSurface& surface);

    Look look_;
    std::size_t rows_ = 0;
    std::vector<std::string> headers_;
    std::vector<Value> records_;        // the rows' records
    std::vector<DatabankField> shown_;  // the columns' fields
    mutable std::vector<std::string> cells_;
    mutable std::vector<char> formatted_;
    std::vector<int32_t> widths_;
    std::vector<char> numeric_;
    int32_t firstRow_ = 0, firstColumn_ = 0;
};

} // namespace vel
