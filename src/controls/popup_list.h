// A box of text rows drawn over the screen: the dropped list of a combo box and the pop-ups of
// menus. It keeps the screen under it while shown and puts it back when hidden. Rows may be
// separators or disabled (neither can be highlighted) or open a cascade (an arrow at the right).
// With more rows than fit, it shows a window of them and a scroll bar: the one its style gives, or
// a plain one at the right edge. Coordinates are the current form's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/choice_support.h"
#include "controls/list_scroll_bar.h"
#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

class Engine;

struct PopupRow {
    std::string text; // Windows-1252
    bool enabled = true;
    bool separator = false;
    bool cascade = false;
};

struct PopupStyle {
    Value font;            // a font value, or nil for the system font
    Value backgroundImage; // drawn under the rows instead of the background colour
    int32_t text = system_color::Black, background = system_color::White;
    int32_t selectedText = system_color::White, selectedBackground = system_color::Highlight;
    int32_t disabledText = system_color::Grey, border = system_color::Black;
    bool drawBorder = true;
    int rowHeight = 0; // 0: the font's height and a little air
    int textX = 4;     // inset of the text in its row
    Value selectionImage; // drawn behind the highlighted row in place of its colour
    // The scroll bar, where the box is to be placed (an empty bar: the plain one).
    ListScrollBar::Layout scrollLayout;
    ListScrollBar::Images scrollImages;
};

class PopupList {
public:
    static constexpr int ScrollBarWidth = 14;

    enum class Part { None, Row, UpArrow, DownArrow, PageUp, PageDown, Thumb };
    struct Hit {
        Part part = Part::None;
        int row = -1;
    };

    explicit PopupList(Engine& engine) : engine_(engine) {}
    ~PopupList();
    PopupList(const PopupList&) = delete;
    PopupList& operator=(const PopupList&) = delete;

    void setRows(std::vector<PopupRow> rows);
    void setStyle(const PopupStyle& style) { style_ = style; }
    const std::vector<PopupRow>& rows() const { return rows_; }
    int rowHeight();
    // The size the rows want: the widest text with its insets, at most `visibleRows` rows high
    // (all of them when 0).
    int naturalWidth();
    int heightFor(int visibleRows);

    // Where the box goes; showing saves what lies under it.
    void place(const platform::Rect& box);
    const platform::Rect& box() const { return box_; }
    void show();
    void hide();
    bool shown() const { return !saved_.isNil(); }
    void draw();

    Hit hitAt(int x, int y);
    // The scroll-bar part shown pressed (its highlight picture); Part::None for none.
    void setPressed(Part part) { pressed_ = part; }
    // Where the thumb's top stands now, and the first row a thumb dragged to y stands for.
    int thumbTop();
    int firstForThumb(int y);
    platform::Rect rowRect(int row);
    int highlight() const { return highlight_; }
    // Only a row that may be chosen is highlighted; anything else clears the highlight.
    void setHighlight(int row);
    // The next row that may be chosen `step` rows on (negative: back), not past either end.
    int nextChoosable(int from, int step) const;
    bool choosable(int row) const;
    int firstVisible() const { return first_; }
    int visibleRows();
    // Scrolls so that the row is in view (at the top when `atTop`).
    void scrollTo(int row, bool atTop = false);
    void scrollBy(int rows);

private:
    bool scrolls();
    platform::Rect listRect();
    ListScrollBar scrollBar();
    void selectFont();
    // The picture at the area's corner, cut to the area; false without one.
    bool drawPicture(const Value& image, const platform::Rect& area);

    Engine& engine_;
    std::vector<PopupRow> rows_;
    PopupStyle style_;
    platform::Rect box_;
    Value saved_;
    int savedX_ = 0, savedY_ = 0; // where the saved pixels came from, in surface pixels
    int highlight_ = -1;
    int first_ = 0;
    Part pressed_ = Part::None;
};

} // namespace vel
