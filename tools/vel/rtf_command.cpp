// vel rtf FILE [--font FACE SIZE STYLE]: the run records and the fonts that an article text parses
// into, in quoted form: "TextRuns", a line feed, then "ListFonts". The file is parsed as it is: the
// text view's wrapping in a paragraph group is not added.
#include <cstdio>
#include <string>
#include <string_view>

#include "commands.h"
#include "controls/rtf_parser.h"
#include "data_file.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::tool {

namespace {

constexpr const char* kRtfUsage = "usage: vel rtf FILE [--font FACE SIZE STYLE]";

const std::string* parsedFile = nullptr;

// The parser's own reports (a bad hex digit, a faceless font) are told, and parsing goes on as it
// does in the program.
int tellAndGoOn(const Value& message)
{
    complain(*parsedFile + ": " + quoted(textOf(message)));
    return 0;
}

} // namespace

int runRtf(Args args)
{
    std::string path, face = "Times New Roman";
    int32_t size = 9, style = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (std::string_view(args[i]) == "--font") {
            if (i + 3 >= args.size() || !parseNonNegative(args[i + 2], size) || !parseNonNegative(args[i + 3], style)) {
                complain(kRtfUsage);
                return 2;
            }
            face = args[i + 1];
            i += 3;
        } else if (path.empty()) {
            path = args[i];
        } else {
            complain(kRtfUsage);
            return 2;
        }
    }
    if (path.empty()) {
        complain(kRtfUsage);
        return 2;
    }
    auto bytes = readWholeFile(path, true);
    if (!bytes)
        return 2;
    Value request = Table::make();
    asTable(request)->put("Type", Value::string("RTF"));
    asTable(request)->put("Buffer", Value::string(*bytes));
    asTable(request)->put("Font", Font::make(Value::string(face), size, style));
    parsedFile = &path;
    const ErrorHandler outer = setErrorHandler(tellAndGoOn);
    Value result = parseText(request);
    setErrorHandler(outer);
    std::string out = quotedForm(asTable(result)->get("TextRuns"));
    out += '\n';
    out += quotedForm(asTable(result)->get("ListFonts"));
    out += '\n';
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 2;
}

} // namespace vel::tool
