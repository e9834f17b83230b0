// `velControlObject`: the base of every control. A control is its property table; everything it
// knows is read from there on demand. The virtual operations keep the original slot order, and
// derived classes append theirs after `giveUpActivation`.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/class_registry.h"
#include "runtime/property_object.h"
#include "value/makers.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class velControlObject : public PropertyObject<velControlObject>,
                         public ClassProtocol,
                         public GeometryProtocol,
                         public PerformProtocol {
public:
    velControlObject(Engine& engine, const Value& properties);

    // Slots 0 to 2 are the object's hash, destroy and print.
    Value print(Tag tag, bool quoted) const override;
    // Slot 3.
    Value className() const override;
    // Slot 4: a control of the same class holding the data.
    Value createInstance(const Value& data) const override;
    // Slots 5 to 13: the property table.
    virtual void onFormLoad();
    virtual bool hasProperty(const Value& key) const;
    virtual Value getProperty(const Value& key) const;
    virtual bool getTruth(const Value& key, bool defaultValue) const;
    virtual int32_t getInteger(const Value& key, int32_t defaultValue) const;
    virtual void setProperty(const Value& key, const Value& value);
    virtual void setBoolean(const Value& key, int32_t truth);
    virtual void setInteger(const Value& key, int32_t n);
    virtual void removeProperty(const Value& key);
    // Slot 14.
    Value perform(const Value& action, const Value& arguments) override;
    // Slots 15 to 22.
    virtual void draw();
    virtual void drawPressed();
    virtual bool isVisible() const;
    virtual bool isEnabled() const;
    virtual bool isActive() const;
    virtual bool canActivate() const;
    virtual void activate();
    virtual void deactivate();
    // Slot 23: true when the key was taken.
    virtual bool key(int32_t keyCode, int32_t flags);
    // Slot 24: the point in form coordinates.
    virtual bool containsPoint(int32_t x, int32_t y) const;
    // Slots 25 to 29.
    virtual Value help() const;
    virtual Value cursor() const;
    virtual Value cursorAt(int32_t x, int32_t y) const;
    virtual Value mouseEnter(int32_t x, int32_t y);
    virtual void mouseLeave(const Value& rolloverState, int32_t x, int32_t y);
    // Slot 30: follows a press at (x, y) in form coordinates until the button is released; true when
    // it was released inside the hot spot.
    virtual bool track(int32_t x, int32_t y, int32_t flags, int32_t clicks);
    // Slots 31 to 35.
    virtual void trackBegin();
    virtual void trackChanged();
    virtual void trackEnd();
    virtual void dataEvent(const Value& first, const Value& second);
    virtual void captureMouse(int32_t flag);
    // Slots 36 to 39: the hot spot's measures.
    int32_t left() const override;
    int32_t top() const override;
    int32_t width() const override;
    int32_t height() const override;
    // Slot 40.
    virtual void giveUpActivation();

    // Convenience for the fixed keys.
    bool truth(std::string_view key, bool defaultValue) const { return getTruth(Value::string(key), defaultValue); }
    // The `Hot Spot` as a region, or nil.
    Value hotSpot() const;
};

inline velControlObject* asControl(const Value& v)
{
    return v.is(Tag::Control) ? dynamic_cast<velControlObject*>(v.object()) : nullptr;
}

} // namespace vel
