// The keyword search of the articles: the query language, the word index it runs on, and the words
// of an article's text as the index stores them.
//
// The index is the pair of files "KeyWord": KeyWord.idx (an index file) maps each word to an item
// number of KeyWord.dat (an archive), whose item is the sorted list of the numbers of the articles
// that contain the word (an int list). Words are folded before they are stored or looked up: case and
// accents are dropped (Windows-1252 text), so "Ciência", "CIENCIA" and "ciencia" are one word.
//
// A query is split into words at blanks and the punctuation of kQuerySeparators. Each word is a term:
//   "*" alone        every article;
//   "agri*"          every article holding a word that begins with "agri" (a range scan of the index);
//   "(rio mar)"      a group: the articles holding every word of it (an open group runs to the end);
//   "rio"            the articles holding that word.
// The terms' results are merged: an article is a hit when it matches any term. An empty query (no
// word at all) also finds every article.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel {

using ArticleNumbers = std::vector<int32_t>; // sorted, each once

// The characters at which a query splits into words.
inline constexpr std::string_view kQuerySeparators = " \t\\;=<>,.!#\"{}'+-|%:/";

// The word folded for the index: ASCII letters lowered, accented letters to their plain ones, every
// character that is not a letter or a digit dropped (Windows-1252 text).
std::string foldWord(std::string_view word);
// Calls visit with each folded word of a plain Windows-1252 text, split at whatever is not a letter
// or a digit; words longer than the index's key limit are cut as the index would cut them.
void forEachWord(std::string_view text, const std::function<void(const std::string& word)>& visit);
// The plain text of an article's rich text: the characters a reader sees, hot-link targets and
// control words left out.
std::string richTextWords(std::string_view rich);

// The words of the index, each with the sorted articles holding it.
using WordArticles = std::map<std::string, ArticleNumbers>;
// Adds the words of a plain text to article's entries; articles are added in increasing order.
void collectWords(WordArticles& words, int32_t article, std::string_view plainText);
// Writes KeyWord.idx and KeyWord.dat from the words (the disc's generator writes the same as text
// sources instead). False when either file cannot be made.
bool writeKeywordFiles(const WordArticles& words, const std::string& indexPath, const std::string& dataPath);

// What a query runs on: the articles of one word, and of every word that begins with a prefix.
class WordSource {
public:
    virtual ~WordSource() = default;
    virtual ArticleNumbers exact(const std::string& word) const = 0;
    virtual ArticleNumbers prefixed(const std::string& prefix) const = 0;
};

// a ∪ b, and a ∩ b, of sorted lists.
ArticleNumbers mergeArticles(const ArticleNumbers& a, const ArticleNumbers& b);
ArticleNumbers intersectArticles(const ArticleNumbers& a, const ArticleNumbers& b);

// Runs a query; articleCount makes "every article" (0 … count − 1). Visit, when given, is called
// between look-ups so that a screen can keep dispatching its events.
ArticleNumbers runQuery(std::string_view query, const WordSource& words, int32_t articleCount,
                        const std::function<void()>& between = {});

// "Nenhum verbete encontrado", or the count followed by " verbetes encontrado" and an "s" from two on.
std::string resultCountText(std::size_t hits);

// The "KeyWord" files opened read-only. A record that is not a list of numbers, numbers out of
// order or repeated are read as the sorted set of the numbers it holds; numbers of articles that do
// not exist are the caller's to drop.
class KeywordIndex final : public WordSource {
public:
    // Opens KeyWord.idx and KeyWord.dat at the paths given; ok() tells whether both opened.
    KeywordIndex(const std::string& indexPath, const std::string& dataPath);
    bool ok() const { return !index_.isNil() && !data_.isNil(); }

    ArticleNumbers exact(const std::string& word) const override;
    ArticleNumbers prefixed(const std::string& prefix) const override;

private:
    ArticleNumbers record(const Value& itemNumber) const;

    Value index_;
    Value data_;
};

// The article look-ups a search ends with: "VDB_NAMELIST" (article number -> name), "VDB_LISTID"
// (identifier, the name, -> article number) and the category records of "IDCatLst".
class ArticleCatalog {
public:
    ArticleCatalog(Value names, Value numbers, Value categoryTable);
    bool ok() const { return !names_.isNil(); }
    int32_t count() const;
    // The article's name (Windows-1252), or "" when there is no such article.
    std::string name(int32_t article) const;
    // The articles of every category record whose category name folds to the name given.
    ArticleNumbers category(std::string_view categoryName) const;

private:
    Value names_;
    Value numbers_;
    Value categories_;
};

struct SearchHits {
    ArticleNumbers articles;        // the hits that name an existing article, in list order
    std::vector<std::string> names; // their names
};

// The search of the dialog: the query, kept to the articles of the categories named (none: all),
// then the hits that name an existing article.
SearchHits searchArticles(std::string_view query, const WordSource& words, const ArticleCatalog& catalog,
                          const std::vector<std::string>& categories, const std::function<void()>& between = {});

} // namespace vel
