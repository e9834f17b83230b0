#include "discdata/discdata.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/text_encoding.h"
#include "value/file_replacement.h"
#include "value/printer.h"

namespace vel::discdata {

void fail(const std::string& message)
{
    std::fprintf(stderr, "discdata: %s\n", message.c_str());
    std::exit(2);
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail(path.string() + ": cannot read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Json readPackageJson(const Context& context, std::string_view package, std::string_view path)
{
    const fs::path file = context.npm / package / path;
    try {
        return Json::parse(readText(file));
    } catch (const Json::exception& error) {
        fail(file.string() + ": not JSON: " + error.what());
    }
}

std::string to1252(std::string_view utf8, std::string_view where)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = platform::decodeUtf8(utf8, i, code);
        if (length == 0)
            fail(std::string(where) + ": malformed UTF-8 at byte " + std::to_string(i));
        const int byte = platform::windows1252Of(code);
        if (byte < 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            fail(std::string(where) + ": " + hex + " has no Windows-1252 character");
        }
        out.push_back(static_cast<char>(byte));
        i += length;
    }
    return out;
}

Value text1252(std::string_view utf8, std::string_view where)
{
    return Value::string(to1252(utf8, where));
}

namespace {

// The printer writes nil as VEL_NIL, a word the reader does not know (only "nil" is a constant): a
// record holding nil would not read back. Outside quoted strings, the word becomes nil.
std::string readableNils(const std::string& printed)
{
    static constexpr std::string_view kPrinted = "VEL_NIL";
    std::string out;
    out.reserve(printed.size());
    bool quoted = false;
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const char c = printed[i];
        if (quoted && c == '\\' && i + 1 < printed.size()) {
            out += c;
            out += printed[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (!quoted && printed.compare(i, kPrinted.size(), kPrinted) == 0) {
            out += "nil";
            i += kPrinted.size() - 1;
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

void writeValueSource(const fs::path& path, const Value& value)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::string printed;
    printTo(printed, value, true);
    std::string text = readableNils(printed);
    text.push_back('\n');
    std::string why;
    if (!replaceFile(path.string(), text, &why))
        fail(path.string() + ": cannot write: " + why);
}

void writeArchiveSource(const Context& context, const std::string& relative, const Value& items)
{
    writeValueSource(context.work / "dados" / (relative + ".lst"), items);
}

void writeIndexSource(const Context& context, const std::string& relative, const Value& table)
{
    writeValueSource(context.work / "dados" / (relative + ".tbl"), table);
}

} // namespace vel::discdata
