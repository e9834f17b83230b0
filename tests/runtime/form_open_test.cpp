// Forms and the control base: property look-up through the resource table, open (origin, size,
// background, controls, Auto Activate), close with and without Retain Resources, the control
// operations a form offers; hidden and disabled controls, hot spots, cursors, actions and builtins.
#include <gtest/gtest.h>

#include "form_test_support.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::FormTest;

class FormOpenTest : public FormTest {
protected:
    Value openForm(const std::string& text)
    {
        Value form = read(text);
        host.setCurrentForm(form);
        if (auto* f = asForm(form))
            f->open(Value());
        return form;
    }
};

TEST_F(FormOpenTest, PropertiesComeFromTheDataThenTheLoadedResourceTable)
{
    config().putGlobal("recursos", read("(table (\"Fundo\" \"fundo.bmp\") (\"Name\" \"escondido\"))"));
    Value v = read("(form (\"Name\" \"Principal\") (\"Resource Table\" \"recursos\"))");
    auto* f = asForm(v);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(textOf(f->name()), "Principal");
    EXPECT_EQ(textOf(asForm(read("(form (\"Width\" 3))"))->name()), "velFormObject") << "named by its class without a Name";
    EXPECT_FALSE(f->hasProperty(Value::string("Fundo"))) << "not loaded yet";
    f->loadResources();
    EXPECT_EQ(textOf(velGet(v, Value::string("Fundo"))), "fundo.bmp");
    EXPECT_EQ(textOf(f->property("Name")), "Principal") << "the data wins";
    EXPECT_NE(asTable(asTable(f->properties())->get("LoadedResourceTable")), nullptr);
    f->setResource(Value::string("Extra"), Value::integer(3));
    EXPECT_EQ(f->property("Extra"), Value::integer(3));
    f->unloadResources();
    EXPECT_FALSE(f->hasProperty(Value::string("Fundo")) || asTable(f->properties())->contains(Value::string("LoadedResourceTable")));
    // A resource table that does not load leaves no LoadedResourceTable behind.
    Value broken = read("(form (\"Resource Table\" \"nenhuma\") (\"LoadedResourceTable\" 1))");
    asForm(broken)->loadResources();
    EXPECT_FALSE(asForm(broken)->hasProperty(Value::string("LoadedResourceTable")));
}

TEST_F(FormOpenTest, AFormWithoutBackgroundTakesTheMediaSizeAndItsOrigin)
{
    config().set("MediaWidth", Value::integer(800));
    Value v = openForm("(form (\"Origin X\" 12) (\"Origin Y\" \"7\"))");
    auto* f = asForm(v);
    EXPECT_EQ((std::vector<int>{f->originX(), f->originY(), velLeft(v), f->width(), f->height()}),
              (std::vector<int>{12, 7, 12, 800, 480}));
    FormPoint p = f->toFormCoordinates({20, 20});
    FormPoint back = f->toSurfaceCoordinates(p);
    EXPECT_EQ((std::vector<int>{p.x, p.y, back.x, back.y}), (std::vector<int>{8, 13, 20, 20}));
}

TEST_F(FormOpenTest, TheBackgroundBecomesTheScreenAndADialogFormIsDrawnOverItAtItsOrigin)
{
    config().putGlobal("Azul", solidImage(200, 100, 0x0000FF));
    Value v = openForm("(form (\"Background Image\" \"Azul\"))");
    EXPECT_EQ(std::make_pair(asForm(v)->width(), asForm(v)->height()), std::make_pair(200, 100));
    EXPECT_EQ(pixel(199, 99), 0x0000FFu);
    EXPECT_EQ(shownPixel(0, 0), 0x0000FFu) << "shown at once";
    EXPECT_EQ(pixel(200, 100), 0u) << "the rest of the screen is the background colour";

    config().putGlobal("Vermelho", solidImage(50, 40, 0xFF0000));
    openForm("(form (\"Background Image\" \"Vermelho\") (\"Dialog\" true) (\"Origin X\" 100) (\"Origin Y\" 60))");
    EXPECT_EQ((std::vector<uint32_t>{pixel(100, 60), pixel(149, 99), pixel(99, 60), pixel(150, 60), pixel(199, 99)}),
              (std::vector<uint32_t>{0xFF0000u, 0xFF0000u, 0x0000FFu, 0x0000FFu, 0x0000FFu})) << "the screen around it stays";
}

TEST_F(FormOpenTest, AutoActivateTakesTheLastBooleanTrueOfTheControlsThatCanActivate)
{
    Value v = openForm("(form (\"Resource Table\" (table)) (\"Control List\" (list "
                       "(control (\"Class\" \"A\") (\"Name\" \"um\") (\"Auto Activate\" true)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"dois\") (\"Auto Activate\" true)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"tres\") (\"Auto Activate\" 1)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"quatro\") (\"Auto Activate\" true) (\"Disabled\" true)))))");
    auto* f = asForm(v);
    ASSERT_EQ(asList(f->controlList())->count(), 4);
    Value active = f->activeControl();
    ASSERT_NE(asControl(active), nullptr);
    EXPECT_EQ(textOf(asControl(active)->property("Name")), "dois");
    EXPECT_TRUE(asControl(active)->isActive()) << "the form's activation activates it";
    EXPECT_FALSE(asControl(f->findControl(Value::string("um")))->isActive());
    EXPECT_TRUE(f->findControl(Value::string("cinco")).isNil());
}

TEST_F(FormOpenTest, ControlsComeFromNamesAndAnythingElseIsSkippedWithAMessage)
{
    Value v = openForm("(form (\"Name\" \"Lista\") (\"Resource Table\" (table (\"OK\" (control (\"Class\" \"A\") "
                       "(\"Name\" \"OK\"))))) (\"Control List\" (list \"OK\" 42 \"Ausente\" "
                       "(control (\"Class\" \"A\") (\"Name\" \"Fim\")))))");
    auto* f = asForm(v);
    ASSERT_NE(asList(f->controlList()), nullptr);
    EXPECT_EQ(asList(f->controlList())->count(), 2);
    EXPECT_FALSE(f->findControl(Value::string("OK")).isNil());
    EXPECT_FALSE(f->findControl(Value::string("Fim")).isNil());
    EXPECT_EQ(errors().size(), 2u) << "42 and Ausente";

    Value odd = openForm("(form (\"Name\" \"Estranha\") (\"Control List\" 5))");
    EXPECT_EQ(asList(asForm(odd)->controlList())->count(), 0);
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(FormOpenTest, RetainResourcesKeepsTheTableAndTheControlsAcrossClose)
{
    const char* text = "(form (\"Resource Table\" (table (\"Control List\" (list (control (\"Class\" \"A\") "
                       "(\"Auto Activate\" true)))))) %s)";
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, text, "(\"Retain Resources\" true)");
    Value kept = openForm(buffer);
    auto* f = asForm(kept);
    Value controls = f->controlList();
    Value active = f->activeControl();
    f->close();
    EXPECT_FALSE(asControl(active)->isActive()) << "closing deactivates";
    EXPECT_TRUE(f->activeControl().isNil());
    EXPECT_NE(f->loadedResourceTable(), Value());
    EXPECT_EQ(f->controlList(), controls);
    f->open(Value());
    EXPECT_EQ(f->controlList(), controls) << "reopened with the same controls";

    std::snprintf(buffer, sizeof buffer, text, "");
    Value dropped = openForm(buffer);
    asForm(dropped)->close();
    EXPECT_TRUE(asForm(dropped)->loadedResourceTable().isNil());
    EXPECT_TRUE(asForm(dropped)->controlList().isNil());
    EXPECT_FALSE(asTable(asForm(dropped)->properties())->contains(Value::string("LoadedResourceTable")));
}

TEST_F(FormOpenTest, EnablingShowingAndActivatingControls)
{
    Value v = openForm("(form (\"Control List\" (list (control (\"Class\" \"A\") (\"Name\" \"a\")) "
                       "(control (\"Class\" \"A\") (\"Name\" \"b\")))))");
    auto* f = asForm(v);
    Value a = f->findControl(Value::string("a"));
    Value b = f->findControl(Value::string("b"));
    f->setActiveControl(a, 1);
    f->setActiveControl(b, 1);
    EXPECT_FALSE(asControl(a)->isActive());
    EXPECT_TRUE(asControl(b)->isActive());
    f->setActiveControl(a, 0);
    EXPECT_EQ(f->activeControl(), b) << "flag 0 on another control changes nothing";

    f->enableControl(b, 0);
    EXPECT_TRUE(f->activeControl().isNil());
    f->setActiveControl(b, 1);
    EXPECT_TRUE(f->activeControl().isNil()) << "a disabled control cannot become active";
    f->enableControl(b, 1);
    f->setActiveControl(a, 1);
    f->showControl(a, 0);
    EXPECT_TRUE(f->activeControl().isNil());
    EXPECT_EQ(std::make_pair(asControl(a)->property("Hidden"), asControl(b)->property("Disabled")),
              std::make_pair(Value::boolean(1), Value::boolean(0)));
    f->showControl(a, 1);
    f->setActiveControl(a, 1);
    asControl(a)->giveUpActivation();
    EXPECT_TRUE(f->activeControl().isNil());

    f->setActiveControl(b, 1);
    asControl(b)->captureMouse(1);
    EXPECT_EQ(f->captureFlag(), 1);
    asControl(a)->captureMouse(0);
    EXPECT_EQ(f->captureFlag(), 1) << "only the active control sets the capture flag";
    EXPECT_EQ(f->setCaptureFlag(0), 1);
}


class ControlTest : public FormTest {
protected:
    Value control(const std::string& entries) { return read("(control " + entries + ")"); }
};

TEST_F(ControlTest, HiddenAndDisabledControlsNeitherActivateNorHelp)
{
    Value hidden = control("(\"Class\" \"X\") (\"Hidden\" true) (\"Help\" \"Ajuda\")");
    Value disabled = control("(\"Class\" \"X\") (\"Disabled\" 1) (\"Help\" \"Ajuda\")");
    Value zero = control("(\"Class\" \"X\") (\"Disabled\" 0) (\"Help\" \"Ajuda\")");
    EXPECT_FALSE(asControl(hidden)->isVisible() || asControl(hidden)->isEnabled()) << "a hidden control is not enabled";
    EXPECT_TRUE(asControl(disabled)->isVisible() && !asControl(disabled)->canActivate());
    EXPECT_TRUE(asControl(hidden)->help().isNil() && asControl(disabled)->help().isNil());
    EXPECT_EQ(textOf(asControl(zero)->help()), "Ajuda");
    // Present properties read through velIntValue and the truth test of their value, absent ones give the fallback.
    EXPECT_EQ(asControl(zero)->getInteger(Value::string("Help"), 7), 0);
    EXPECT_FALSE(asControl(zero)->getTruth(Value::string("Help"), true));
    EXPECT_EQ(asControl(zero)->getInteger(Value::string("Ausente"), 7), 7);
}

TEST_F(ControlTest, TheHotSpotAndTheCursorAreLoadedByNameAndTheHotSpotGivesContainmentAndMeasures)
{
    Value v = control("(\"Class\" \"X\") (\"Hot Spot\" (rect 10 20 30 40))");
    auto* c = asControl(v);
    EXPECT_EQ((std::vector<int>{velLeft(v), velTop(v), velWidth(v), velHeight(v)}), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_TRUE(c->containsPoint(10, 20) && c->containsPoint(39, 59));
    EXPECT_FALSE(c->containsPoint(40, 30) || c->containsPoint(9, 30));

    config().putGlobal("Area", read("(rect 100 100 5 5)"));
    Value named = control("(\"Class\" \"X\") (\"Hot Spot\" \"Area\")");
    EXPECT_TRUE(asControl(named)->containsPoint(102, 104));
    EXPECT_EQ(velWidth(named), 5);
    // A name that loads nothing, or a value that is no region, is no hot spot.
    Value broken = control("(\"Class\" \"X\") (\"Hot Spot\" \"Nenhuma\")");
    EXPECT_FALSE(asControl(broken)->containsPoint(0, 0));
    Value number = control("(\"Class\" \"X\") (\"Hot Spot\" 12)");
    EXPECT_EQ(velHeight(number), 0);

    config().putGlobal("Mao", Cursor::make(CursorKind::Hand));
    Value hand = control("(\"Class\" \"X\") (\"Cursor\" \"Mao\")");
    EXPECT_EQ(cursorKindOf(asControl(hand)->cursor()), CursorKind::Hand);
    EXPECT_EQ(cursorKindOf(asControl(hand)->cursorAt(3, 4)), CursorKind::Hand);
    Value missing = control("(\"Class\" \"X\") (\"Cursor\" \"Nada\")");
    EXPECT_TRUE(asControl(missing)->cursor().isNil());
}

TEST_F(ControlTest, ActionsAnswerAsTheBaseSays)
{
    Value v = control("(\"Class\" \"X\")");
    EXPECT_TRUE(velPerform(v, Value::string("Activate"), Value()).isNil());
    EXPECT_TRUE(asControl(v)->isActive());
    EXPECT_EQ(asControl(v)->property("Active"), Value::boolean(1)) << "stored as a boolean";
    velPerform(v, Value::string("Deactivate"), Value());
    EXPECT_EQ(asControl(v)->property("Active"), Value::boolean(0));

    EXPECT_EQ(velPerform(v, Value::string("Key"), read("(list 13 0)")), Value::boolean(0));
    for (const char* bad : {"(list 13)", "(list \"a\" 0)"})
        EXPECT_TRUE(velPerform(v, Value::string("Key"), read(bad)).isNil()) << bad;
    for (const Value& unknown : {Value::string("Desconhecida"), Value::integer(3)})
        EXPECT_TRUE(velPerform(v, unknown, Value()).isNil());

    EXPECT_TRUE(velPerform(Table::make(), Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(ControlTest, TheCollectionBuiltinsWorkOnThePropertyTable)
{
    Value v = control("(\"Class\" \"X\") (\"Name\" \"OK\")");
    EXPECT_EQ(textOf(velGet(v, Value::string("Name"))), "OK");
    velPut(v, Value::string("Target Form"), Value::string("segunda.frm"));
    EXPECT_TRUE(velContainsKey(v, Value::string("Target Form")));
    EXPECT_EQ(textOf(asControl(v)->property("Target Form")), "segunda.frm");
    velRemoveKey(v, Value::string("Name"));
    EXPECT_FALSE(asControl(v)->hasProperty(Value::string("Name")));

    velControlObject bare{engine, Value()};
    bare.setInteger(Value::string("N"), 4);
    EXPECT_EQ(bare.getInteger(Value::string("N"), 0), 4);
}

} // namespace
} // namespace vel
