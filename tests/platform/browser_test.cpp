#include <gtest/gtest.h>

#include "platform/browser.h"

namespace vel::platform {

TEST(BrowserTest, OnlyWebAndMailAddressesReachTheBrowser)
{
    for (const char* address : {"http://orvale.example/", "HTTPS://orvale.example/a?b=1", "mailto:leitor@example.org"})
        EXPECT_TRUE(isWebAddress(address)) << address;
    for (const char* address : {"", "http://", "--help", "/etc/passwd", "file:///etc/passwd", "javascript:alert(1)",
                                "http://a b", "ftp://orvale.example/"})
        EXPECT_FALSE(isWebAddress(address)) << address;
    EXPECT_FALSE(openInBrowser("--version", "true"));
}

} // namespace vel::platform
