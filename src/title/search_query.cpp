#include "title/search_query.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

#include "index/value_index.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

// What each Windows-1252 byte folds to: "" for a character that is no part of a word.
const std::array<std::string_view, 256>& foldTable()
{
    static const std::array<std::string_view, 256> table = [] {
        static char lower[128][2];
        std::array<std::string_view, 256> t{};
        for (int c = 0; c < 128; ++c) {
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
                lower[c][0] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                t[static_cast<std::size_t>(c)] = std::string_view(lower[c], 1);
            }
        }
        // Latin-1 letters, capital and small alike (0xC0-0xFF less the two signs).
        static constexpr std::string_view latin[64] = {
            "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
            "d", "n", "o", "o", "o", "o", "o", "",  "o", "u", "u", "u", "u", "y", "th", "ss",
            "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
            "d", "n", "o", "o", "o", "o", "o", "",  "o", "u", "u", "u", "u", "y", "th", "y"};
        for (int i = 0; i < 64; ++i)
            t[static_cast<std::size_t>(0xC0 + i)] = latin[i];
        t[0x8A] = t[0x9A] = "s";
        t[0x8C] = t[0x9C] = "oe";
        t[0x8E] = t[0x9E] = "z";
        t[0x9F] = "y";
        return t;
    }();
    return table;
}

std::string_view foldOf(char c) { return foldTable()[static_cast<unsigned char>(c)]; }

void cutToKey(std::string& word)
{
    if (word.size() > ValueIndex::kKeyLimit)
        word.resize(ValueIndex::kKeyCut);
}

ArticleNumbers everyArticle(int32_t count)
{
    ArticleNumbers all(static_cast<std::size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i)
        all[static_cast<std::size_t>(i)] = i;
    return all;
}

std::vector<std::string_view> splitQuery(std::string_view query)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < query.size()) {
        const std::size_t end = std::min(query.find_first_of(kQuerySeparators, start), query.size());
        if (end > start)
            words.push_back(query.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// One word's articles: "*" alone all, "x*" by prefix, else exact. A word that folds to nothing
// (only punctuation) is no term at all: nullopt.
bool lookUp(std::string_view word, const WordSource& words, int32_t count, ArticleNumbers& out)
{
    if (!word.empty() && word.find_first_not_of('*') == std::string_view::npos) {
        out = everyArticle(count);
        return true;
    }
    const bool prefix = !word.empty() && word.back() == '*';
    std::string folded = foldWord(prefix ? word.substr(0, word.size() - 1) : word);
    if (folded.empty())
        return false;
    cutToKey(folded);
    out = prefix ? words.prefixed(folded) : words.exact(folded);
    return true;
}

ArticleNumbers sortedSet(ArticleNumbers numbers)
{
    if (!std::is_sorted(numbers.begin(), numbers.end()) ||
        std::adjacent_find(numbers.begin(), numbers.end()) != numbers.end()) {
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    }
    return numbers;
}

} // namespace

std::string foldWord(std::string_view word)
{
    std::string out;
    out.reserve(word.size());
    for (char c : word)
        out += foldOf(c);
    return out;
}

void forEachWord(std::string_view text, const std::function<void(const std::string& word)>& visit)
{
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const std::string_view folded = i < text.size() ? foldOf(text[i]) : std::string_view();
        if (!folded.empty()) {
            word += folded;
            continue;
        }
        if (!word.empty()) {
            cutToKey(word);
            visit(word);
            word.clear();
        }
    }
}

std::string richTextWords(std::string_view rich)
{
    std::string out;
    out.reserve(rich.size());
    for (std::size_t i = 0; i < rich.size(); ++i) {
        const char c = rich[i];
        if (c == '{' || c == '}') {
            out += ' ';
        } else if (c == '\\' && i + 1 < rich.size()) {
            const char next = rich[i + 1];
            if (next == '{') { // a hot link's target, up to its closing "\}"
                const std::size_t close = rich.find("\\}", i + 2);
                i = close == std::string_view::npos ? rich.size() : close + 1;
            } else if (next == '\'' && i + 3 < rich.size()) { // \'hh
                const std::string hex(rich.substr(i + 2, 2));
                out += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
                i += 3;
            } else if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) {
                std::size_t j = i + 1;
                while (j < rich.size() && ((rich[j] >= 'a' && rich[j] <= 'z') || (rich[j] >= 'A' && rich[j] <= 'Z')))
                    ++j;
                while (j < rich.size() && (rich[j] == '-' || (rich[j] >= '0' && rich[j] <= '9')))
                    ++j;
                if (j < rich.size() && rich[j] == ' ')
                    ++j;
                out += ' ';
                i = j - 1;
            } else { // an escaped character stands for itself
                out += next;
                ++i;
            }
        } else if (c == '!' && i + 2 < rich.size() && rich[i + 1] == '\\' && rich[i + 2] == '{' && i > 0 &&
                   rich[i - 1] == '}') {
            continue; // the "!" between hot text and its target
        } else {
            out += c;
        }
    }
    return out;
}

void collectWords(WordArticles& words, int32_t article, std::string_view plainText)
{
    forEachWord(plainText, [&](const std::string& word) {
        ArticleNumbers& articles = words[word];
        if (articles.empty() || articles.back() != article)
            articles.push_back(article);
    });
}

bool writeKeywordFiles(const WordArticles& words, const std::string& indexPath, const std::string& dataPath)
{
    Value index = ValueIndex::make(indexPath, true, true);
    Value data = Archive::create(Value::string(dataPath), static_cast<int32_t>(words.size()) + 1);
    ValueIndex* keys = asValueIndex(index);
    Archive* items = asArchive(data);
    if (!keys || !items)
        return false;
    int32_t item = 0;
    for (const auto& [word, articles] : words) {
        Value list = IntList::make(static_cast<int32_t>(articles.size()) + 1);
        for (int32_t article : articles)
            asIntList(list)->appendInt(article);
        if (!items->add(list))
            return false;
        keys->put(Value::string(word), Value::integer(item++));
    }
    return items->flush();
}

ArticleNumbers mergeArticles(const ArticleNumbers& a, const ArticleNumbers& b)
{
    ArticleNumbers out;
    out.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

ArticleNumbers intersectArticles(const ArticleNumbers& a, const ArticleNumbers& b)
{
    ArticleNumbers out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

ArticleNumbers runQuery(std::string_view query, const WordSource& words, int32_t articleCount,
                        const std::function<void()>& between)
{
    const std::vector<std::string_view> split = splitQuery(query);
    if (split.empty())
        return everyArticle(articleCount);
    ArticleNumbers hits;
    for (std::size_t i = 0; i < split.size(); ++i) {
        std::string_view word = split[i];
        if (word.front() != '(') {
            while (!word.empty() && word.back() == ')')
                word.remove_suffix(1);
            ArticleNumbers found;
            if (lookUp(word, words, articleCount, found))
                hits = mergeArticles(hits, found);
        } else {
            // A group runs to the first word that ends in ")", or to the end when none does. A word
            // absent from the index takes part with its empty list, so the group finds nothing,
            // rather than being passed over as if the reader had not typed it.
            ArticleNumbers group;
            bool any = false;
            for (; i < split.size(); ++i) {
                std::string_view member = split[i];
                const bool closes = member.back() == ')';
                member.remove_prefix(std::min(member.find_first_not_of('('), member.size()));
                while (!member.empty() && member.back() == ')')
                    member.remove_suffix(1);
                ArticleNumbers found;
                if (lookUp(member, words, articleCount, found)) {
                    group = any ? intersectArticles(group, found) : std::move(found);
                    any = true;
                }
                if (between)
                    between();
                if (closes)
                    break;
            }
            if (any)
                hits = mergeArticles(hits, group);
        }
        if (between)
            between();
    }
    return hits;
}

std::string resultCountText(std::size_t hits)
{
    if (hits == 0)
        return "Nenhum verbete encontrado";
    return std::to_string(hits) + " verbetes encontrado" + (hits > 1 ? "s" : "");
}

KeywordIndex::KeywordIndex(const std::string& indexPath, const std::string& dataPath)
{
    if (!ValueIndex::isIndexFile(indexPath))
        return;
    index_ = ValueIndex::make(indexPath, false, false);
    data_ = Archive::open(Value::string(dataPath), false);
    if (!asArchive(data_))
        data_ = Value();
}

ArticleNumbers KeywordIndex::record(const Value& itemNumber) const
{
    Archive* data = asArchive(data_);
    if (!data || !itemNumber.is(Tag::Int) || itemNumber.asInt() < 0 || itemNumber.asInt() >= data->count())
        return {};
    Value item = data->get(itemNumber.asInt());
    List* list = asList(item);
    if (!list)
        return {};
    ArticleNumbers numbers;
    numbers.reserve(static_cast<std::size_t>(list->count()));
    if (IntList* ints = asIntList(item)) {
        numbers.assign(ints->data(), ints->data() + ints->count());
    } else {
        for (int32_t i = 0; i < list->count(); ++i)
            if (Value v = list->get(i); v.is(Tag::Int))
                numbers.push_back(v.asInt());
    }
    return sortedSet(std::move(numbers));
}

ArticleNumbers KeywordIndex::exact(const std::string& word) const
{
    ValueIndex* index = asValueIndex(index_);
    return index ? record(index->get(Value::string(word))) : ArticleNumbers();
}

ArticleNumbers KeywordIndex::prefixed(const std::string& prefix) const
{
    ValueIndex* index = asValueIndex(index_);
    Value items = index ? index->valuesWithPrefix(Value::string(prefix)) : Value();
    List* list = asList(items);
    ArticleNumbers hits;
    for (int32_t i = 0; list && i < list->count(); ++i)
        hits = mergeArticles(hits, record(list->get(i)));
    return hits;
}

ArticleCatalog::ArticleCatalog(Value names, Value numbers, Value categoryTable)
    : names_(asValueIndex(names) ? names : Value()), numbers_(asValueIndex(numbers) ? numbers : Value()),
      categories_(asTable(categoryTable) ? categoryTable : Value())
{
}

int32_t ArticleCatalog::count() const
{
    ValueIndex* names = asValueIndex(names_);
    return names ? std::max(names->count() - 1, 0) : 0; // less the count entry
}

std::string ArticleCatalog::name(int32_t article) const
{
    ValueIndex* names = asValueIndex(names_);
    if (!names || article < 0)
        return {};
    Value name = names->get(Value::integer(article));
    return name.is(Tag::String) ? std::string(textOf(name)) : std::string();
}

ArticleNumbers ArticleCatalog::category(std::string_view categoryName) const
{
    Table* table = asTable(categories_);
    ValueIndex* numbers = asValueIndex(numbers_);
    if (!table || !numbers)
        return {};
    const std::string wanted = foldWord(categoryName);
    ArticleNumbers found;
    for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot)) {
        const Value key = table->keyAt(slot);
        if (!key.is(Tag::String) || textOf(key).substr(0, 3) != "Cat")
            continue;
        List* record = asList(table->valueAt(slot));
        if (!record || record->count() < 3 || !record->get(0).is(Tag::String) ||
            foldWord(textOf(record->get(0))) != wanted)
            continue;
        List* identifiers = asList(record->get(2));
        for (int32_t i = 0; identifiers && i < identifiers->count(); ++i)
            if (Value n = numbers->get(identifiers->get(i)); n.is(Tag::Int))
                found.push_back(n.asInt());
    }
    return sortedSet(std::move(found));
}

SearchHits searchArticles(std::string_view query, const WordSource& words, const ArticleCatalog& catalog,
                          const std::vector<std::string>& categories, const std::function<void()>& between)
{
    ArticleNumbers hits = runQuery(query, words, catalog.count(), between);
    if (!categories.empty()) {
        ArticleNumbers allowed;
        for (const std::string& category : categories)
            allowed = mergeArticles(allowed, catalog.category(category));
        hits = intersectArticles(hits, allowed);
    }
    SearchHits out;
    for (int32_t article : hits) {
        std::string name = catalog.name(article);
        if (name.empty())
            continue; // a word's record naming an article the disc does not have
        out.articles.push_back(article);
        out.names.push_back(std::move(name));
    }
    return out;
}

} // namespace vel
