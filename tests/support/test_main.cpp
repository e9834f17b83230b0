#include <gtest/gtest.h>

#include "support/error_capture.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new vel::testing_support::ErrorCaptureEnvironment);
    return RUN_ALL_TESTS();
}
