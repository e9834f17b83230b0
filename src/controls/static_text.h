// `StaticText`: a label drawn in a rectangle with its font, colours and alignment; with a "Hot Spot"
// it is clickable as any control is. Its text is "Text" (a string, or a resource reference to one),
// or its "Name" when it has none.
#pragma once

#include "controls/plain_drawing.h"
#include "controls/library_control.h"

namespace vel {

class StaticText : public velLibraryControl {
public:
    StaticText(Engine& engine, const Value& properties);

    Value className() const override;
    Value createInstance(const Value& data) const override;
    Value perform(const Value& action, const Value& arguments) override;
    void draw() override;

private:
    SavedBackground background_;
};

// The font data names ("(font ...)" or a reference to one), else the given face at size 8, made bold
// or underlined as asked. What the labels and tables of this library draw with.
Value labelFont(Engine& engine, const Value& font, bool bold, bool underline);
// Text-drawing flags for "Align" ("Center", "Right", else left) and "VAlign" ("Center", "Bottom",
// else top).
int alignmentFlags(const Value& align, const Value& verticalAlign);

} // namespace vel
