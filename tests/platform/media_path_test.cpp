// The path layer: names as the data writes them (backslashes, drive letters, "..", any letter case,
// Windows-1252) found under a media root made here, and each folder's names listed once while the
// folder stays as it was.
#include "platform/media_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

#include "support/scratch_dir.h"

namespace vel::platform {
namespace {

class MediaPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        disc.write("Media/Photos/Praia.JPG", "jpeg");
        disc.write("Media/Forms/startup.frm", "(form (table))");
        disc.write("Media/Fotos/Ma\xC3\xA7\xC3\xA3.jpg", "jpeg"); // "Maçã.jpg" in UTF-8
        disc.write("outside.txt", "secret");
        root = disc / "Media";
    }
    testing_support::ScratchDirectory disc;
    std::string root;
};

TEST_F(MediaPathTest, NamesFromTheDataFindTheRealFileAndNeverLeaveTheRoot)
{
    const struct {
        std::string_view name;
        std::string found;
    } cases[] = {
        {"PHOTOS\\praia.jpg", "/Photos/Praia.JPG"},
        {"photos/PRAIA.jpg", "/Photos/Praia.JPG"},
        {"forms\\\\.\\STARTUP.FRM", "/Forms/startup.frm"},
        {"D:\\Photos\\PRAIA.JPG", "/Photos/Praia.JPG"},
        {"\\Photos\\praia.jpg", "/Photos/Praia.JPG"},
        {"/etc/passwd", "/etc/passwd"},
        {"..\\outside.txt", "/outside.txt"},
        {"Photos\\..\\..\\..\\Forms\\startup.frm", "/Forms/startup.frm"},
        {"PHOTOS\\Missing\\X.jpg", "/Photos/Missing/X.jpg"},
        {"", ""},
        {std::string_view("Photos\0junk", 11), "/Photos"},
        {"FOTOS\\MA\xC7\xC3.JPG", "/Fotos/Ma\xC3\xA7\xC3\xA3.jpg"},
        {"fotos\\ma\xE7\xE3.jpg", "/Fotos/Ma\xC3\xA7\xC3\xA3.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pathUnder(root, c.name), root + c.found) << c.name;
    EXPECT_FALSE(isFile(pathUnder(root, "..\\outside.txt")));
    EXPECT_TRUE(isFile(pathUnder(root, "Photos\\Praia.JPG")));
    EXPECT_FALSE(isFile(root));
    EXPECT_FALSE(isFile(""));
    EXPECT_EQ(fileSystemName("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(fileSystemName("caf\xE9"), "caf\xC3\xA9");
}

TEST_F(MediaPathTest, ConfiguredPathsMayBeAbsoluteOrRelativeOrOnADrive)
{
    EXPECT_EQ(configuredPath(disc.path() + "/MEDIA/photos"), root + "/Photos");
    EXPECT_EQ(configuredPath("E:\\MEDIA\\PHOTOS", disc.path()), root + "/Photos");
    EXPECT_EQ(configuredPath(root + "/../outside.txt"), disc.path() + "/outside.txt");

    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(disc.path());
    EXPECT_EQ(configuredPath("media\\FORMS"), "Media/Forms");
    EXPECT_EQ(configuredPath(""), "");
    EXPECT_TRUE(isDirectory(configuredPath("")));
    std::filesystem::current_path(previous);
}

// A folder's time of change put back by a minute or two, as a disc's folders are old.
void putTimeBack(const std::string& folder, int seconds)
{
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
}

TEST_F(MediaPathTest, AnUnchangedFolderIsListedOnceAndAChangedOneAgain)
{
    const std::string sounds = root + "/Sounds";
    disc.write("Media/Sounds/Name.WAV", "");
    disc.write("Media/Sounds/NAME.wav", "");
    disc.write("Media/Sounds/Deep/Inner/Tone.WAV", "");
    for (const std::string& folder : {sounds, sounds + "/Deep", sounds + "/Deep/Inner"})
        putTimeBack(folder, 60);
    // Names that fold alike: the smallest in byte order, whatever order the folder lists them in.
    EXPECT_EQ(pathUnder(root, "sounds\\name.wav"), sounds + "/NAME.wav");
    EXPECT_EQ(pathUnder(root, "SOUNDS\\deep\\INNER\\tone.wav"), sounds + "/Deep/Inner/Tone.WAV");
    EXPECT_EQ(pathUnder(root, "sounds\\DEEP\\absent\\tone.wav"), sounds + "/Deep/absent/tone.wav");

    // A name slipped in behind the index's back (the folder's time put back as it was) is not seen
    // but in its exact case: the folder was not listed again.
    struct stat before;
    ASSERT_EQ(::stat(sounds.c_str(), &before), 0);
    disc.write("Media/Sounds/Late.wav", "");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, sounds.c_str(), times, 0), 0);
    EXPECT_EQ(pathUnder(root, "sounds\\late.wav"), sounds + "/late.wav");
    EXPECT_EQ(pathUnder(root, "sounds\\Late.wav"), sounds + "/Late.wav");
    // Once the folder's time moves, it is listed again.
    putTimeBack(sounds, 120);
    EXPECT_EQ(pathUnder(root, "sounds\\late.wav"), sounds + "/Late.wav");
}

TEST(FileNames, TheExtensionIsTakenFromTheLastComponentAsWritten)
{
    EXPECT_EQ(extensionOf("C:\\Disc.v2\\Sons\\Hino.WAV"), "WAV");
    EXPECT_EQ(extensionOf("disc.v2/readme"), "");
    EXPECT_EQ(extensionOf("a.tar.gz"), "gz");
    EXPECT_EQ(extensionOf("trailing."), "");
    EXPECT_EQ(lowerAscii("Hino.WAV \xC9"), "hino.wav \xC9");
}

} // namespace
} // namespace vel::platform
