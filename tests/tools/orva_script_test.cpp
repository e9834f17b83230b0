// Scripted runs of the title program on media roots made here: the start-up form on its background,
// forms leading from screen to screen, a dialog drawn over the screen it came from, failures that end
// the run with a reason, and how a start finds its disc. Screenshots are held against stored ones within a small tolerance.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media_writers/media_writers.h"
#include "support/scripted_run.h"

namespace {

using vel::testing_support::agreement;
using vel::testing_support::expectedShot;
namespace mw = vel::media_writers;

std::string text(const mw::Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// An 8-bit bitmap of bands and a disc: enough to see position, palette and scaling at a glance.
std::string bandsAndDisc(int width, int height)
{
    mw::BitmapSpec spec{width, height, 8, 0, {}};
    for (uint32_t i = 0; i < 255; ++i)
        spec.colours.push_back((i & 15) * 17 << 16 | (i >> 4) * 17 << 8 | 64);
    spec.colours.push_back(0xFFFFFF);
    return text(mw::bitmapFile(spec, mw::pixelRows(spec, [&](int x, int y) {
        const int dx = x - width / 2, dy = y - height / 2;
        return dx * dx + dy * dy < 100 * 100 ? 255u : uint32_t(y * 8 / height * 16 + x * 16 / width);
    })));
}

// A 24-bit bitmap in two colours, split by a diagonal, so place and size show in a screenshot.
std::string twoColours(int width, int height, uint32_t first, uint32_t second)
{
    mw::BitmapSpec spec{width, height, 24, 0, {}};
    return text(mw::bitmapFile(spec, mw::pixelRows(spec, [&](int x, int y) {
        return x * height > y * width ? first : second;
    })));
}

// A plain control in the notation: its name, hot spot and the form it leads to.
std::string control(const std::string& name, const std::string& rect, const std::string& target)
{
    return "(control (\"Class\" \"velControlObject\") (\"Name\" \"" + name + "\") (\"Hot Spot\" (rect " + rect +
           ")) (\"Target Form\" \"" + target + "\"))";
}

class OrvaScriptTest : public vel::testing_support::ScriptedRunTest {};

TEST_F(OrvaScriptTest, StartUpOpensTheStartUpFormOnItsBackground)
{
    media("fundo.bmp", bandsAndDisc(640, 480));
    media("startup.frm", "(form (\"Name\" \"Inicio\") (\"Background Image\" \"fundo.bmp\"))");
    std::string said;
    ASSERT_EQ(runScript("expect-form Inicio\nwait 100\nshot " + path("start.png") + "\nquit\n", &said), 0) << said;
    EXPECT_GE(agreement(path("start.png"), expectedShot("startup_background.png"), 6), 0.995);
    // Sharp at scale 3, the bitmap is blown up and its media-size shot is the same picture.
    ASSERT_EQ(runScript("wait 100\nshot-media " + path("sharp.png") + "\nquit\n", &said, {"--scale", "3", "--set", "Sharp=1"}), 0) << said;
    EXPECT_GE(agreement(path("sharp.png"), expectedShot("startup_background.png"), 6), 0.995);
}

TEST_F(OrvaScriptTest, ClicksLeadFromScreenToScreenAndADialogIsDrawnOverTheScreen)
{
    media("fundo.bmp", twoColours(640, 480, 0x3060A0, 0xE0C040));
    media("segunda.bmp", twoColours(640, 480, 0x208040, 0xF0F0F0));
    media("caixa.bmp", twoColours(200, 120, 0xC02020, 0x802080));
    media("startup.frm", "(form (\"Name\" \"Inicio\") (\"Background Image\" \"fundo.bmp\") (\"Control List\" (list " +
                             control("Ir", "20 20 100 50", "segunda.frm") + " " +
                             control("Caixa", "400 300 100 60", "caixa.frm") + ")))");
    media("segunda.frm", "(form (\"Name\" \"Segunda\") (\"Background Image\" \"segunda.bmp\") (\"Control List\" "
                         "(list " + control("Voltar", "500 400 100 50", "startup.frm") + ")))");
    media("caixa.frm", "(form (\"Class\" \"velDialogObject\") (\"Name\" \"Caixa\") (\"Background Image\" "
                       "\"caixa.bmp\") (\"Origin X\" 220) (\"Origin Y\" 180))");
    std::string said;
    ASSERT_EQ(runScript("expect-form Inicio\nshot " + path("inicio.png") + "\nclick 50 40\nexpect-form Segunda\n"
                        "shot " + path("segunda.png") + "\nclick 520 420\nexpect-form Inicio\nclick 420 320\n"
                        "expect-form Caixa\nkey Escape\nshot " + path("caixa.png") + "\nquit\n",
                        &said),
              0)
        << said;
    EXPECT_GE(agreement(path("inicio.png"), expectedShot("forms_inicio.png"), 2), 0.999);
    EXPECT_GE(agreement(path("segunda.png"), expectedShot("forms_segunda.png"), 2), 0.999);
    EXPECT_GE(agreement(path("caixa.png"), expectedShot("forms_caixa.png"), 2), 0.999);
}

TEST_F(OrvaScriptTest, FailuresEndTheRunWithAReason)
{
    std::string said;
    media("startup.frm", "42");
    EXPECT_NE(runScript("click 320 240\nkey Escape\nwait 50\n", &said), 0);
    EXPECT_NE(said.find("Cannot find form named 'startup.frm'"), std::string::npos) << said;
    media("startup.frm", "(form (\"Name\" \"Inicio\"))");
    EXPECT_EQ(runScript("expect-form MainForm\n", &said), 1);
    EXPECT_NE(said.find("expect-form MainForm"), std::string::npos) << said;
    EXPECT_EQ(runScript("jump 1 2\n", &said), 2);
    EXPECT_NE(said.find("unknown command 'jump'"), std::string::npos) << said;
    EXPECT_EQ(runScript("shot /nonexistent/dir/x.png\n", &said), 1);
}

// A plain word names the disc; no disc at all opens the sample beside the program (a program file of
// the test's own here; the title's sample before the demo's) or says where it was looked for; a
// folder that is missing, empty or a file is refused.
TEST_F(OrvaScriptTest, TheDiscIsAPlainWordOrTheSampleBesideTheProgramOrARefusalThatSaysWhy)
{
    vel::testing_support::ScopedVariable config("XDG_CONFIG_HOME", "/nonexistent"); // no user's SourceDisk
    for (const char* folder : {"bin", "empty", "share/orva"})
        std::filesystem::create_directories(path(folder));
    std::filesystem::copy_file(std::string(VEL_BIN_DIR) + "/orva", path("bin/orva"));
    media("startup.frm", "(form (\"Name\" \"Inicio\"))");
    const std::string sample = path("share/orva/disc-demo"), looked = "; give the disc's folder";
    const struct {
        std::vector<std::string> words;
        int status;
        std::string says;
    } cases[] = {
        {{path("media")}, 0, ""},
        {{"--media", "/nonexistent"}, 2, "/nonexistent does not exist" + looked},
        {{path("empty")}, 2, path("empty") + " holds neither the title's 'MainForm.vel' nor the start-up form 'startup.frm'" + looked},
        {{path("media/startup.frm")}, 2, path("media/startup.frm") + " is not a folder" + looked},
        {{}, 2, "no sample disc is in " + path("disc") + " or " + path("disc-demo") + " or " + path("share/orva/disc") + " or " + sample + looked},
        {{"--set", "SourceDisk=" + path("bin")}, 2, path("bin") + "/Media does not exist (the disc the settings name"},
        {{}, 0, "no disc given: opening the sample disc in " + sample},
    };
    for (const auto& c : cases) {
        if (c.status == 0 && c.words.empty())
            std::filesystem::rename(path("media"), sample);
        std::ofstream(path("run.script")) << "expect-form Inicio\nquit\n";
        std::vector<std::string> words = {"env", "-C", path("empty"), path("bin/orva"), "--home", path("home"),
                                          "--script", path("run.script")};
        words.insert(words.end(), c.words.begin(), c.words.end());
        vel::testing_support::ProcessResult run = vel::testing_support::runProcess(words);
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
}

} // namespace
