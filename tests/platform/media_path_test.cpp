// The path layer: names with backslashes and any letter case found under a media root made here,
// drive letters, climbing out with "..", names that are not there, and Windows-1252 names.
#include "platform/media_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "scratch_dir.h"

namespace vel::platform {
namespace {

class MediaPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        disc.write("Media/Photos/Praia.JPG", "jpeg");
        disc.write("Media/Forms/startup.frm", "(form (table))");
        disc.write("outside.txt", "secret");
        root = disc / "Media";
    }
    testing_support::ScratchDirectory disc;
    std::string root;
};

TEST_F(MediaPathTest, BackslashedNamesInAnyCaseFindTheRealFile)
{
    EXPECT_EQ(pathUnder(root, "PHOTOS\\praia.jpg"), root + "/Photos/Praia.JPG");
    EXPECT_EQ(pathUnder(root, "photos/PRAIA.jpg"), root + "/Photos/Praia.JPG");
    EXPECT_EQ(pathUnder(root, "forms\\\\.\\STARTUP.FRM"), root + "/Forms/startup.frm");
    EXPECT_TRUE(isFile(pathUnder(root, "Photos\\Praia.JPG")));
}

TEST_F(MediaPathTest, DriveLettersAndLeadingSeparatorsStayUnderTheRoot)
{
    EXPECT_EQ(pathUnder(root, "D:\\Photos\\PRAIA.JPG"), root + "/Photos/Praia.JPG");
    EXPECT_EQ(pathUnder(root, "\\Photos\\praia.jpg"), root + "/Photos/Praia.JPG");
    EXPECT_EQ(pathUnder(root, "/etc/passwd"), root + "/etc/passwd");
}

TEST_F(MediaPathTest, DotDotNeverClimbsAboveTheRoot)
{
    EXPECT_EQ(pathUnder(root, "..\\outside.txt"), root + "/outside.txt");
    EXPECT_FALSE(isFile(pathUnder(root, "..\\outside.txt")));
    EXPECT_EQ(pathUnder(root, "Photos\\..\\..\\..\\Forms\\startup.frm"), root + "/Forms/startup.frm");
}

TEST_F(MediaPathTest, MissingComponentsGiveTheBestGuess)
{
    EXPECT_EQ(pathUnder(root, "PHOTOS\\Missing\\X.jpg"), root + "/Photos/Missing/X.jpg");
    EXPECT_EQ(pathUnder(root, ""), root);
    EXPECT_EQ(pathUnder(root, std::string_view("Photos\0junk", 11)), root + "/Photos");
}

TEST_F(MediaPathTest, Windows1252NamesMatchUtf8FilesAndFoldTheirCase)
{
    disc.write("Media/Fotos/Ma\xC3\xA7\xC3\xA3.jpg", "jpeg"); // "Maçã.jpg" in UTF-8
    EXPECT_EQ(pathUnder(root, "FOTOS\\MA\xC7\xC3.JPG"), root + "/Fotos/Ma\xC3\xA7\xC3\xA3.jpg");
    EXPECT_EQ(pathUnder(root, "fotos\\ma\xE7\xE3.jpg"), root + "/Fotos/Ma\xC3\xA7\xC3\xA3.jpg");
    EXPECT_EQ(fileSystemName("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(fileSystemName("caf\xE9"), "caf\xC3\xA9");
}

TEST_F(MediaPathTest, ConfiguredPathsMayBeAbsoluteOrRelativeOrOnADrive)
{
    std::string upper = disc.path() + "/MEDIA/photos";
    EXPECT_EQ(configuredPath(upper), root + "/Photos");
    EXPECT_EQ(configuredPath("E:\\MEDIA\\PHOTOS", disc.path()), root + "/Photos");
    EXPECT_EQ(configuredPath(root + "/../outside.txt"), disc.path() + "/outside.txt");

    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(disc.path());
    EXPECT_EQ(configuredPath("media\\FORMS"), "Media/Forms");
    EXPECT_EQ(configuredPath(""), "");
    EXPECT_TRUE(isDirectory(configuredPath("")));
    std::filesystem::current_path(previous);
}

TEST_F(MediaPathTest, FilesAndDirectoriesAreTold)
{
    EXPECT_TRUE(isDirectory(root));
    EXPECT_FALSE(isFile(root));
    EXPECT_FALSE(isFile(""));
    EXPECT_FALSE(isFile(root + "/nothing"));
}

} // namespace
} // namespace vel::platform
