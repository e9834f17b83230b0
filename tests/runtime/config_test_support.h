// A registered set of application tables with the framework's defaults for each test, and the
// process state the configuration reads put back afterwards.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/scratch_dir.h"
#include "runtime/environment.h"
#include "runtime/resources.h"
#include "support/error_capture.h"

namespace vel::testing_support {

class ConfiguredTest : public ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        registerApplicationTables(&tables);
        setEnvironmentDefaults();
    }
    void TearDown() override
    {
        registerApplicationTables(nullptr);
        setResourceScope(nullptr);
        setFileNoticeHook(nullptr);
        ErrorCheckedTest::TearDown();
    }
    // The media root is the scratch directory's "Media" folder.
    void useScratchMediaRoot()
    {
        environment::set("SourceDisk", Value::string(disc.path()));
        environment::set("MediaPath", Value::string("Media"));
    }

    ApplicationTables tables;
    ScratchDirectory disc;
};

// Sets an environment variable for a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

} // namespace vel::testing_support
