// Configuration: the environment table and its typed readers, the layers it is read from, the
// program's options, the path join, the file look-up under a scratch media root, and the engine's
// start-up and shut-down.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "runtime/command_line.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/surface.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;
using testing_support::ScopedVariable;

std::string text(const Value& v)
{
    return std::string(textOf(v));
}

class EnvironmentTest : public ConfiguredTest {};

TEST_F(EnvironmentTest, TypedSettingsFallBackToTheirDefaultOnAbsentOrImpossibleValues)
{
    for (const char* key : {"SourceDisk", "StartupForm", "MediaWidth", "EventLimit", "CDROMPATH"})
        EXPECT_FALSE(asTable(config().tables().environment)->contains(Value::string(key))) << key << ": defaults are not stored";

    using Reader = int (*)(const Configuration&);
    const Reader width = [](const Configuration& c) { return int(c.mediaWidth()); },
                 height = [](const Configuration& c) { return int(c.mediaHeight()); },
                 limit = [](const Configuration& c) { return int(c.eventLimit()); },
                 fatal = [](const Configuration& c) { return int(c.resourceFatal()); },
                 trace = [](const Configuration& c) { return int(c.traceFileOpens()); },
                 full = [](const Configuration& c) { return int(c.fullInstall()); };
    const struct {
        const char* key;
        Value value;
        Reader read;
        int expected;
    } cases[] = {
        {"MediaWidth", Value::string("800"), width, 800}, {"MediaWidth", Value::string("wide"), width, 640},
        {"MediaWidth", Value::integer(-640), width, 640}, {"MediaHeight", Value::string("480px"), height, 480},
        {"MediaHeight", Value::string("99999999999"), height, 480}, {"EventLimit", Value::integer(10), limit, 10},
        {"EventLimit", Table::make(), limit, 50},          {"EventLimit", Value::integer(0), limit, 50},
        {"ResourceFatal", Value::string("1"), fatal, 1},   {"TraceFileOpens", Value::string("sometimes"), trace, 0},
        {"FullInstall", ValueList::make(), full, 0},
    };
    for (const auto& c : cases) {
        config().set(c.key, c.value);
        EXPECT_EQ(c.read(config()), c.expected) << c.key << " = " << quotedForm(c.value);
    }
    config().set("StartupForm", Value::integer(3));
    EXPECT_EQ(config().startupForm(), "startup.frm") << "no text: the default";
    config().set("StartupForm", Value::string("intro.frm"));
    EXPECT_EQ(config().startupForm(), "intro.frm");
}

TEST_F(EnvironmentTest, IntegersAndTruthsFromTextNumbersAndWords)
{
    const struct {
        Value value;
        int32_t integer; // the fallback 999 when no number
        int truth;       // -1: the fallback
    } cases[] = {
        {Value::string(" 42 "), 42, 1},   {Value::string("-3"), -3, 1},     {Value::string("0"), 0, 0},
        {Value::string("2.9"), 2, 1},     {Value::real(7.5f), 7, 1},        {Value::boolean(1), 1, 1},
        {Value::string("TRUE"), 999, 1},  {Value::string("no"), 999, 0},    {Value::string("On"), 999, 1},
        {Value::string("off "), 999, 0},  {Value::string(""), 999, -1},     {Value::string("12abc"), 999, -1},
        {Value::real(1e20f), 999, -1},    {Table::make(), 999, -1},
    };
    for (const auto& c : cases) {
        config().set("Probe", c.value);
        EXPECT_EQ(config().getInteger("Probe", 999), c.integer) << quotedForm(c.value);
        EXPECT_EQ(config().getTruth("Probe", true), c.truth < 0 || c.truth == 1) << quotedForm(c.value);
    }
}

TEST_F(EnvironmentTest, PersistPutsTheKeyAsideAndGlobalsAreKeptApart)
{
    config().set("ShowIntro", 1);
    EXPECT_FALSE(config().tables().settingsChanged);
    config().set("ShowIntro", Value::integer(0), true);
    EXPECT_TRUE(config().tables().settingsChanged);
    ASSERT_NE(asTable(config().tables().persistentSettings), nullptr);
    EXPECT_EQ(asTable(config().tables().persistentSettings)->get("ShowIntro"), Value::integer(0));
    EXPECT_EQ(config().get("ShowIntro"), Value::integer(0));
    config().putGlobal("Title", Value::string("Orvale"));
    EXPECT_EQ(text(asTable(config().tables().globals)->get("Title")), "Orvale");
}

class ConfigurationLayersTest : public ConfiguredTest {
protected:
    ConfigurationSources sources()
    {
        ConfigurationSources s;
        s.registryFiles = {disc / "etc/registry.ini", disc / "user/registry.ini"};
        s.profileFile = disc / "home/ORVA.ini";
        return s;
    }
};

TEST_F(ConfigurationLayersTest, ProfileOverridesRegistryAndBothOverrideTheDefault)
{
    config().readLayers(sources()); // no files: the defaults stay
    EXPECT_EQ(text(config().get("MediaPath")), "Media");
    disc.write("etc/registry.ini", "[Preferences]\nMediaPath=SystemMedia\nPhotoPath=SysPhotos\nVideoPath=SysMovies\n"
                                   "SoundPath=SysSounds\nALTVIDEOPATH=\nmediawidth=800\nMyOwnKey=v\n");
    disc.write("user/registry.ini", "[preferences]\nPhotoPath=UserPhotos\nVideoPath=UserMovies\n");
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nVideoPath=ProfileMovies\nSoundPath=\n[Preferences]\nDownloadDir=no\n");
    config().readLayers(sources());
    // An empty profile value is not put, only the profile's own section counts, registry values may be
    // empty, and keys keep the spelling the program asks for.
    const std::pair<const char*, const char*> read[] = {{"MediaPath", "SystemMedia"}, {"PhotoPath", "UserPhotos"},
        {"VideoPath", "ProfileMovies"}, {"SoundPath", "SysSounds"}, {"DownloadDir", "DOWNLOAD"}, {"AltVideoPath", ""}, {"MyOwnKey", "v"}};
    for (auto [key, value] : read)
        EXPECT_EQ(text(config().get(key)), value) << key;
    EXPECT_FALSE(asTable(config().tables().environment)->contains(Value::string("CDROMPATH"))) << "nothing to mirror";
    EXPECT_EQ(config().mediaWidth(), 800);
    EXPECT_TRUE(config().get("myownkey").isNil());
}

TEST_F(ConfigurationLayersTest, CommandLineSettingsWinOverEveryLayerInOrder)
{
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nTestMode=1\nShowIntro=1\n");
    ConfigurationSources s = sources();
    s.overrides = {{"TestMode", "0"}, {"ShowIntro", "0"}, {"ShowIntro", "2"}, {"Extra", ""}};
    config().readLayers(s);
    EXPECT_EQ(config().getInteger("TestMode", -1), 0);
    EXPECT_EQ(config().getInteger("ShowIntro", -1), 2);
    EXPECT_TRUE(config().get("Extra").is(Tag::String));
}

TEST_F(ConfigurationLayersTest, CdromPathBecomesSourceDiskAndTheMirrorFillsWhicheverIsAbsent)
{
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nCDROMPATH=" + disc.path() + "\n");
    disc.write("Media/x.txt", "");
    config().readLayers(sources());
    EXPECT_EQ(config().sourceDisk(), disc.path());
    EXPECT_EQ(config().mediaRootSetting(), disc.path() + "\\Media");
    EXPECT_EQ(config().mediaRoot(), disc / "Media");

    config().set("SourceDisk", Value::string("E:\\"));
    config().set("CDROMPATH", Value::string("F:\\"));
    config().mirrorDiscPath();
    EXPECT_EQ(text(config().get("SourceDisk")), "E:\\") << "both set: both stay";
    EXPECT_EQ(text(config().get("CDROMPATH")), "F:\\");
}

TEST(ConfigurationSourcesTest, RegistryFilesFromEtcAndTheUserConfigAndTheProfileInTheModuleDirectory)
{
    {
        ScopedVariable config("XDG_CONFIG_HOME", "/home/ana/.cfg");
        ConfigurationSources s = standardConfigurationSources("/opt/orva");
        EXPECT_EQ(s.registryFiles, (std::vector<std::string>{"/etc/xdg/orva/registry.ini", "/home/ana/.cfg/orva/registry.ini"}));
        EXPECT_EQ(s.profileFile, "/opt/orva/ORVA.ini");
    }
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/rui");
    ConfigurationSources s = standardConfigurationSources("");
    EXPECT_EQ(s.registryFiles[1], "/home/rui/.config/orva/registry.ini");
    EXPECT_EQ(s.profileFile, "");
}

class CommandLineTest : public testing_support::ErrorCheckedTest {
protected:
    bool parse(std::vector<std::string> words)
    {
        error.clear();
        options = ProgramOptions{};
        return parseProgramOptions(words, options, error);
    }
    ProgramOptions options;
    std::string error;
};

TEST_F(CommandLineTest, EveryOptionIsReadAndDoubleDashEndsThem)
{
    ASSERT_TRUE(parse({"--media", "/srv/disc", "--home=/tmp/h", "--set", "TestMode=1", "--set", "jpg=A;B",
                       "--headless", "--script", "run.txt", "--scale", "2", "--fullscreen", "palavra"}))
        << error;
    using Maybe = std::optional<std::string>;
    EXPECT_EQ((std::vector<Maybe>{options.media, options.home, options.script}), (std::vector<Maybe>{"/srv/disc", "/tmp/h", "run.txt"}));
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[1], (std::pair<std::string, std::string>{"jpg", "A;B"}));
    EXPECT_TRUE(options.headless && options.fullscreen && !options.help);
    EXPECT_EQ(options.scale, 2);
    EXPECT_EQ(options.arguments, std::vector<std::string>{"palavra"});

    ASSERT_TRUE(parse({"--help", "--", "--headless", "-"}));
    EXPECT_TRUE(options.help && !options.headless);
    EXPECT_EQ(options.arguments, (std::vector<std::string>{"--headless", "-"}));
}

TEST_F(CommandLineTest, BadOptionsAreClearErrors)
{
    const struct {
        std::vector<std::string> words;
        const char* mentions;
    } cases[] = {
        {{"--colour"}, "unknown option --colour"}, {{"-x"}, "unknown option -x"},
        {{"--media"}, "--media needs a value"},    {{"--media="}, "--media needs a non-empty value"},
        {{"--set", "NoEquals"}, "KEY=VALUE"},      {{"--set", "=value"}, "KEY=VALUE"},
        {{"--scale", "0"}, "--scale"},             {{"--scale", "17"}, "--scale"},
        {{"--scale", "2x"}, "--scale"},            {{"--headless=yes"}, "takes no value"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parse(c.words)) << c.words[0];
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST_F(CommandLineTest, MediaComesFirstSoThatAnExplicitSettingWinsAndArgumentsSplitOnBlanks)
{
    ASSERT_TRUE(parse({"--set", "MediaPath=Dados", "--media", "/srv/disc"}));
    using Setting = std::pair<std::string, std::string>;
    EXPECT_EQ(commandLineSettings(options),
              (std::vector<Setting>{{"SourceDisk", "/srv/disc"}, {"MediaPath", ""}, {"MediaPath", "Dados"}}));

    EXPECT_EQ(quotedForm(commandLineList("")), quotedForm(ValueList::make()));
    EXPECT_EQ(quotedForm(commandLineList("a  b ")), quotedForm(parseText("(list \"a\" \"\" \"b\" \"\")")));
    ASSERT_TRUE(parse({"--headless", "um", "dois tres"}));
    EXPECT_EQ(quotedForm(argumentList(options)), quotedForm(parseText("(list \"um\" \"dois\" \"tres\")")));
}

TEST(PathJoin, DirectoryBackslashNameAndTheCasesThatKeepOnePart)
{
    const struct {
        const char *directory, *name, *joined;
    } cases[] = {
        {"D:\\", "Media", "D:\\\\Media"}, // no check for a backslash ending the directory
        {"Media", "Forms\\a.frm", "Media\\Forms\\a.frm"}, {"", "a.frm", "a.frm"},
        {"Media", "\\abs\\a.frm", "\\abs\\a.frm"},        {"Media", "C:\\other\\a.frm", "C:\\other\\a.frm"},
        {"Media", "C:a.frm", "C:a.frm"},                  {"/srv/disc", "", "/srv/disc"},
        {"", "", ""},                                     {"Media", "a", "Media\\a"}, // one letter is no drive
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinPath(c.directory, c.name), c.joined) << c.directory << " + " << c.name;
}

class FileLookupTest : public ConfiguredTest {
protected:
    void SetUp() override { ConfiguredTest::SetUp(), useScratchMediaRoot(); }
};

TEST_F(FileLookupTest, TheMediaRootIsSourceDiskJoinedWithMediaPathFoundWithoutRegardToCase)
{
    disc.write("MEDIA/Global.VEL", "x");
    EXPECT_EQ(config().mediaRootSetting(), disc.path() + "\\Media");
    EXPECT_EQ(config().mediaRoot(), disc / "MEDIA");
    EXPECT_EQ(config().findFile("global", "vel"), disc / "MEDIA/Global.VEL");
    EXPECT_EQ(config().findFile("GLOBAL.vel"), disc / "MEDIA/Global.VEL");
    EXPECT_TRUE(notices.empty());
    config().set("MediaPath", Value::string("")); // what --media DIR does: DIR itself is the root
    EXPECT_EQ(config().mediaRoot(), disc.path());
}

TEST_F(FileLookupTest, SearchPathsByExtensionFindTheFileOrAnswerTheLastDirectoryAndFullInstallFallsBackToTheMediaRoot)
{
    disc.write("first/other.jpg", "");
    disc.write("Second/Praia.jpg", "");
    disc.write("Sons/Abertura.wav", "");
    config().set("jpg", Value::string(disc.path() + "\\first;" + disc.path() + "\\second"));
    EXPECT_EQ(config().findFile("praia.jpg"), disc / "Second/Praia.jpg");
    EXPECT_EQ(config().findFile("other.JPG"), disc / "first/other.jpg");
    EXPECT_EQ(config().findFile("nowhere.jpg"), disc / "Second/nowhere.jpg");
    config().set("wav", Value::string(disc / "sons"));
    EXPECT_EQ(config().findFile("abertura", "WAV"), disc / "Sons/Abertura.wav");
    config().set("wav", Value::integer(3));
    EXPECT_EQ(config().findFile("abertura", "wav"), disc / "Media/abertura.wav") << "a search path that is no text is none";
    disc.write("Media/Filmes/intro.avi", "");
    config().set("avi", Value::string(disc / "installed"));
    EXPECT_EQ(config().findFile("Filmes\\intro.avi"), disc / "installed/Filmes/intro.avi");
    config().set("FullInstall", 0);
    EXPECT_EQ(config().findFile("Filmes\\intro.avi"), disc / "Media/Filmes/intro.avi");
}

TEST_F(FileLookupTest, TraceFileOpensReportsOnlyMissingFiles)
{
    disc.write("Media/here.tbl", "");
    config().set("TraceFileOpens", 1);
    config().findFile("here.tbl");
    EXPECT_EQ(config().findFile("gone", "tbl"), disc / "Media/gone.tbl");
    EXPECT_EQ(notices, std::vector<std::string>{"N\xE3o foi poss\xEDvel localizargone.tbl"});
    config().set("TraceFileOpens", 0);
    config().findFile("gone", "tbl");
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(FileLookupTest, NamesFromTheDataNeverLeaveTheirDirectory)
{
    disc.write("secret.tbl", "");
    for (const char* name : {"..\\secret.tbl", "C:\\..\\..\\secret.tbl"})
        EXPECT_EQ(config().findFile(name), disc / "Media/secret.tbl") << name;
}

using testing_support::ErrorCheckedTest;
using testing_support::ScratchDirectory;

class EngineTest : public ErrorCheckedTest {
protected:
    RunOptions options()
    {
        RunOptions o = RunOptions::offscreenOnly(true);
        o.moduleDirectory = home.path();
        o.configuration->profileFile = home.write("ORVA.ini", "[VELENVIRONMENT]\nMediaWidth=320\n");
        o.settings = {{"MediaHeight", "200"}};
        return o;
    }
    ScratchDirectory home;
};

TEST_F(EngineTest, StartsUpInOrderAndShutsDownInReverse)
{
    Engine engine;
    std::string error;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(engine.startUp(options(), error)) << error;
        // The screen is made from the configuration (defaults, profile, command line), on the virtual clock.
        ASSERT_TRUE(engine.surface() && engine.events() && engine.virtualClock());
        EXPECT_EQ(std::make_pair(engine.surface()->width(), engine.surface()->height()), std::make_pair(320, 200));
        EXPECT_FALSE(engine.classes().find(Value::string("velDialogObject")).isNil());
        Value form = parseText("(form (\"Name\" \"Primeira\"))");
        ASSERT_NE(asForm(form), nullptr);
        EXPECT_EQ(&asForm(form)->engine(), &engine);
        engine.setCurrentForm(form);
        EXPECT_EQ(engine.resources().load(Value::string("Name")), Value::string("Primeira"));

        engine.shutDown();
        EXPECT_FALSE(engine.surface() || engine.events() || engine.virtualClock());
        EXPECT_TRUE(engine.currentForm().isNil());
        EXPECT_EQ(asForm(parseText("(form (\"Name\" \"Primeira\"))")), nullptr);
        EXPECT_EQ(&objectMakers(), &placeholderMakers());
    }
}

TEST_F(EngineTest, AScreenThatCannotBeMadeLeavesNothingBehind)
{
    Engine engine;
    RunOptions o = options();
    o.offscreen = false;
    o.script = home / "missing.script";
    std::string error;
    EXPECT_FALSE(engine.startUp(o, error));
    EXPECT_FALSE(error.empty());
    engine.shutDown();
    EXPECT_EQ(engine.events(), nullptr);
    EXPECT_EQ(&objectMakers(), &placeholderMakers());
}

} // namespace
} // namespace vel
