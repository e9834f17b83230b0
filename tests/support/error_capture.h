// Test support: an error handler that records every velError message and lets the caller go on with
// its fallback, installed for the whole test program.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "value/error.h"
#include "value/string.h"

namespace vel::testing_support {

inline std::vector<std::string>& recordedErrors()
{
    static std::vector<std::string> messages;
    return messages;
}

inline int recordError(const Value& message)
{
    recordedErrors().emplace_back(textOf(message));
    return 0;
}

inline void ignoreExit(int) {}

// Takes the messages recorded so far and clears them.
inline std::vector<std::string> takeErrors()
{
    std::vector<std::string> out;
    out.swap(recordedErrors());
    return out;
}

class ErrorCaptureEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setErrorHandler(recordError);
        setExitHandler(ignoreExit);
    }
};

// Fixture base: starts each test with no recorded errors and fails it on any it did not take.
class ErrorCheckedTest : public ::testing::Test {
protected:
    void SetUp() override { recordedErrors().clear(); }
    void TearDown() override
    {
        EXPECT_TRUE(recordedErrors().empty()) << "unexpected error: " << recordedErrors().front();
        recordedErrors().clear();
    }
    static std::vector<std::string> errors() { return takeErrors(); }
};

} // namespace vel::testing_support
