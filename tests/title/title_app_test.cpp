#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "controls/control_library.h"
#include "controls/history.h"
#include "index/value_index.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/framework_timer.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"
#include "title/title_app.h"
#include "value/archive.h"
#include "value/encoding.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::testing_support {

namespace {

namespace fs = std::filesystem;

// A small title disc under <disc>/Media: the global table, the main screen, the intro (whose movie is
// missing) and the databases, written by a started engine; then the title started on it.
using Settings = std::vector<std::pair<std::string, std::string>>;

class TitleRun {
public:
    explicit TitleRun(const Settings& settings = {})
    {
        app = std::make_unique<TitleApp>(engine, Value());
        registerControlLibrary(engine);
        RunOptions options = RunOptions::offscreenOnly(true);
        options.moduleDirectory = home.path();
        options.settings = {{"SourceDisk", disc.path()}};
        options.settings.insert(options.settings.end(), settings.begin(), settings.end());
        std::string error;
        EXPECT_TRUE(app->startEngine(options, error)) << error;
        engine.takeNotices([this](std::string_view text) { notices.emplace_back(text); });
        write("global.vel", R"((table ("GlobalTable" (table ("Preferences" (table ("Volume" 50)))))
                                 ("FadeTime" 200) ("IntroVideo" "intro")))");
        write("MainForm.vel", R"((form ("Class" "MainForm") ("Name" "MainForm")))");
        write("Intro.vel", R"((form ("Class" "IntroForm") ("Control List" (list (control ("Class" "velControlObject")
                                 ("Name" "ScreenHotspot") ("Hot Spot" (rect 0 0 640 480)))))))");
        fs::create_directories(media("DAT"));
        for (const char* archive : {"Verbetes", "Midias", "Atlas"})
            asArchive(Archive::create(Value::string(media("DAT/") + archive + ".dat"), 4))->flush();
        for (const TitleIndexFile& file : TitleIndexes::table())
            ValueIndex::make(media("DAT/") + file.file, true, true);
    }

    std::string media(const std::string& name) const { return disc / ("Media/" + name); }
    void write(const std::string& name, const std::string& text) const
    {
        const std::vector<uint8_t> bytes = encodeToBytes(parseText(text));
        disc.write("Media/" + name, std::string(bytes.begin(), bytes.end()));
    }
    void startTitle() { app->start(), app->startUp(EventRecord{}); }
    std::string current() const
    {
        velFormObject* form = asForm(engine.currentForm());
        return form ? std::string(textOf(form->name())) : "";
    }

    ScratchDirectory disc, home;
    Engine engine;
    std::unique_ptr<TitleApp> app;
    std::vector<std::string> notices;
};

Value readPreferences(const ScratchDirectory& home)
{
    const std::string bytes = home.read("PREFS.DAT");
    return decodeFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

class TitleAppTest : public ErrorCheckedTest {};

TEST_F(TitleAppTest, BothStartsReachTheMainScreenAndOnlyTheIntroAddsThePauseAtExit)
{
    for (bool intro : {true, false}) {
        TitleRun run(Settings{{"ShowIntro", intro ? "1" : "0"}});
        run.startTitle();
        EXPECT_EQ(run.current(), "MainForm");
        // The intro is no screen to come back to.
        EXPECT_EQ(History::of(run.engine).count(), 1);
        EXPECT_EQ(run.engine.configuration().get("NoPrintingAllowed").asInt(), 0);
        EXPECT_EQ(run.engine.frameworkTimer()->interval(), 250u);
        const uint32_t before = run.engine.clock().now();
        run.app->shutDown();
        EXPECT_EQ(run.engine.clock().now() - before >= TitleApp::kClosingPause, intro);
        EXPECT_EQ(asTable(readPreferences(run.home))->get("Volume").asInt(), 75);
    }
}

TEST_F(TitleAppTest, TheIntroPlaysItsMovieUntilAKeyAndThenShowsTheMainScreen)
{
    const std::string movie = std::string(VEL_BIN_DIR) + "/../disc-demo/filme.mpg";
    if (!fs::exists(movie))
        GTEST_SKIP() << "no demo disc movie";
    TitleRun run(Settings{{"VideoExtension", "mpg"}});
    fs::create_directories(run.media("Movies"));
    fs::copy_file(movie, run.media("Movies/intro.mpg"));
    run.startTitle();
    ASSERT_EQ(run.current(), "IntroForm");
    asForm(run.engine.currentForm())->keyDown('A', 0);
    EXPECT_EQ(run.current(), "MainForm");
    EXPECT_EQ(History::of(run.engine).count(), 1);
}

TEST_F(TitleAppTest, BadFilesAndAMissingDatabaseAreToldAndTheStartGoesOnWithTheRest)
{
    TitleRun run;
    run.disc.write("Media/Quit.vel", "\x99\x01");
    run.write("Prefs.vel", "7");
    fs::remove(run.media("Intro.vel"));
    fs::remove(run.media("DAT/Atlas.dat"));
    run.startTitle();
    EXPECT_EQ(takeErrors(), std::vector<std::string>{"Erro ao abrir o Banco de dados!"});
    EXPECT_TRUE(run.engine.configuration().get("NoPrintingAllowed").isNil());
    EXPECT_EQ(run.current(), "MainForm");
    for (const char* name : {"QuitDlg", "PrefsDlg", "IntroForm"})
        EXPECT_TRUE(run.engine.configuration().global(Value::string(name)).isNil()) << name;
    ASSERT_EQ(run.notices.size(), 1u);
    for (const char* file : {"Quit.vel", "Prefs.vel", "Intro.vel"})
        EXPECT_NE(run.notices[0].find(file), std::string::npos) << file;
}

TEST_F(TitleAppTest, QuittingTakesAPlainTrueFromTheDialogAndNeedsNoneWhenTheDiscHasNone)
{
    TitleRun run(Settings{{"ShowIntro", "0"}});
    run.startTitle();
    EXPECT_EQ(run.app->closeRequest(EventRecord{}), 1);
    run.engine.configuration().putGlobal("QuitDlg", parseText(R"((form ("Class" "velDialogObject")))"));
    // The dialog ends without an answer: nil is no true.
    run.engine.quit();
    EXPECT_EQ(run.app->closeRequest(EventRecord{}), 0);
}

TEST_F(TitleAppTest, OrvaRunsTheTitleOnADiscHoldingItsMainForm)
{
    TitleRun disc;
    disc.disc.write("quit.script", "expect-form MainForm\nquit\n");
    ProcessResult run = runProcess({std::string(VEL_BIN_DIR) + "/orva", "--headless", "--media", disc.media(""),
                                    "--home", disc.home.path(), "--script", disc.disc / "quit.script"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(asTable(readPreferences(disc.home))->get("Volume").asInt(), 75);
}

} // namespace

} // namespace vel::testing_support
