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

struct ObjectMakers {
    Value (*form)(const Value& properties);
    Value (*control)(const Value& properties);
    Value (*reference)(const Value& name);
    Value (*image)(const Value& name);
    Value (*textFile)(const Value& name);
    Value (*file)(const Value& name);
    Value (*sound)(const Value& name);
    Value (*soundFile)(const Value& name);
    Value (*imageFromParts)(const Value& first, const Value& second);
    Value (*soundFromParts)(const Value& first, int32_t flag, const Value& second);
};

const ObjectMakers& objectMakers();
// Installs makers; a null member keeps the placeholder for that kind. Returns the previous set.
ObjectMakers installObjectMakers(const ObjectMakers& makers);
// The placeholder makers, for restoring them.
ObjectMakers placeholderMakers();

} // namespace vel
