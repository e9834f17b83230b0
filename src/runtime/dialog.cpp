#include "runtime/dialog.h"

#include <algorithm>
#include <vector>

#include "runtime/control.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kMouseKinds =
    event_kind::MouseOver | event_kind::MouseDown | event_kind::MouseDrag | event_kind::MouseUp;
// How far from the screen's edges the pointer may drag a dialog.
constexpr int32_t kDragMargin = 10;
constexpr int32_t kEscape = 27;
// The modal loop waits for input without limit: what ends the dialog or the program is handled
// here, after the fetch returns (a close request is an event too), so an idle dialog never wakes.
constexpr int32_t kModalWait = -1;

int32_t integerProperty(const velFormObject& form, std::string_view key)
{
    Value v = form.property(key);
    return v.isNil() ? 0 : velIntValue(v);
}

} // namespace

velDialogObject::velDialogObject(Engine& engine, const Value& properties) : velFormObject(engine, properties) {}

Value velDialogObject::className() const
{
    return Value::string("velDialogObject");
}

Value velDialogObject::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new velDialogObject(engine_, data));
}

void velDialogObject::controlClicked(const Value& control)
{
    velControlObject* c = asControl(control);
    Value action = c ? c->property("Action") : Value();
    if (action.is(Tag::String) && textOf(action) == "close")
        end();
}

void velDialogObject::saveBackground()
{
    DrawingSurface* s = engine_.surface();
    if (!s)
        return;
    s->setOrigin(0, 0);
    savedBackground_ = captureImage(s->context(), originX_, originY_, width_, height_, Value(), true);
}

void velDialogObject::restoreBackground()
{
    DrawingSurface* s = engine_.surface();
    if (!s || savedBackground_.isNil())
        return;
    s->setOrigin(0, 0);
    velDrawImage(s->context(), savedBackground_, originX_, originY_);
}

void velDialogObject::open(const Value&)
{
    loadResources();
    if (controlList_.isNil())
        buildControls();
    Value image = backgroundImage(true);
    if (Image* i = asImage(image)) {
        width_ = i->width();
        height_ = i->height();
    } else {
        width_ = integerProperty(*this, "Width");
        height_ = integerProperty(*this, "Height");
    }
    originX_ = integerProperty(*this, "Origin X");
    originY_ = integerProperty(*this, "Origin Y");
    if (DrawingSurface* s = engine_.surface()) {
        savedOriginX_ = s->originX();
        savedOriginY_ = s->originY();
    }
    saveBackground();
    done_ = 0;
    shown_ = true;
    if (DrawingSurface* s = engine_.surface())
        s->setOrigin(originX_, originY_);
    if (EventQueue* events = engine_.events())
        events->discard(kMouseKinds);
    draw();
    activated();
    engine_.updateScreen();
}

void velDialogObject::redrawOverScreen()
{
    if (!shown_)
        return;
    saveBackground();
    if (DrawingSurface* s = engine_.surface())
        s->setOrigin(originX_, originY_);
    draw();
}

void velDialogObject::draw()
{
    drawBackground(true);
    drawControls();
}

void velDialogObject::close()
{
    // The modal loop closes the dialog after a close request has closed it already.
    if (!shown_)
        return;
    shown_ = false;
    deactivated();
    restoreBackground();
    savedBackground_ = Value();
    unloadResources();
    if (DrawingSurface* s = engine_.surface())
        s->setOrigin(savedOriginX_, savedOriginY_);
    engine_.updateScreen();
}

void velDialogObject::mouseDown(int32_t x, int32_t y)
{
    // The bounds themselves count as inside.
    if (x < originX_ || y < originY_ || x > originX_ + width_ || y > originY_ + height_) {
        Value beep = resourceProperty("Dialog Beep Sound");
        if (beep.is(Tag::Sound) || beep.is(Tag::Movie))
            velPlay(beep);
        return;
    }
    Value dragRect = resourceProperty("Drag Rect");
    if (Region* r = asRegion(dragRect); r && r->containsPoint(x - originX_, y - originY_)) {
        drag(x, y);
        return;
    }
    velFormObject::mouseDown(x, y);
}

void velDialogObject::keyDown(int32_t keyCode, int32_t flags)
{
    if (keyCode == kEscape) {
        end();
        return;
    }
    velFormObject::keyDown(keyCode, flags);
}

Value velDialogObject::result()
{
    return Value();
}

void velDialogObject::end()
{
    done_ = 1;
}

void velDialogObject::drag(int32_t x, int32_t y)
{
    Value keep = self();
    deactivated();
    DrawingSurface* s = engine_.surface();
    Value picture;
    if (s) {
        s->setOrigin(originX_, originY_);
        draw();
        s->setOrigin(0, 0);
        picture = captureImage(s->context(), originX_, originY_, width_, height_, Value(), true);
        restoreBackground();
    }
    const int32_t grabX = x - originX_, grabY = y - originY_;
    const int32_t right = std::max(kDragMargin, engine_.configuration().mediaWidth() - kDragMargin);
    const int32_t bottom = std::max(kDragMargin, engine_.configuration().mediaHeight() - kDragMargin);
    EventRecord e;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e) && e.kind != event_kind::MouseUp) {
        const int32_t px = std::clamp(e.x, kDragMargin, right);
        const int32_t py = std::clamp(e.y, kDragMargin, bottom);
        restoreBackground();
        originX_ = px - grabX;
        originY_ = py - grabY;
        saveBackground();
        if (s) {
            s->setOrigin(0, 0);
            velDrawImage(s->context(), picture, originX_, originY_);
        }
        engine_.updateScreen();
    }
    // Drawn once more at the final place: a press released without a move must not leave the
    // dialog off the screen.
    if (s) {
        s->setOrigin(0, 0);
        velDrawImage(s->context(), picture, originX_, originY_);
        s->setOrigin(originX_, originY_);
    }
    activated();
    engine_.updateScreen();
}

Value runDialog(Engine& engine, const Value& specification, const Value& data)
{
    Value form = specification.is(Tag::Form) ? specification : engine.resources().load(specification);
    velDialogObject* dialog = asDialog(form);
    if (!dialog) {
        velError("Cannot find form named '" + displayForm(specification) + "'");
        return Value();
    }
    Value previous = engine.currentForm();
    if (velFormObject* p = asForm(previous))
        p->deactivated();
    engine.setCurrentForm(form);
    dialog->setBelow(previous);
    dialog->open(data);
    EventQueue* queue = engine.events();
    while (!dialog->done()) {
        if (!queue || engine.quitting()) {
            dialog->end();
            break;
        }
        EventRecord e = queue->next(event_kind::All, kModalWait);
        if (e.kind == event_kind::Null)
            continue;
        if (!engine.handleEvent(e)) {
            engine.quit();
            dialog->end();
        }
    }
    Value result = dialog->result();
    dialog->close();
    dialog->setBelow(Value());
    engine.setCurrentForm(previous);
    if (velFormObject* p = asForm(previous)) {
        p->activated();
        engine.updateScreen();
    }
    return result;
}

void redrawOpenForms(Engine& engine)
{
    DrawingSurface* s = engine.surface();
    if (!s)
        return;
    std::vector<velFormObject*> open; // the current form first
    for (Value f = engine.currentForm(); velFormObject* form = asForm(f);) {
        open.push_back(form);
        velDialogObject* dialog = asDialog(f);
        if (!dialog)
            break;
        f = dialog->below();
    }
    const int x = s->originX(), y = s->originY();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (auto* dialog = dynamic_cast<velDialogObject*>(*it)) {
            dialog->redrawOverScreen();
        } else {
            // As opening it drew it: the background is the surface's, the controls at the form's origin.
            s->redrawBackground();
            s->setOrigin((*it)->originX(), (*it)->originY());
            (*it)->drawControls();
        }
    }
    s->setOrigin(x, y);
}

} // namespace vel
