#include <gtest/gtest.h>

#include "nav_test_support.h"
#include "title/atlas_form.h"
#include "value/archive.h"
#include "value/string.h"

namespace vel::testing_support {

namespace {

const std::string kRussia = "Federa\xE7\xE3o Russa";

class AtlasFormTest : public NavTest {
protected:
    void SetUp() override
    {
        NavTest::SetUp();
        engine.takeNotices([this](std::string_view text) { notices.emplace_back(text); });
        image("mapa", 64, 48, 0x336633);
        // Items 1-7: name, category, image, placement, anthem, country data, country text.
        config().putGlobal("Title Data Archive Atlas", read(R"((list
            (list 0 "Argentina" 1 "mapa" (list 10 50) nil "Buenos Aires" "Texto")
            (list 1 "Brasil" 1 "mapa" (table ("X" 4) ("Y" 60)) "brasil" "Bras\xEDlia" "Texto")
            (list 2 "Chile" 1 "nao_ha" (list 0 40) "chile" "Santiago" "Texto")
            (list 3 "Estados Unidos" 2 "mapa" (list 0 40) nil "" "")
            (list 4 "Estados Unidos, costa leste" 2 "mapa" (list 0 40) nil "" ""))))"));
        config().putGlobal("Title Data Index DBL_IDLIST", read(R"((table ("Argentina" 0) ("Brasil" 1) ("Chile" 2) ("Estados Unidos" 3)
            ("Estados Unidos, costa leste" 4)))"));
        Value categories = Archive::create(Value::string(disc.path() + "/Media/ATCatLst.DTT"), 10);
        asArchive(categories)->add(read(R"((table ("Cat1" (list "Mundo" "Am\xE9rica do Sul" (list "Argentina" "Brasil" "Chile")))
            ("Cat2" (list "Mundo" "Am\xE9rica do Norte" (list "Estados Unidos" "Estados Unidos, costa leste")))
            ("Areas brclima" (list (list "Chile" 10 50 40 20)))))"));
        asArchive(categories)->flush();
        disc.write("Media/Sounds/chile.mid", "RIFF....WAVE");
        define("AtlasForm", "AtlasForm", "(\"Control List\" (list " + button("NextMapa") + button("PrevMapa") +
                                             button("HinoButton") + button("Estados Unidos") + button(kRussia) +
                                             "(control (\"Class\" \"Bitmap\") (\"Name\" \"MapaControl\"))))");
    }
    AtlasForm& atlas() { return *dynamic_cast<AtlasForm*>(current()); }
    std::string mapName() { return std::string(textOf(asList(atlas().record())->get(1))); }
    bool enabled(const std::string& name)
    {
        return !asControl(current()->findControl(Value::string(name)))->getTruth(Value::string("Disabled"), false);
    }
    void open(const std::string& map)
    {
        engine.navigation().goTo(Value::string("AtlasForm"), read("(table (\"Text\" \"" + map + "\"))"), true);
    }

    std::vector<std::string> notices;
};

TEST_F(AtlasFormTest, StepsWrapRoundTheCategory)
{
    struct Case {
        const char* from;
        const char* button;
        const char* to;
    } cases[] = {{"Chile", "NextMapa", "Argentina"}, {"Argentina", "PrevMapa", "Chile"}, {"Argentina", "NextMapa", "Brasil"}};
    for (const Case& c : cases) {
        open(c.from);
        click(c.button);
        EXPECT_EQ(mapName(), c.to) << c.from << " " << c.button;
    }
    // Each step is a screen of the history, titled by its map.
    Value last = asList(History::of(engine).list())->get(History::of(engine).index());
    EXPECT_EQ(textOf(velGet(asList(last)->get(1), Value::string("History Text"))), "Atlas: Brasil");
}

TEST_F(AtlasFormTest, AnthemButtonFollowsTheRecordAndRefusesWhatIsNotMidi)
{
    for (auto [map, anthem] : {std::pair{"Argentina", false}, {"Brasil", true}, {"Chile", true}}) {
        open(map);
        EXPECT_EQ(enabled("HinoButton"), anthem) << map;
    }
    click("HinoButton");
    EXPECT_EQ(notices, std::vector<std::string>{"N\xE3o foi poss\xEDvel tocar o hino: chile.mid"});
}

TEST_F(AtlasFormTest, MapPictureAndPlacementComeFromTheRecord)
{
    open("Brasil");
    Value map = current()->findControl(Value::string("MapaControl"));
    EXPECT_EQ(velGet(map, Value::string("X")), Value::integer(4));
    EXPECT_EQ(velGet(map, Value::string("Y")), Value::integer(60));
    EXPECT_FALSE(asControl(map)->getTruth(Value::string("Hidden"), false));
    // A picture that cannot be found leaves the map area empty and the screen working.
    open("Chile");
    EXPECT_TRUE(atlas().mapImage().isNil());
    EXPECT_TRUE(asControl(map)->getTruth(Value::string("Hidden"), false));
    click("NextMapa");
    EXPECT_EQ(mapName(), "Argentina");
    EXPECT_TRUE(errors().empty());
}

TEST_F(AtlasFormTest, TwoPartCountryLeadsToItsDetailedMap)
{
    open("Estados Unidos");
    EXPECT_TRUE(enabled("Estados Unidos"));
    EXPECT_FALSE(enabled(kRussia));
    click("Estados Unidos");
    EXPECT_EQ(mapName(), "Estados Unidos, costa leste");
    EXPECT_FALSE(enabled("Estados Unidos"));
    // An unknown name is no map: nothing is reported and the buttons stay usable.
    open("Atlantida");
    EXPECT_TRUE(errors().empty());
    click("NextMapa");
}

TEST_F(AtlasFormTest, MenuEntriesOpenInfographicsVideosOrMaps)
{
    struct Case {
        const char* text;
        bool brazil;
        AtlasChoice::Kind kind;
        const char* target;
    } cases[] = {
        {"Pol\xEDtico", true, AtlasChoice::Kind::Infographic, "brpolit"},
        {"Pol\xEDtico", false, AtlasChoice::Kind::Infographic, "mupolit"},
        {"Vegeta\xE7\xE3o", true, AtlasChoice::Kind::Infographic, "brvegeta"},
        {"Climas e Correntes", false, AtlasChoice::Kind::Video, "mnatlaak"},
        {"Sistema Solar", false, AtlasChoice::Kind::Video, "mnatlaat"},
        {"Chile", false, AtlasChoice::Kind::Map, nullptr},
    };
    for (const Case& c : cases) {
        const AtlasChoice choice = atlasChoice(c.text, c.brazil);
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_EQ(choice.target ? std::string(choice.target) : "", c.target ? std::string(c.target) : "") << c.text;
    }
    // Only the infographics the title lists open.
    define("brclima", "InfosForm", "(\"Control List\" (list))");
    define("Inicio", "BarraMenuForm", "(\"Control List\" (list))");
    config().putGlobal("ValidInfos", read("(list \"brclima\")"));
    go("Inicio");
    EXPECT_FALSE(openInfographic(engine, "brpopul"));
    EXPECT_EQ(shown(), "Inicio");
    EXPECT_TRUE(openInfographic(engine, "brclima"));
    EXPECT_EQ(shown(), "brclima");
    // Its listed places lead to their maps; elsewhere a click does nothing.
    current()->mouseDown(5, 5);
    EXPECT_EQ(shown(), "brclima");
    current()->mouseDown(20, 60);
    EXPECT_EQ(mapName(), "Chile");
    // The home's buttons open the menus of their groups, not menus named after themselves.
    config().putGlobal("MenusPopUp", read("(table (\"BrasilMenu\" (table (\"Items\" (list \"Clima\")))))"));
    define("AtlasHForm", "AtlasHForm", "(\"Control List\" (list " + button("ATBrasil", "(\"PopUpX\" 5) (\"PopUpY\" 6)") +
                                           button("ATMundo", "(\"PopUpX\" 5) (\"PopUpY\" 6)") + "))");
    go("AtlasHForm");
    click("ATBrasil");
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot find form named 'PopUpMenu'"});
    click("ATMundo");
    EXPECT_TRUE(errors().empty());
}

} // namespace

} // namespace vel::testing_support
