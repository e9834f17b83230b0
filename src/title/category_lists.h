// The title's category list files: "IDCatLst" (articles), "IDMidLst" (media), "RTCatLst"
// (retrospective) and "ATCatLst" (atlas), each "<name>.DTT" found through the media search. Each is
// an archive whose first item is a table; under "Cat" followed by a category identifier it holds the
// category's record: [category name, sub-category name, identifiers]. docs/category_lists.md has
// the layout.
#pragma once

#include <cstdint>
#include <string_view>

#include "value/value.h"

namespace vel {

class Engine;

// The file that lists the categories of a database: 0 articles, 1 and 2 media, 3 retrospective,
// 4 atlas; empty for another number.
std::string_view categoryListFile(int32_t database);

// The entry of the file's table under that key (a category's record, or what a section keeps
// beside them), or nil.
Value categoryFileEntry(Engine& engine, std::string_view file, std::string_view key);

// The category's record in the file, or nil (after a report when the file cannot be read).
Value categoryRecord(Engine& engine, std::string_view file, int32_t category);

// The identifiers the category's record lists; nil when there are none.
Value categoryIdentifiers(Engine& engine, std::string_view file, int32_t category);

} // namespace vel
