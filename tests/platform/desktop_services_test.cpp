// Message boxes as a headless run sees them, and what a box shows of a long text. A box on a display
// (its size, signals while it is up) is tried by tests/tools/message_box_test.sh.
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

TEST(MessageBoxText, LongTextsAreCutAndEveryLineFitsTheWidth)
{
    const struct {
        std::string text;
        std::size_t columns;
        std::string shown;
    } cases[] = {
        {"Cannot load resource: x", 40, "Cannot load resource: x"},
        {"um dois tres quatro", 8, "um dois\ntres\nquatro"},
        {"abcdefghij", 4, "abcd\nefgh\nij"},
        {"linha\n\nnova", 10, "linha\n\nnova"},
        {std::string(400, 'x'), 1000, std::string(400, 'x')},
        {std::string(401, 'x'), 1000, std::string(400, 'x') + "..."},
        {std::string(40, '\n'), 10, std::string(15, '\n') + "..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boxText(c.text, c.columns), c.shown) << c.text.substr(0, 40);
}

} // namespace
} // namespace vel::platform
