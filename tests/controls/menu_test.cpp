// Menus: the pop-up control with its cascade, driven by keys and by the mouse, and the menu form
// with its disabled items, its stay-open and close results and its cascading menus.
#include <gtest/gtest.h>

#include "controls/menu.h"
#include "controls/popup_list.h"
#include "field_test_support.h"
#include "value/builtins.h"
#include "value/table.h"

namespace vel {
namespace {

constexpr int32_t Background = 0x00FF00;

class MenuTest : public testing_support::FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        host.drawing().fill({0, 0, 640, 480}, Background);
        rowHeight = PopupList(engine).rowHeight();
    }
    // The pop-up at (100, 100); its cascade at (300, 100).
    Menu& menu()
    {
        return make<Menu>("(\"Hot Spot\" (rect 10 10 80 20)) (\"FixedX\" 100) (\"FixedY\" 100) (\"CascadeFixedX\" 300) "
                          "(\"CascadeFixedY\" 100) (\"Items\" (list \"Abrir\" \"Exportar\" \"---\" \"Sair\")) "
                          "(\"CascadingItems\" (list nil (list \"PDF\" \"Texto\"))) "
                          "(\"Results\" (list \"abrir\" (list \"pdf\" \"txt\") nil \"sair\"))");
    }
    int rowY(int row) const { return 101 + row * rowHeight + rowHeight / 2; }
    // Tracks the menu through the events; what it chose, or "-" when nothing was.
    std::string track(Menu& m, std::initializer_list<EventRecord> events)
    {
        bool chosen = during(events, [&] { return m.track(20, 15, 0, 1); });
        return chosen ? textIn(m.perform(Value::string("GetResult"), Value())) : "-";
    }

    int rowHeight = 0;
};

TEST_F(MenuTest, CascadeOpenedAndClosedByKeys)
{
    Menu& m = menu();
    EXPECT_EQ(track(m, {key(key_code::Down), key(key_code::Down), key(key_code::Right), key(key_code::Down), key(13)}), "txt");
    // Left closes the cascade: Up then moves in the first pop-up again.
    EXPECT_EQ(track(m, {key(key_code::Down), key(key_code::Down), key(key_code::Right), key(key_code::Left),
                        key(key_code::Up), key(13)}),
              "abrir");
    EXPECT_EQ(track(m, {key(key_code::Down), key(key_code::Down), key(key_code::Right), key(27), key(27)}), "-");
    EXPECT_TRUE(m.perform(Value::string("GetResult"), Value()).isNil());
    EXPECT_EQ(track(m, {key(key_code::Up), key(13)}), "sair") << "the separator is passed over";
    EXPECT_EQ(pixel(110, rowY(0)), static_cast<uint32_t>(Background));
    EXPECT_EQ(pixel(310, rowY(0)), static_cast<uint32_t>(Background));
}

TEST_F(MenuTest, CascadeOpenedAndClosedByTheMouse)
{
    Menu& m = menu();
    // Released on the control, the pop-up stays; over "Exportar" the cascade opens; a click chooses.
    EXPECT_EQ(track(m, {at(event_kind::MouseUp, 20, 15), at(event_kind::MouseOver, 110, rowY(1)),
                        at(event_kind::MouseOver, 310, rowY(1)), at(event_kind::MouseDown, 310, rowY(1)),
                        at(event_kind::MouseUp, 310, rowY(1))}),
              "txt");
    // Back over "Abrir" the cascade closes: a press where it was dismisses the menu.
    EXPECT_EQ(track(m, {at(event_kind::MouseUp, 20, 15), at(event_kind::MouseOver, 110, rowY(1)),
                        at(event_kind::MouseOver, 110, rowY(0)), at(event_kind::MouseDown, 310, rowY(0)),
                        at(event_kind::MouseUp, 310, rowY(0))}),
              "-");
    // Press, drag onto an item, release: chosen at once.
    EXPECT_EQ(track(m, {at(event_kind::MouseDrag, 110, rowY(3)), at(event_kind::MouseUp, 110, rowY(3))}), "sair");
    EXPECT_EQ(pixel(310, rowY(1)), static_cast<uint32_t>(Background));
}

class MenuFormTest : public MenuTest {
protected:
    MenuForm& open(const std::string& data)
    {
        form = Value::adopt(Tag::Form, new MenuForm(engine, read("(table (\"Origin X\" 50) (\"Origin Y\" 60) (\"Spacing\" 20) " + data + ")")));
        host.setCurrentForm(form);
        auto* m = static_cast<MenuForm*>(form.object());
        m->open(Value());
        return *m;
    }
    Value form;
};

TEST_F(MenuFormTest, DisabledItemsDoNothingAndResultsSayWhetherToStay)
{
    Value off = Table::make();
    off.as<Table>()->put(Value::string("Sair"), Value::boolean(1));
    config().putGlobal("Desligados", off);
    const std::string items =
        "(\"DisabledMenuItemsTable\" \"Desligados\") (\"Items\" (list \"Abrir\" (table (\"Text\" \"Ficar\") "
        "(\"Result\" \"__STAYOPEN__\")) (table (\"Text\" \"Fechar\") (\"Result\" \"__CLOSE__\")) \"---\" \"Sair\"))";
    MenuForm& m = open(items);
    const int sairY = 60 + 2 + 4 * 20 + 10;
    during({at(event_kind::MouseUp, 70, sairY)}, [&] { m.mouseDown(70, sairY); return 0; });
    m.choose(4);
    for (int32_t k : {key_code::Down, key_code::Down, key_code::Down, key_code::Down, key_code::Down})
        m.keyDown(k, 0);
    EXPECT_EQ(m.highlight(), 2) << "the separator and the disabled item are never lit";
    m.choose(1);
    EXPECT_FALSE(m.done()) << "a disabled item, and one that stays open, leave the menu";
    m.choose(2);
    EXPECT_TRUE(m.done());
    EXPECT_TRUE(m.result().isNil());
    m.close();

    MenuForm& again = open(items);
    again.keyDown(key_code::Down, 0);
    again.keyDown(13, 0);
    ASSERT_TRUE(again.done());
    EXPECT_EQ(textIn(velGet(again.result(), Value::string("Text"))), "Abrir");
    again.close();
    EXPECT_EQ(pixel(60, 70), static_cast<uint32_t>(Background)) << "the screen under the menu is back";
}

TEST_F(MenuFormTest, ACascadeChoiceBecomesTheMenusAndLeftGoesBack)
{
    MenuForm& m = open("(\"Items\" (list \"Abrir\" \"Mais\")) "
                       "(\"CascadeTable\" (table (\"Mais\" (table (\"Items\" (list \"Um\" \"Dois\"))))))");
    during({key(key_code::Left)}, [&] { m.choose(1); return 0; });
    EXPECT_FALSE(m.done());
    during({key(key_code::Down), key(key_code::Down), key(13)}, [&] { m.choose(1); return 0; });
    ASSERT_TRUE(m.done());
    EXPECT_EQ(textIn(velGet(m.result(), Value::string("Text"))), "Dois");
    Value beside = m.getProperty(Value::string("SubItemRect"));
    EXPECT_EQ(velTop(beside), 60 + 2 + 20) << "the cascade was told where its item lies";
}

TEST_F(MenuFormTest, APressOutsideACascadeClosesEveryLevel)
{
    form = Value::adopt(Tag::Form, new MenuForm(engine, read("(table (\"Origin X\" 50) (\"Origin Y\" 60) (\"Items\" "
                                                                "(list \"Mais\")) (\"CascadeTable\" (table (\"Mais\" "
                                                                "(table (\"Items\" (list \"Um\")))))))")));
    Value chosen = during({key(key_code::Down), key(key_code::Right), at(event_kind::MouseDown, 600, 400),
                           at(event_kind::MouseUp, 600, 400)},
                          [&] { return runDialog(engine, form, Value()); });
    EXPECT_TRUE(chosen.isNil());
    EXPECT_EQ(pixel(55, 65), static_cast<uint32_t>(Background));
    EXPECT_FALSE(engine.quitting()) << "the menus closed before the feed ran out";
}

} // namespace
} // namespace vel
