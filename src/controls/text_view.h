// `TextView`: shows rich text (an article, a caption, a help text). The text is parsed, laid out into
// the text region by the layout engine of text_layout.h and drawn a page at a time, or, with a
// "Scroll" table, as one endless page scrolled by lines with an image scroll bar beside it. A press
// on hot text makes its target the view's context, which the form reads with "GetContext" after the
// click. "Print" lays the text out again for the printer's page and prints it with header, footer
// and title.
#pragma once

#include "controls/library_control.h"
#include "controls/surface_measure.h"
#include "controls/text_layout.h"

namespace vel {

class TextView : public velLibraryControl {
public:
    TextView(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    void onFormLoad() override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    bool key(int32_t keyCode, int32_t flags) override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;
    // The hand over hot text (and the scroll bar), the arrow elsewhere.
    Value cursorAt(int32_t x, int32_t y) const override;

    // The scroll state, for tests.
    int32_t scrollValue() const { return value_; }
    int32_t scrollMaximum() const { return maximum_; }

private:
    struct ScrollBar {
        platform::Rect bar, up, down, track, thumb;
    };
    enum class Part { None, Up, Down, Thumb, Track };

    bool scrolling() const { return scrollMode_ && maximum_ > minimum_; }
    void readProperties();
    void setText(const Value& text);
    void layOut();
    int32_t offset() const { return scrollMode_ ? -lineStep_ * value_ : 0; }
    // Scrolls to a value (clamped), moving what is already drawn where a few lines move.
    void scrollTo(int32_t value);
    void showPage(int32_t page);
    void drawText(const platform::Rect& clip);
    void drawBackground(const platform::Rect& area);
    void drawScrollBar();
    ScrollBar scrollBar() const;
    int32_t scrollInteger(const char* key, int32_t fallback) const;
    Value image(const char* key) const;
    Part partAt(int32_t x, int32_t y) const;
    void trackScrollBar(int32_t x, int32_t y);
    Value hotSpotList() const;
    // The hot piece of the current page under a point in form coordinates, or null.
    const LayoutPiece* hotPieceAt(int32_t x, int32_t y) const;
    Value hotTargetAt(int32_t x, int32_t y) const;
    void scrollToRun(int32_t run);
    int32_t print(const Value& data);
    void clearText();

    SurfaceMeasure measure_;
    TextLayout layout_;
    int32_t layoutColor_ = 1; // the "ForegroundColor" the layout was made with
    Value text_;
    Value context_;
    Value background_; // what lay under the text region before the view drew there
    platform::Rect region_;
    int32_t page_ = 0;
    bool scrollMode_ = false;
    int32_t minimum_ = 0, maximum_ = 0, value_ = 0, pageIncrement_ = 0, lineStep_ = 1;
    Part pressed_ = Part::None;
    bool initialized_ = false;
};

} // namespace vel
