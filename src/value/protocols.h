// What the builtins ask of objects the value model does not define itself (archives, value indexes,
// streams, forms, controls, references, images, sounds and movies). An object takes part by deriving
// from the protocol next to Object; the builtins find it by dynamic_cast after checking the tag.
#pragma once

#include "value/value.h"

namespace vel {

// Collections with their own count, items or keyed look-up.
class CollectionProtocol {
public:
    virtual ~CollectionProtocol() = default;
    virtual int32_t collectionCount() const { return 0; }
    virtual Value itemAt(int32_t index) const { return Value(); }
    virtual void putItem(int32_t index, const Value& v) {}
    virtual void addItem(const Value& v) {}
    virtual Value getKey(const Value& key) const { return Value(); }
    virtual void putKey(const Value& key, const Value& v) {}
    virtual bool containsKey(const Value& key) const { return false; }
    virtual void removeKey(const Value& key) {}
    // Key in slot i of a property table, nil when free.
    virtual Value keyAt(int32_t slot) const { return Value(); }
};

// A resource name resolved on use.
class ResolvableProtocol {
public:
    virtual ~ResolvableProtocol() = default;
    virtual Value resolve() const = 0;
};

// Things with a place and a size on the screen.
class GeometryProtocol {
public:
    virtual ~GeometryProtocol() = default;
    virtual int32_t left() const { return 0; }
    virtual int32_t top() const { return 0; }
    virtual int32_t width() const { return 0; }
    virtual int32_t height() const { return 0; }
};

// Forms and controls answer actions.
class PerformProtocol {
public:
    virtual ~PerformProtocol() = default;
    virtual Value perform(const Value& action, const Value& data) = 0;
};

// Sounds and movies.
class MediaProtocol {
public:
    virtual ~MediaProtocol() = default;
    virtual bool play(int32_t from, int32_t to, bool wait) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    // Movie window operations; sounds keep the defaults.
    virtual bool show() { return false; }
    virtual bool hide() { return false; }
    virtual bool move(int32_t x, int32_t y) { return false; }
    virtual bool setSize(int32_t width, int32_t height) { return false; }
};

template <typename Protocol>
Protocol* protocolOf(const Value& v)
{
    Object* o = v.object();
    return o ? dynamic_cast<Protocol*>(o) : nullptr;
}

} // namespace vel
