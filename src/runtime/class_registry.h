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

class Engine;

// The registry of an engine.
class ClassRegistry {
public:
    explicit ClassRegistry(Engine& engine) : engine_(engine) {}

    // Enters the class under its name; "Class already registered: " + name when the name is taken.
    void add(const Value& classObject);
    // The class registered under the name, or nil.
    Value find(const Value& name) const;
    // Enters velFormObject, velDialogObject and velControlObject.
    void addBaseClasses();

    // A control (tag 22) or form (tag 23) from its data table, through the class its "Class" names;
    // a class that is not registered gives the plain velControlObject or velFormObject.
    Value createControl(const Value& data);
    Value createForm(const Value& data);
    Value createForm(const Value& className, const Value& resourceTable, const Value& name);

private:
    Value instanceOfNamedClass(const Value& className, const Value& data, Tag expected);

    Engine& engine_;
};

} // namespace vel
