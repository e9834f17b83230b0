// vel search DISC QUERY [--category NAME]...: the search dialog's query on a disc's files, printed as
// the dialog shows it: the count text, then the hits' names one a line, in the dialog's order (UTF-8).
// Without --category the search runs over every category ("Todas").
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "data_file.h"
#include "index/title_indexes.h"
#include "index/value_index.h"
#include "platform/text_encoding.h"
#include "title/search_query.h"
#include "value/archive.h"
#include "value/list.h"

namespace vel::tool {
namespace {

constexpr const char* kSearchUsage = "usage: vel search DISC QUERY [--category NAME]...";

// The disc's file, found without regard to case as the title finds it.
std::string discFile(const std::string& disc, std::string_view folder, std::string_view name)
{
    const std::string directory = folder.empty() ? disc : findFileIgnoringCase(disc, folder);
    return findFileIgnoringCase(directory, name);
}

Value openIndex(const std::string& path)
{
    if (!checkReadable(path))
        return Value();
    if (!ValueIndex::isIndexFile(path)) {
        complain(path + ": not an index file");
        return Value();
    }
    ReadingFile reading(path);
    return ValueIndex::make(path, false, false);
}

} // namespace

int runSearch(Args args)
{
    if (args.size() < 2) {
        complain(kSearchUsage);
        return 2;
    }
    const std::string disc = args[0];
    const std::string query = platform::windows1252FromUtf8(args[1]);
    std::vector<std::string> categories;
    for (std::size_t i = 2; i < args.size(); i += 2) {
        if (std::string_view(args[i]) != "--category" || i + 1 >= args.size()) {
            complain(kSearchUsage);
            return 2;
        }
        const std::string category = platform::windows1252FromUtf8(args[i + 1]);
        if (foldWord(category) == "todas") {
            categories.clear();
            break;
        }
        categories.push_back(category);
    }

    const std::string indexPath = discFile(disc, "", "KeyWord.idx");
    const std::string dataPath = discFile(disc, "", "KeyWord.dat");
    const std::string categoryPath = discFile(disc, "", "IDCatLst.DTT");
    Value names = openIndex(discFile(disc, "DAT", "VDBNList.IDX"));
    Value numbers = openIndex(discFile(disc, "DAT", "VDBLstID.IDX"));
    if (names.isNil() || numbers.isNil())
        return 2;
    if (!checkReadable(indexPath) || !checkReadable(dataPath))
        return 2;
    Value categoryTable;
    {
        ReadingFile reading(categoryPath);
        Value archive = checkReadable(categoryPath) ? Archive::open(Value::string(categoryPath), false) : Value();
        if (!asArchive(archive) || asArchive(archive)->count() < 1) {
            complain(categoryPath + ": not a category list");
            return 2;
        }
        categoryTable = asArchive(archive)->get(0);
    }
    ReadingFile reading(indexPath);
    const KeywordIndex words(indexPath, dataPath);
    if (!words.ok()) {
        complain(indexPath + ", " + dataPath + ": not the search's index and data files");
        return 2;
    }
    const ArticleCatalog catalog(names, numbers, categoryTable);
    const SearchHits hits = searchArticles(query, words, catalog, categories);
    std::printf("%s\n", resultCountText(hits.names.size()).c_str());
    for (const std::string& name : hits.names)
        std::printf("%s\n", platform::utf8FromWindows1252(name).c_str());
    return 0;
}

} // namespace vel::tool
