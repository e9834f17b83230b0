// The `Table` control: a column of rows, each a small table of display settings ("Value", "Width",
// "Height", "Font", "Color", "Align", "NoWrap", "DownColor", "Action"), laid out top to bottom from
// the hot spot's top; each row's rectangle is written back into it as "Rect". A click on a row makes
// its "Action" the answer of "getAction". A row that is not a table shows its own text form.
#pragma once

#include <cstdint>
#include <vector>

#include "controls/plain_drawing.h"
#include "platform/pixels.h"
#include "controls/library_control.h"

namespace vel {

class List;

class TableControl : public velLibraryControl {
public:
    TableControl(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // True when the press was released on the row it began on.
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    // Places the rows; their rectangles in form coordinates, in row order.
    const std::vector<platform::Rect>& layout();

private:
    // "Rows" as a list, or null.
    List* rows() const;
    // "Rows" as a list of this control's own, made when absent.
    List& ownRows();
    // Row i as a table to change, made from what stood there when it was something else.
    Value editableRow(int32_t i);
    int32_t rowAt(int32_t x, int32_t y) const;
    void drawRow(int32_t i, bool pressed);
    // After a change: placed again and, once shown, drawn again.
    void refresh();

    std::vector<platform::Rect> rects_;
    SavedBackground background_;
    Value lastAction_;
};

} // namespace vel
