#include "title/category_lists.h"

#include <string>

#include "runtime/engine.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/table.h"

namespace vel {

std::string_view categoryListFile(int32_t database)
{
    switch (database) {
    case 0: return "IDCatLst";
    case 1:
    case 2: return "IDMidLst";
    case 3: return "RTCatLst";
    case 4: return "ATCatLst";
    default: return {};
    }
}

Value categoryFileEntry(Engine& engine, std::string_view file, std::string_view key)
{
    if (file.empty())
        return Value();
    const std::string path = engine.configuration().findFile(file, "dtt");
    Value archive = Archive::open(Value::string(path), false);
    Archive* a = asArchive(archive);
    Value first = a && a->count() > 0 ? a->get(0) : Value();
    Table* categories = asTable(first);
    return categories ? categories->get(key) : Value();
}

Value categoryRecord(Engine& engine, std::string_view file, int32_t category)
{
    Value record = categoryFileEntry(engine, file, "Cat" + std::to_string(category));
    return asList(record) ? record : Value();
}

Value categoryIdentifiers(Engine& engine, std::string_view file, int32_t category)
{
    Value held = categoryRecord(engine, file, category);
    List* record = asList(held);
    Value identifiers = record && record->count() > 2 ? record->get(2) : Value();
    return asList(identifiers) ? identifiers : Value();
}

} // namespace vel
