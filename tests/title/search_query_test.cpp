// The article search against a small word index built here: the query language, the category
// filter, folding, the count texts and damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search_test_support.h"
#include "support/scratch_dir.h"

namespace {

using namespace vel;
using vel::testing_support::writeSearchFiles;

class SearchQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeSearchFiles(dir.path());
        Value lists = Archive::open(Value::string(dir / "IDCatLst.DTT"), false);
        categories = asArchive(lists)->get(0);
        namesIndex = ValueIndex::make(dir / "DAT/VDBNList.IDX", false, false);
        numbersIndex = ValueIndex::make(dir / "DAT/VDBLstID.IDX", false, false);
    }

    std::vector<std::string> search(const std::string& query, std::vector<std::string> categoriesChosen = {})
    {
        const KeywordIndex words(dir / "KeyWord.idx", dir / "KeyWord.dat");
        EXPECT_TRUE(words.ok());
        const ArticleCatalog catalog(namesIndex, numbersIndex, categories);
        return searchArticles(query, words, catalog, categoriesChosen).names;
    }

    vel::testing_support::ScratchDirectory dir;
    Value categories, namesIndex, numbersIndex;
};

using Names = std::vector<std::string>;
const Names kEvery = {"Amazonas", "Ci\xeancia", "Futebol", "Mar", "\xc1gua"};

TEST_F(SearchQueryTest, QueriesFindTheArticlesTheirWordsName)
{
    const struct {
        std::string query;
        Names categories, expected;
    } cases[] = {
        {"rio", {}, {"Amazonas", "Ci\xeancia", "Mar", "\xc1gua"}},
        {"futebol", {}, {"Futebol"}},
        {"futebol;mar", {}, {"Futebol", "Mar", "\xc1gua"}},           // either word
        {"(rio mar)", {}, {"Mar", "\xc1gua"}},                        // both words
        {"(rio futebol)", {}, {}},
        {"(rio inexistente)", {}, {}},                                // every word of a group must be found
        {"(rio mar", {}, {"Mar", "\xc1gua"}},                         // an open group runs to the end
        {"rio) futebol", {}, {"Amazonas", "Ci\xeancia", "Futebol", "Mar", "\xc1gua"}},
        {"flor*", {}, {"Amazonas"}},                                  // prefix
        {"(ci* rio)", {}, {"Ci\xeancia"}},
        {"inexistente", {}, {}},
        {"AGUA", {}, {"\xc1gua"}},                                    // case and accents folded
        {"\xe1gua", {}, {"\xc1gua"}},
        {"Ci\xcaNCIA", {}, {"Ci\xeancia"}},
        {"rio", {"Ci\xeancia"}, {"Ci\xeancia", "\xc1gua"}},           // categories restrict
        {"rio", {"Esportes"}, {}},
        {"rio futebol", {"Esportes", "Brasil"}, {"Amazonas", "Futebol"}},
        {"*", {}, kEvery},
        {"", {}, kEvery},
        {" \t  ", {}, kEvery},
        {"* rio", {"Mundo"}, {"Mar"}},
        {"fantasma", {}, {"Futebol"}},                                // records naming no article
        {"()", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(search(c.query, c.categories), c.expected) << "query \"" << c.query << "\"";
}

TEST_F(SearchQueryTest, LongQueriesEndWithoutFault)
{
    EXPECT_EQ(search(std::string(10000, 'a')), Names());
    EXPECT_EQ(search(std::string(10000, '(')), Names());
    EXPECT_EQ(search(std::string(10000, '*')), kEvery);
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "rio ";
    EXPECT_EQ(search(many).size(), 4u);
}

TEST(SearchCountText, SaysHowManyWereFound)
{
    EXPECT_EQ(resultCountText(0), "Nenhum verbete encontrado");
    EXPECT_EQ(resultCountText(1), "1 verbetes encontrado");
    EXPECT_EQ(resultCountText(2), "2 verbetes encontrados");
}

TEST(SearchWords, RichTextGivesTheWordsAReaderSees)
{
    const struct {
        const char* rich;
        Names words;
    } cases[] = {
        {"{\\b Rio} Amazonas\\par\\par fim", {"rio", "amazonas", "fim"}},
        {"{\\uldb o mapa}!\\{mapa:MAPA_ARG\\} e \\'e1gua", {"o", "mapa", "e", "agua"}},
        {"\\pard\\tx2400 Norte\\tab 7\\par", {"norte", "7"}},
    };
    for (const auto& c : cases) {
        Names words;
        forEachWord(richTextWords(c.rich), [&](const std::string& w) { words.push_back(w); });
        EXPECT_EQ(words, c.words) << c.rich;
    }
}

} // namespace
