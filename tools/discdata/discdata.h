// What the data generators of the title's disc share. Each section of the title (articles, atlas,
// media, data bank ...) has a generator here that reads its readable sources under disc/title and
// the data packages of the npm registry (disc/title/npm-packages.txt), and writes:
//   - the pictures and sounds it makes, straight into the disc (Context::disc);
//   - its archives and index files as readable sources, `<path>.lst` (an archive's items) and
//     `<path>.tbl` (an index's table), under Context::work/dados/, from which the build makes the
//     files at <path> on the disc with `vel archive create` and `vel index create`, as for every
//     other data file of the disc (cmake/title_disc.cmake, part "data").
// Text on the disc is Windows-1252; sources and packages are UTF-8 and are converted with to1252.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "value/value.h"

namespace vel::discdata {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct Context {
    fs::path source; // disc/title
    fs::path disc;   // the disc being built (build/disc)
    fs::path work;   // this section's scratch folder; its dados/ becomes the disc's data files
    fs::path npm;    // the unpacked data packages: npm/<package name>/...
};

// Every failure ends the generator with a message naming the file and the reason.
[[noreturn]] void fail(const std::string& message);

// A file's whole text; fails when it cannot be read.
std::string readText(const fs::path& path);
// A JSON file of a data package, as npm/<package>/<path inside it>.
Json readPackageJson(const Context& context, std::string_view package, std::string_view path);
// UTF-8 -> Windows-1252; a character the code page lacks fails, naming `where`, rather than
// turning into '?' on the disc.
std::string to1252(std::string_view utf8, std::string_view where);
// A Windows-1252 string value made from UTF-8 text.
Value text1252(std::string_view utf8, std::string_view where);
// Writes a value in the text notation to path (folders made as needed), through a temporary name.
void writeValueSource(const fs::path& path, const Value& value);
// Writes an archive's items as work/dados/<relative>.lst, for the disc file at <relative>.
void writeArchiveSource(const Context& context, const std::string& relative, const Value& items);
// Writes an index's table (keys to values) as work/dados/<relative>.tbl, for the disc file at
// <relative>.
void writeIndexSource(const Context& context, const std::string& relative, const Value& table);

} // namespace vel::discdata
