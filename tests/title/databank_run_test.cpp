// The data bank on the sample disc, driven as a reader would: a ready-made query scrolled and
// printed, and a free query with two conditions on the states.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scripted_run.h"

namespace {

class DatabankRunTest : public vel::testing_support::SampleDiscRunTest {
protected:
    DatabankRunTest() : SampleDiscRunTest("DBPaises.dat") {}
};

TEST_F(DatabankRunTest, ProgramEndingWithAQueryDialogOpenEndsCleanly)
{
    std::string said;
    EXPECT_EQ(runScript("key Escape\nwait 500\nclick 132 256\nwait 500\nclick 320 218\nwait 300\n"
                        "expect-form PesqProntaDialog\nquit\n",
                        &said),
              0)
        << said;
}

TEST_F(DatabankRunTest, ReadyQueryScrolledAndPrintedThenFreeQueryOnTheStates)
{
    // Home, countries, the last ready-made query (every country, every field), scrolled down and
    // across, the notes, printed; then the states: Nordeste or Sul, with at least 3,5 million people.
    const std::string script =
        "key Escape\nwait 500\nclick 132 256\nwait 500\nexpect-form BDadosHForm\nclick 320 218\nwait 300\n"
        "expect-form PesqProntaDialog\nclick 200 150\nkey End\nclick 264 361\nwait 500\nexpect-form BDadosForm\n"
        "key Down\nkey PageDown\nkey Right\nclick 60 445\nwait 200\nclick 320 409\nclick 252 445\nwait 200\n"
        "expect-form SysMenuDBDialog\nclick 264 359\nwait 500\nexpect-form BDadosForm\n"
        "click 24 20\nwait 300\nclick 60 56\nwait 500\nclick 132 256\nwait 500\nclick 320 330\nclick 320 258\nwait 300\n"
        "expect-form PesqLivreDialog\nclick 150 163\nclick 400 145\nkey Enter\nclick 400 199\nkey Enter\n"
        "click 150 235\nclick 362 313\nclick 400 343\ntype 3,5\nclick 540 343\nclick 352 427\nwait 500\n"
        "expect-form BDadosForm\nquit\n";
    std::string said;
    std::filesystem::create_directories(path("print"));
    ASSERT_EQ(runScript(script, &said, {"--set", "PrintOutput=" + path("print")}), 0) << said;
    std::ifstream pdf(path("print") + "/ORVA - Banco de Dados.pdf", std::ios::binary);
    ASSERT_TRUE(pdf) << said;
    std::stringstream bytes;
    bytes << pdf.rdbuf();
    // 194 countries over 18 columns take many sheets, the notes one more.
    std::size_t pages = 0;
    const std::string text = bytes.str();
    for (std::size_t at = 0; (at = text.find("/Type /Page", at)) != std::string::npos; ++at)
        pages += text.compare(at, 12, "/Type /Pages") != 0;
    EXPECT_GT(pages, 10u) << said;
}

} // namespace
