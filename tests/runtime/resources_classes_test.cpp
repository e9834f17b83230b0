// The class registry and the factories, with classes made for the test: registration and its
// duplicate report, controls and forms from their data, names, unknown classes, and the notation
// making objects through the registry.
#include <gtest/gtest.h>

#include <string>

#include "config_test_support.h"
#include "runtime/class_registry.h"
#include "runtime/resources.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;

// A control class: the prototype is registered, instances hold their data.
class TestControl final : public Object, public ClassProtocol {
public:
    TestControl(std::string name, Value data, bool makesNothing = false)
        : name_(std::move(name)), data_(std::move(data)), makesNothing_(makesNothing) {}
    Value className() const override { return Value::string(name_); }
    Value createInstance(const Value& data) const override
    {
        return makesNothing_ ? Value() : Value::adopt(Tag::Control, new TestControl(name_, data));
    }
    const Value& data() const { return data_; }

private:
    std::string name_;
    Value data_;
    bool makesNothing_;
};

class TestForm final : public Object, public ClassProtocol, public FormNameProtocol {
public:
    TestForm(std::string name, Value data, Value preset = Value())
        : className_(std::move(name)), data_(std::move(data)), name_(std::move(preset)) {}
    Value className() const override { return Value::string(className_); }
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new TestForm(className_, data, presetName));
    }
    Value formName() const override { return name_; }
    void setFormName(const Value& name) override { name_ = name; }
    const Value& data() const { return data_; }
    Value presetName;

private:
    std::string className_;
    Value data_;
    Value name_;
};

Value controlPrototype(const char* name, bool makesNothing = false)
{
    return Value::adopt(Tag::Control, new TestControl(name, Value(), makesNothing));
}
Value formPrototype(const char* name) { return Value::adopt(Tag::Form, new TestForm(name, Value())); }

Value dataWith(std::initializer_list<std::pair<const char*, Value>> entries)
{
    Value table = Table::make();
    for (const auto& [key, value] : entries)
        asTable(table)->put(key, value);
    return table;
}

class ClassRegistryTest : public ConfiguredTest {
protected:
    ClassRegistry& classes() { return engine.classes(); }
};

TEST_F(ClassRegistryTest, ClassesGoUnderClassesInTheGlobalsAndTwiceIsReported)
{
    Value button = controlPrototype("Botao");
    classes().add(button);
    Table* registry = asTable(config().global(Value::string("Classes")));
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->get("Botao"), button);
    EXPECT_EQ(classes().find(Value::string("Botao")), button);

    classes().add(controlPrototype("Botao"));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(classes().find(Value::string("Botao")), button) << "the first registration stands";

    classes().add(Value::integer(3));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(classes().find(Value::string("Nada")).isNil());
}

TEST_F(ClassRegistryTest, ControlsComeFromTheirClassOrArePlainAndOneWithoutClassIsReported)
{
    classes().add(controlPrototype("Botao"));
    classes().add(controlPrototype("Vazio", true));
    Value data = dataWith({{"Class", Value::string("Botao")}, {"Name", Value::string("OK")}});
    Value control = classes().createControl(data);
    ASSERT_TRUE(control.is(Tag::Control));
    auto* made = dynamic_cast<TestControl*>(control.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->data(), data);

    for (const char* className : {"Desconhecido", "Vazio"}) {
        Value plain = classes().createControl(dataWith({{"Class", Value::string(className)}}));
        EXPECT_TRUE(plain.is(Tag::Control)) << className;
        EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr) << className;
        EXPECT_NE(quotedForm(plain).find(className), std::string::npos) << "the plain control keeps its data";
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(classes().createControl(dataWith({{"Name", Value::string("Solto")}})).is(Tag::Control));
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(ClassRegistryTest, FormsAreNamedByTheirDataOrTheirClassUnlessAlreadyNamed)
{
    classes().add(formPrototype("VerbForm"));
    Value named = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}, {"Name", Value::string("Verbete")}}));
    auto* form = dynamic_cast<TestForm*>(named.object());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(textOf(form->formName()), "Verbete");

    Value unnamed = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(unnamed.object())->formName()), "VerbForm");

    config().putGlobal("Titulo", Value::string("Nome Resolvido"));
    Value referenced = classes().createForm(
        dataWith({{"Class", Value::string("VerbForm")}, {"Name", ResourceReference::make(engine.resources(), Value::string("Titulo"))}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(referenced.object())->formName()), "Nome Resolvido");

    auto* prototype = new TestForm("Preset", Value());
    prototype->presetName = Value::string("Fixo");
    classes().add(Value::adopt(Tag::Form, prototype));
    Value preset = classes().createForm(dataWith({{"Class", Value::string("Preset")}, {"Name", Value::string("Outro")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(preset.object())->formName()), "Fixo") << "a form that has a name keeps it";
}

TEST_F(ClassRegistryTest, UnregisteredFormClassesGivePlainFormsAndTheThreeArgumentFormBuildsItsData)
{
    Value plain = classes().createForm(dataWith({{"Class", Value::string("Ninguem")}}));
    EXPECT_TRUE(plain.is(Tag::Form) && !dynamic_cast<TestForm*>(plain.object()));

    classes().add(formPrototype("Dialogo"));
    Value resources = Table::make();
    Value form = classes().createForm(Value::string("Dialogo"), resources, Value::string("Pesquisa"));
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(textOf(made->formName()), "Pesquisa");
    EXPECT_EQ(asTable(made->data())->get("Resource Table"), resources);
    EXPECT_EQ(textOf(asTable(made->data())->get("Class")), "Dialogo");
}

TEST_F(ClassRegistryTest, TheNotationMakesRegisteredClassesAndRegistryLookupsGoThroughTheCurrentForm)
{
    classes().add(formPrototype("MainForm"));
    classes().add(controlPrototype("Button"));
    Value form = parseText("(form (\"Class\" \"MainForm\") (\"Control List\" "
                           "(list (control (\"Class\" \"Button\")))))");
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    Value controls = asTable(made->data())->get("Control List");
    EXPECT_NE(dynamic_cast<TestControl*>(asValueList(controls)->get(0).object()), nullptr);

    // "Classes" is a resource name like any other: a current form that defines it is asked first.
    engine.setCurrentForm(classes().createForm(dataWith({{"Classes", Table::make()}})));
    Value plain = classes().createControl(dataWith({{"Class", Value::string("Button")}}));
    EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr);
}

} // namespace
} // namespace vel
