#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "runtime/dialog.h"
#include "value/archive.h"
#include "controls/list_box.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

class NavDialogsTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        define("QuitDlg", "QuitDlg", R"(("Width" 200) ("Height" 100) ("TabStopList" (list "OKButton" "CancelButton"))
            ("Control List" (list
              (control ("Class" "Button") ("Name" "OKButton") ("Hot Spot" (rect 10 10 50 20)))
              (control ("Class" "Button") ("Name" "CancelButton") ("Hot Spot" (rect 100 10 50 20))))))");
        for (const char* dialog : {"HistoryDlg", "VerbetesDlg"})
            define(dialog, dialog == std::string("HistoryDlg") ? "HistoryDlg" : "ListasDlg",
                   std::string(R"(("Width" 300) ("Height" 200) ("Control List" (list (control ("Class" "ListBox")
                     ("Name" ")") + (dialog == std::string("HistoryDlg") ? "History List" : "Lista") +
                       R"(") ("Hot Spot" (rect 0 0 300 200)) ("SingleClickNotify" true) ("List" (list))))))");
        for (const char* form : {"MainForm", "VerbHForm", "JMidiaHForm", "AtlasHForm", "VerbForm"})
            screen(form, button("Historico") + button("Indice", "(\"PopUpX\" 5) (\"PopUpY\" 6)"));
    }
    Value run(const char* dialog, const Value& data = Value())
    {
        return runDialog(engine, Value::string(dialog), data);
    }
    void clickAt(int x, int y) { host.feed({pointerEvent(event_kind::MouseDown, x, y), pointerEvent(event_kind::MouseUp, x, y)}); }
    // Where the row of the fixture lists is, from the dialog's top.
    int rowY(int row)
    {
        Value box = read("(control (\"Class\" \"ListBox\") (\"Hot Spot\" (rect 0 0 300 200)))");
        auto* b = dynamic_cast<AbstractListBox*>(asControl(box));
        b->draw();
        return row * b->lineHeight() + b->lineHeight() / 2;
    }
};

TEST_F(NavDialogsTest, QuitConfirmsOnlyWithEnterOrOK)
{
    keys({9, 'x', 13});
    EXPECT_EQ(run("QuitDlg"), Value::boolean(1));
    keys({9, 'x', 27});
    EXPECT_EQ(run("QuitDlg"), Value::boolean(0));
    clickAt(110, 15);
    EXPECT_EQ(run("QuitDlg"), Value::boolean(0));
    clickAt(20, 15);
    EXPECT_EQ(run("QuitDlg"), Value::boolean(1));
}

TEST_F(NavDialogsTest, HistoryListsNewestFirstWithTheCurrentSelectedAndJumps)
{
    for (const char* form : {"MainForm", "VerbHForm", "JMidiaHForm", "AtlasHForm"})
        go(form);
    History::of(engine).historyBack(false);
    // Opened over the screen without the modal loop, to be looked at.
    auto* dialog = asDialog(config().global(Value::string("HistoryDlg")));
    dialog->setBelow(engine.currentForm());
    dialog->open(Value());
    Value list = dialog->findControl(Value::string("History List"));
    EXPECT_EQ(displayForm(velPerform(list, Value::string("getList"), Value())),
              "(list Tela inicial do Atlas Tela inicial de M\xED" "dias Tela inicial de Verbetes "
              "Tela inicial do Orvale Vanta)");
    EXPECT_EQ(velPerform(list, Value::string("getSelection"), Value()), Value::integer(1));
    EXPECT_TRUE(dialog->result().isNil()); // nothing clicked
    dialog->close();
    dialog->setBelow(Value());
    // An entry whose data has no title is reported and still keeps its line.
    History::of(engine).historyAdd(Value::string("VerbForm"), read("(table (\"Text\" \"Rio\"))"));
    config().putGlobal("No Text Error", Value::string("Sem texto"));
    clickAt(10, rowY(2));
    click("Historico");
    EXPECT_EQ(errors(), std::vector<std::string>{"Sem texto"});
    EXPECT_EQ(shown(), "VerbHForm");
    EXPECT_EQ(History::of(engine).index(), 1);
}

TEST_F(NavDialogsTest, ListsComeFromTheArgumentOrTheCategoryFile)
{
    keys({27});
    run("VerbetesDlg", read(R"((table ("BrowseList" (list "a" "b" "c")) ("Selected" 2) ("Origin X" 40) ("Offset X" 2)))"));
    EXPECT_EQ(asForm(config().global(Value::string("VerbetesDlg")))->originX(), 42);
    clickAt(50, rowY(1));
    EXPECT_EQ(displayForm(run("VerbetesDlg", read(R"((table ("BrowseList" (list "a" "b" "c")) ("Origin X" 0)))"))),
              "(table (Text b))");
    {
        Value archive = Archive::create(Value::string(disc.path() + "/Media/IDCatLst.DTT"), 10);
        asArchive(archive)->add(read(R"((table ("Cat0" (list "Todos" "" (list "Amazonas" "Nilo" "Reno")))
                                               ("Cat5" (list "Geografia" "Rios" (list "Nilo" "Reno")))))"));
    }
    clickAt(50, rowY(1));
    EXPECT_EQ(displayForm(run("VerbetesDlg", read(R"((table ("SCatID" "5")))"))), "(table (Text Reno))");
    // The home's "Indice" lists every article; the choice, with its place, goes to the article screen.
    go("VerbHForm");
    clickAt(50, 6 + rowY(1));
    click("Indice");
    EXPECT_EQ(shown(), "VerbForm");
    Value entry = asList(History::of(engine).list())->get(History::of(engine).index());
    Value chosen = asList(entry)->get(1);
    EXPECT_EQ(textOf(velGet(chosen, Value::string("Text"))), "Nilo");
    EXPECT_EQ(velGet(chosen, Value::string("FullList")), Value::boolean(1));
    EXPECT_EQ(velGet(chosen, Value::string("Index")), Value::integer(1));
}

} // namespace

} // namespace vel::testing_support
