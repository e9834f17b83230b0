#include "title/databank_files.h"

#include "index/value_index.h"
#include "platform/media_path.h"
#include "runtime/engine.h"
#include "runtime/environment.h"
#include "title/quiet_errors.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

std::string_view databankFilesFor(std::string_view dbase2use)
{
    if (dbase2use == kCountriesDatabank)
        return "DBPaises";
    if (dbase2use == kStatesDatabank)
        return "DBEstado";
    return {};
}

bool isStatesDatabank(std::string_view dbase2use) { return dbase2use == kStatesDatabank; }

std::string databankIndexKey(int32_t field, std::string_view value)
{
    return std::to_string(field) + '\t' + std::string(value);
}

bool Databank::fail(std::string reason)
{
    error_ = std::move(reason);
    return false;
}

bool Databank::load(const std::string& datPath, const std::string& idxPath, const std::string& dttPath)
{
    *this = Databank();
    QuietErrors quiet;
    for (const std::string* path : {&datPath, &idxPath, &dttPath})
        if (!platform::isFile(*path))
            return fail("Arquivo do banco de dados n\xE3o encontrado: " + *path);
    Value listFile = Archive::open(Value::string(dttPath), false);
    const Archive* lists = asArchive(listFile);
    const Value first = lists && lists->count() > 0 ? lists->get(0) : Value();
    const Table* header = asTable(first);
    if (!header)
        return fail("Arquivo do banco de dados danificado: " + dttPath);
    auto entry = [header](const char* key) { return header->get(std::string_view(key)); };
    name_ = std::string(textOf(entry("Nome")));
    scope_ = std::string(textOf(entry("Escopo")));
    notes_ = entry("Notas");
    sources_ = entry("Fontes");
    const Value fieldList = entry("Campos");
    const List* fields = asList(fieldList);
    for (int32_t i = 0; fields && i < fields->count(); ++i)
        if (std::optional<DatabankField> field = fieldFromValue(fields->get(i)))
            fields_.push_back(std::move(*field));
    if (fields_.empty())
        return fail("Arquivo do banco de dados sem campos: " + dttPath);

    Value recordFile = Archive::open(Value::string(datPath), false);
    const Archive* records = asArchive(recordFile);
    if (!records)
        return fail("Arquivo do banco de dados danificado: " + datPath);
    records_.reserve(records->count());
    for (int32_t i = 0; i < records->count(); ++i) {
        Value record = records->get(i);
        // A damaged record stays a row, shown as empty cells, so that record numbers keep their place.
        records_.push_back(asList(record) ? record : ValueList::make());
    }
    if (quiet.any())
        return fail("Arquivo do banco de dados danificado: " + datPath);

    const int32_t count = static_cast<int32_t>(records_.size());
    const Value readyList = entry("Prontas");
    const List* ready = asList(readyList);
    for (int32_t i = 0; ready && i < ready->count(); ++i) {
        Value query = ready->get(i);
        const List* q = asList(query);
        if (!q || q->count() < 3 || !q->get(0).is(Tag::String))
            continue;
        ReadyQuery made{std::string(textOf(q->get(0))), {}, {}};
        for (int32_t r : integersOf(q->get(1)))
            if (r >= 0 && r < count)
                made.records.push_back(r);
        for (int32_t f : integersOf(q->get(2)))
            if (f >= 0 && f < static_cast<int32_t>(fields_.size()))
                made.fields.push_back(f);
        queries_.push_back(std::move(made));
    }
    index_ = ValueIndex::make(idxPath, false, false);
    if (index_.isNil())
        return fail("Arquivo do banco de dados danificado: " + idxPath);
    return true;
}

bool Databank::open(Engine& engine, std::string_view dbase2use)
{
    const std::string_view files = databankFilesFor(dbase2use);
    if (files.empty()) {
        *this = Databank();
        return fail("Banco de dados desconhecido: " + std::string(dbase2use));
    }
    const Configuration& configuration = engine.configuration();
    return load(configuration.findFile(files, "dat"), configuration.findFile(files, "idx"),
                configuration.findFile(files, "dtt"));
}

std::vector<std::string> Databank::valuesOf(int32_t field) const
{
    std::vector<std::string> values;
    const ValueIndex* index = asValueIndex(index_);
    if (!index || field < 0 || field >= static_cast<int32_t>(fields_.size()) || fields_[field].numeric)
        return values;
    const std::string prefix = databankIndexKey(field, "");
    Value keys = index->keysWithPrefix(Value::string(prefix));
    const List* l = asList(keys);
    for (int32_t i = 0; l && i < l->count(); ++i)
        values.emplace_back(textOf(l->get(i)).substr(prefix.size()));
    return values;
}

std::optional<int32_t> Databank::fieldNamed(std::string_view name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name == name)
            return static_cast<int32_t>(i);
    return std::nullopt;
}

} // namespace vel
