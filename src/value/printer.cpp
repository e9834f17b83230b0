#include "value/printer.h"

#include <cstdio>

#include "value/list.h"
#include "value/nesting.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {
void printObjectTo(std::string& out, const Value& v, bool quoted);

std::string& indentation()
{
    static std::string text;
    return text;
}

void appendNumber(std::string& out, long n)
{
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%ld", n);
    out.append(digits, static_cast<std::size_t>(length));
}

void appendNewLine(std::string& out)
{
    out += '\n';
    out += indentation();
}

void printValueList(std::string& out, const ValueList& list, bool quoted)
{
    out += "(list";
    if (!quoted) {
        for (const Value& element : list) {
            out += ' ';
            printTo(out, element, false);
        }
        out += ')';
        return;
    }
    PrintIndentation nested(6);
    for (int32_t i = 0; i < list.count(); ++i) {
        if (i == 0)
            out += ' ';
        else
            appendNewLine(out);
        printTo(out, list.at(i), true);
    }
    out += ')';
}

void printIntList(std::string& out, const IntList& list, bool quoted)
{
    out += "(intlist ";
    if (!quoted) {
        for (int32_t i = 0; i < list.count() && i < 12; ++i) {
            appendNumber(out, list.at(i));
            out += ' ';
        }
        if (list.count() >= 12)
            out += " ...";
        out += ')';
        return;
    }
    PrintIndentation nested(6);
    for (int32_t i = 0; i < list.count(); ++i) {
        if (i > 0)
            appendNewLine(out);
        appendNumber(out, list.at(i));
    }
    out += ')';
}
} // namespace

PrintIndentation::PrintIndentation(std::size_t extra) : previous_(indentation().size())
{
    indentation().append(extra, ' ');
}

PrintIndentation::~PrintIndentation()
{
    indentation().resize(previous_);
}

const std::string& PrintIndentation::current()
{
    return indentation();
}

std::string quoteText(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                out += "\\x";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
    return out;
}

void printTableTo(std::string& out, const Value& value, std::string_view keyword, bool quoted)
{
    out += keyword;
    Table* table = asTable(value);
    if (table) {
        PrintIndentation nested(7);
        bool first = true;
        for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot)) {
            if (!first)
                appendNewLine(out);
            first = false;
            out += '(';
            std::size_t keyStart = out.size();
            printTo(out, table->keyRef(slot), quoted);
            std::size_t keyLength = out.size() - keyStart;
            out += ' ';
            PrintIndentation underValue(keyLength + 2);
            printTo(out, table->valueRef(slot), quoted);
            out += ')';
        }
    }
    out += ')';
}

void printTo(std::string& out, const Value& v, bool quoted)
{
    if (v.isObject() && !v.is(Tag::String)) {
        NestingGuard guard("print");
        if (NestingGuard::abandoned()) {
            out += "...";
            return;
        }
        printObjectTo(out, v, quoted);
        return;
    }
    switch (v.tag()) {
    case Tag::Nil:
        out += "VEL_NIL";
        return;
    case Tag::Unique:
        out += "#<unique ";
        appendNumber(out, v.payload());
        out += '>';
        return;
    case Tag::Boolean:
        out += v.asInt() ? "true" : "false";
        return;
    case Tag::Int:
        appendNumber(out, v.asInt());
        return;
    case Tag::Float: {
        char digits[48];
        int length = std::snprintf(digits, sizeof digits, "%g", static_cast<double>(v.asFloat()));
        out.append(digits, static_cast<std::size_t>(length));
        return;
    }
    case Tag::String:
        if (quoted)
            out += quoteText(v.as<String>()->view());
        else
            out += v.as<String>()->view();
        return;
    default:
        return;
    }
}

namespace {
void printObjectTo(std::string& out, const Value& v, bool quoted)
{
    switch (v.tag()) {
    case Tag::List:
        if (ValueList* list = asValueList(v))
            printValueList(out, *list, quoted);
        else
            printIntList(out, *asIntList(v), quoted);
        return;
    case Tag::Table:
        printTableTo(out, v, "(table ", quoted);
        return;
    default:
        if (Object* object = v.object())
            out += textOf(object->print(v.tag(), quoted));
    }
}
} // namespace

Value print(const Value& v, bool quoted)
{
    if (v.is(Tag::String) && !quoted)
        return v;
    std::string text;
    printTo(text, v, quoted);
    return Value::string(text);
}

} // namespace vel
