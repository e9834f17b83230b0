// A small disc for the article search: five articles, their word index, names, numbers and
// categories, written as the disc holds them (KeyWord.idx, KeyWord.dat, IDCatLst.DTT,
// DAT/VDBNList.IDX, DAT/VDBLstID.IDX) under a folder.
#pragma once

#include <filesystem>
#include <string>

#include "index/value_index.h"
#include "title/search_query.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::testing_support {

struct SearchArticle {
    const char* name; // Windows-1252
    const char* category;
    const char* text;
};

inline const SearchArticle kSearchArticles[] = {
    {"Amazonas", "Brasil", "O rio Amazonas corre na floresta."},
    {"Ci\xeancia", "Ci\xeancia", "A ci\xeancia estuda a natureza, e o rio."},
    {"Futebol", "Esportes", "O futebol \xe9 jogado com bola."},
    {"Mar", "Mundo", "O mar e o rio encontram-se."},
    {"\xc1gua", "Ci\xeancia", "\xc1GUA doce no rio e no mar."},
};

inline void writeSearchFiles(const std::string& folder)
{
    std::filesystem::create_directories(folder + "/DAT");
    WordArticles words;
    Value names = ValueIndex::make(folder + "/DAT/VDBNList.IDX", true, true);
    Value numbers = ValueIndex::make(folder + "/DAT/VDBLstID.IDX", true, true);
    Value categories = Table::make();
    for (int32_t n = 0; n < static_cast<int32_t>(std::size(kSearchArticles)); ++n) {
        const SearchArticle& a = kSearchArticles[n];
        collectWords(words, n, std::string(a.name) + " " + a.text);
        asValueIndex(names)->put(Value::integer(n), Value::string(a.name));
        asValueIndex(numbers)->put(Value::string(a.name), Value::integer(n));
        Value members = ValueList::make(), record = ValueList::make();
        asList(members)->append(Value::string(a.name));
        for (const Value& v : {Value::string(a.category), Value::string(""), members})
            asList(record)->append(v);
        asTable(categories)->put(Value::string("Cat" + std::to_string(n + 1)), record);
    }
    // A damaged record: the word names articles that do not exist, out of order and twice.
    words["fantasma"] = {99, 2, -1, 2};
    writeKeywordFiles(words, folder + "/KeyWord.idx", folder + "/KeyWord.dat");
    Value lists = Archive::create(Value::string(folder + "/IDCatLst.DTT"), 10);
    asArchive(lists)->add(categories);
}

} // namespace vel::testing_support
