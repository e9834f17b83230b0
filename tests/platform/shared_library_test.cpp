// Libraries loaded on first use: a missing library or entry is a failure that names it, and what
// is found can be called.
#include "platform/shared_library.h"

#include <gtest/gtest.h>

namespace vel::platform {
namespace {

TEST(SharedLibraryTest, LoadsByVersionedNameAndSaysWhatIsMissing)
{
    std::string error;
    SharedLibrary missing;
    EXPECT_FALSE(missing.open("libvel-absent.so.1", error));
    EXPECT_EQ(error, "cannot load libvel-absent.so.1: cannot open shared object file: No such file or directory");

    SharedLibrary math;
    ASSERT_TRUE(math.open("libm.so.6", error)) << error;
    double (*cosine)(double) = nullptr;
    ASSERT_TRUE(math.find(cosine, "cos", error)) << error;
    EXPECT_EQ(cosine(0.0), 1.0);
    int (*absent)() = nullptr;
    EXPECT_FALSE(math.find(absent, "vel_absent_entry", error));
    EXPECT_EQ(error, "cannot load libm.so.6: it has no vel_absent_entry");
    EXPECT_FALSE(missing.find(absent, "cos", error));
}

} // namespace
} // namespace vel::platform
