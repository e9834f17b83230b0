#include <gtest/gtest.h>

#include <filesystem>

#include "support/scripted_run.h"
#include "value/archive.h"
#include "value/list.h"

namespace vel::testing_support {

namespace {

const std::string kDisc = (std::filesystem::path(VEL_BIN_DIR).parent_path() / "disc").string();

class ArticleRunTest : public ScriptedRunTest {};

// The title on its disc: the articles' home, the A-Z list, an article, the next one, back, a mark
// and the marks' list, printing to a PDF file, copying and reading aloud, each screen where it should be.
TEST_F(ArticleRunTest, AnArticleStepsMarksPrintsCopiesAndReadsAloud)
{
    if (!std::filesystem::exists(kDisc + "/DAT/Verbetes.dat"))
        GTEST_SKIP() << "the title disc is built by disc_title";
    mediaRoot_ = kDisc;
    const std::string script =
        "key Escape\nwait 600\nclick 132 124\nwait 400\nexpect-form VerbHForm\nclick 130 118\nwait 400\n"
        "expect-form PopUpMenu\nkey Escape\nwait 300\nexpect-form VerbHForm\nclick 130 298\nwait 400\n"
        "expect-form VerbetesDlg\nclick 280 130\nwait 400\nexpect-form VerbForm\nclick 142 459\nwait 400\n"
        "expect-form VerbForm\nclick 132 20\nwait 400\nexpect-form VerbForm\nclick 400 459\nwait 300\nclick 314 459\n"
        "wait 300\nexpect-form VerbetesDlg\nkey Escape\nwait 300\nclick 486 459\nwait 300\nexpect-form SysMenuDialog\n"
        "click 356 411\nwait 300\nexpect-form VerbForm\nclick 486 459\nwait 300\nclick 460 411\nwait 300\n"
        "click 572 459\nwait 300\nclick 572 459\nwait 300\nexpect-form VerbForm\n"
        // A double click on a search result opens it.
        "click 60 20\nwait 400\nexpect-form BuscaDialog\ntype amazonia\nkey Enter\nwait 400\n"
        "click 250 170\nclick 250 170\nwait 400\nexpect-form VerbForm\nquit\n";
    std::string said;
    ASSERT_EQ(runScript(script, &said, {"--headless", "--set", "PrintOutput=" + path("artigo.pdf")}), 0) << said;
    EXPECT_GT(std::filesystem::file_size(path("artigo.pdf")), 1000u);
    Value marks = Archive::open(Value::string(path("home/MARKLIST.DTT")), false);
    ASSERT_TRUE(asArchive(marks));
    EXPECT_EQ(asList(asArchive(marks)->get(0))->count(), 1);
}

} // namespace

} // namespace vel::testing_support
