// The data bank's tables: a database is a list of records (each a list of strings, figures written
// as decimal strings so that no 32-bit float ever rounds them) and a field table saying, per column,
// which item of the record it shows and how. One formatter serves every column: a text cell as it is
// ("n.d." when empty), a figure scaled and written the Brazilian way ("-" for 0). The free query's
// conditions and their intersection live here too, so that the disc's generator (which evaluates
// the ready-made queries) and the screens share one reading of the data. docs/databank_files.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel {

struct DatabankField {
    std::string name; // Windows-1252, the column's heading
    int32_t item = 0; // the record's item it shows
    bool numeric = false;
    int32_t decimals = 0; // 0 to 9
    double scale = 1.0;   // a figure is shown (and compared) as its value times the scale
    bool grouped = true;  // thousands separated by "."; years are not
    std::string suffix;   // after a text cell
    int32_t width = 80;   // the column's width on screen, pixels
};

// A field as the database's list file keeps it: (name item "N"|"T" decimals "scale" grouped
// suffix width), the scale as a decimal string.
Value fieldToValue(const DatabankField& field);
// Nil-safe reading of that list; nothing when it is not one.
std::optional<DatabankField> fieldFromValue(const Value& value);

// A number as a reader types it: digits with at most one "," (or ".") before the decimals, an
// optional sign; nothing for "", "-", "1.2.3", an exponent, a figure of more than 30 digits or one
// out of range.
std::optional<double> parseTypedNumber(std::string_view text);

// The record's item for the field as text (empty when the record is short or the item no string).
std::string_view cellText(const DatabankField& field, const Value& record);
// The record's figure for the field, scaled; nothing for a text field or an empty or unreadable item.
std::optional<double> cellNumber(const DatabankField& field, const Value& record);
// What the table shows in the cell.
std::string formatCell(const DatabankField& field, const Value& record);

enum class Comparison { AtLeast, Equal, AtMost };

// One condition of a free query: a figure compared, or a text among the chosen values.
struct DatabankCondition {
    int32_t field = 0; // index into the field table
    Comparison comparison = Comparison::Equal;
    double number = 0;
    std::vector<std::string> texts; // a text field's accepted values; empty: a numeric condition
};

// The numbers of the records meeting the condition, ascending.
std::vector<int32_t> recordsMeeting(const std::vector<Value>& records, const DatabankField& field,
                                    const DatabankCondition& condition);
// The numbers present in both ascending lists, by walking them side by side.
std::vector<int32_t> intersectAscending(const std::vector<int32_t>& a, const std::vector<int32_t>& b);
// The records meeting every condition, ascending; with no condition, every record. A condition
// naming a field the table lacks finds nothing.
std::vector<int32_t> runFreeQuery(const std::vector<Value>& records, const std::vector<DatabankField>& fields,
                                  const std::vector<DatabankCondition>& conditions);

// Lists as the data bank's files and query results keep them.
Value integerList(const std::vector<int32_t>& numbers);
Value stringList(const std::vector<std::string>& texts);
// The integers of a list, others skipped; empty for anything but a list.
std::vector<int32_t> integersOf(const Value& list);

} // namespace vel
