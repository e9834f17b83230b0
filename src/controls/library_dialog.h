// `velLibraryDialog`: the title's dialog base, a modal dialog with the library's services (see
// library_form.h). Dragged by its `Drag Rect`, it stays whole on the screen, and its new place is
// kept in "Origin X" and "Origin Y", where it opens next time. It keeps its base's class name.
#pragma once

#include "controls/library_form.h"

namespace vel {

class velLibraryDialog : public LibraryForm<velDialogObject> {
public:
    velLibraryDialog(Engine& engine, const Value& properties) : LibraryForm(engine, properties) {}

    Value createInstance(const Value& data) const override;
    // A dialog is opened by the modal loop, which calls no after open: the narration starts here.
    void open(const Value& data) override;
    void drag(int32_t x, int32_t y) override;

protected:
    FormPoint dragOrigin(int32_t x, int32_t y, int32_t grabX, int32_t grabY) const override;
};

} // namespace vel
