// Makers for the objects the runtime owns. The reader calls them for "(form", "(control", "(image",
// "(reference" and the other forms that name a resource; the decoder calls them with the parts it
// read. The runtime installs its own; until then (and in the data tool) placeholders keep the data
// so that it prints and encodes back unchanged.
#pragma once

#include "value/value.h"

namespace vel {

// What an object of a runtime kind gives the encoder: forms and controls their property table,
// references their name, images two values, sounds a value, a flag and a value.
struct WireParts {
    Value first;
    Value second;
    int32_t flag = 0;
    bool encodable = true; // false for an image drawn into a drawing context
};

class CompositeObject : public Object {
public:
    virtual WireParts wireParts() const = 0;
};

// The makers as one object, so that a runtime's makers can carry what they make objects for. The
// defaults are the placeholders.
class ObjectMakers {
public:
    virtual ~ObjectMakers() = default;
    virtual Value form(const Value& properties) const;
    virtual Value control(const Value& properties) const;
    virtual Value reference(const Value& name) const;
    virtual Value image(const Value& name) const;
    virtual Value textFile(const Value& name) const;
    virtual Value file(const Value& name) const;
    virtual Value sound(const Value& name) const;
    virtual Value soundFile(const Value& name) const;
    virtual Value imageFromParts(const Value& first, const Value& second) const;
    virtual Value soundFromParts(const Value& first, int32_t flag, const Value& second) const;
};

// The makers the reader and the decoder use. The value layer cannot know the runtime above it, so a
// runtime installs its makers here for as long as it runs (the one place where it reaches down).
const ObjectMakers& objectMakers();
// Installs makers (nullptr: the placeholders again); the caller keeps them alive while installed.
// Returns the previous ones.
const ObjectMakers* installObjectMakers(const ObjectMakers* makers);
// The placeholder makers.
const ObjectMakers& placeholderMakers();

} // namespace vel
