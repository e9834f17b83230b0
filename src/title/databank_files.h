// A database of the data bank, read from its three files (docs/databank_files.md):
//   <name>.dat  an archive, item n the record n: a list of strings;
//   <name>.idx  a value index, "<field>\t<value>" -> the record numbers holding that text value;
//   <name>.dtt  an archive whose item 0 is a table: "Nome", "Escopo", "Campos" (the field table),
//               "Prontas" (the ready-made queries: (name records fields)), "Notas", "Fontes".
// The two databases the title knows are named by "DBase2Use"; databankFilesFor gives their files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "title/databank_table.h"
#include "value/value.h"

namespace vel {

class Engine;

struct ReadyQuery {
    std::string name;
    std::vector<int32_t> records;
    std::vector<int32_t> fields; // indexes into the field table
};

// The two databases' names, Windows-1252.
inline constexpr std::string_view kCountriesDatabank = "Pa\xEDses do Mundo";
inline constexpr std::string_view kStatesDatabank = "Estados do Brasil";

// The file name (no extension) of the database "DBase2Use" names; empty for another name.
std::string_view databankFilesFor(std::string_view dbase2use);
// Whether the database is the states' one (its panels and texts are "Estado"'s).
bool isStatesDatabank(std::string_view dbase2use);

class Databank {
public:
    // Reads the three files at base + ".dat" / ".idx" / ".dtt". False, the reason in Portuguese in
    // error(), when one is missing or damaged; nothing is reported through velError.
    bool load(const std::string& datPath, const std::string& idxPath, const std::string& dttPath);
    // The database "DBase2Use" names, found through the media search.
    bool open(Engine& engine, std::string_view dbase2use);

    const std::string& error() const { return error_; }
    const std::string& name() const { return name_; }
    const std::string& scope() const { return scope_; }
    const std::vector<DatabankField>& fields() const { return fields_; }
    const std::vector<Value>& records() const { return records_; }
    const std::vector<ReadyQuery>& queries() const { return queries_; }
    const Value& notes() const { return notes_; }
    const Value& sources() const { return sources_; }
    // A text field's values, as the index lists them (sorted); empty for a numeric field.
    std::vector<std::string> valuesOf(int32_t field) const;
    // The field called so; nothing when none is.
    std::optional<int32_t> fieldNamed(std::string_view name) const;

private:
    bool fail(std::string reason);

    std::string error_, name_, scope_;
    std::vector<DatabankField> fields_;
    std::vector<Value> records_;
    std::vector<ReadyQuery> queries_;
    Value notes_, sources_, index_;
};

// The index key of a text field's value.
std::string databankIndexKey(int32_t field, std::string_view value);

} // namespace vel
