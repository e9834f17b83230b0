// The printer: a value's display form (messages, concatenation) and its quoted form (data files:
// strings in quotes with escapes, nested collections indented under their opening parenthesis).
#pragma once

#include <string>
#include <string_view>

#include "value/value.h"

namespace vel {

// The printed form as a string value.
Value print(const Value& v, bool quoted);
// The same, appended to out; what the collection printers use to avoid temporaries.
void printTo(std::string& out, const Value& v, bool quoted);
inline std::string displayForm(const Value& v)
{
    std::string s;
    printTo(s, v, false);
    return s;
}
inline std::string quotedForm(const Value& v)
{
    std::string s;
    printTo(s, v, true);
    return s;
}
// A text between double quotes with the notation's escapes.
std::string quoteText(std::string_view text);

// The process-wide indentation the collection printers nest with.
class PrintIndentation {
public:
    explicit PrintIndentation(std::size_t extra);
    ~PrintIndentation();
    PrintIndentation(const PrintIndentation&) = delete;
    PrintIndentation& operator=(const PrintIndentation&) = delete;
    static const std::string& current();

private:
    std::size_t previous_;
};

// Layout of a table's entries, shared by tables and by the objects that print as their property
// table (forms): keyword is "(table " or "(form ".
void printTableTo(std::string& out, const Value& table, std::string_view keyword, bool quoted);

} // namespace vel
