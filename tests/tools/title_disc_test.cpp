// The title's disc as the build made it (build/disc): every form the title preloads is there and
// decodes under its name, every picture, sound and movie its forms and global table name is on it,
// the databases the start opens open, and a scripted run through its screens looks as stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "index/title_indexes.h"
#include "support/scripted_run.h"
#include "title/title_app.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using namespace vel;
const std::string kDisc = (std::filesystem::path(VEL_BIN_DIR).parent_path() / "disc").string();

Value decodeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string b = bytes.str();
    return b.empty() ? Value() : decodeFromBytes(reinterpret_cast<const uint8_t*>(b.data()), b.size());
}

// Every file a property of the value (forms, controls, tables and lists within) names.
void collectMedia(const Value& v, std::set<std::string>& files)
{
    static const std::set<std::string> kFileKeys = {
        "Background Image", "UpImage", "DownImage", "DisabledImage", "Image", "SelectedImage", "DeselectedImage",
        "BarImage", "ThumbImage", "VideoName", "Video", "IntroVideo", "VolumeSound", "OrvaleBack", "AjudaBack",
        "InternetBack", "Narrator", "Sound"};
    if (auto* composite = dynamic_cast<CompositeObject*>(v.object()))
        return collectMedia(composite->wireParts().first, files);
    if (Table* t = asTable(v)) {
        for (int32_t slot = t->firstIndex(); slot >= 0; slot = t->nextIndex(slot)) {
            const Value& value = t->valueRef(slot);
            if (kFileKeys.count(std::string(textOf(t->keyRef(slot)))) && value.is(Tag::String)) {
                std::string name(textOf(value));
                files.insert(name.find('.') == std::string::npos ? name + ".wav" : name);
            }
            collectMedia(value, files);
        }
    } else if (List* l = asList(v)) {
        for (int32_t i = 0; i < l->count(); ++i)
            collectMedia(l->get(i), files);
    }
}

TEST(TitleDisc, EveryPreloadedFormDecodesUnderItsNameAndEveryFileItNamesIsOnTheDisc)
{
    std::set<std::string> media;
    for (const TitleFormBinding& binding : TitleApp::preloadedForms()) {
        const std::string path = findFileIgnoringCase(kDisc, std::string(binding.file) + ".vel");
        Value form = decodeFile(path);
        ASSERT_TRUE(form.is(Tag::Form)) << path;
        EXPECT_EQ(textOf(velGet(form, Value::string("Name"))), binding.name) << path;
        collectMedia(form, media);
    }
    collectMedia(decodeFile(kDisc + "/global.vel"), media);
    EXPECT_GT(media.size(), 100u);
    for (const std::string& file : media)
        EXPECT_TRUE(std::filesystem::is_regular_file(findFileIgnoringCase(kDisc, file)) ||
                    std::filesystem::is_regular_file(findFileIgnoringCase(kDisc + "/Movies", file)))
            << file;
}

TEST(TitleDisc, TheDatabasesAndCategoryListsOpen)
{
    TitleIndexes indexes;
    indexes.registerAll(kDisc + "/DAT");
    for (const TitleIndexFile& file : TitleIndexes::table())
        EXPECT_FALSE(indexes.get(file.name).isNil()) << file.file;
    for (const char* archive : {"DAT/Verbetes.dat", "DAT/Midias.dat", "DAT/Atlas.dat"})
        EXPECT_FALSE(Archive::open(Value::string(kDisc + "/" + archive), false).isNil()) << archive;
    for (const char* list : {"IDCatLst.DTT", "IDMidLst.DTT", "RTCatLst.DTT", "ATCatLst.DTT"}) {
        Value categories = Archive::open(Value::string(kDisc + "/" + list), false);
        ASSERT_FALSE(categories.isNil()) << list;
        EXPECT_TRUE(asList(velGet(velGet(categories, 0), Value::string("Cat0")))) << list;
    }
}

class TitleRunTest : public vel::testing_support::ScriptedRunTest {
protected:
    void SetUp() override
    {
        ScriptedRunTest::SetUp();
        mediaRoot_ = kDisc;
    }
};

// Every main-screen button and menu-bar pop-up leads where it should, the dialogs open and Enter in
// the quit dialog ends the program; the intro, the main screen once its video has ended, every home,
// every pop-up and the dialogs look as stored (fonts may smooth their edges a little differently from
// one machine to another).
TEST_F(TitleRunTest, TheScreensPopUpsAndDialogsOpenAndTheFirstScreensLookAsStored)
{
    const std::string script =
        "wait 1500\nexpect-form IntroForm\nshot " + path("intro.png") + "\nkey Escape\nwait 8000\nexpect-form MainForm\n"
        "shot " + path("principal.png") + "\nclick 132 124\nwait 500\nexpect-form VerbHForm\nshot " + path("verbetes.png") +
        "\nclick 130 298\nwait 300\nexpect-form VerbetesDlg\nkey Escape\nwait 300\nclick 24 20\nwait 300\n"
        "expect-form PopUpMenu\nshot " + path("menu.png") + "\nclick 60 98\nwait 500\nexpect-form AtlasHForm\nshot " + path("AtlasHForm.png") +
        "\nclick 240 20\nwait 300\nexpect-form PopUpMenu\nshot " + path("ajuda.png") + "\nkey Escape\nwait 300\nclick 204 20\n"
        "wait 300\nexpect-form PopUpMenu\nshot " + path("internet.png") + "\nkey Escape\n"
        "wait 300\nclick 132 20\nwait 500\nexpect-form VerbHForm\nclick 168 20\nwait 300\nexpect-form HistoryDlg\nshot " + path("historico.png") + "\n"
        "key Escape\nwait 300\nclick 240 20\nwait 300\nclick 284 121\nwait 300\nexpect-form PrefsDlg\nshot " + path("preferencias.png") +
        "\nkey Escape\nwait 300\nclick 616 20\nwait 300\nexpect-form QuitDlg\nshot " + path("sair.png") + "\nkey Enter\nwait 2000\nexpect-form Nowhere\n";
    std::string said;
    ASSERT_EQ(runScript(script, &said), 0) << "Enter in the quit dialog ends the program: nothing after it runs. " << said;
    std::string homes;
    // Each section's home from the main screen, through the product menu's "Tela Inicial".
    const std::pair<const char*, const char*> sections[] = {{"168", "JMidiaHForm"}, {"256", "BDadosHForm"},
                                                            {"300", "TimeHForm"},   {"344", "RetroHForm"},
                                                            {"388", "AGForm"},      {"432", "CurioHForm"}};
    for (auto [y, home] : sections)
        homes += "click 24 20\nwait 300\nclick 60 56\nwait 500\nexpect-form MainForm\nclick 132 " + std::string(y) +
                 "\nwait 500\nexpect-form " + home + "\nshot " + path(std::string(home) + ".png") + "\n";
    ASSERT_EQ(runScript("key Escape\nwait 8000\nclick 132 212\nwait 500\nexpect-form AtlasHForm\n" + homes + "quit\n", &said), 0)
        << said;
    for (const char* shot : {"intro", "principal", "verbetes", "menu", "historico", "preferencias", "sair", "ajuda",
                             "internet", "AtlasHForm", "JMidiaHForm", "BDadosHForm", "TimeHForm", "RetroHForm", "AGForm",
                             "CurioHForm"})
        EXPECT_GE(vel::testing_support::agreement(path(std::string(shot) + ".png"),
                                                  vel::testing_support::expectedShot(std::string("title_") + shot + ".png"), 24),
                  0.98)
            << shot;
}

} // namespace
