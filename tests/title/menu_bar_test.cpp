#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "runtime/dialog.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

// Stands in for the article search: remembers what it was opened with, answers a found article.
class SearchStub final : public velDialogObject {
public:
    using velDialogObject::velDialogObject;
    void open(const Value& data) override
    {
        seen.push_back(data);
        velDialogObject::open(data);
        end();
    }
    Value result() override { return parseText(R"((table ("BuscaText" "rio") ("Text" "Rio Amazonas")))"); }
    std::vector<Value> seen;
};

class MenuBarTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        const std::string bar = button("Orvale") + button("Busca") + button("Secoes") + button("Ajuda") +
                                button("Lista", "(\"PopUpX\" 30) (\"PopUpY\" 40)") + button("GoBack");
        for (const char* form : {"VerbHForm", "AGForm", "AtlasHForm", "BDadosHForm", "CurioHForm", "TimeHForm",
                                 "JMidiaHForm", "RetroHForm", "VerbForm", "CreditsForm"})
            screen(form, bar);
        screen("MainForm");
        config().putGlobal("MenusPopUp", read(R"((table
            ("Orvale" (table ("Items" (list "Verbetes" "Agenda" "Atlas" "Banco de Dados" "Curiosidades"
                                            "Linha do Tempo" "M)" "\xED" R"(dias" "Retrospectiva" "Tela Inicial"))))
            ("Ajuda" (table ("Items" (list "Cr)" "\xE9" R"(ditos" "Nada"))))
            ("Lista" (table ("Items" (list "Rio Amazonas")))))))"));
        define("PopUpMenu", "PopUpMenu", R"(("Origin X" 10) ("Origin Y" 10) ("Spacing" 20))");
        go("VerbHForm");
    }
    // Chooses the row of the pop-up the button opens (or dismisses it with -1).
    void choose(const char* buttonName, int row)
    {
        for (int i = 0; i <= row; ++i)
            keys({key_code::Down});
        keys({row < 0 ? 27 : 13});
        click(buttonName);
        EXPECT_TRUE(host.fedAll());
    }
};

TEST_F(MenuBarTest, TheProductMenuGoesWhereEachTextSays)
{
    const char* expected[] = {"VerbHForm",  "AGForm",     "AtlasHForm", "BDadosHForm", "CurioHForm",
                              "TimeHForm", "JMidiaHForm", "RetroHForm", "MainForm"};
    for (int row = 0; row < 9; ++row) {
        go("BDadosHForm" == std::string(expected[row]) ? "VerbHForm" : "BDadosHForm");
        choose("Orvale", row);
        EXPECT_EQ(shown(), expected[row]) << row;
    }
}

TEST_F(MenuBarTest, ClosedMenusUnknownTextsAndSecoesDoNothing)
{
    const int32_t entries = History::of(engine).count();
    choose("Orvale", -1);
    choose("Ajuda", 1);
    click("Secoes");
    EXPECT_EQ(shown(), "VerbHForm");
    EXPECT_EQ(History::of(engine).count(), entries);
    choose("Ajuda", 0);
    EXPECT_EQ(shown(), "CreditsForm");
}

TEST_F(MenuBarTest, TheSearchReopensWithThePreviousTextAndShowsTheArticle)
{
    Value stub = Value::adopt(Tag::Form, new SearchStub(engine, read("(table (\"Width\" 10) (\"Height\" 10))")));
    config().putGlobal("BuscaDialog", stub);
    auto& search = *static_cast<SearchStub*>(stub.object());
    click("Busca");
    EXPECT_EQ(shown(), "VerbForm");
    click("Busca");
    ASSERT_EQ(search.seen.size(), 2u);
    EXPECT_TRUE(search.seen[0].isNil());
    EXPECT_EQ(textOf(search.seen[1]), "rio");
}

TEST_F(MenuBarTest, APositionedPopUpOnAHomeScreenLeadsToTheSectionsScreen)
{
    choose("Lista", 0);
    ASSERT_EQ(shown(), "VerbForm");
    History& history = History::of(engine);
    Value entry = asList(history.list())->get(history.index());
    EXPECT_EQ(textOf(velGet(asList(entry)->get(1), Value::string("Text"))), "Rio Amazonas");
    click("GoBack");
    EXPECT_EQ(shown(), "VerbHForm");
}

} // namespace

} // namespace vel::testing_support
