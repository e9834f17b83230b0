// The module directory and the user's folders follow --home, the program's folder and the XDG variables.
#include "platform/user_dirs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/media_path.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace vel::platform {
namespace {

using testing_support::ScopedVariable;

TEST(UserDirectories, TheModuleDirectoryIsTheHomeOptionOrTheProgramFolderOrTheDataHome)
{
    testing_support::ScratchDirectory dir;
    std::string home = dir / "a/b/orva-home";
    EXPECT_EQ(moduleDirectory(home), home);
    EXPECT_TRUE(isDirectory(home));
    ScopedVariable data("XDG_DATA_HOME", (dir / "data").c_str());
    const std::string program = programDirectory();
    EXPECT_EQ(moduleDirectory(), ::access(program.c_str(), W_OK) == 0 ? program : dir / "data/orva");
}

TEST(UserDirectories, DocumentsFromUserDirsOrTheHomeFolder)
{
    testing_support::ScratchDirectory dir;
    ScopedVariable home("HOME", (dir.path()).c_str());
    ScopedVariable config("XDG_CONFIG_HOME", (dir / "config").c_str());
    EXPECT_EQ(documentsDirectory(), dir.path());
    dir.write("Documents/.keep", "");
    EXPECT_EQ(documentsDirectory(), dir / "Documents");
    dir.write("Papiers/.keep", "");
    dir.write("config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papiers\"\n");
    EXPECT_EQ(documentsDirectory(), dir / "Papiers");
    EXPECT_FALSE(makeDirectories(dir / "Documents/.keep/sub")); // a file stands there
    EXPECT_FALSE(makeDirectories(""));
    ScopedVariable missingHome("HOME", (dir / "gone").c_str());
    EXPECT_EQ(documentsDirectory(), std::filesystem::current_path().string()) << "neither made nor named";
    EXPECT_FALSE(isDirectory(dir / "gone"));
}

} // namespace
} // namespace vel::platform
