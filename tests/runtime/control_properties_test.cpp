// The control base: hidden and disabled controls, hot spots and their measures, cursors, the
// actions it answers, and the builtins that reach it through its table.
#include <gtest/gtest.h>

#include "form_test_support.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::FormTest;

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

    // By resource name, found through the globals.
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

    // A control made with no data takes a table on its first put.
    velControlObject bare{engine, Value()};
    bare.setInteger(Value::string("N"), 4);
    EXPECT_EQ(bare.getInteger(Value::string("N"), 0), 4);
}

TEST_F(ControlTest, PrintedAndEncodedFormsComeBackAsControls)
{
    Value v = control("(\"Class\" \"X\") (\"Hot Spot\" (rect 1 2 3 4)) (\"Name\" \"OK\")");
    std::string printed = quotedForm(v);
    EXPECT_EQ(printed.rfind("(control ", 0), 0u) << printed;
    EXPECT_EQ(quotedForm(read(printed)), printed);

    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(v, &ok);
    ASSERT_TRUE(ok);
    Value decoded = decodeFromBytes(bytes.data(), bytes.size());
    ASSERT_NE(asControl(decoded), nullptr);
    EXPECT_EQ(quotedForm(decoded), printed);
}

} // namespace
} // namespace vel
