#include "title/databank_screens.h"

#include <gtest/gtest.h>

#include <fstream>

#include "controls/scroller.h"
#include "index/value_index.h"
#include "runtime/event.h"
#include "title/nav_test_support.h"
#include "value/archive.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::NavTest;

class DatabankScreens : public NavTest {
protected:
    // The states' database, small: "DBEstado" under the media root, rows named "Estado 0" ...
    void writeDatabase(int32_t rows)
    {
        const std::string base = disc / "Media/DBEstado";
        disc.write("Media/.keep", "");
        for (const char* extension : {".dat", ".idx", ".dtt"})
            std::filesystem::remove(base + extension);
        Value records = Archive::create(Value::string(base + ".dat"), rows + 1);
        for (int32_t r = 0; r < rows; ++r)
            asArchive(records)->add(read("(list \"Estado " + std::to_string(r) + "\" \"Sul\" \"" +
                                         std::to_string(r * 1000) + "\")"));
        asArchive(records)->flush();
        Value lists = Archive::create(Value::string(base + ".dtt"), 2);
        asArchive(lists)->add(read("(table (\"Nome\" \"Estados do Brasil\") (\"Escopo\" \"Estado\")"
                                   " (\"Campos\" (list (list \"Estado\" 0 \"T\" 0 \"1\" true \"\" 200)"
                                   "                  (list \"Regi\xE3o\" 1 \"T\" 0 \"1\" true \"\" 300)"
                                   "                  (list \"Popula\xE7\xE3o\" 2 \"N\" 0 \"1\" true \"\" 300)))"
                                   " (\"Prontas\" (list (list \"Todos\" (list 0 1) (list 0 2))))"
                                   " (\"Notas\" \"Notas.\") (\"Fontes\" \"Fontes.\"))"));
        asArchive(lists)->flush();
        Value index = ValueIndex::make(base + ".idx", true, true);
        asValueIndex(index)->put(Value::string(databankIndexKey(1, "Sul")), read("(list 0 1)"));
    }
    Databank openStates()
    {
        Databank databank;
        databank.open(engine, "Estados do Brasil");
        return databank;
    }
};

TEST_F(DatabankScreens, DatabaseFilesReadAndDamageToldNotCrashed)
{
    const struct {
        const char* damaged; // file cut short, or removed when `removed`
        bool removed;
        bool opens;
    } cases[] = {{nullptr, false, true}, {"idx", true, false}, {"dat", false, false}, {"dtt", false, false}};
    for (const auto& c : cases) {
        writeDatabase(3);
        if (c.damaged) {
            const std::string path = disc / ("Media/DBEstado." + std::string(c.damaged));
            std::filesystem::remove(path);
            if (!c.removed)
                std::ofstream(path, std::ios::binary) << "0VEL\x10\x00";
        }
        Databank databank = openStates();
        EXPECT_EQ(databank.error().empty(), c.opens) << (c.damaged ? c.damaged : "-") << ": " << databank.error();
        if (!c.opens)
            continue;
        EXPECT_EQ(databank.records().size(), 3u);
        EXPECT_EQ(databank.fields().size(), 3u);
        EXPECT_EQ(databank.valuesOf(1), std::vector<std::string>{"Sul"});
        EXPECT_TRUE(databank.valuesOf(2).empty());
        ASSERT_EQ(databank.queries().size(), 1u);
        EXPECT_EQ(databank.queries()[0].fields, (std::vector<int32_t>{0, 2}));
    }
    Databank unknown;
    EXPECT_FALSE(unknown.open(engine, "Planetas"));
}

TEST_F(DatabankScreens, EstadosSwapsTheHomeButtons)
{
    std::string buttons;
    for (const char* name : {"PaProntas", "PaLivres", "BrProntas", "BrLivres", "Estados", "Paises"})
        buttons += button(name);
    define("BDadosHForm", "BDadosHForm", "(\"Control List\" (list " + buttons + "))");
    go("BDadosHForm");
    auto hidden = [this](const char* name) {
        return isTrue(asControl(current()->findControl(Value::string(name)))->property("Hidden"));
    };
    for (const char* mode : {"Estados", "Paises"}) {
        click(mode);
        const bool states = std::string(mode) == "Estados";
        for (const char* name : {"BrProntas", "BrLivres", "Paises"})
            EXPECT_EQ(hidden(name), !states) << mode << " " << name;
        for (const char* name : {"PaProntas", "PaLivres", "Estados"})
            EXPECT_EQ(hidden(name), states) << mode << " " << name;
    }
}

TEST_F(DatabankScreens, TableScrollsByKeysAndRedrawsOnlyWhatMoves)
{
    writeDatabase(40);
    define("BDadosForm", "BDadosForm",
           "(\"TableRect\" (rect 10 10 500 200)) (\"RowHeight\" 20)"
           " (\"Control List\" (list (control (\"Class\" \"Scroller\") (\"Name\" \"VerticalScroller\")"
           " (\"Hot Spot\" (rect 600 10 16 200)) (\"ButtHeight\" 16) (\"KnobHeight\" 20)) (control (\"Class\" \"Scroller\") (\"Name\" \"HorizontalScroller\")"
           " (\"Hot Spot\" (rect 10 300 500 16)) (\"ButtHeight\" 16) (\"KnobHeight\" 20) (\"Horizontal\" true))))");
    engine.navigation().goTo(Value::string("BDadosForm"),
                             read("(table (\"DBase2Use\" \"Estados do Brasil\") (\"DataRecs\" (list 0 1 2 3 4 5 6 7 8 9"
                                  " 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35 36 37"
                                  " 38 39 77)) (\"FieldsUsed\" (list 0 1 2 9)) (\"Type\" \"Livre\") (\"Numero\" 4))"),
                             true);
    auto* form = dynamic_cast<BDadosForm*>(current());
    ASSERT_TRUE(form);
    const DatabankTableView& view = form->table();
    EXPECT_EQ(view.rowCount(), 40); // the record past the end left out
    EXPECT_EQ(view.columnCount(), 3);
    EXPECT_EQ(view.visibleRows(), 9);
    EXPECT_EQ(view.lastFirstRow(), 31);
    EXPECT_EQ(view.lastFirstColumn(), 1);
    EXPECT_EQ(dynamic_cast<Scroller*>(asControl(form->findControl(Value::string("VerticalScroller"))))->maximum(), 31);
    EXPECT_EQ(textOf(form->historyState().is(Tag::Table) ? asTable(form->historyState())->get(std::string_view("History Text")) : Value()),
              "Pesquisa livre n\xFAmero: 4");

    // Scrolled a row at a time by the keys, the table shows what a whole drawing at that row shows.
    form->draw();
    for (int32_t key : {key_code::Down, key_code::Down, key_code::Up, key_code::Down})
        form->keyDown(key, 0);
    EXPECT_EQ(view.firstRow(), 2);
    std::vector<uint32_t> scrolled;
    for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 510; x += 3)
            scrolled.push_back(pixel(x, y));
    DatabankTableView whole = view;
    whole.draw(host.drawing());
    std::vector<uint32_t> drawn;
    for (int y = 10; y < 210; ++y)
        for (int x = 10; x < 510; x += 3)
            drawn.push_back(pixel(x, y));
    EXPECT_EQ(scrolled, drawn);
    form->keyDown(key_code::End, 0);
    EXPECT_EQ(view.firstRow(), 31);
    form->keyDown(key_code::Right, 0);
    EXPECT_EQ(view.firstColumn(), 1);
}

// An open notes panel covers the table: a press on a scroller under it moves nothing, until the
// panel is closed.
TEST_F(DatabankScreens, AnOpenPanelHoldsTheScrollersUnderIt)
{
    writeDatabase(40);
    define("BDadosForm", "BDadosForm",
           "(\"TableRect\" (rect 10 10 500 200)) (\"RowHeight\" 20)"
           " (\"Control List\" (list (control (\"Class\" \"Scroller\") (\"Name\" \"VerticalScroller\")"
           " (\"Hot Spot\" (rect 600 10 16 200)) (\"ButtHeight\" 16) (\"KnobHeight\" 20))"
           " (control (\"Class\" \"Scroller\") (\"Name\" \"HorizontalScroller\") (\"Hot Spot\" (rect 10 300 500 16))"
           " (\"ButtHeight\" 16) (\"KnobHeight\" 20) (\"Horizontal\" true))"
           " (control (\"Class\" \"TextView\") (\"Name\" \"NotasEstados\") (\"Hot Spot\" (rect 20 20 560 150)))"
           " (control (\"Class\" \"Group\") (\"Name\" \"Notas Estado\") (\"List\" (list \"NotasEstados\")))"
           " (control (\"Class\" \"Button\") (\"Name\" \"Notas\") (\"Hot Spot\" (rect 10 400 60 20)))"
           " (control (\"Class\" \"Button\") (\"Name\" \"CloseNF\") (\"Hot Spot\" (rect 80 400 60 20)))))");
    engine.navigation().goTo(Value::string("BDadosForm"),
                             read("(table (\"DBase2Use\" \"Estados do Brasil\") (\"FieldsUsed\" (list 0 1 2))"
                                  " (\"DataRecs\" (list 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20)))"),
                             true);
    auto* form = dynamic_cast<BDadosForm*>(current());
    ASSERT_TRUE(form);
    const auto* scroller = dynamic_cast<Scroller*>(asControl(form->findControl(Value::string("VerticalScroller"))));
    const auto pressDownArrow = [&] {
        host.feed(testing_support::pointerEvent(event_kind::MouseUp, 608, 202));
        form->mouseDown(608, 202);
    };
    click("Notas");
    pressDownArrow();
    EXPECT_EQ(scroller->value(), 0);
    EXPECT_EQ(form->table().firstRow(), 0);
    click("CloseNF");
    pressDownArrow();
    EXPECT_EQ(scroller->value(), 1);
    EXPECT_EQ(form->table().firstRow(), 1);
}

} // namespace
} // namespace vel
