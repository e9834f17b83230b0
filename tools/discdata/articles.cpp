// The section "verbetes": the articles of disc/title/verbetes/*.txt become the articles data file
// DAT/Verbetes.dat with its look-up files, the category lists IDCatLst.DTT and the word index
// KeyWord.idx / KeyWord.dat. docs/article_sources.md describes the sources and every file made.
#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "discdata/articles.h"
#include "discdata/articles_markup.h"
#include "discdata/countries.h"
#include "title/search_query.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::discdata {
namespace {

constexpr std::array<std::string_view, 5> kCategories = {"Brasil", "Ci\xC3\xAAncia", "Cultura", "Esportes", "Mundo"};

struct Article {
    ArticleSource source;
    std::string sortKey;
    int32_t category = 0;
};

Value list(std::initializer_list<Value> items)
{
    Value out = ValueList::make(static_cast<int32_t>(items.size()) + 1);
    for (const Value& item : items)
        asList(out)->append(item);
    return out;
}

std::vector<Article> readArticles(const Context& context)
{
    const fs::path folder = context.source / "verbetes";
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    if (files.empty())
        fail(folder.string() + ": no article sources");
    std::vector<Article> articles;
    std::set<std::string> names;
    for (const fs::path& file : files) {
        Article article{parseArticleSource(file.string(), readText(file)), {}, 0};
        const ArticleSource& s = article.source;
        if (std::find(kCategories.begin(), kCategories.end(), s.category) == kCategories.end())
            fail(s.file + ": the category \"" + s.category + "\" is none of Brasil, Ci\xC3\xAAncia, Cultura, Esportes, Mundo");
        if (!names.insert(s.name).second)
            fail(s.file + ": a second article named \"" + s.name + "\"");
        const std::string name1252 = to1252(s.name, s.file);
        article.sortKey = foldWord(name1252) + '\x01' + name1252;
        articles.push_back(std::move(article));
    }
    // Article numbers follow the alphabetical order, so that lists in number order read alphabetically.
    std::sort(articles.begin(), articles.end(),
              [](const Article& a, const Article& b) { return a.sortKey < b.sortKey; });
    return articles;
}

// Category 0 is the whole collection; then one per category and sub-category, in the order of
// kCategories and the sub-categories' alphabetical order.
Value categoryLists(std::vector<Article>& articles)
{
    std::map<std::pair<std::size_t, std::string>, int32_t> numbers;
    for (const Article& a : articles) {
        const std::size_t order = static_cast<std::size_t>(
            std::find(kCategories.begin(), kCategories.end(), a.source.category) - kCategories.begin());
        numbers.emplace(std::make_pair(order, a.source.sub), 0);
    }
    int32_t next = 1;
    for (auto& [key, number] : numbers)
        number = next++;
    Value table = Table::make();
    Value all = ValueList::make(static_cast<int32_t>(articles.size()) + 1);
    std::map<int32_t, Value> members;
    for (Article& a : articles) {
        const std::size_t order = static_cast<std::size_t>(
            std::find(kCategories.begin(), kCategories.end(), a.source.category) - kCategories.begin());
        a.category = numbers.at({order, a.source.sub});
        const Value name = text1252(a.source.name, a.source.file);
        asList(all)->append(name);
        Value& list = members[a.category];
        if (list.isNil())
            list = ValueList::make();
        asList(list)->append(name);
    }
    asTable(table)->put(std::string_view("Cat0"), list({Value::string("Todos os verbetes"), Value::string(""), all}));
    // "Categorias": each category with its sub-categories' names and identifiers, for the menus.
    Value menus = ValueList::make();
    for (std::size_t c = 0; c < kCategories.size(); ++c) {
        Value subs = ValueList::make();
        for (const auto& [key, number] : numbers) {
            if (key.first != c)
                continue;
            const Value category = text1252(kCategories[c], "categories");
            const Value sub = text1252(key.second, "categories");
            asTable(table)->put(std::string_view("Cat" + std::to_string(number)), list({category, sub, members[number]}));
            asList(subs)->append(list({sub, Value::integer(number)}));
        }
        if (asList(subs)->count() > 0)
            asList(menus)->append(list({text1252(kCategories[c], "categories"), subs}));
    }
    asTable(table)->put(std::string_view("Categorias"), menus);
    return table;
}

} // namespace

void makeArticles(const Context& context)
{
    std::vector<Article> articles = readArticles(context);
    std::set<std::string> names;
    for (const Article& a : articles)
        names.insert(a.source.name);
    const ArticleExists exists = [&](const std::string& name) { return names.count(name) > 0; };

    writeArchiveSource(context, "IDCatLst.DTT", list({categoryLists(articles)}));

    Value records = ValueList::make(static_cast<int32_t>(articles.size()) + 1);
    Value listId = Table::make(), idList = Table::make(), nameList = Table::make(), titles = Table::make();
    WordArticles words;
    for (std::size_t i = 0; i < articles.size(); ++i) {
        const ArticleSource& s = articles[i].source;
        const int32_t number = static_cast<int32_t>(i);
        const Value name = text1252(s.name, s.file);
        const Value title = text1252(s.title, s.file);
        const std::string text = to1252(expandBody(s, exists), s.file);
        const Value countryData = s.country.empty() ? Value::string("") : text1252(countryDataText(context, s.country), s.file);
        asList(records)->append(list({Value::integer(number), title, name, Value::integer(articles[i].category),
                                      Value::string(text), text1252(seeAlsoText(s, exists), s.file), countryData,
                                      Value::string(""), text1252(s.media, s.file)}));
        asTable(listId)->put(name, Value::integer(number));
        asTable(idList)->put(name, name);
        asTable(nameList)->put(Value::integer(number), name);
        asTable(titles)->put(Value::integer(number), title);
        collectWords(words, number, to1252(s.title + " " + s.name, s.file) + " " + richTextWords(text));
    }
    writeArchiveSource(context, "DAT/Verbetes.dat", records);
    writeIndexSource(context, "DAT/VDBLstID.IDX", listId);
    writeIndexSource(context, "DAT/VDBIDLst.IDX", idList);
    writeIndexSource(context, "DAT/VDBNList.IDX", nameList);
    writeIndexSource(context, "DAT/VDBName.IDX", titles);

    Value wordItems = ValueList::make(static_cast<int32_t>(words.size()) + 1);
    Value wordIndex = Table::make();
    int32_t item = 0;
    for (const auto& [word, numbers] : words) {
        Value ints = IntList::make(static_cast<int32_t>(numbers.size()) + 1);
        for (int32_t n : numbers)
            asIntList(ints)->appendInt(n);
        asList(wordItems)->append(ints);
        asTable(wordIndex)->put(Value::string(word), Value::integer(item++));
    }
    writeArchiveSource(context, "KeyWord.dat", wordItems);
    writeIndexSource(context, "KeyWord.idx", wordIndex);
}

} // namespace vel::discdata
