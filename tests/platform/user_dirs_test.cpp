// The module directory and the user's folders follow --home, the program's folder and the XDG variables.
#include "platform/user_dirs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/media_path.h"
#include "scratch_dir.h"

namespace vel::platform {
namespace {

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const std::string& value) : name_(name)
    {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvironmentVariable()
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

TEST(UserDirectories, TheModuleDirectoryIsTheHomeOptionOrTheProgramFolderOrTheDataHome)
{
    testing_support::ScratchDirectory dir;
    std::string home = dir / "a/b/orva-home";
    EXPECT_EQ(moduleDirectory(home), home);
    EXPECT_TRUE(isDirectory(home));
    EnvironmentVariable data("XDG_DATA_HOME", dir / "data");
    const std::string program = programDirectory();
    EXPECT_EQ(moduleDirectory(), ::access(program.c_str(), W_OK) == 0 ? program : dir / "data/orva");
}

TEST(UserDirectories, DocumentsFromUserDirsOrTheHomeFolder)
{
    testing_support::ScratchDirectory dir;
    EnvironmentVariable home("HOME", dir.path());
    EnvironmentVariable config("XDG_CONFIG_HOME", dir / "config");
    EXPECT_EQ(documentsDirectory(), dir.path());
    dir.write("Documents/.keep", "");
    EXPECT_EQ(documentsDirectory(), dir / "Documents");
    dir.write("Papiers/.keep", "");
    dir.write("config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papiers\"\n");
    EXPECT_EQ(documentsDirectory(), dir / "Papiers");
    EXPECT_FALSE(makeDirectories(dir / "Documents/.keep/sub")); // a file stands there
    EXPECT_FALSE(makeDirectories(""));
}

} // namespace
} // namespace vel::platform
