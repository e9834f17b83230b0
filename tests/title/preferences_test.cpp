#include <gtest/gtest.h>

#include <filesystem>

#include "controls/control_library.h"
#include "runtime/control.h"
#include "runtime/engine.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "title/preferences.h"
#include "value/encoding.h"
#include "value/reader.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

class PreferencesTest : public ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        registerControlLibrary(engine);
        engine.classes().add(Value::adopt(Tag::Form, new PrefsDlg(engine, Value())));
        start(home.path());
    }
    // Started afresh on a module directory, with the title's table holding Volume 50.
    void start(const std::string& moduleDirectory)
    {
        RunOptions options = RunOptions::offscreenOnly(true);
        options.moduleDirectory = moduleDirectory;
        std::string error;
        ASSERT_TRUE(engine.startUp(options, error)) << error;
        engine.takeNotices([this](std::string_view text) { notices.emplace_back(text); });
        preferences.setTable(parseText("(table (\"Volume\" 50))"));
        engine.configuration().set("ShowIntro", 1);
        engine.configuration().set("SoundEffects", 1);
    }
    Value stored(const std::string& key) { return asTable(preferences.table())->get(key); }

    ScratchDirectory home;
    Engine engine;
    Preferences preferences{engine};
    std::vector<std::string> notices;
};

TEST_F(PreferencesTest, AFileThatDoesNotDecodeGoesAndWrongTypesFallBackKeyByKey)
{
    const std::string good = R"((table ("Volume" 30) ("ShowIntro" false) ("SoundEffects" "sim")))";
    std::vector<uint8_t> truncated = encodeToBytes(parseText(good));
    truncated.pop_back();
    const struct { std::string bytes; bool kept; int volume, showIntro; } cases[] = {
        {{truncated.begin(), truncated.end()}, false, 75, 1},
        {"\x99\x07", false, 75, 1},
        {"", false, 75, 1}, // a value that is no table: written below
        {"", true, 30, 0},  // the good table: written below
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        engine.configuration().set("ShowIntro", 1);
        const std::vector<uint8_t> table = encodeToBytes(i == 2 ? Value::integer(5) : parseText(good));
        home.write("PREFS.DAT", i < 2 ? cases[i].bytes : std::string(table.begin(), table.end()));
        preferences.load();
        EXPECT_EQ(std::filesystem::exists(home / "PREFS.DAT"), cases[i].kept) << i;
        EXPECT_EQ(stored("Volume").asInt(), cases[i].volume) << i;
        EXPECT_EQ(engine.configuration().getInteger("ShowIntro", -1), cases[i].showIntro) << i;
        // "sim" is no truth value: the environment's stands, and the table gets it.
        EXPECT_TRUE(engine.configuration().getTruth("SoundEffects", false)) << i;
    }
    EXPECT_TRUE(isTrue(stored("SoundEffects")));
    EXPECT_TRUE(notices.empty());
}

TEST_F(PreferencesTest, AFirstRunWritesVolume75AndAnUnwritableFolderWarnsAndLeavesNothing)
{
    preferences.load();
    ASSERT_TRUE(preferences.save());
    std::string bytes = home.read("PREFS.DAT");
    Value written = decodeFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(asTable(written)->get("Volume").asInt(), 75);

    home.write("blocked", "a file where a folder should be");
    engine.shutDown();
    start(home / "blocked");
    EXPECT_FALSE(preferences.save());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Aviso! N\xe3o foi poss\xedvel salvar prefer\xeancias no disco!");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()), {}), 2);
}

TEST_F(PreferencesTest, CancelGivesTheVolumeBackAndOkKeepsTheChoicesAcrossARestart)
{
    const char* dialog = R"((form ("Class" "PrefsDlg") ("Control List" (list
        (control ("Class" "CheckBox") ("Name" "ShowIntroCheckBox") ("Hot Spot" (rect 10 10 20 20)))
        (control ("Class" "CheckBox") ("Name" "Double CheckBox") ("Hot Spot" (rect 10 40 20 20)))
        (control ("Class" "Slider") ("Name" "VolumeSlider") ("Minimum" 0) ("Maximum" 100)
                 ("Hot Spot" (rect 10 70 200 20)))
        (control ("Class" "velControlObject") ("Name" "OKButton") ("Hot Spot" (rect 10 100 40 20)))
        (control ("Class" "velControlObject") ("Name" "CancelButton") ("Hot Spot" (rect 60 100 40 20)))))))";
    const Value form = parseText(dialog);
    auto* prefs = dynamic_cast<PrefsDlg*>(asForm(form));
    ASSERT_NE(prefs, nullptr);
    auto perform = [&](const char* control, const char* action, const Value& argument = Value()) {
        return asControl(prefs->findControl(Value::string(control)))->perform(Value::string(action), argument);
    };
    auto click = [&](const char* control, const char* action = nullptr, const Value& argument = Value()) {
        if (action)
            perform(control, action, argument);
        prefs->controlClicked(prefs->findControl(Value::string(control)));
    };
    engine.media().setVolume(40);
    const int32_t opening = engine.media().getVolume();
    prefs->open(Value());
    EXPECT_EQ(perform("VolumeSlider", "GetPos").asInt(), 100 - opening);
    click("VolumeSlider", "SetPos", Value::integer(90));
    EXPECT_EQ(engine.media().getVolume(), 10);
    click("CancelButton");
    EXPECT_EQ(engine.media().getVolume(), opening);

    prefs->open(Value());
    perform("ShowIntroCheckBox", "Select", Value::boolean(0));
    perform("Double CheckBox", "Select", Value::boolean(1));
    click("VolumeSlider", "SetPos", Value::integer(20));
    click("OKButton");
    EXPECT_TRUE(prefs->done());
    ASSERT_TRUE(preferences.save());

    engine.shutDown();
    start(home.path());
    preferences.load();
    EXPECT_FALSE(engine.configuration().getTruth("ShowIntro", true));
    EXPECT_TRUE(engine.configuration().getTruth("ShowFullScreen", false));
    EXPECT_EQ(stored("Volume").asInt(), 80);
}

} // namespace

} // namespace vel::testing_support
