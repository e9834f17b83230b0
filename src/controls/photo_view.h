// PhotoView: a photograph ("Photo", an image or its name) drawn at ("X", "Y") through its "Mask",
// over an optional frame image. A press on a photo that has a "Caption" pops the caption up in a
// light grey box sized line by line to the text, laid out by the "CaptionView" text view in the
// "Font"; the box stays whole inside the media area, and the next press takes it away.
#pragma once

#include "controls/library_control.h"

namespace vel {

class PhotoView : public velLibraryControl {
public:
    PhotoView(Engine& engine, const Value& properties);

    Value className() const override { return Value::string("PhotoView"); }
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;
    // The hot spot, or "Region" when there is none.
    bool containsPoint(int32_t x, int32_t y) const override;
    bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks) override;

    // Shows the image (or the image of that name) as the photo.
    void setPhoto(const Value& photo);
    // Pops the caption up with its box's top-left at (x, y) and the box "CaptionWidth" wide (240 by
    // default); false when there is no caption or no text view to show it.
    bool showCaption(int32_t x, int32_t y);
    void hideCaption();
    // The box around the caption as it was last placed; empty while none shows.
    const platform::Rect& captionBox() const { return captionBox_; }

private:
    velControlObject* captionView() const;
    // Lays the caption out in a box of that size and answers its page count.
    int32_t layCaption(velControlObject& view, const platform::Rect& box);

    platform::Rect captionBox_;
    Value underCaption_;
};

} // namespace vel
