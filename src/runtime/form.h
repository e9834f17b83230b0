// `velFormObject`: a screen built from its data table, with its controls and the mouse and keyboard
// protocol between them (going from one form to another is navigation.h's). The virtual operations
// keep the original slot order; dialogs append theirs after `setCaptureFlag`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/application.h"
#include "runtime/class_registry.h"
#include "runtime/event.h"
#include "runtime/property_object.h"
#include "runtime/resources.h"
#include "value/makers.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class Engine;

struct FormPoint {
    int32_t x = 0;
    int32_t y = 0;
};

class velFormObject : public PropertyObject<velFormObject>,
                      public ClassProtocol,
                      public FormNameProtocol,
                      public GeometryProtocol,
                      public PerformProtocol,
                      public FormResourcesProtocol,
                      public FormEventTarget {
public:
    velFormObject(Engine& engine, const Value& properties);

    // Slots 0 to 2 are the object's hash, destroy and print.
    Value print(Tag tag, bool quoted) const override;
    // Slots 3 and 4.
    Value className() const override;
    Value createInstance(const Value& data) const override;
    // Slots 5 to 8: the property table, then the resource table.
    virtual bool hasProperty(const Value& key) const;
    virtual Value getProperty(const Value& key) const;
    virtual void setProperty(const Value& key, const Value& value);
    virtual void removeProperty(const Value& key);
    // Slot 9: "Draw" and "DrawControls".
    Value perform(const Value& action, const Value& arguments) override;
    // Slots 10 to 13.
    virtual Value name() const;
    void loadResources() override;
    void unloadResources() override;
    virtual void setResource(const Value& key, const Value& value);
    // Slots 14 to 17.
    virtual int32_t originX() const;
    virtual int32_t originY() const;
    int32_t width() const override;
    int32_t height() const override;
    // Slots 18 to 24.
    virtual void draw();
    virtual void buildControls();
    virtual void drawControls();
    virtual Value controlList() const;
    virtual void setControlList(const Value& list);
    virtual Value findControl(const Value& name) const;
    // The point in surface coordinates.
    virtual Value controlAt(int32_t x, int32_t y) const;
    // Slots 25 to 32.
    virtual void setActiveControl(const Value& control, int32_t flag);
    virtual Value activeControl() const;
    virtual void enableControl(const Value& control, int32_t flag);
    virtual void showControl(const Value& control, int32_t flag);
    virtual bool trackControl(const Value& control, int32_t x, int32_t y, int32_t flags, int32_t clicks);
    virtual void controlClicked(const Value& control);
    virtual Value controlMouseEnter(const Value& control, int32_t x, int32_t y);
    virtual void controlMouseLeave(const Value& control, int32_t x, int32_t y);
    // Slots 33 to 37.
    virtual void open(const Value& data);
    virtual void afterOpen();
    virtual void reopen(const Value& data);
    virtual void close();
    virtual Value historyState();
    // Slots 38 to 49: the events, points in surface coordinates.
    virtual void mouseDown(int32_t x, int32_t y);
    virtual void mouseOver(int32_t x, int32_t y);
    virtual void mouseDrag(int32_t x, int32_t y, int32_t flags);
    virtual void mouseUp(int32_t x, int32_t y, int32_t flags);
    virtual void keyDown(int32_t keyCode, int32_t flags);
    virtual void keyUp(int32_t keyCode, int32_t flags);
    virtual void activated();
    virtual void deactivated();
    virtual void dataEvent(const Value& first, const Value& second);
    virtual void timer();
    virtual void reservedEvent(const EventRecord& event);
    virtual void otherEvent(const EventRecord& event);
    // Slots 50 to 52.
    virtual FormPoint toFormCoordinates(FormPoint point) const;
    virtual FormPoint toSurfaceCoordinates(FormPoint point) const;
    virtual int32_t setCaptureFlag(int32_t flag);

    // The geometry builtins: a form's left and top are its origin.
    int32_t left() const override { return originX(); }
    int32_t top() const override { return originY(); }
    Value formName() const override { return name_; }
    void setFormName(const Value& name) override { name_ = name; }
    Value loadedResourceTable() const override { return resourceTable_; }

    // What the application forwards.
    std::string targetName() const override;
    void onActivated() override;
    void onDeactivated() override;
    void onMouseOver(const EventRecord& e) override;
    void onMouseDown(const EventRecord& e) override;
    void onMouseDrag(const EventRecord& e) override;
    void onMouseUp(const EventRecord& e) override;
    void onKeyDown(const EventRecord& e) override;
    void onKeyUp(const EventRecord& e) override;
    void onTimer(const EventRecord& e) override;
    void onDataEvent(const Value& first, const Value& second) override;
    void onReservedEvent(const EventRecord& e) override;
    void onClose() override;

    int32_t captureFlag() const { return captureFlag_; }
    const Value& controlUnderPointer() const { return controlUnderPointer_; }
    // The value this form holds itself as; keeps it alive while one of its handlers runs.
    Value self() const { return Value::share(Tag::Form, this); }

protected:
    // `Background Image` as an image, through `Background Mask Image` when masked; nil without one.
    Value backgroundImage(bool masked) const;
    // A property loaded as a resource when it names one; other values as they are.
    Value resourceProperty(std::string_view key) const;
    void drawBackground(bool masked);

    Value name_;
    Value controlList_;
    Value activeControl_;
    Value controlUnderPointer_;
    Value pointerCursor_; // the cursor last set for the control under the pointer
    int32_t clickCount_ = 1; // of the mouse down being handled: 2 and more for a double click
    int32_t originX_ = 0, originY_ = 0;
    int32_t width_ = 0, height_ = 0;
    Value rolloverState_;
    int32_t captureFlag_ = 0;
    Value resourceTable_;
};

inline velFormObject* asForm(const Value& v)
{
    return v.is(Tag::Form) ? dynamic_cast<velFormObject*>(v.object()) : nullptr;
}

} // namespace vel
