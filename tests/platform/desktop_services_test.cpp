// Message boxes and the clipboard as a headless run sees them.
#include <gtest/gtest.h>

#include <string>

#include "platform/clipboard.h"
#include "platform/headless.h"
#include "platform/message_box.h"

namespace vel::platform {
namespace {

class HeadlessServices : public ::testing::Test {
protected:
    void SetUp() override { setHeadless(true); }
};

TEST_F(HeadlessServices, MessageBoxesGoToStandardErrorInUtf8AndAreAnsweredWithTheFirstButton)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox("ERROR", "Cannot load resource: x"), MessageBoxAnswer::Ok);
    EXPECT_EQ(showMessageBox("Orvale Vanta", "N\xE3o foi poss\xEDvel localizar \x93" "a.bmp\x94",
                             MessageBoxButtons::YesNo),
              MessageBoxAnswer::Yes);
    EXPECT_EQ(showMessageBox("", "", MessageBoxButtons::OkCancel), MessageBoxAnswer::Ok);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "ERROR: Cannot load resource: x\n"
                    "Orvale Vanta: N\xC3\xA3o foi poss\xC3\xADvel localizar \xE2\x80\x9C" "a.bmp\xE2\x80\x9D\n"
                    ": \n");
}

TEST_F(HeadlessServices, ClipboardTextAndImageReplaceEachOther)
{
    Clipboard clipboard;
    ASSERT_TRUE(clipboard.putText("first"));
    ASSERT_TRUE(clipboard.putText("second"));
    EXPECT_EQ(clipboard.getText(), std::optional<std::string>("second"));
    EXPECT_FALSE(clipboard.getImage().has_value());

    const uint8_t dib[] = {1, 2, 3};
    EXPECT_FALSE(clipboard.putImage(dib, 0));
    EXPECT_EQ(clipboard.getText(), std::optional<std::string>("second"));
    ASSERT_TRUE(clipboard.putImage(dib, sizeof dib));
    EXPECT_FALSE(clipboard.getText().has_value());
    EXPECT_EQ(clipboard.getImage()->size(), 3u);

    EXPECT_TRUE(clipboard.putText(std::string_view("keep\0drop", 9)));
    EXPECT_EQ(clipboard.getText(), std::optional<std::string>("keep"));
}

} // namespace
} // namespace vel::platform
