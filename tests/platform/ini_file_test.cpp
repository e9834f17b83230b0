// The INI reader as the profile functions behave: sections and keys without regard to case, the first
// of a repeated key, comments, quotes, stray lines and noise, and files that cannot be configuration.
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_dir.h"

namespace vel::platform {
namespace {

TEST(IniFile, WhatTheProfileFunctionsWouldRead)
{
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>((i * 131 + 7) % 256);
    IniFile file = IniFile::parse("\xEF\xBB\xBF; leading comment\n"
                                  "orphan=before any section\n" +
                                  noise +
                                  "\n[A]\r\n"
                                  "# hash comment\n"
                                  "Key = first \r\n"
                                  "key=second\n"
                                  "Quoted=\"  spaced  \"\n"
                                  "Half=\"open\n"
                                  "no equals sign here\n"
                                  "=no key\n"
                                  "Empty=\n"
                                  "[broken\n"
                                  "After=still A\n"
                                  "[Other]\nKey=other\n"
                                  "[a]\n"
                                  "Merged=yes\n"
                                  "Long=" + std::string(IniFile::kValueLimit + 500, 'v') + "\n");
    const struct {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        {"a", "KEY", "first"},         {"A", "Quoted", "  spaced  "}, {"A", "Half", "\"open"},
        {"A", "Empty", ""},            {"A", "After", "still A"},     {"A", "Merged", "yes"},
        {"OTHER", "key", "other"},     {"A", "orphan", std::nullopt}, {"A", "Missing", std::nullopt},
        {"Missing", "Key", std::nullopt},
        {"A", "Long", std::string(IniFile::kValueLimit, 'v')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(file.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    IniFile::Entries entries = file.section("a");
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[0].first, "Key");
    EXPECT_EQ(entries[6].first, "Long");
}

TEST(IniFile, LoadFromDiskAndRefuseWhatCannotBeConfiguration)
{
    testing_support::ScratchDirectory dir;
    auto loaded = IniFile::load(dir.write("orva/ORVA.ini", "[VELENVIRONMENT]\nTestMode=1\n"));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->value("velenvironment", "testmode"), "1");
    EXPECT_FALSE(IniFile::load(dir / "absent.ini").has_value());
    EXPECT_FALSE(IniFile::load(dir.path()).has_value()) << "a directory is no file";
    EXPECT_FALSE(IniFile::load(dir.write("big.ini", std::string(IniFile::kFileLimit + 1, 'x'))).has_value());
}

} // namespace
} // namespace vel::platform
