// The environment table: look-ups with and without a registered application, the defaults, values of
// the wrong type, the persist option, and the order of the configuration layers.
#include <gtest/gtest.h>

#include "config_test_support.h"
#include "runtime/environment.h"
#include "value/list.h"
#include "value/printer.h"
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

TEST(EnvironmentUnregistered, EveryLookupYieldsNilOrTheDefaultAndSetsAreIgnored)
{
    registerApplicationTables(nullptr);
    EXPECT_TRUE(environment::get("MediaPath").isNil());
    EXPECT_EQ(environment::get("MediaPath", Value::integer(7)), Value::integer(7));
    EXPECT_EQ(environment::getInteger("MediaWidth", 640), 640);
    EXPECT_TRUE(environment::getTruth("TestMode", true));
    environment::set("TestMode", 1);
    environment::putGlobal("x", Value::integer(1));
    EXPECT_TRUE(environment::get("TestMode").isNil());
    EXPECT_EQ(mediaWidth(), 640);
}

TEST(EnvironmentRegistration, AnAbsentTableIsCreatedEmpty)
{
    ApplicationTables tables;
    registerApplicationTables(&tables);
    ASSERT_NE(asTable(tables.environment), nullptr);
    EXPECT_EQ(asTable(tables.environment)->count(), 0);
    EXPECT_EQ(registeredApplicationTables(), &tables);
    registerApplicationTables(nullptr);
}

class EnvironmentTest : public ConfiguredTest {};

TEST_F(EnvironmentTest, FrameworkDefaultsHaveTheirValuesAndTypes)
{
    const struct {
        const char* key;
        int32_t value;
    } integers[] = {{"DisableDrawingAttributeCaching", 1}, {"ActiveVideoPalette", 1}, {"OffscreenPalette", 1},
                    {"FullScreenVideo", 0}, {"MaximizeWindow", 0}, {"RemoveDownloadFiles", 0}, {"ShowIntro", 0},
                    {"UseCompiledResources", 1}, {"CompileForms", 0}, {"CompileResources", 0}, {"TestMode", 0}};
    for (const auto& entry : integers)
        EXPECT_EQ(environment::get(entry.key), Value::integer(entry.value)) << entry.key;
    const struct {
        const char* key;
        const char* value;
    } strings[] = {{"MediaPath", "Media"}, {"DownloadDir", "DOWNLOAD"}, {"PhotoPath", "Photos"},
                   {"VideoPath", "Movies"}, {"SoundPath", "Sounds"}, {"SystemPlatform", "WIN32"},
                   {"ResourceExtension", "tbl"}, {"VideoExtension", "avi"}, {"AudioExtension", "wav"},
                   {"BitmapExtension", "bmp"}, {"PhotoExtension", "jpg"}};
    for (const auto& entry : strings) {
        Value v = environment::get(entry.key);
        EXPECT_TRUE(v.is(Tag::String)) << entry.key;
        EXPECT_EQ(text(v), entry.value) << entry.key;
    }
    EXPECT_TRUE(environment::get("AltDatabasePath").isNil());
    EXPECT_TRUE(environment::get("AltVideoPath").isNil());
}

TEST_F(EnvironmentTest, InlineDefaultsApplyWhileTheKeysAreAbsentAndAreNotStored)
{
    EXPECT_EQ(sourceDisk(), "");
    EXPECT_EQ(startupForm(), "startup.frm");
    EXPECT_EQ(mediaWidth(), 640);
    EXPECT_EQ(mediaHeight(), 480);
    EXPECT_EQ(eventLimit(), 50);
    EXPECT_FALSE(resourceFatal());
    EXPECT_FALSE(traceFileOpens());
    EXPECT_FALSE(fullInstall());
    for (const char* key : {"SourceDisk", "StartupForm", "MediaWidth", "EventLimit", "CDROMPATH", "ResourcePath"})
        EXPECT_FALSE(asTable(tables.environment)->contains(Value::string(key))) << key;

    environment::set("MediaWidth", Value::string("800"));
    environment::set("EventLimit", 10);
    environment::set("StartupForm", Value::string("intro.frm"));
    environment::set("ResourceFatal", Value::string("1"));
    EXPECT_EQ(mediaWidth(), 800);
    EXPECT_EQ(eventLimit(), 10);
    EXPECT_EQ(startupForm(), "intro.frm");
    EXPECT_TRUE(resourceFatal());
}

TEST_F(EnvironmentTest, ValuesOfTheWrongTypeFallBackToTheDefault)
{
    environment::set("MediaWidth", Value::string("wide"));
    environment::set("MediaHeight", Value::string("480px"));
    environment::set("EventLimit", Table::make());
    environment::set("StartupForm", Value::integer(3));
    environment::set("TraceFileOpens", Value::string("sometimes"));
    environment::set("FullInstall", ValueList::make());
    EXPECT_EQ(mediaWidth(), 640);
    EXPECT_EQ(mediaHeight(), 480);
    EXPECT_EQ(eventLimit(), 50);
    EXPECT_EQ(startupForm(), "startup.frm");
    EXPECT_FALSE(traceFileOpens());
    EXPECT_FALSE(fullInstall());
    EXPECT_TRUE(environment::getTruth("TraceFileOpens", true));
    EXPECT_EQ(environment::getInteger("EventLimit", -5), -5);

    // Sizes and capacities that cannot be are no better than text.
    environment::set("MediaWidth", -640);
    environment::set("EventLimit", 0);
    environment::set("MediaHeight", Value::string("99999999999"));
    EXPECT_EQ(mediaWidth(), 640);
    EXPECT_EQ(eventLimit(), 50);
    EXPECT_EQ(mediaHeight(), 480);
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
        {Value::real(1e20f), 999, -1},
    };
    for (const auto& c : cases) {
        environment::set("Probe", c.value);
        EXPECT_EQ(environment::getInteger("Probe", 999), c.integer) << quotedForm(c.value);
        bool expectedTruth = c.truth < 0 ? true : c.truth == 1;
        EXPECT_EQ(environment::getTruth("Probe", true), expectedTruth) << quotedForm(c.value);
    }
}

TEST_F(EnvironmentTest, PersistPutsTheKeyAsideAndRaisesTheChangedFlag)
{
    environment::set("ShowIntro", 1);
    EXPECT_FALSE(tables.settingsChanged);
    EXPECT_EQ(asTable(tables.persistentSettings), nullptr);
    environment::set("ShowIntro", Value::integer(0), true);
    EXPECT_TRUE(tables.settingsChanged);
    ASSERT_NE(asTable(tables.persistentSettings), nullptr);
    EXPECT_EQ(asTable(tables.persistentSettings)->get("ShowIntro"), Value::integer(0));
    EXPECT_EQ(environment::get("ShowIntro"), Value::integer(0));
    EXPECT_EQ(environment::get("Missing", Value::string("d")), Value::string("d"));
}

TEST_F(EnvironmentTest, PutGlobalMakesTheGlobalsTable)
{
    EXPECT_EQ(asTable(tables.globals), nullptr);
    environment::putGlobal("Title", Value::string("Orvale"));
    ASSERT_NE(asTable(tables.globals), nullptr);
    EXPECT_EQ(text(asTable(tables.globals)->get("Title")), "Orvale");
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
    disc.write("etc/registry.ini", "[Preferences]\nMediaPath=SystemMedia\nPhotoPath=SysPhotos\nVideoPath=SysMovies\n"
                                   "SoundPath=SysSounds\n");
    disc.write("user/registry.ini", "[preferences]\nPhotoPath=UserPhotos\nVideoPath=UserMovies\n");
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nVideoPath=ProfileMovies\nSoundPath=\n[Preferences]\nDownloadDir=no\n");
    readConfigurationLayers(sources());
    EXPECT_EQ(text(environment::get("MediaPath")), "SystemMedia");
    EXPECT_EQ(text(environment::get("PhotoPath")), "UserPhotos");
    EXPECT_EQ(text(environment::get("VideoPath")), "ProfileMovies");
    EXPECT_EQ(text(environment::get("SoundPath")), "SysSounds") << "an empty profile value is not put";
    EXPECT_EQ(text(environment::get("DownloadDir")), "DOWNLOAD") << "only the profile's own section counts";
    EXPECT_EQ(environment::get("TestMode"), Value::integer(0));
}

TEST_F(ConfigurationLayersTest, CommandLineSettingsWinOverEveryLayerInOrder)
{
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nTestMode=1\nShowIntro=1\n");
    ConfigurationSources s = sources();
    s.overrides = {{"TestMode", "0"}, {"ShowIntro", "0"}, {"ShowIntro", "2"}, {"Extra", ""}};
    readConfigurationLayers(s);
    EXPECT_EQ(environment::getInteger("TestMode", -1), 0);
    EXPECT_EQ(environment::getInteger("ShowIntro", -1), 2);
    EXPECT_TRUE(environment::get("Extra").is(Tag::String));
}

TEST_F(ConfigurationLayersTest, RegistryValuesMayBeEmptyAndKeysKeepTheSpellingTheProgramAsks)
{
    disc.write("etc/registry.ini", "[Preferences]\nALTVIDEOPATH=\nmediawidth=800\nJPG=Fotos;Mais\nMyOwnKey=v\n");
    readConfigurationLayers(sources());
    EXPECT_EQ(text(environment::get("AltVideoPath")), "");
    EXPECT_EQ(mediaWidth(), 800);
    EXPECT_EQ(text(environment::get("jpg")), "Fotos;Mais");
    EXPECT_EQ(text(environment::get("MyOwnKey")), "v");
    EXPECT_TRUE(environment::get("myownkey").isNil());
}

TEST_F(ConfigurationLayersTest, MissingFilesLeaveTheDefaults)
{
    readConfigurationLayers(sources());
    EXPECT_EQ(text(environment::get("MediaPath")), "Media");
    EXPECT_FALSE(asTable(tables.environment)->contains(Value::string("SourceDisk")));
    EXPECT_FALSE(asTable(tables.environment)->contains(Value::string("CDROMPATH"))) << "nothing to mirror";
}

TEST_F(ConfigurationLayersTest, CdromPathOnlyInTheProfileBecomesSourceDiskAndTheMediaRoot)
{
    disc.write("home/ORVA.ini", "[VELENVIRONMENT]\nCDROMPATH=" + disc.path() + "\n");
    disc.write("Media/x.txt", "");
    readConfigurationLayers(sources());
    EXPECT_EQ(sourceDisk(), disc.path());
    EXPECT_EQ(mediaRootSetting(), disc.path() + "\\Media");
    EXPECT_EQ(mediaRoot(), disc / "Media");
}

TEST_F(ConfigurationLayersTest, TheMirrorFillsWhicheverIsAbsentAndLeavesBothWhenBothAreSet)
{
    environment::set("SourceDisk", Value::string("E:\\"));
    mirrorDiscPath();
    EXPECT_EQ(text(environment::get("CDROMPATH")), "E:\\");
    environment::set("CDROMPATH", Value::string("F:\\"));
    mirrorDiscPath();
    EXPECT_EQ(text(environment::get("SourceDisk")), "E:\\");
    EXPECT_EQ(text(environment::get("CDROMPATH")), "F:\\");
}

TEST(ConfigurationSourcesTest, RegistryFilesFromEtcAndTheUserConfigAndTheProfileInTheModuleDirectory)
{
    {
        ScopedVariable config("XDG_CONFIG_HOME", "/home/ana/.cfg");
        ConfigurationSources s = standardConfigurationSources("/opt/orva");
        ASSERT_EQ(s.registryFiles.size(), 2u);
        EXPECT_EQ(s.registryFiles[0], "/etc/xdg/orva/registry.ini");
        EXPECT_EQ(s.registryFiles[1], "/home/ana/.cfg/orva/registry.ini");
        EXPECT_EQ(s.profileFile, "/opt/orva/ORVA.ini");
    }
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/rui");
    ConfigurationSources s = standardConfigurationSources("");
    EXPECT_EQ(s.registryFiles[1], "/home/rui/.config/orva/registry.ini");
    EXPECT_EQ(s.profileFile, "");
}

} // namespace
} // namespace vel
