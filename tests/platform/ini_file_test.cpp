// The INI reader as the profile functions behave: sections and keys without regard to case, the first
// of a repeated key, comments, quotes, and text that is not INI at all.
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "scratch_dir.h"

namespace vel::platform {
namespace {

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase)
{
    IniFile file = IniFile::parse("[VELEnvironment]\r\nMediaPath = Media \r\nSourceDisk=D:\\\r\n[Other]\nMediaPath=x\n");
    EXPECT_EQ(file.value("velenvironment", "MEDIAPATH"), "Media");
    EXPECT_EQ(file.value("VELENVIRONMENT", "sourcedisk"), "D:\\");
    EXPECT_EQ(file.value("other", "mediapath"), "x");
    EXPECT_FALSE(file.value("VELENVIRONMENT", "Missing").has_value());
    EXPECT_FALSE(file.value("Missing", "MediaPath").has_value());
    auto entries = file.section("velENVIRONMENT");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, "MediaPath");
    EXPECT_EQ(entries[1].first, "SourceDisk");
}

TEST(IniFile, CommentsQuotesRepeatsAndStrayLines)
{
    IniFile file = IniFile::parse("\xEF\xBB\xBF; leading comment\n"
                                  "orphan=before any section\n"
                                  "[A]\n"
                                  "# hash comment\n"
                                  "Key=first\n"
                                  "key=second\n"
                                  "Quoted=\"  spaced  \"\n"
                                  "Half=\"open\n"
                                  "no equals sign here\n"
                                  "=no key\n"
                                  "Empty=\n"
                                  "[broken\n"
                                  "After=still A\n"
                                  "[a]\n"
                                  "Merged=yes\n");
    EXPECT_EQ(file.value("A", "Key"), "first");
    EXPECT_EQ(file.value("A", "Quoted"), "  spaced  ");
    EXPECT_EQ(file.value("A", "Half"), "\"open");
    EXPECT_EQ(file.value("A", "Empty"), "");
    EXPECT_EQ(file.value("A", "After"), "still A");
    EXPECT_EQ(file.value("A", "Merged"), "yes");
    EXPECT_FALSE(file.value("A", "orphan").has_value());
    EXPECT_EQ(file.section("A").size(), 6u);
}

TEST(IniFile, LongValuesAreCutAtTheProfileLimit)
{
    std::string text = "[S]\nK=" + std::string(IniFile::kValueLimit + 500, 'v') + "\n";
    auto value = IniFile::parse(text).value("S", "K");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->size(), IniFile::kValueLimit);
}

TEST(IniFile, BinaryNoiseBeforeASectionLeavesTheSectionReadable)
{
    std::string text;
    for (int i = 0; i < 4096; ++i)
        text += static_cast<char>((i * 131 + 7) % 256);
    text += "\n[S]\nK=v\n";
    EXPECT_EQ(IniFile::parse(text).value("S", "K"), "v");
}

TEST(IniFile, LoadFromDiskAndRefuseWhatCannotBeConfiguration)
{
    testing_support::ScratchDirectory dir;
    std::string path = dir.write("orva/ORVA.ini", "[VELENVIRONMENT]\nTestMode=1\n");
    auto loaded = IniFile::load(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->value("velenvironment", "testmode"), "1");
    EXPECT_FALSE(IniFile::load(dir / "absent.ini").has_value());
    EXPECT_FALSE(IniFile::load(dir.path()).has_value()) << "a directory is no file";
    std::string big = dir.write("big.ini", std::string(IniFile::kFileLimit + 1, 'x'));
    EXPECT_FALSE(IniFile::load(big).has_value());
}

} // namespace
} // namespace vel::platform
