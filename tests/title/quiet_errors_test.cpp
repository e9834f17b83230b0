// Reports kept quiet: each keeper sees the reports made while it lives, nested ones included, and
// the first of them is its reason; the handler before it comes back when it ends.
#include <gtest/gtest.h>

#include "title/quiet_errors.h"

namespace {

using vel::QuietErrors;

int outside = 0;
int countOutside(const vel::Value&)
{
    ++outside;
    return 0;
}

TEST(QuietErrors, KeepsTheFirstReportOfItsOwnTimeThroughNesting)
{
    const auto previous = vel::setErrorHandler(countOutside);
    {
        QuietErrors outer;
        EXPECT_FALSE(outer.any());
        {
            QuietErrors inner;
            vel::velError("um");
            vel::velError("dois");
            EXPECT_EQ(inner.firstReport(), "um");
        }
        // The inner one's reports were made in the outer one's time too.
        EXPECT_TRUE(outer.any());
        EXPECT_EQ(outer.firstReport(), "um");
        vel::velError("tr\xEAs");
        {
            QuietErrors inner;
            EXPECT_FALSE(inner.any());
            EXPECT_EQ(inner.firstReport(), "");
            vel::velError("quatro");
            EXPECT_EQ(inner.firstReport(), "quatro");
        }
        EXPECT_EQ(outer.firstReport(), "um"); // its own first, not the later inner one's
    }
    {
        QuietErrors quiet;
        { QuietErrors silent; }
        EXPECT_EQ(quiet.firstReport(), "");
        vel::velError("cinco");
        EXPECT_EQ(quiet.firstReport(), "cinco");
    }
    vel::velError("fora");
    EXPECT_EQ(outside, 1);
    vel::setErrorHandler(previous);
}

} // namespace
