// A registered set of application tables with the framework's defaults for each test, and the
// process state the configuration reads put back afterwards.
#pragma once

#include "runtime/environment.h"
#include "runtime/resources.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

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
    // The media root is the scratch folder's "Media" folder.
    void useScratchMediaRoot()
    {
        environment::set("SourceDisk", Value::string(disc.path()));
        environment::set("MediaPath", Value::string("Media"));
    }

    ApplicationTables tables;
    ScratchDirectory disc;
};

} // namespace vel::testing_support
