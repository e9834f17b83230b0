// The search dialog over a small disc: searching, the category boxes' rule, OK only with hits, the
// result for the article screen, the state kept for the next opening, and Limpar.
#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "runtime/control.h"
#include "runtime/dialog.h"
#include "search_test_support.h"
#include "value/table.h"

namespace vel::testing_support {
namespace {

class SearchDialogTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        writeSearchFiles(disc.path() + "/Media");
        std::string controls = R"((control ("Class" "TextField") ("Name" "What2Find") ("Hot Spot" (rect 0 0 200 20)))
            (control ("Class" "ListBox") ("Name" "ResultsListBox") ("Hot Spot" (rect 0 100 200 100)) ("List" (list)))
            (control ("Class" "StaticText") ("Name" "ResultCountText") ("Text Region" (rect 0 210 200 20))))";
        for (const char* name : {"Procurar", "Ok", "Cancelar", "Limpar"})
            controls += button(name);
        for (const char* box : {"Todas", "Brasil", "Ci\\xeancia", "Cultura", "Esportes", "Mundo"})
            controls += std::string(R"((control ("Class" "CheckBox") ("Name" ")") + box + R"(") ("Hot Spot" (rect 210 0 80 16))))";
        define("BuscaDialog", "BuscaDialog", R"(("Width" 300) ("Height" 240) ("Control List" (list )" + controls + ")))");
        screen("MainForm");
        go("MainForm");
        dialog = asDialog(config().global(Value::string("BuscaDialog")));
        dialog->setBelow(engine.currentForm());
    }
    void TearDown() override
    {
        dialog->close();
        dialog->setBelow(Value());
        NavTest::TearDown();
    }
    Value control(const char* name) { return dialog->findControl(Value::string(name)); }
    void press(const char* name) { dialog->controlClicked(control(name)); }
    // A box clicked: its state flips, then the dialog hears of it.
    void tick(const char* box)
    {
        const bool on = isTrue(velPerform(control(box), Value::string("IsSelected"), Value()));
        velPerform(control(box), Value::string("Select"), Value::boolean(!on));
        press(box);
    }
    void find(const char* query)
    {
        velPerform(control("What2Find"), Value::string("setText"), Value::string(query));
        press("Procurar");
    }
    std::string shown()
    {
        return std::string(textOf(velPerform(control("ResultCountText"), Value::string("getText"), Value()))) + ": " +
               displayForm(velPerform(control("ResultsListBox"), Value::string("getList"), Value()));
    }
    bool selected(const char* box) { return isTrue(velPerform(control(box), Value::string("IsSelected"), Value())); }
    bool okEnabled() { return asControl(control("Ok"))->isEnabled(); }

    velDialogObject* dialog = nullptr;
};

TEST_F(SearchDialogTest, SearchesNarrowsAndHandsOverTheChosenHit)
{
    dialog->open(Value());
    EXPECT_TRUE(selected("Todas"));
    EXPECT_FALSE(okEnabled());
    find("rio");
    EXPECT_EQ(shown(), "4 verbetes encontrados: (list Amazonas Ci\xeancia Mar \xc1gua)");
    EXPECT_TRUE(okEnabled());
    tick("Esportes"); // a specific category clears "Todas"
    EXPECT_FALSE(selected("Todas"));
    find("rio");
    EXPECT_EQ(shown(), "Nenhum verbete encontrado: (list)");
    EXPECT_FALSE(okEnabled());
    tick("Esportes"); // the last one cleared: "Todas" again
    EXPECT_TRUE(selected("Todas"));
    tick("Mundo");
    tick("Todas"); // "Todas" clears the others
    EXPECT_FALSE(selected("Mundo"));
    tick("Esportes");
    find("futebol");
    EXPECT_EQ(shown(), "1 verbetes encontrado: (list Futebol)");
    press("Ok");
    Value result = dialog->result();
    EXPECT_EQ(displayForm(velGet(result, Value::string("Text"))), "Futebol");
    EXPECT_EQ(displayForm(velGet(result, Value::string("BrowseList"))), "(list Futebol)");
    EXPECT_EQ(velGet(result, Value::string("Index")), Value::integer(0));
    EXPECT_EQ(displayForm(velGet(result, Value::string("SearchedText"))), "futebol");
    EXPECT_EQ(displayForm(velGet(result, Value::string("SelList"))), "(list Esportes)");

    // Opened again with the state the menu bar kept: the query, the boxes and the results are back.
    dialog->close();
    dialog->open(velGet(result, Value::string("BuscaText")));
    EXPECT_EQ(shown(), "1 verbetes encontrado: (list Futebol)");
    EXPECT_TRUE(selected("Esportes") && !selected("Todas"));
    EXPECT_EQ(displayForm(velPerform(control("What2Find"), Value::string("getText"), Value())), "futebol");
    press("Limpar");
    EXPECT_EQ(shown(), ": (list)");
    EXPECT_FALSE(okEnabled());
    press("Cancelar");
    EXPECT_TRUE(velGet(dialog->result(), Value::string("Text")).isNil());
}

} // namespace
} // namespace vel::testing_support
