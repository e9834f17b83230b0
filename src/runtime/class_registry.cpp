#include "runtime/class_registry.h"

#include "runtime/control.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "value/error.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

Value dataEntry(const Value& data, std::string_view key)
{
    Table* t = asTable(data);
    return t ? t->get(key) : Value();
}

} // namespace

// An instance from the class the data names, or nil when there is none or it made nothing of the
// expected kind.
Value ClassRegistry::instanceOfNamedClass(const Value& className, const Value& data, Tag expected)
{
    if (className.isNil())
        return Value();
    Value registry = engine_.resources().load(Value::string("Classes"));
    Table* classes = asTable(registry);
    if (!classes)
        return Value();
    Value entry = engine_.resources().resolve(classes->get(className));
    auto* factory = protocolOf<ClassProtocol>(entry);
    if (!factory)
        return Value();
    Value instance = factory->createInstance(data);
    return instance.is(expected) ? instance : Value();
}

void ClassRegistry::add(const Value& classObject)
{
    auto* protocol = protocolOf<ClassProtocol>(classObject);
    if (!protocol) {
        velError("Cannot register as a class: " + displayForm(classObject));
        return;
    }
    Value name = protocol->className();
    ApplicationTables& tables = engine_.configuration().tables();
    if (!asTable(tables.globals))
        tables.globals = Table::make();
    Table* globals = tables.globals.as<Table>();
    Value classes = globals->get("Classes");
    if (!asTable(classes)) {
        classes = Table::make();
        globals->put("Classes", classes);
    }
    Table* registry = classes.as<Table>();
    if (registry->contains(name)) {
        velError("Class already registered: " + displayForm(name));
        return;
    }
    registry->put(name, classObject);
}

Value ClassRegistry::find(const Value& name) const
{
    Table* registry = asTable(engine_.configuration().global(Value::string("Classes")));
    return registry ? registry->get(name) : Value();
}

void ClassRegistry::addBaseClasses()
{
    // An engine started again keeps the classes it registered the first time.
    const Value classes[] = {Value::adopt(Tag::Form, new velFormObject(engine_, Value())),
                             Value::adopt(Tag::Form, new velDialogObject(engine_, Value())),
                             Value::adopt(Tag::Control, new velControlObject(engine_, Value()))};
    for (const Value& c : classes)
        if (find(protocolOf<ClassProtocol>(c)->className()).isNil())
            add(c);
}

Value ClassRegistry::createControl(const Value& data)
{
    Value className = dataEntry(data, "Class");
    if (className.isNil()) {
        velError("Control data must have a 'Class' property:\n" + displayForm(data));
    }
    Value control = instanceOfNamedClass(className, data, Tag::Control);
    if (control.isNil())
        control = Value::adopt(Tag::Control, new velControlObject(engine_, data));
    return control;
}

Value ClassRegistry::createForm(const Value& data)
{
    Value form = instanceOfNamedClass(dataEntry(data, "Class"), data, Tag::Form);
    if (form.isNil())
        form = Value::adopt(Tag::Form, new velFormObject(engine_, data));
    if (auto* named = protocolOf<FormNameProtocol>(form); named && named->formName().isNil()) {
        Value name = engine_.resources().resolve(dataEntry(data, "Name"));
        if (name.isNil()) {
            auto* cls = protocolOf<ClassProtocol>(form);
            name = cls ? cls->className() : Value::string("velFormObject");
        }
        named->setFormName(name);
    }
    return form;
}

Value ClassRegistry::createForm(const Value& className, const Value& resourceTable, const Value& name)
{
    Value data = Table::make();
    Table* t = data.as<Table>();
    t->put("Class", className);
    t->put("Resource Table", resourceTable);
    t->put("Name", name);
    return createForm(data);
}

} // namespace vel
