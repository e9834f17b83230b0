#include "runtime/class_registry.h"

#include "runtime/environment.h"
#include "runtime/resources.h"
#include "value/error.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

PlainObjectMakers& plainMakers()
{
    static PlainObjectMakers makers = {placeholderMakers().control, placeholderMakers().form};
    return makers;
}

// An instance from the class the data names, or nil when there is none or it made nothing of the
// expected kind.
Value instanceOfNamedClass(const Value& className, const Value& data, Tag expected)
{
    if (className.isNil())
        return Value();
    Value registry = loadResource(Value::string("Classes"));
    Table* classes = asTable(registry);
    if (!classes)
        return Value();
    Value entry = resolve(classes->get(className));
    auto* factory = protocolOf<ClassProtocol>(entry);
    if (!factory)
        return Value();
    Value instance = factory->createInstance(data);
    return instance.is(expected) ? instance : Value();
}

Value dataEntry(const Value& data, std::string_view key)
{
    Table* t = asTable(data);
    return t ? t->get(key) : Value();
}

} // namespace

void registerClass(const Value& classObject)
{
    auto* protocol = protocolOf<ClassProtocol>(classObject);
    if (!protocol) {
        velError("Cannot register as a class: " + displayForm(classObject));
        return;
    }
    Value name = protocol->className();
    ApplicationTables* tables = registeredApplicationTables();
    if (!tables)
        return;
    if (!asTable(tables->globals))
        tables->globals = Table::make();
    Table* globals = tables->globals.as<Table>();
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

Value registeredClass(const Value& name)
{
    ApplicationTables* tables = registeredApplicationTables();
    Table* globals = tables ? asTable(tables->globals) : nullptr;
    Table* registry = globals ? asTable(globals->get("Classes")) : nullptr;
    return registry ? registry->get(name) : Value();
}

Value createControl(const Value& data)
{
    Value className = dataEntry(data, "Class");
    if (className.isNil()) {
        velError("Control data must have a 'Class' property:\n" + displayForm(data));
    }
    Value control = instanceOfNamedClass(className, data, Tag::Control);
    if (control.isNil())
        control = plainMakers().control(data);
    return control;
}

Value createForm(const Value& data)
{
    Value form = instanceOfNamedClass(dataEntry(data, "Class"), data, Tag::Form);
    if (form.isNil())
        form = plainMakers().form(data);
    if (auto* named = protocolOf<FormNameProtocol>(form); named && named->formName().isNil()) {
        Value name = resolve(dataEntry(data, "Name"));
        if (name.isNil()) {
            auto* cls = protocolOf<ClassProtocol>(form);
            name = cls ? cls->className() : Value::string("velFormObject");
        }
        named->setFormName(name);
    }
    return form;
}

Value createForm(const Value& className, const Value& resourceTable, const Value& name)
{
    Value data = Table::make();
    Table* t = data.as<Table>();
    t->put("Class", className);
    t->put("Resource Table", resourceTable);
    t->put("Name", name);
    return createForm(data);
}

PlainObjectMakers installPlainObjectMakers(const PlainObjectMakers& makers)
{
    PlainObjectMakers previous = plainMakers();
    plainMakers().control = makers.control ? makers.control : placeholderMakers().control;
    plainMakers().form = makers.form ? makers.form : placeholderMakers().form;
    return previous;
}

} // namespace vel
