// The path join, the media root and the file look-up across search paths, with files made under a
// scratch media root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_test_support.h"
#include "runtime/environment.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;

TEST(PathJoin, DirectoryBackslashNameAndTheCasesThatKeepOnePart)
{
    EXPECT_EQ(joinPath("D:\\", "Media"), "D:\\\\Media") << "no check for a backslash ending the directory";
    EXPECT_EQ(joinPath("Media", "Forms\\a.frm"), "Media\\Forms\\a.frm");
    EXPECT_EQ(joinPath("", "a.frm"), "a.frm");
    EXPECT_EQ(joinPath("Media", "\\abs\\a.frm"), "\\abs\\a.frm");
    EXPECT_EQ(joinPath("Media", "C:\\other\\a.frm"), "C:\\other\\a.frm");
    EXPECT_EQ(joinPath("Media", "C:a.frm"), "C:a.frm");
    EXPECT_EQ(joinPath("/srv/disc", ""), "/srv/disc") << "an empty name keeps the directory";
    EXPECT_EQ(joinPath("", ""), "");
    EXPECT_EQ(joinPath("Media", "a"), "Media\\a") << "a one-letter name is no drive";
}

class FileLookupTest : public ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        useScratchMediaRoot();
        notices().clear();
        setFileNoticeHook([](std::string_view text) { notices().emplace_back(text); });
    }
    static std::vector<std::string>& notices()
    {
        static std::vector<std::string> recorded;
        return recorded;
    }
};

TEST_F(FileLookupTest, TheMediaRootIsSourceDiskJoinedWithMediaPath)
{
    disc.write("MEDIA/readme.txt", "");
    EXPECT_EQ(mediaRootSetting(), disc.path() + "\\Media");
    EXPECT_EQ(mediaRoot(), disc / "MEDIA");
    // What --media DIR does: DIR itself is the root.
    environment::set("MediaPath", Value::string(""));
    EXPECT_EQ(mediaRoot(), disc.path());
}

TEST_F(FileLookupTest, WithoutASearchPathTheFileIsUnderTheMediaRoot)
{
    disc.write("Media/Global.VEL", "x");
    EXPECT_EQ(findFile("global", "vel"), disc / "Media/Global.VEL");
    EXPECT_EQ(findFile("GLOBAL.vel"), disc / "Media/Global.VEL");
    EXPECT_TRUE(notices().empty());
}

TEST_F(FileLookupTest, TwoDirectoriesFindAFileOnlyInTheSecondAndOtherwiseAnswerTheSecond)
{
    disc.write("first/other.jpg", "");
    disc.write("Second/Praia.jpg", "");
    environment::set("jpg", Value::string(disc.path() + "\\first;" + disc.path() + "\\second"));
    EXPECT_EQ(findFile("praia.jpg"), disc / "Second/Praia.jpg");
    EXPECT_EQ(findFile("other.JPG"), disc / "first/other.jpg");
    EXPECT_EQ(findFile("nowhere.jpg"), disc / "Second/nowhere.jpg");
}

TEST_F(FileLookupTest, OneDirectoryIsJoinedAsItIsAndTheExtensionKeyIsInSmallLetters)
{
    disc.write("Sons/Abertura.wav", "");
    environment::set("wav", Value::string(disc / "sons"));
    EXPECT_EQ(findFile("abertura", "WAV"), disc / "Sons/Abertura.wav");
    EXPECT_EQ(findFile("ausente", "wav"), disc / "Sons/ausente.wav");
    environment::set("wav", Value::integer(3));
    EXPECT_EQ(findFile("abertura", "wav"), disc / "Media/abertura.wav") << "a search path that is no text is none";
}

TEST_F(FileLookupTest, FullInstallFallsBackToTheMediaRootWhateverItsValue)
{
    disc.write("Media/Filmes/intro.avi", "");
    environment::set("avi", Value::string(disc / "installed"));
    EXPECT_EQ(findFile("Filmes\\intro.avi"), disc / "installed/Filmes/intro.avi");
    environment::set("FullInstall", 0);
    EXPECT_EQ(findFile("Filmes\\intro.avi"), disc / "Media/Filmes/intro.avi");
}

TEST_F(FileLookupTest, TraceFileOpensReportsOnlyMissingFiles)
{
    disc.write("Media/here.tbl", "");
    environment::set("TraceFileOpens", 1);
    findFile("here.tbl");
    EXPECT_TRUE(notices().empty());
    std::string path = findFile("gone", "tbl");
    EXPECT_EQ(path, disc / "Media/gone.tbl");
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0], "N\xE3o foi poss\xEDvel localizargone.tbl");
    environment::set("TraceFileOpens", 0);
    findFile("gone", "tbl");
    EXPECT_EQ(notices().size(), 1u);
}

TEST_F(FileLookupTest, NamesFromTheDataNeverLeaveTheirDirectory)
{
    disc.write("secret.tbl", "");
    EXPECT_EQ(findFile("..\\secret.tbl"), disc / "Media/secret.tbl");
    EXPECT_EQ(findFile("C:\\..\\..\\secret.tbl"), disc / "Media/secret.tbl");
}

} // namespace
} // namespace vel
