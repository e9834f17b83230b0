// Section "retro": the retrospective of the year from disc/title/retro/artigos.txt
// (docs/section_sources.md): the articles (RTArtigo.dat), their notes (RTNotas.dat, one item per
// article), the headline index (RTTitulo.IDX) and the category lists (RTCatLst.DTT).
#include <algorithm>

#include "discdata/section_blocks.h"
#include "discdata/sections.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::discdata {
namespace {

// The home screen's buttons, in the order of their category numbers (1, 2, ...).
const std::vector<std::string> kCategories = {"Acidentes", "Ciência", "Cultura", "Economia", "Educação",
                                              "Esportes", "Mortes", "Política nacional", "Política internacional",
                                              "Prêmios", "Saúde", "Violência"};

} // namespace

void makeRetro(const Context& context)
{
    const SourceFile file(context.source / "retro" / "artigos.txt", {"Categoria", "Manchete", "Texto", "Nota"});
    Value articles = ValueList::make(64);
    Value notes = ValueList::make(64);
    Value headlines = Table::make(64);
    std::vector<std::vector<int32_t>> members(kCategories.size() + 1);
    std::vector<std::vector<std::string>> titles(kCategories.size() + 1);
    for (const SourceBlock& block : file.blocks()) {
        const std::string where = file.where(block.line);
        const std::string& category = file.require(block, "Categoria");
        const std::string& headline = file.require(block, "Manchete");
        file.require(block, "Texto");
        const auto found = std::find(kCategories.begin(), kCategories.end(), category);
        if (found == kCategories.end())
            file.failAt(block.line, "\"" + category + "\" is not one of the retrospective's categories");
        const std::size_t id = static_cast<std::size_t>(found - kCategories.begin()) + 1;
        const Value key = text1252(headline, where);
        if (asTable(headlines)->contains(key))
            file.failAt(block.line, "the headline \"" + headline + "\" is used twice");
        const int32_t number = asList(articles)->count();
        asTable(headlines)->put(key, Value::integer(number));
        asList(articles)->append(listOf({Value::integer(number), key, text1252(category, where),
                                         text1252(richParagraphs(block.all("Texto")), where)}));
        asList(notes)->append(text1252(richParagraphs(block.all("Nota")), where));
        for (std::size_t at : {std::size_t(0), id}) {
            members[at].push_back(number);
            titles[at].push_back(headline);
        }
    }
    const std::string where = file.path().string();
    Value table = Table::make(32);
    Value byName = Table::make(16);
    for (std::size_t id = 0; id < members.size(); ++id) {
        const std::string name = id == 0 ? "Todas as notícias" : kCategories[id - 1];
        Value identifiers = ValueList::make(static_cast<int32_t>(titles[id].size()) + 1);
        Value numbers = ValueList::make(static_cast<int32_t>(members[id].size()) + 1);
        for (std::size_t k = 0; k < members[id].size(); ++k) {
            asList(identifiers)->append(text1252(titles[id][k], where));
            asList(numbers)->append(Value::integer(members[id][k]));
        }
        asTable(table)->put("Cat" + std::to_string(id), listOf({text1252(name, where), Value::string(""), identifiers}));
        if (id > 0)
            asTable(byName)->put(text1252(name, where), numbers);
    }
    asTable(table)->put("RetroCategorias", byName);
    writeArchiveSource(context, "RTArtigo.dat", articles);
    writeArchiveSource(context, "RTNotas.dat", notes);
    writeIndexSource(context, "RTTitulo.IDX", headlines);
    writeArchiveSource(context, "RTCatLst.DTT", listOf({table}));
}

} // namespace vel::discdata
