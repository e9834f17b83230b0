// `vel search` on the title's sample disc: the count line, the hits, the category filter and the exit
// statuses for missing and damaged search files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kDisc = std::string(VEL_BIN_DIR) + "/../disc";

struct Search {
    int status;
    Lines hits;
};

Search search(const std::string& disc, const std::string& arguments)
{
    const auto run = vel::testing_support::runProcess(
        {"sh", "-c", std::string(VEL_BIN_DIR) + "/vel search " + disc + " " + arguments + " 2>/dev/null"});
    std::istringstream out(run.output);
    Lines lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    if (run.status == 0) {
        // The first line counts the lines that follow.
        EXPECT_FALSE(lines.empty());
        const std::size_t n = lines.size() - 1;
        const std::string count = n == 0 ? "Nenhum verbete encontrado"
                                         : std::to_string(n) + " verbetes encontrado" + (n > 1 ? "s" : "");
        EXPECT_EQ(lines.front(), count) << arguments;
        lines.erase(lines.begin());
    }
    return {run.status, lines};
}

bool has(const Lines& lines, const std::string& name)
{
    return std::find(lines.begin(), lines.end(), name) != lines.end();
}

bool within(const Lines& part, const Lines& whole)
{
    return std::all_of(part.begin(), part.end(), [&](const std::string& name) { return has(whole, name); });
}

TEST(SearchCommand, FindsTheDiscsArticles)
{
    const Search argentina = search(kDisc, "argentina"), brasil = search(kDisc, "'BRASÍL'");
    ASSERT_EQ(argentina.status, 0);
    EXPECT_TRUE(has(argentina.hits, "Argentina"));
    EXPECT_TRUE(has(brasil.hits, "Brasil")); // case and accents folded
    const Search both = search(kDisc, "'(argentina brasil)'"), either = search(kDisc, "'argentina brasil'");
    EXPECT_TRUE(within(both.hits, argentina.hits) && within(both.hits, brasil.hits));
    EXPECT_TRUE(within(argentina.hits, either.hits) && within(brasil.hits, either.hits));
    EXPECT_TRUE(has(search(kDisc, "argent*").hits, "Argentina"));
    EXPECT_TRUE(has(search(kDisc, "argentina --category Mundo").hits, "Argentina"));
    EXPECT_FALSE(has(search(kDisc, "argentina --category Esportes").hits, "Argentina"));
    EXPECT_EQ(search(kDisc, "argentina --category Todas").hits, argentina.hits);
    EXPECT_EQ(search(kDisc, "zzzqqqxxx").status, 0);
    EXPECT_TRUE(search(kDisc, "zzzqqqxxx").hits.empty());
}

TEST(SearchCommand, MissingOrDamagedFilesExitWithTwo)
{
    vel::testing_support::ScratchDirectory copy;
    for (const char* file : {"KeyWord.idx", "KeyWord.dat", "IDCatLst.DTT", "DAT/VDBNList.IDX", "DAT/VDBLstID.IDX"}) {
        fs::create_directories(fs::path(copy / file).parent_path());
        fs::copy_file(kDisc + "/" + file, copy / file);
    }
    ASSERT_EQ(search(copy.path(), "argentina").status, 0);
    EXPECT_EQ(search(copy.path(), "argentina --category").status, 2);
    copy.write("KeyWord.idx", std::string(3000, 'x'));
    EXPECT_EQ(search(copy.path(), "argentina").status, 2);
    fs::remove(copy / "KeyWord.idx");
    EXPECT_EQ(search(copy.path(), "argentina").status, 2);
    EXPECT_EQ(search(copy / "nowhere", "argentina").status, 2);
}

} // namespace
