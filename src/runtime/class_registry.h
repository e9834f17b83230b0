// The registry of classes by name, kept under "Classes" in the application's globals table, and the
// factories through which the text notation and the binary encoding make forms and controls.
#pragma once

#include "value/value.h"

namespace vel {

// What a class object offers the registry. Forms and controls answer it as the prototypes of their
// class; anything else that answers it may be registered too.
class ClassProtocol {
public:
    virtual ~ClassProtocol() = default;
    virtual Value className() const = 0;
    // A new object of the class holding the data, or nil.
    virtual Value createInstance(const Value& data) const = 0;
};

// Forms carry a name apart from their data.
class FormNameProtocol {
public:
    virtual ~FormNameProtocol() = default;
    virtual Value formName() const = 0;
    virtual void setFormName(const Value& name) = 0;
};

// Enters the class under its name; "Class already registered: " + name when the name is taken.
void registerClass(const Value& classObject);
// The class registered under the name, or nil.
Value registeredClass(const Value& name);

// A control (tag 22) or form (tag 23) from its data table, through the class its "Class" names; a
// class that is not registered gives the plain object.
Value createControl(const Value& data);
Value createForm(const Value& data);
Value createForm(const Value& className, const Value& resourceTable, const Value& name);

// The makers of plain velControlObject and velFormObject objects. Until the form and control classes
// are installed, the value model's placeholders keep the data.
struct PlainObjectMakers {
    Value (*control)(const Value& data);
    Value (*form)(const Value& data);
};
// A null member restores the placeholder; returns the previous makers.
PlainObjectMakers installPlainObjectMakers(const PlainObjectMakers& makers);

} // namespace vel
