// Message boxes as a headless run sees them.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless.h"
#include "platform/message_box.h"

namespace vel::platform {
namespace {

TEST(HeadlessServices, MessageBoxesGoToStandardErrorInUtf8AndAreAnsweredWithTheFirstButton)
{
    setHeadless(true);
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

} // namespace
} // namespace vel::platform
