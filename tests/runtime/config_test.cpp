// Configuration and resources: the environment table and its layers, the program's options, path join
// and file look-up under a scratch media root, the engine's start-up, the class registry, and load
// resource with its look-up order, references, typed loaders, notation file makers and compiled copies.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "image_test_support.h"
#include "media_writers/media_writers.h"
#include "runtime/class_registry.h"
#include "runtime/command_line.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/movie.h"
#include "runtime/resources.h"
#include "runtime/sound.h"
#include "runtime/surface.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/encoding.h"
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
                       "--headless", "--script", "run.txt", "--scale", "2", "--fullscreen", "--pixel", "--", "palavra"}))
        << error;
    using Maybe = std::optional<std::string>;
    EXPECT_EQ((std::vector<Maybe>{options.media, options.home, options.script}), (std::vector<Maybe>{"/srv/disc", "/tmp/h", "run.txt"}));
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[1], (std::pair<std::string, std::string>{"jpg", "A;B"}));
    EXPECT_TRUE(options.headless && options.fullscreen && !options.help);
    EXPECT_EQ(options.scale, 2);
    EXPECT_EQ(options.arguments, std::vector<std::string>{"palavra"});
    EXPECT_EQ(commandLineSettings(options).back(), (std::pair<std::string, std::string>{"Sharp", "0"})); // --pixel last

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
        {{"a", "b"}, "more than one disc folder"}, {{"a", "--media", "b"}, "given twice"},
        {{""}, "empty word"},                      {{"--version=1"}, "takes no value"},
        {{"--headless"}, "--headless needs --script FILE"},
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
    ASSERT_TRUE(parse({"/srv/disc", "--", "um", "dois tres"}));
    EXPECT_EQ(options.media, "/srv/disc");
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

TEST_F(EngineTest, StartsUpInOrderShutsDownInReverseAndAFailedStartLeavesNothing)
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
    RunOptions o = options();
    o.offscreen = false;
    o.script = home / "missing.script";
    EXPECT_FALSE(engine.startUp(o, error));
    EXPECT_FALSE(error.empty());
    engine.shutDown();
    EXPECT_EQ(engine.events(), nullptr);
    EXPECT_EQ(&objectMakers(), &placeholderMakers());
}

std::string bytesOf(const Value& v)
{
    std::vector<uint8_t> bytes = encodeToBytes(v);
    return std::string(bytes.begin(), bytes.end());
}

class ResourcesTest : public ConfiguredTest {
protected:
    void SetUp() override { ConfiguredTest::SetUp(), useScratchMediaRoot(); }
    Resources& resources() { return engine.resources(); }
    Table* currentFormTable()
    {
        Value data = Table::make();
        engine.setCurrentForm(engine.classes().createForm(data));
        return asTable(data);
    }
};

TEST_F(ResourcesTest, TextFilesLoadWhateverTheCaseOfTheirNameAndUnknownKindsGiveNil)
{
    disc.write("Media/Tabelas/Paises.tbl", "(table (\"Brasil\" 1) (\"Portugal\" 2))");
    Value upper = resources().load(Value::string("TABELAS\\PAISES.TBL"));
    ASSERT_NE(asTable(upper), nullptr);
    EXPECT_EQ(asTable(upper)->get("Portugal"), Value::integer(2));
    disc.write("Media/semponto", "(table)");
    disc.write("Media/dados.xyz", "(table)");
    for (const char* name : {"semponto", "dados.xyz", "ausente.tbl", "pasta.v\\semponto"})
        EXPECT_TRUE(resources().load(Value::string(name)).isNil()) << name;
    EXPECT_TRUE(resources().load(Value()).isNil());
}

TEST_F(ResourcesTest, TheCurrentFormWinsOverTheGlobalsAndBothOverAFile)
{
    disc.write("Media/fundo.tbl", "(table (\"from\" \"file\"))");
    Value name = Value::string("fundo.tbl");
    EXPECT_EQ(textOf(asTable(resources().load(name))->get("from")), "file");
    config().putGlobal("fundo.tbl", Value::string("global"));
    EXPECT_EQ(textOf(resources().load(name)), "global");
    Table* form = currentFormTable();
    EXPECT_EQ(textOf(resources().load(name)), "global") << "the form lacks the property";
    form->put(name, Value::string("form"));
    EXPECT_EQ(textOf(resources().load(name)), "form");
}

TEST_F(ResourcesTest, NameIndirectionLetsTheTypedLoaderReadTheFileAPropertyNames)
{
    media_writers::Bytes wave = media_writers::waveFile({}, media_writers::Bytes(200, 0));
    disc.write("Media/Sons/clique.wav", std::string(wave.begin(), wave.end()));
    currentFormTable()->put("Click Sound", Value::string("sons\\CLIQUE.wav"));
    EXPECT_TRUE(resources().load(Value::string("Click Sound")).is(Tag::String)) << "the first look-up gives the name";
    Value sound = resources().loadSound(Value::string("Click Sound"), true);
    ASSERT_NE(asSound(sound), nullptr);
    EXPECT_TRUE(asSound(sound)->inMemory()) << "prepared: read whole";
    Value unprepared = resources().loadSound(Value::string("sons\\clique.wav"), false);
    ASSERT_NE(asSound(unprepared), nullptr);
    EXPECT_EQ(textOf(asSound(unprepared)->source()), disc / "Media/Sons/clique.wav");
    EXPECT_FALSE(asSound(unprepared)->inMemory()) << "no preparation without the flag";
}

TEST_F(ResourcesTest, ReferencesAreFollowedUntilNoneIsLeft)
{
    Value reader = parseText("(reference \"a\")");
    ASSERT_TRUE(reader.is(Tag::Reference));
    config().putGlobal("a", ResourceReference::make(resources(), Value::string("b")));
    config().putGlobal("b", ResourceReference::make(resources(), Value::string("c")));
    config().putGlobal("c", Value::integer(42));
    EXPECT_EQ(resources().resolve(reader), Value::integer(42));
    EXPECT_EQ(resources().load(Value::string("a")), Value::integer(42));
    EXPECT_TRUE(resources().load(reader).is(Tag::Reference)) << "a reference given is kept as it is";
    EXPECT_EQ(resolveReference(reader), Value::integer(42)) << "through the builtins' protocol";
    std::vector<uint8_t> bytes = encodeToBytes(reader); // printed and encoded as their name
    EXPECT_EQ(quotedForm(decodeFromBytes(bytes.data(), bytes.size())), "(reference \"a\")");
    config().putGlobal("c", ResourceReference::make(resources(), Value::string("missing")));
    EXPECT_TRUE(resources().resolve(reader).isNil());
    config().putGlobal("self", ResourceReference::make(resources(), Value::string("self")));
    config().putGlobal("ping", Value::string("pong"));
    config().putGlobal("pong", Value::string("ping"));
    EXPECT_TRUE(resources().resolve(ResourceReference::make(resources(), Value::string("self"))).isNil());
    EXPECT_TRUE(resources().loadImage(Value::string("ping")).isNil());
    EXPECT_TRUE(resources().loadSound(Value::string("ping"), true).isNil());
}

TEST_F(ResourcesTest, ResourceFatalReportsEveryFailedLoadOnce)
{
    config().set("ResourceFatal", 1);
    config().putGlobal("Numero", Value::integer(3));
    EXPECT_TRUE(resources().load(Value::string("ausente.tbl")).isNil());
    EXPECT_TRUE(resources().loadImage(Value::string("Numero")).isNil());
    EXPECT_TRUE(resources().loadSound(Value::string("ausente.wav"), true).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot load resource: ausente.tbl", "Cannot load resource: Numero",
                                                  "Cannot load resource: ausente.wav"}));
    config().set("ResourceFatal", 0);
    EXPECT_TRUE(resources().load(Value::string("ausente.tbl")).isNil());
}

TEST_F(ResourcesTest, EncodedResourcesDecodeAndBrokenOnesReport)
{
    disc.write("Media/global.vel", bytesOf(parseText("(table (\"Nome\" \"Orvale\"))")));
    Value loaded = resources().load(Value::string("GLOBAL.VEL"));
    ASSERT_NE(asTable(loaded), nullptr);
    EXPECT_EQ(textOf(asTable(loaded)->get("Nome")), "Orvale");
    disc.write("Media/broken.vel", std::string("\x09\xFF\xFF\xFF\x7F", 5));
    EXPECT_TRUE(resources().load(Value::string("broken.vel")).isNil());
    EXPECT_FALSE(errors().empty());
}

TEST_F(ResourcesTest, TextfileFileAndReadFileGiveTheWholeFileOrNil)
{
    disc.write("Media/Textos/nota.txt", "linha 1\r\nlinha 2");
    disc.write("Media/dados.bin", std::string("\0\1\2", 3));
    Value text = parseText(R"((textfile "TEXTOS\\nota.txt"))");
    ASSERT_TRUE(text.is(Tag::String));
    EXPECT_EQ(textOf(text), "linha 1\r\nlinha 2");
    Value binary = parseText("(file \"dados.bin\")");
    ASSERT_TRUE(binary.is(Tag::Buffer));
    EXPECT_EQ(asBuffer(binary)->length(), 3);
    EXPECT_EQ(asBuffer(binary)->bytes()[2], 2);
    EXPECT_TRUE(parseText("(file \"ausente.bin\")").isNil());
    disc.write("empty", "");
    Value empty = readFile(disc / "empty");
    ASSERT_NE(asBuffer(empty), nullptr);
    EXPECT_EQ(asBuffer(empty)->length(), 0);
    EXPECT_TRUE(readFile(disc / "absent").isNil());
    EXPECT_TRUE(readFile(disc.path()).isNil());
}

TEST_F(ResourcesTest, MoviesAreMadeForTheFileNamePartUnderTheMediaRoot)
{
    disc.write("Media/Abertura.AVI", "");
    config().putGlobal("Intro", Value::string("abertura"));
    for (const Value& name : {Value::string("Filmes\\abertura.mpg"), ResourceReference::make(resources(), Value::string("Intro"))}) {
        Value movie = resources().loadMovie(name, "avi");
        ASSERT_NE(asMovie(movie), nullptr);
        EXPECT_EQ(asMovie(movie)->path(), disc / "Media/Abertura.AVI");
    }
    EXPECT_TRUE(resources().loadMovie(Value::integer(3), "avi").isNil());
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(ResourcesTest, CompileTableWritesTheEncodedTableUnderTheMediaRootOrResourcePath)
{
    disc.write("Media/Paises.tbl", "(table (\"Brasil\" (list 1 2)) (\"Chile\" 3))");
    disc.write("out/.keep", "");
    ASSERT_TRUE(resources().compileTable(Value::string("Paises"), "PAISES"));
    Value compiled = resources().load(Value::string("paises.vel"));
    EXPECT_EQ(quotedForm(compiled), quotedForm(resources().load(Value::string("Paises.tbl"))));

    config().set("ResourcePath", Value::string(disc / "OUT"));
    ASSERT_TRUE(resources().compileTable(Value::string("paises"), "Tabela"));
    EXPECT_EQ(fileText(disc / "out/tabela.vel"), fileText(disc / "Media/paises.vel"));
    EXPECT_FALSE(resources().compileTable(Value::string("ausente"), "x"));
    EXPECT_FALSE(std::ifstream(disc / "out/x.vel").good());
}

class CompilableForm final : public Object, public FormResourcesProtocol {
public:
    void loadResources() override
    {
        calls += "load ";
        loaded = Table::make();
        asTable(loaded)->put("Fundo", Value::string("fundo.bmp"));
    }
    Value loadedResourceTable() const override { return loaded; }
    void unloadResources() override { calls += "unload", loaded = Value(); }
    std::string calls;
    Value loaded;
};

TEST_F(ResourcesTest, CompileFormWritesTheLoadedResourceTableBetweenLoadAndUnload)
{
    disc.write("Media/.keep", "");
    auto* form = new CompilableForm;
    Value formValue = Value::adopt(Tag::Form, form);
    config().putGlobal("Principal", formValue);
    ASSERT_TRUE(resources().compileForm(Value::string("Principal"), "Principal"));
    EXPECT_EQ(form->calls, "load unload");
    std::string written = fileText(disc / "Media/principal.vel");
    Value back = decodeFromBytes(reinterpret_cast<const uint8_t*>(written.data()), written.size());
    ASSERT_NE(asTable(back), nullptr);
    EXPECT_EQ(textOf(asTable(back)->get("Fundo")), "fundo.bmp");
    EXPECT_FALSE(resources().compileForm(Value::string("NaoExiste"), "x"));
}

TEST_F(ResourcesTest, TheGlobalResourceIsFoundByTheLookupAndFillsTheGlobals)
{
    EXPECT_FALSE(resources().loadGlobal());
    Value table = parseText("(table (\"Titulo\" \"Orvale Vanta\") (7 \"sete\"))");
    disc.write("Compilados/GLOBAL.VEL", bytesOf(table));
    config().set("vel", Value::string(disc / "compilados"));
    ASSERT_TRUE(resources().loadGlobal());
    EXPECT_EQ(textOf(asTable(config().globals())->get("Titulo")), "Orvale Vanta");
    EXPECT_EQ(textOf(asTable(config().globals())->get(Value::integer(7))), "sete");
    EXPECT_TRUE(resources().loadFile(disc / "Compilados/GLOBAL.VEL").is(Tag::Table));
    // What the look-up gives under the media root loads by name too; elsewhere it stays a name from the data.
    disc.write("Media/Global.vel", bytesOf(table));
    config().set("vel", Value());
    EXPECT_TRUE(resources().load(Value::string(config().findFile("global", "vel"))).is(Tag::Table));
    EXPECT_TRUE(resources().load(Value::string(disc / "Compilados/GLOBAL.VEL")).isNil());
    EXPECT_TRUE(resources().loadFile(disc / "Compilados").isNil());
}

TEST_F(ResourcesTest, ABackgroundImagePropertyNamesTheBitmapFileTheImageLoaderReads)
{
    image_test::Bytes bitmap = image_test::encode(image_test::patterned(4, 3, 8), true);
    disc.write("Media/Fundos/Tela.bmp", std::string(bitmap.begin(), bitmap.end()));
    disc.write("Media/Fundos/quebrado.bmp", "BM not really");
    Table* form = currentFormTable();
    form->put("Background Image", Value::string("FUNDOS\\tela.BMP"));
    Value image = resources().loadImage(Value::string("Background Image"));
    ASSERT_TRUE(image.is(Tag::Image));
    EXPECT_EQ(std::make_pair(velWidth(image), velHeight(image)), std::make_pair(4, 3));
    form->put("Background Image", Value::string("fundos\\quebrado.bmp"));
    EXPECT_TRUE(resources().loadImage(Value::string("Background Image")).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

// A control class: the prototype is registered, instances hold their data.
struct TestControl final : public Object, public ClassProtocol {
    TestControl(std::string n, Value d, bool nothing = false) : name(std::move(n)), data(std::move(d)), makesNothing(nothing) {}
    Value className() const override { return Value::string(name); }
    Value createInstance(const Value& d) const override
    {
        return makesNothing ? Value() : Value::adopt(Tag::Control, new TestControl(name, d));
    }
    std::string name;
    Value data;
    bool makesNothing;
};

struct TestForm final : public Object, public ClassProtocol, public FormNameProtocol {
    TestForm(std::string c, Value d) : className_(std::move(c)), data(std::move(d)) {}
    Value className() const override { return Value::string(className_); }
    Value createInstance(const Value& d) const override
    {
        auto* made = new TestForm(className_, d);
        made->name = presetName;
        return Value::adopt(Tag::Form, made);
    }
    Value formName() const override { return name; }
    void setFormName(const Value& n) override { name = n; }
    std::string className_;
    Value data, name, presetName;
};

Value controlPrototype(const char* name, bool makesNothing = false)
{
    return Value::adopt(Tag::Control, new TestControl(name, Value(), makesNothing));
}
Value formPrototype(const char* name) { return Value::adopt(Tag::Form, new TestForm(name, Value())); }

Value dataWith(std::initializer_list<std::pair<const char*, Value>> entries)
{
    Value table = Table::make();
    for (const auto& [key, value] : entries)
        asTable(table)->put(key, value);
    return table;
}

class ClassRegistryTest : public ConfiguredTest {
protected:
    ClassRegistry& classes() { return engine.classes(); }
};

TEST_F(ClassRegistryTest, ClassesGoUnderClassesInTheGlobalsAndTwiceIsReported)
{
    Value button = controlPrototype("Botao");
    classes().add(button);
    Table* registry = asTable(config().global(Value::string("Classes")));
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->get("Botao"), button);
    EXPECT_EQ(classes().find(Value::string("Botao")), button);

    classes().add(controlPrototype("Botao"));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(classes().find(Value::string("Botao")), button) << "the first registration stands";

    classes().add(Value::integer(3));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(classes().find(Value::string("Nada")).isNil());
}

TEST_F(ClassRegistryTest, ControlsComeFromTheirClassOrArePlainAndOneWithoutClassIsReported)
{
    classes().add(controlPrototype("Botao"));
    classes().add(controlPrototype("Vazio", true));
    Value data = dataWith({{"Class", Value::string("Botao")}, {"Name", Value::string("OK")}});
    Value control = classes().createControl(data);
    ASSERT_TRUE(control.is(Tag::Control));
    auto* made = dynamic_cast<TestControl*>(control.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->data, data);

    for (const char* className : {"Desconhecido", "Vazio"}) {
        Value plain = classes().createControl(dataWith({{"Class", Value::string(className)}}));
        EXPECT_TRUE(plain.is(Tag::Control)) << className;
        EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr) << className;
        EXPECT_NE(quotedForm(plain).find(className), std::string::npos) << "the plain control keeps its data";
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(classes().createControl(dataWith({{"Name", Value::string("Solto")}})).is(Tag::Control));
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(ClassRegistryTest, FormsAreNamedByTheirDataOrTheirClassUnlessAlreadyNamed)
{
    classes().add(formPrototype("VerbForm"));
    Value named = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}, {"Name", Value::string("Verbete")}}));
    auto* form = dynamic_cast<TestForm*>(named.object());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(textOf(form->formName()), "Verbete");

    Value unnamed = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(unnamed.object())->formName()), "VerbForm");

    config().putGlobal("Titulo", Value::string("Nome Resolvido"));
    Value referenced = classes().createForm(
        dataWith({{"Class", Value::string("VerbForm")}, {"Name", ResourceReference::make(engine.resources(), Value::string("Titulo"))}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(referenced.object())->formName()), "Nome Resolvido");

    auto* prototype = new TestForm("Preset", Value());
    prototype->presetName = Value::string("Fixo");
    classes().add(Value::adopt(Tag::Form, prototype));
    Value preset = classes().createForm(dataWith({{"Class", Value::string("Preset")}, {"Name", Value::string("Outro")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(preset.object())->formName()), "Fixo") << "a form that has a name keeps it";
}

TEST_F(ClassRegistryTest, UnregisteredFormClassesGivePlainFormsAndTheThreeArgumentFormBuildsItsData)
{
    Value plain = classes().createForm(dataWith({{"Class", Value::string("Ninguem")}}));
    EXPECT_TRUE(plain.is(Tag::Form) && !dynamic_cast<TestForm*>(plain.object()));

    classes().add(formPrototype("Dialogo"));
    Value resources = Table::make();
    Value form = classes().createForm(Value::string("Dialogo"), resources, Value::string("Pesquisa"));
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(textOf(made->formName()), "Pesquisa");
    EXPECT_EQ(asTable(made->data)->get("Resource Table"), resources);
    EXPECT_EQ(textOf(asTable(made->data)->get("Class")), "Dialogo");
}

TEST_F(ClassRegistryTest, TheNotationMakesRegisteredClassesAndRegistryLookupsGoThroughTheCurrentForm)
{
    classes().add(formPrototype("MainForm"));
    classes().add(controlPrototype("Button"));
    Value form = parseText("(form (\"Class\" \"MainForm\") (\"Control List\" "
                           "(list (control (\"Class\" \"Button\")))))");
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    Value controls = asTable(made->data)->get("Control List");
    EXPECT_NE(dynamic_cast<TestControl*>(asValueList(controls)->get(0).object()), nullptr);

    // "Classes" is a resource name like any other: a current form that defines it is asked first.
    engine.setCurrentForm(classes().createForm(dataWith({{"Classes", Table::make()}})));
    Value plain = classes().createControl(dataWith({{"Class", Value::string("Button")}}));
    EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr);
}

} // namespace
} // namespace vel
