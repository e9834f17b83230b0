// The retrospective on the sample disc, driven as a reader would: a category's first article, a
// step forward and back past the first (the list wraps around to the last), then printed and
// copied; the printed page and the clipboard hold the article shown.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/scripted_run.h"
#include "support/subprocess.h"

namespace {

class RetroRunTest : public vel::testing_support::SampleDiscRunTest {
protected:
    RetroRunTest() : SampleDiscRunTest("RTArtigo.dat") {}

    // The text of the page printed from the retrospective after the clicks given.
    std::string printedAfter(const std::string& steps)
    {
        const std::string script = "key Escape\nwait 500\nclick 132 344\nwait 500\nexpect-form RetroHForm\n"
                                   "click 130 298\nwait 500\nexpect-form RetroForm\n" +
                                   steps + "click 478 446\nwait 500\nquit\n";
        std::string said;
        const std::string out = path("print-" + std::to_string(++runs_));
        std::filesystem::create_directories(out);
        EXPECT_EQ(runScript(script, &said, {"--set", "PrintOutput=" + out}), 0) << said;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            if (entry.path().extension() == ".pdf")
                return vel::testing_support::runProcess({"pdftotext", entry.path().string(), "-"}).output;
        ADD_FAILURE() << "nothing printed: " << said;
        return {};
    }

    int runs_ = 0;
};

TEST_F(RetroRunTest, StepsWrapAroundTheCategoryAndPrintTheArticleShown)
{
    if (!vel::testing_support::haveProgram("pdftotext"))
        GTEST_SKIP() << "pdftotext is not installed";
    // The headline comes from the category's list, the text from the record the headline index gives.
    const struct {
        const char* steps;
        const char* headline;
        const char* inText;
    } cases[] = {
        {"", "Argentina vence a Copa do Mundo no Catar", "Messi"},
        {"click 164 446\nwait 300\n", "Brasil cai nas quartas de final", "Neymar"},
        {"click 164 446\nwait 300\nclick 64 446\nwait 300\nclick 64 446\nwait 300\n",
         "Pequim recebe os Jogos Ol\xC3\xADmpicos de Inverno", "2008"},
    };
    for (const auto& c : cases) {
        const std::string text = printedAfter(c.steps);
        EXPECT_NE(text.find(c.headline), std::string::npos) << c.steps << "\n" << text.substr(0, 300);
        EXPECT_NE(text.find(c.inText), std::string::npos) << c.steps << "\n" << text.substr(0, 300);
    }
}

} // namespace
