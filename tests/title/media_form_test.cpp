#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "title/media_form.h"
#include "value/archive.h"
#include "value/string.h"

namespace vel::testing_support {

namespace {

class MediaFormTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        // Items 1-9: name, title, type, caption, file, still, content, book title, articles.
        config().putGlobal("Title Data Archive Midias", read(R"((list
            (list 0 "Sistema solar" "" 0 "Os planetas" "sistema" nil nil "" nil)
            (list 1 "Som" "" 1 "Um som" "" nil nil "" nil)
            (list 2 "Bandeira do Chile" "Chile" 2 "A bandeira" "" nil "band_chl" "" (list "Chile"))
            (list 3 "Cronologia" "Datas" 3 "" "" nil "{\\b 1500}" "" nil)
            (list 4 "Foto" "" 4 "" "" nil "foto" "" nil)
            (list 5 "Clima" "" 5 "" "brclima" nil nil "" nil)
            (list 6 "Livro" "" 6 "Legenda" "" nil "Texto" "Um livro" nil)
            (list 7 "Mapa do Chile" "Chile" 7 "" "" nil "mapa_chl" "" nil)
            (list 8 "Tabela" "" 8 "Legenda" "" nil "Texto" "Uma tabela" nil)
            (list 9 "Filme" "" 9 "" "ruim" nil nil "" "{\\uldb Chile}!\\{jump:VerbForm;Chile\\}")
            (list 10 "Estranho" "" 12 "" "" nil nil "" nil))))"));
        Value ids = read("(table)");
        for (int i = 0; i <= 10; ++i)
            velPut(ids, asList(asList(config().global(Value::string("Title Data Archive Midias")))->get(i))->get(1), Value::integer(i));
        config().putGlobal("Title Data Index MDB_IDLIST", ids);
        Value categories = Archive::create(Value::string(disc.path() + "/Media/IDMidLst.DTT"), 10);
        asArchive(categories)->add(read(R"((table
            ("Cat0" (list "Todas" "" (list "Bandeira do Chile" "Cronologia" "Estranho" "Filme" "Som")))
            ("Cat3" (list "Bandeiras" "" (list "Bandeira do Chile")))
            ("Cat2" (list "Sons" "" (list "Som")))
            ("Cat10" (list "V\xeddeos" "" (list "Filme" "Som")))
            ("Cat13" (list "Outros" "" (list "Estranho")))))"));
        asArchive(categories)->flush();
        disc.write("Media/ruim.avi", "not a movie at all");
        config().putGlobal("LoopingAnims", read("(list \"sistema\")"));
        config().putGlobal("Tipo2", Value::string("Bandeiras"));
        define("JMidiaForm", "JMidiaForm",
               "(\"Control List\" (list " + button("NextMidia") + button("MidiaZoom") + button("VerbsQUsam") + button("UsamTitulo") +
                   "(control (\"Class\" \"VideoView\") (\"Name\" \"VideoControl\") (\"Hot Spot\" (rect 0 0 32 32)))"
                   "(control (\"Class\" \"VideoView\") (\"Name\" \"AnimControl\") (\"Hot Spot\" (rect 0 0 32 32)))))");
    }
    void open(const std::string& item)
    {
        engine.navigation().goTo(Value::string("JMidiaForm"), read("(table (\"Text\" \"" + item + "\"))"), true);
    }
    bool hidden(const char* name)
    {
        return asControl(current()->findControl(Value::string(name)))->getTruth(Value::string("Hidden"), false);
    }
    Value property(const char* control, const char* key)
    {
        return velGet(current()->findControl(Value::string(control)), Value::string(key));
    }
};

TEST_F(MediaFormTest, EachTypeOpensItsViewer)
{
    // The viewers' dialogs and screens are absent here: the report names the one asked for.
    struct Case {
        const char* item;
        const char* opened; // the form asked for; empty: none
    } cases[] = {
        {"Bandeira do Chile", "FotoDialog"}, {"Cronologia", "CronoDialog"}, {"Foto", "FotoDialog"},
        {"Livro", "LivroDialog"},            {"Mapa do Chile", "FotoDialog"}, {"Tabela", "TabelaDialog"},
        {"Som", ""},                         {"Estranho", ""},               {"Clima", ""},
    };
    for (const Case& c : cases) {
        open(c.item);
        click("MidiaZoom");
        const std::vector<std::string> reported = errors();
        EXPECT_EQ(reported.empty() ? "" : reported.front(),
                  *c.opened ? "Cannot find form named '" + std::string(c.opened) + "'" : "")
            << c.item;
    }
    // A type without zoom, or none the viewers know, hides the button.
    for (const char* item : {"Som", "Estranho"}) {
        open(item);
        EXPECT_TRUE(hidden("MidiaZoom")) << item;
    }
}

TEST_F(MediaFormTest, AnimationsLoopAsListedAndABrokenVideoLeavesTheScreenUsable)
{
    open("Sistema solar");
    click("MidiaZoom");
    EXPECT_EQ(property("AnimControl", "PlayTillStoped"), Value::boolean(1));
    EXPECT_TRUE(property("VideoControl", "PlayTillStoped").isNil());
    open("Filme");
    auto& form = dynamic_cast<JMidiaForm&>(*current());
    click("MidiaZoom");
    EXPECT_EQ(property("VideoControl", "PlayTillStoped"), Value::boolean(0));
    click("NextMidia");
    EXPECT_EQ(textOf(asList(form.record())->get(1)), "Som");
}

TEST_F(MediaFormTest, ArticlesUsingTheItemShowOnlyWhenThereAreAny)
{
    for (auto [item, shown] : {std::pair{"Bandeira do Chile", true}, {"Filme", true}, {"Cronologia", false}}) {
        open(item);
        EXPECT_EQ(hidden("VerbsQUsam"), !shown) << item;
        EXPECT_EQ(hidden("UsamTitulo"), !shown) << item; // and its heading with it
    }
    EXPECT_EQ(textOf(usingArticlesText(read("(list \"Chile\" \"Peru\")"))),
              "{\\uldb Chile}!\\{jump:VerbForm;Chile\\}\\par {\\uldb Peru}!\\{jump:VerbForm;Peru\\}\\par ");
}

TEST_F(MediaFormTest, NextWrapsRoundTheTypeAndTheHistoryKeepsThePlaceInTheWhole)
{
    open("Bandeira do Chile");
    click("NextMidia");
    auto& form = dynamic_cast<JMidiaForm&>(*current());
    EXPECT_EQ(textOf(asList(form.record())->get(1)), "Bandeira do Chile");
    Value state = form.historyState();
    EXPECT_EQ(textOf(velGet(state, Value::string("History Text"))), "M\xED" "dias - Bandeiras: Bandeira do Chile");
    EXPECT_EQ(velGet(state, Value::string("Index")), Value::integer(0));
    // Reopened from the history, by its place in the whole collection.
    engine.navigation().goTo(Value::string("JMidiaForm"), read("(table (\"FullList\" 1) (\"Index\" 3))"), true);
    EXPECT_EQ(textOf(asList(form.record())->get(1)), "Filme");
    click("NextMidia");
    EXPECT_EQ(textOf(asList(form.record())->get(1)), "Som");
    click("NextMidia");
    EXPECT_EQ(textOf(asList(form.record())->get(1)), "Bandeira do Chile");
}

} // namespace

} // namespace vel::testing_support
