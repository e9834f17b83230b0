#include "runtime/form.h"

#include <algorithm>

#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

bool isAction(const Value& action, std::string_view name)
{
    return action.is(Tag::String) && textOf(action) == name;
}

Value imageOf(Resources& resources, const Value& specification)
{
    if (specification.is(Tag::Image))
        return specification;
    if (!specification.is(Tag::String) && !specification.is(Tag::Reference))
        return Value();
    return resources.loadImage(specification);
}

} // namespace

// ---- the form ----

velFormObject::velFormObject(Engine& engine, const Value& properties) : PropertyObject(engine, properties) {}

Value velFormObject::print(Tag, bool quoted) const
{
    return printTable("form", quoted);
}

Value velFormObject::className() const
{
    return Value::string("velFormObject");
}

Value velFormObject::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new velFormObject(engine_, data));
}

bool velFormObject::hasProperty(const Value& key) const
{
    if (tableHas(key))
        return true;
    Table* resources = asTable(resourceTable_);
    return resources && resources->contains(key);
}

Value velFormObject::getProperty(const Value& key) const
{
    if (Value v = tableGet(key); !v.isNil())
        return v;
    Table* resources = asTable(resourceTable_);
    return resources ? resources->get(key) : Value();
}

void velFormObject::setProperty(const Value& key, const Value& value)
{
    tablePut(key, value);
}

void velFormObject::removeProperty(const Value& key)
{
    tableRemove(key);
}

Value velFormObject::perform(const Value& action, const Value&)
{
    if (isAction(action, "Draw")) {
        draw();
        engine_.updateScreen();
    } else if (isAction(action, "DrawControls")) {
        drawControls();
        engine_.updateScreen();
    }
    return Value();
}

Value velFormObject::name() const
{
    return name_;
}

Value velFormObject::resourceProperty(std::string_view key) const
{
    return engine_.resources().loadNamed(property(key));
}

void velFormObject::loadResources()
{
    if (!resourceTable_.isNil())
        return;
    Value table = resourceProperty("Resource Table");
    if (asTable(table)) {
        resourceTable_ = table;
        setProperty(Value::string("LoadedResourceTable"), table);
        buildControls();
    } else {
        removeProperty(Value::string("LoadedResourceTable"));
    }
}

void velFormObject::unloadResources()
{
    resourceTable_ = Value();
    removeProperty(Value::string("LoadedResourceTable"));
    controlList_ = Value();
    activeControl_ = Value();
    controlUnderPointer_ = Value();
    pointerCursor_ = Value();
    rolloverState_ = Value();
    captureFlag_ = 0;
}

void velFormObject::setResource(const Value& key, const Value& value)
{
    if (!asTable(resourceTable_))
        resourceTable_ = Table::make();
    resourceTable_.as<Table>()->put(key, value);
}

int32_t velFormObject::originX() const
{
    return originX_;
}

int32_t velFormObject::originY() const
{
    return originY_;
}

int32_t velFormObject::width() const
{
    return width_;
}

int32_t velFormObject::height() const
{
    return height_;
}

Value velFormObject::backgroundImage(bool masked) const
{
    Value image = imageOf(engine_.resources(), property("Background Image"));
    if (image.isNil() || !masked)
        return image;
    Value mask = imageOf(engine_.resources(), property("Background Mask Image"));
    if (!mask.isNil())
        setImageMask(image, mask);
    return image;
}

void velFormObject::drawBackground(bool masked)
{
    DrawingSurface* s = engine_.surface();
    if (!s)
        return;
    Value image = backgroundImage(masked);
    s->setOrigin(originX_, originY_);
    if (!image.isNil())
        velDrawImage(s->context(), image, 0, 0);
}

void velFormObject::draw()
{
    drawBackground(isTrue(property("Dialog")));
    drawControls();
}

void velFormObject::buildControls()
{
    Value loaded = resourceProperty("Control List");
    if (loaded.isNil()) {
        controlList_ = Value();
        return;
    }
    List* list = asList(loaded);
    Value controls = ValueList::make(list ? list->count() : 0);
    activeControl_ = Value();
    const int32_t count = list ? list->count() : 0;
    if (!list)
        velError("Control List of form " + displayForm(name_) + " is not a list: " + displayForm(loaded));
    for (int32_t i = 0; i < count; ++i) {
        Value item = list->get(i);
        Value control = item.is(Tag::Control) ? item : engine_.resources().loadNamed(item);
        velControlObject* c = asControl(control);
        if (!c) {
            velError("Not a control in the Control List of form " + displayForm(name_) + ": " + displayForm(item));
            continue;
        }
        asValueList(controls)->append(control);
        c->onFormLoad();
        Value autoActivate = c->property("Auto Activate");
        if (c->canActivate() && autoActivate.is(Tag::Boolean) && autoActivate.asInt() != 0)
            activeControl_ = control;
    }
    controlList_ = controls;
}

void velFormObject::drawControls()
{
    DrawingSurface* s = engine_.surface();
    // A copy: a control's draw may change the list.
    Value controls = controlList_;
    ValueList* list = asValueList(controls);
    if (!list)
        return;
    for (int32_t i = 0; i < list->count(); ++i) {
        velControlObject* c = asControl(list->at(i));
        if (!c || !c->isVisible())
            continue;
        if (s)
            s->setOrigin(originX_, originY_);
        Value keep = list->at(i);
        c->draw();
    }
}

Value velFormObject::controlList() const
{
    return controlList_;
}

void velFormObject::setControlList(const Value& list)
{
    controlList_ = list;
}

Value velFormObject::findControl(const Value& name) const
{
    ValueList* list = asValueList(controlList_);
    for (int32_t i = 0; list && i < list->count(); ++i) {
        velControlObject* c = asControl(list->at(i));
        if (c && engine_.resources().resolve(c->property("Name")) == name)
            return list->at(i);
    }
    return Value();
}

Value velFormObject::controlAt(int32_t x, int32_t y) const
{
    FormPoint p = toFormCoordinates({x, y});
    ValueList* list = asValueList(controlList_);
    for (int32_t i = 0; list && i < list->count(); ++i) {
        velControlObject* c = asControl(list->at(i));
        if (c && c->isEnabled() && c->containsPoint(p.x, p.y))
            return list->at(i);
    }
    return Value();
}

void velFormObject::setActiveControl(const Value& control, int32_t flag)
{
    velControlObject* c = asControl(control);
    if (flag == 0) {
        if (c && activeControl_.object() == c) {
            Value old = activeControl_;
            c->deactivate();
            activeControl_ = Value();
        }
        return;
    }
    if (!c || activeControl_.object() == c || !c->canActivate())
        return;
    Value old = activeControl_;
    if (velControlObject* previous = asControl(old))
        previous->deactivate();
    activeControl_ = control;
    c->activate();
}

Value velFormObject::activeControl() const
{
    return activeControl_;
}

void velFormObject::enableControl(const Value& control, int32_t flag)
{
    velControlObject* c = asControl(control);
    if (!c)
        return;
    if (flag == 0) {
        setActiveControl(control, 0);
        c->setBoolean(Value::string("Disabled"), 1);
    } else {
        c->setBoolean(Value::string("Disabled"), 0);
    }
}

void velFormObject::showControl(const Value& control, int32_t flag)
{
    velControlObject* c = asControl(control);
    if (!c)
        return;
    if (flag == 0) {
        setActiveControl(control, 0);
        c->setBoolean(Value::string("Hidden"), 1);
    } else {
        c->setBoolean(Value::string("Hidden"), 0);
    }
}

bool velFormObject::trackControl(const Value& control, int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    velControlObject* c = asControl(control);
    return c && c->track(x, y, flags, clicks);
}

void velFormObject::controlClicked(const Value& control)
{
    velControlObject* c = asControl(control);
    if (!c)
        return;
    Value target = c->property("Target Form");
    if (!target.isNil())
        engine_.navigation().goTo(target, Value(), true);
}

Value velFormObject::controlMouseEnter(const Value& control, int32_t x, int32_t y)
{
    velControlObject* c = asControl(control);
    return c ? c->mouseEnter(x, y) : Value();
}

void velFormObject::controlMouseLeave(const Value& control, int32_t x, int32_t y)
{
    velControlObject* c = asControl(control);
    if (c && c->isEnabled())
        c->mouseLeave(rolloverState_, x, y);
}

void velFormObject::open(const Value&)
{
    loadResources();
    // A form without a resource table still has the controls its data lists.
    if (controlList_.isNil())
        buildControls();
    originX_ = hasProperty(Value::string("Origin X")) ? velIntValue(property("Origin X")) : 0;
    originY_ = hasProperty(Value::string("Origin Y")) ? velIntValue(property("Origin Y")) : 0;
    const bool dialog = isTrue(property("Dialog"));
    Value image = backgroundImage(dialog);
    if (Image* i = asImage(image)) {
        width_ = i->width();
        height_ = i->height();
    } else {
        width_ = engine_.configuration().mediaWidth();
        height_ = engine_.configuration().mediaHeight();
    }
    DrawingSurface* s = engine_.surface();
    if (s && !image.isNil()) {
        if (dialog) {
            s->setOrigin(originX_, originY_);
            velDrawImage(s->context(), image, 0, 0);
        } else {
            s->setBackgroundImage(image);
        }
    }
    if (s)
        s->setOrigin(originX_, originY_);
    drawControls();
    activated();
    engine_.updateScreen();
}

void velFormObject::afterOpen() {}

void velFormObject::reopen(const Value&) {}

void velFormObject::close()
{
    deactivated();
    activeControl_ = Value();
    if (!isTrue(property("Retain Resources")))
        unloadResources();
}

Value velFormObject::historyState()
{
    return Value();
}

void velFormObject::mouseDown(int32_t x, int32_t y)
{
    Value target;
    if (captureFlag_ != 0 && !activeControl_.isNil())
        target = activeControl_;
    else
        target = controlAt(x, y);
    velControlObject* c = asControl(target);
    if (!c)
        return;
    if (c->canActivate() && activeControl_.object() != c) {
        Value old = activeControl_;
        if (velControlObject* previous = asControl(old))
            previous->deactivate();
        activeControl_ = target;
        c->activate();
    }
    FormPoint p = toFormCoordinates({x, y});
    if (trackControl(target, p.x, p.y, 0, clickCount_))
        controlClicked(target);
}

void velFormObject::mouseOver(int32_t x, int32_t y)
{
    Value control;
    if (captureFlag_ != 0 && !activeControl_.isNil())
        control = activeControl_;
    else
        control = controlAt(x, y);
    FormPoint p = toFormCoordinates({x, y});
    if (control.object() == controlUnderPointer_.object()) {
        // A control may show another cursor over some of its parts (hot text in a text view): it is
        // asked again as the pointer moves within it, and the cursor changes when its answer does.
        if (velControlObject* c = asControl(control)) {
            Value cursor = c->cursorAt(p.x, p.y);
            if (cursorKindOf(cursor) != cursorKindOf(pointerCursor_)) {
                pointerCursor_ = cursor;
                engine_.setCursor(cursor);
            }
        }
        return;
    }
    Value old = controlUnderPointer_;
    if (!old.isNil())
        controlMouseLeave(old, p.x, p.y);
    rolloverState_ = control.isNil() ? Value() : controlMouseEnter(control, p.x, p.y);
    controlUnderPointer_ = control;
    Value cursor;
    if (velControlObject* c = asControl(control))
        cursor = c->cursorAt(p.x, p.y);
    pointerCursor_ = cursor;
    engine_.setCursor(cursor);
    engine_.updateScreen();
}

void velFormObject::mouseDrag(int32_t, int32_t, int32_t) {}

void velFormObject::mouseUp(int32_t, int32_t, int32_t) {}

void velFormObject::keyDown(int32_t keyCode, int32_t flags)
{
    Value active = activeControl_;
    velControlObject* c = asControl(active);
    if (c && c->key(keyCode, flags))
        controlClicked(active);
}

void velFormObject::keyUp(int32_t, int32_t) {}

void velFormObject::activated()
{
    if (velControlObject* c = asControl(activeControl_))
        c->activate();
}

void velFormObject::deactivated()
{
    if (velControlObject* c = asControl(activeControl_))
        c->deactivate();
}

void velFormObject::dataEvent(const Value& first, const Value& second)
{
    Value active = activeControl_;
    if (velControlObject* c = asControl(active))
        c->dataEvent(first, second);
    // A media notice names its media object, and the control that started it (a movie view, a
    // button's sound) need not be the active one: every control hears it and keeps to its own.
    if (!asList(first))
        return;
    Value keep = controlList_;
    ValueList* list = asValueList(keep);
    for (int32_t i = 0; list && i < list->count(); ++i) {
        Value control = list->at(i);
        if (control == active)
            continue;
        if (velControlObject* c = asControl(control))
            c->dataEvent(first, second);
    }
}

void velFormObject::timer() {}

void velFormObject::reservedEvent(const EventRecord&) {}

void velFormObject::otherEvent(const EventRecord&) {}

FormPoint velFormObject::toFormCoordinates(FormPoint point) const
{
    return {point.x - originX_, point.y - originY_};
}

FormPoint velFormObject::toSurfaceCoordinates(FormPoint point) const
{
    return {point.x + originX_, point.y + originY_};
}

int32_t velFormObject::setCaptureFlag(int32_t flag)
{
    int32_t previous = captureFlag_;
    captureFlag_ = flag;
    return previous;
}

std::string velFormObject::targetName() const
{
    return displayForm(name());
}

// Each handler holds the form: going to another form inside it drops the application's reference.
void velFormObject::onActivated()
{
    Value keep = self();
    activated();
    engine_.updateScreen();
}

void velFormObject::onDeactivated()
{
    Value keep = self();
    deactivated();
}

void velFormObject::onMouseOver(const EventRecord& e)
{
    Value keep = self();
    mouseOver(e.x, e.y);
}

void velFormObject::onMouseDown(const EventRecord& e)
{
    Value keep = self();
    // The count reaches the control through mouseDown, which forms override by the point alone.
    clickCount_ = std::max(e.detail, 1);
    mouseDown(e.x, e.y);
    clickCount_ = 1;
}

void velFormObject::onMouseDrag(const EventRecord& e)
{
    Value keep = self();
    mouseDrag(e.x, e.y, e.modifiers);
}

void velFormObject::onMouseUp(const EventRecord& e)
{
    Value keep = self();
    mouseUp(e.x, e.y, e.modifiers);
}

void velFormObject::onKeyDown(const EventRecord& e)
{
    Value keep = self();
    keyDown(e.detail, e.modifiers);
}

void velFormObject::onKeyUp(const EventRecord& e)
{
    Value keep = self();
    keyUp(e.detail, e.modifiers);
}

void velFormObject::onTimer(const EventRecord&)
{
    Value keep = self();
    timer();
}

void velFormObject::onDataEvent(const Value& first, const Value& second)
{
    Value keep = self();
    dataEvent(first, second);
}

void velFormObject::onReservedEvent(const EventRecord& e)
{
    Value keep = self();
    reservedEvent(e);
}

void velFormObject::onClose()
{
    Value keep = self();
    close();
}

} // namespace vel
