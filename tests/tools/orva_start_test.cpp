// How a start finds its disc: a plain word names it, no word at all opens the sample disc lying beside
// the program, and a folder that is missing, empty or a file is refused, saying what was looked for where.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scripted_run.h"

namespace {

namespace fs = std::filesystem;
using vel::testing_support::ProcessResult;
using vel::testing_support::runProcess;

class OrvaStartTest : public vel::testing_support::ScriptedRunTest {
protected:
    // The program started from the test's folder with the test's home and a script that expects the
    // demo's first form.
    ProcessResult start(const std::string& program, const std::vector<std::string>& words)
    {
        std::ofstream(path("run.script")) << "expect-form Inicio\nquit\n";
        std::vector<std::string> all = {"env", "-C", dir_.string(), program, "--home", path("home"), "--script",
                                        path("run.script")};
        all.insert(all.end(), words.begin(), words.end());
        return runProcess(all);
    }
    const std::string orva_ = std::string(VEL_BIN_DIR) + "/orva";
    // No registry file of the machine's user names a disc.
    vel::testing_support::ScopedVariable config_{"XDG_CONFIG_HOME", "/nonexistent/config"};
};

TEST_F(OrvaStartTest, APlainWordIsTheDiscAndAFolderWithoutTheStartUpFormIsRefused)
{
    media("startup.frm", "(form (\"Name\" \"Inicio\"))");
    ProcessResult opened = start(orva_, {path("media")});
    EXPECT_EQ(opened.status, 0) << opened.output;
    fs::create_directories(path("empty"));
    const struct {
        std::vector<std::string> words;
        std::string says;
    } cases[] = {
        {{"--media", "/nonexistent"}, "/nonexistent does not exist"},
        {{path("empty")}, path("empty") + " holds no start-up form 'startup.frm'"},
        {{path("media/startup.frm")}, path("media/startup.frm") + " is not a folder"},
        {{path("media"), "--set", "StartupForm=outro.frm"}, path("media") + " holds no start-up form 'outro.frm'"},
    };
    for (const auto& c : cases) {
        ProcessResult refused = start(orva_, c.words);
        EXPECT_EQ(refused.status, 2) << refused.output;
        EXPECT_NE(refused.output.find(c.says + "; give the disc's folder"), std::string::npos) << refused.output;
    }
    ProcessResult version = runProcess({orva_, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("orva 1.", 0), 0u) << version.output;
}

TEST_F(OrvaStartTest, WithoutADiscTheSampleBesideTheProgramOpensOrWhereItWasLookedForIsSaid)
{
    // A program file of its own, so that what lies beside it is the test's.
    fs::create_directories(path("bin"));
    std::error_code linked;
    fs::create_hard_link(orva_, path("bin/orva"), linked);
    if (linked)
        fs::copy_file(orva_, path("bin/orva"));
    ProcessResult missing = start(path("bin/orva"), {});
    EXPECT_EQ(missing.status, 2) << missing.output;
    // ./Media, found without regard to case, is the fixture's empty media folder.
    EXPECT_NE(missing.output.find("no disc to open: " + path("media") + " holds no start-up form 'startup.frm', "
                                  "and no sample disc is in " +
                                  path("disc-demo") + " or " + path("share/orva/disc-demo")),
              std::string::npos)
        << missing.output;

    fs::create_directories(path("share/orva/disc-demo"));
    std::ofstream(path("share/orva/disc-demo/startup.frm")) << "(form (\"Name\" \"Inicio\"))";
    ProcessResult sample = start(path("bin/orva"), {});
    EXPECT_EQ(sample.status, 0) << sample.output;
    EXPECT_NE(sample.output.find("opening the sample disc in " + path("share/orva/disc-demo")), std::string::npos)
        << sample.output;
}

} // namespace
