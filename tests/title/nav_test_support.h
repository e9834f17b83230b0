// Test support for the title's navigation: an engine knowing the library's and the title's
// classes, with the navigation history, where fixture screens and dialogs written in the text
// notation are put in the globals under their names, as the title's preloading puts them.
#pragma once

#include <string>

#include "controls/controls_test_support.h"
#include "controls/history.h"
#include "title/title_forms.h"
#include "value/builtins.h"
#include "value/list.h"

namespace vel::testing_support {

class NavTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        registerTitleForms(engine);
        History::of(engine);
    }
    // A form of that class named `name`, with the controls given, in the globals.
    Value define(const std::string& name, const std::string& className, const std::string& rest = "")
    {
        Value form = read("(form (\"Class\" \"" + className + "\") " + rest + ")");
        asForm(form)->setFormName(Value::string(name));
        config().putGlobal(name, form);
        return form;
    }
    // A screen of its own class with a menu bar button of each name.
    void screen(const std::string& name, const std::string& buttons = "")
    {
        define(name, name, "(\"Control List\" (list " + buttons + "))");
    }
    static std::string button(const std::string& name, const std::string& extra = "")
    {
        return "(control (\"Class\" \"velControlObject\") (\"Name\" \"" + name + "\") " + extra + ")";
    }
    void go(const std::string& name) { engine.navigation().goTo(Value::string(name), Value(), true); }
    velFormObject* current() { return asForm(engine.currentForm()); }
    std::string shown() { return std::string(textOf(current()->name())); }
    // The current form's control of that name clicked.
    void click(const std::string& name)
    {
        Value keep = engine.currentForm();
        current()->controlClicked(current()->findControl(Value::string(name)));
    }
    void keys(std::initializer_list<int32_t> codes)
    {
        for (int32_t code : codes)
            host.feed(keyEvent(code));
    }
};

} // namespace vel::testing_support
