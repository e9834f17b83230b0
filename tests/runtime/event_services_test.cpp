// The small services beside the event loop: caret, clipboard, help and the current directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clipboard.h"
#include "platform/headless.h"
#include "runtime/caret.h"
#include "runtime/clipboard.h"
#include "runtime/current_directory.h"
#include "runtime/event_test_support.h"
#include "runtime/help.h"
#include "value/buffer.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {
namespace {

class EventServicesTest : public testing_support::VirtualClockTest {
protected:
    void SetUp() override
    {
        VirtualClockTest::SetUp();
        platform::setHeadless(true);
    }
};

TEST_F(EventServicesTest, TheCaretBlinksFromWhenItIsShownAndOnlyWithTheFocus)
{
    Caret caret(clock);
    EXPECT_FALSE(caret.visible() || caret.lit());
    caret.show(10, 20, 0, 16);
    EXPECT_EQ(std::make_tuple(caret.rect().left, caret.rect().width(), caret.rect().height()), std::make_tuple(10, 1, 16));
    std::vector<bool> lit{caret.lit()};
    for (uint32_t step : {Caret::BlinkMilliseconds - 1, 1u, Caret::BlinkMilliseconds})
        clock.advance(step), lit.push_back(caret.lit());
    EXPECT_EQ(lit, (std::vector<bool>{true, true, false, true}));
    caret.focusLost();
    EXPECT_FALSE(caret.visible() || caret.lit());
    clock.advance(Caret::BlinkMilliseconds);
    caret.focusGained();
    EXPECT_TRUE(caret.lit()) << "re-created: lit again at once";
    caret.hide();
    caret.focusLost();
    caret.focusGained();
    EXPECT_FALSE(caret.visible()) << "hidden by the application stays hidden";
}

TEST_F(EventServicesTest, HeadlessClipboardKeepsTextAndImagesInMemory)
{
    platform::Clipboard clipboard;
    const std::string accented = "A\xE7\xE3o \x80 5\x96" "6"; // Ação € 5–6 in Windows-1252
    clipboardPutText(clipboard, Value::string(accented));
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), accented);
    EXPECT_EQ(*clipboard.getText(), accented);

    clipboardPutText(clipboard, Value::integer(5)); // not a string: the clipboard keeps what it had
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), accented);

    const char withNul[] = {'a', 'b', '\0', 'c'};
    clipboardPutText(clipboard, Value::string(withNul, 4));
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), "ab");

    const unsigned char dib[] = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0};
    clipboardPutImage(clipboard, Buffer::over(dib, sizeof dib, true));
    EXPECT_TRUE(clipboardGetText(clipboard).isNil());
    auto image = clipboard.getImage();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, std::vector<uint8_t>(dib, dib + sizeof dib));

    clipboardPutImage(clipboard, Value::string("not a bitmap"));
    EXPECT_TRUE(clipboard.getImage().has_value());
    clipboardPutText(clipboard, Value::string(""));
    EXPECT_FALSE(clipboard.getImage().has_value());
    EXPECT_EQ(quotedForm(clipboardGetText(clipboard)), "\"\"");
}

TEST_F(EventServicesTest, HelpSaysItCannotShowAnything)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(helpOpen(Value::string("ORVA.HLP"), 12));
    EXPECT_FALSE(helpOpen(Value::string("ORVA.HLP"), -1));
    helpClose();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ORVA.HLP"), std::string::npos);
    EXPECT_FALSE(helpIsOpen());
}

TEST_F(EventServicesTest, SettingTheCurrentDirectoryGivesThePreviousOne)
{
    namespace fs = std::filesystem;
    const fs::path start = fs::current_path();
    const fs::path target = fs::temp_directory_path() / ("events-cwd-" + std::to_string(getpid()));
    fs::create_directories(target / "sub");

    EXPECT_EQ(textOf(setCurrentDirectory(Value::string(target.string()))), start.string());
    EXPECT_EQ(textOf(setCurrentDirectory(Value::string("sub"))), target.string());
    EXPECT_EQ(fs::current_path(), target / "sub");

    for (const Value& bad : {Value::string("no such directory"), Value::string(""), Value::string(std::string_view("sub\0x", 5)), Value::integer(3)})
        EXPECT_TRUE(setCurrentDirectory(bad).isNil()) << quotedForm(bad);
    EXPECT_EQ(fs::current_path(), target / "sub");

    EXPECT_FALSE(setCurrentDirectory(Value::string(start.string())).isNil());
    EXPECT_EQ(fs::current_path(), start);
    fs::remove_all(target);
}

} // namespace
} // namespace vel
