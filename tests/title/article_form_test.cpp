#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "index/value_index.h"
#include "nav_test_support.h"
#include "runtime/clipboard.h"
#include "runtime/dialog.h"
#include "title/article_form.h"
#include "title/article_marks.h"
#include "title/read_aloud.h"
#include "value/archive.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

// Five articles in two categories, numbered alphabetically: Cat1 holds Alfa, Beta and Gama, Cat2
// Delta and Epsilon. Record 5 is damaged (a number where the list should be), record 6 has items
// of the wrong types; neither is in any category.
class ArticleFormTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        const std::string root = disc.path() + "/Media";
        std::filesystem::create_directories(root + "/DAT");
        const char* names[] = {"Alfa", "Beta", "Delta", "Epsilon", "Gama"};
        const int categories[] = {1, 1, 2, 2, 1};
        Value articles = Archive::create(Value::string(root + "/DAT/Verbetes.dat"), 10);
        Value byName = ValueIndex::make(root + "/DAT/VDBLstID.IDX", true, true);
        Value ids = ValueIndex::make(root + "/DAT/VDBIDLst.IDX", true, true);
        for (int n = 0; n < 5; ++n) {
            const std::string name = names[n];
            asArchive(articles)->add(read("(list " + std::to_string(n) + " \"" + name + "{\\\\i x}\" \"" + name + "\" " +
                                          std::to_string(categories[n]) + " \"O texto de " + name + ".\" " +
                                          (n == 0 ? "\"{\\\\uldb Beta}!\\\\{jump:VerbForm;Beta\\\\}\"" : "\"\"") + " \"" +
                                          (n == 1 ? "Capital: Beta" : "") + "\" \"\" \"None\")"));
            asValueIndex(byName)->put(Value::string(name), Value::integer(n));
            asValueIndex(ids)->put(Value::string(name), Value::string(name));
        }
        asArchive(articles)->add(Value::integer(7));
        asArchive(articles)->add(read("(list 6 12 (list 1) \"x\" (list) 3 (table))"));
        for (int n : {5, 6}) {
            const char* broken = n == 5 ? "Quebrado" : "Torto";
            asValueIndex(byName)->put(Value::string(broken), Value::integer(n));
            asValueIndex(ids)->put(Value::string(broken), Value::string(broken));
        }
        Value lists = Archive::create(Value::string(root + "/IDCatLst.DTT"), 10);
        asArchive(lists)->add(read(R"((table ("Cat0" (list "Todos" "" (list "Alfa" "Beta" "Delta" "Epsilon" "Gama")))
                                             ("Cat1" (list "Mundo" "Europa" (list "Alfa" "Beta" "Gama")))
                                             ("Cat2" (list "Ciencia" "" (list "Delta" "Epsilon")))))"));
        articles = byName = ids = lists = Value();
        std::string controls;
        for (const char* b : {"PrevVerbete", "NextVerbete", "GotoMark", "MarkUnmark", "SairModoBusca", "Ouvir", "GoBack"})
            controls += button(b);
        for (const char* v : {"Texto", "VerbeteTitle", "SeeAlsoText", "CountryDataText"})
            controls += "(control (\"Class\" \"TextView\") (\"Name\" \"" + std::string(v) + "\") (\"Hot Spot\" (rect 0 0 300 200)))";
        define("VerbForm", "VerbForm", "(\"Control List\" (list " + controls + "))");
    }
    VerbForm& form() { return *dynamic_cast<VerbForm*>(current()); }
    void open(const std::string& argument)
    {
        engine.navigation().goTo(Value::string("VerbForm"), read(argument), true);
    }
    std::string name()
    {
        List* r = asList(form().record());
        return r && r->count() > 2 && r->get(2).is(Tag::String) ? std::string(textOf(r->get(2))) : "";
    }
    bool disabled(const char* control)
    {
        return isTrue(velGet(form().findControl(Value::string(control)), Value::string("Disabled")));
    }
};

TEST_F(ArticleFormTest, StepsWrapAtBothEndsOfACategoryTheCollectionAndTheSearchResults)
{
    const struct {
        const char* argument;
        int delta;
        const char* first;
        const char* then;
    } cases[] = {
        {R"((table ("Text" "Gama")))", 1, "Gama", "Alfa"},
        {R"((table ("Text" "Alfa")))", -1, "Alfa", "Gama"},
        {R"((table ("Index" 6) ("FullList" true)))", 1, "", "Alfa"},
        {R"((table ("Index" 0) ("FullList" true)))", -1, "Alfa", ""},
        {R"((table ("Text" "Epsilon") ("FullList" true)))", 1, "Epsilon", "Gama"},
        {R"((table ("Text" "Beta") ("Index" 1) ("BrowseList" (list "Delta" "Beta")) ("SearchedText" "texto")))", 1, "Beta", "Delta"},
        {R"((table ("Text" "Delta") ("Index" 0) ("BrowseList" (list "Delta" "Beta")) ("SearchedText" "texto")))", -1, "Delta", "Beta"},
    };
    for (const auto& c : cases) {
        open(c.argument);
        EXPECT_EQ(name(), c.first) << c.argument;
        click(c.delta > 0 ? "NextVerbete" : "PrevVerbete");
        EXPECT_EQ(name(), c.then) << c.argument;
    }
    // Back returns to the article before the step, in its mode.
    click("GoBack");
    EXPECT_EQ(name(), "Delta");
    EXPECT_TRUE(form().searchMode());
}

TEST_F(ArticleFormTest, AnArgumentWithoutTextOrIndexAndDamagedRecordsLeaveAUsableScreen)
{
    open(R"((table ("Text" "Beta")))");
    open(R"((table ("FullList" true)))");
    EXPECT_EQ(name(), "Beta");
    // Damaged records show empty; a name with no article leaves the screen as stepping left it.
    const std::pair<const char*, const char*> cases[] = {{"Quebrado", ""}, {"Torto", ""}, {"Inexistente", "Beta"}};
    for (const auto& [broken, shownName] : cases) {
        open(std::string("(table (\"Text\" \"") + broken + "\"))");
        EXPECT_EQ(name(), shownName) << broken;
        click("NextVerbete");
        click("MarkUnmark");
        click("MarkUnmark");
    }
    EXPECT_TRUE(errors().empty());
}

TEST_F(ArticleFormTest, MarkingAndUnmarkingLeavesNoMarksAndDisablesGotoMark)
{
    open(R"((table ("Text" "Beta")))");
    EXPECT_TRUE(disabled("GotoMark"));
    click("MarkUnmark");
    EXPECT_FALSE(disabled("GotoMark"));
    EXPECT_TRUE(ArticleMarks(engine).contains(1));
    click("MarkUnmark");
    EXPECT_TRUE(disabled("GotoMark"));
    EXPECT_TRUE(ArticleMarks(engine).list().isNil());
}

TEST_F(ArticleFormTest, AMissingTruncatedOrDamagedMarksFileGivesNoMarksAndAFreshFile)
{
    const struct {
        const char* name;
        std::string bytes; // none: no file
        bool marked;
    } cases[] = {
        {"missing", "", false},
        {"truncated", "0VEL\x20\x00\x00\x00", false},
        {"garbage", "not an archive at all", false},
    };
    for (const auto& c : cases) {
        const std::string path = disc.path() + "/" + c.name + ".DTT";
        if (!c.bytes.empty())
            std::ofstream(path, std::ios::binary) << c.bytes;
        ArticleMarks marks(engine, path);
        EXPECT_TRUE(marks.list().isNil()) << c.name;
        Value archive = Archive::open(Value::string(path), false);
        ASSERT_TRUE(asArchive(archive)) << c.name;
        EXPECT_EQ(displayForm(asArchive(archive)->get(0)), "(list)") << c.name;
    }
    // A written list is read back by the next run.
    const std::string path = disc.path() + "/kept.DTT";
    ArticleMarks(engine, path).add(3);
    ArticleMarks(engine, path).add(4);
    ArticleMarks(engine, path).remove(3);
    config().putGlobal("Article Marks " + path, Value());
    EXPECT_EQ(displayForm(ArticleMarks(engine, path).list()), "(list 4)");
}

TEST_F(ArticleFormTest, SearchHitsAreMarkedAsWholeWordsOrPrefixesOutsideMarkup)
{
    const struct {
        const char* text;
        const char* searched;
        const char* expected;
    } cases[] = {
        {"o rio e o rioja", "rio", "o {\\strike rio} e o rioja"},
        {"o rio e o rioja", "rio*", "o {\\strike rio} e o {\\strike rioja}"},
        {"(Rio) \"rio\" -rio.", "RIO", "({\\strike Rio}) \"{\\strike rio}\" -{\\strike rio}."},
        {"a Ci\xEAncia\\par e ciencia", "(ciencia)", "a {\\strike Ci\xEAncia}\\par e {\\strike ciencia}"},
        {"{\\b rio} {\\uldb Rio}!\\{jump:VerbForm;rio\\}", "rio", "{\\b {\\strike rio}} {\\uldb {\\strike Rio}}!\\{jump:VerbForm;rio\\}"},
        {"nada aqui", "* ( )", "nada aqui"},
        {"mar e amar", "mar", "{\\strike mar} e amar"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(markSearchHits(c.text, c.searched), c.expected) << c.text << " / " << c.searched;
}

TEST_F(ArticleFormTest, HotLinksJumpOrTellAnUnknownTypeAndCopyIsPlainText)
{
    open(R"((table ("Text" "Alfa")))");
    form().followLink("jump:VerbForm; Beta ");
    EXPECT_EQ(name(), "Beta");
    form().followLink("mist\xE9rio:x");
    form().followLink("semdoispontos");
    EXPECT_EQ(notices, (std::vector<std::string>{"A\xE7\xE3o deconhecida: mist\xE9rio[x]", "A\xE7\xE3o deconhecida: semdoispontos[]"}));
    form().copyText(plainTitle(Value::string("Beta{\\i x}")), Value::string("{\\b Um}\\par dois\\tab tr\xEAs"));
    EXPECT_EQ(textOf(clipboardGetText(engine.clipboard())), "Beta\n\nUm\ndois\ttr\xEAs");
}

TEST_F(ArticleFormTest, PrintingPutsThePlainTitleAndTheTextIntoTheAttributesAndWritesAPdf)
{
    config().set("PrintOutput", Value::string(disc.path() + "/artigo.pdf"));
    open(R"((table ("Text" "Alfa")))");
    form().printText(Value::string("Alfa {\\i marcado}"), Value::string("O texto."));
    Value attributes = form().getProperty(Value::string("PrintAttributes"));
    EXPECT_EQ(textOf(velGet(attributes, Value::string("Title"))), "Alfa ");
    EXPECT_EQ(textOf(velGet(attributes, Value::string("Text"))), "O texto.");
    EXPECT_TRUE(velGet(attributes, Value::string("Font")).isNil()); // the default font was only lent
    EXPECT_TRUE(std::filesystem::exists(disc.path() + "/artigo.pdf"));
}

TEST_F(ArticleFormTest, AListDialogClosedBeforeItsResultIsAskedChoosesNothing)
{
    define("VerbetesDlg", "ListasDlg", R"(("Control List" (list (control ("Class" "ListBox") ("Name" "Lista")
        ("Hot Spot" (rect 0 0 100 100))))))");
    auto* dialog = asDialog(config().global(Value::string("VerbetesDlg")));
    dialog->open(read(R"((table ("BrowseList" (list "Alfa" "Beta"))))"));
    dialog->close();
    EXPECT_TRUE(dialog->result().isNil());
    EXPECT_TRUE(errors().empty());
}

TEST_F(ArticleFormTest, OuvirSpeaksIntoTheMixerUntilPressedAgainOrIsDisabledWithoutTheVoice)
{
    open(R"((table ("Text" "Alfa")))");
    if (!ReadAloud::unavailableReason().empty()) {
        EXPECT_TRUE(disabled("Ouvir"));
        return;
    }
    EXPECT_FALSE(disabled("Ouvir"));
    auto loudness = [this] {
        std::vector<float> block(2 * 4096);
        float peak = 0;
        for (int i = 0; i < 4; ++i) {
            engine.mixer().render(block.data(), 4096);
            for (float v : block)
                peak = std::max(peak, std::abs(v));
        }
        return peak;
    };
    click("Ouvir");
    EXPECT_GT(loudness(), 0.01f);
    click("Ouvir");
    EXPECT_EQ(loudness(), 0.0f);
    click("Ouvir");
    click("NextVerbete"); // leaving the article stops it too
    EXPECT_EQ(loudness(), 0.0f);
}

} // namespace

} // namespace vel::testing_support
