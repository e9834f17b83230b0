#include "value/reader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {
// Deeper nesting than any data file has; past it the reader refuses rather than exhaust the stack.
constexpr int kDepthLimit = 512;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDelimiter(char c) { return isBlank(c) || c == '(' || c == ')' || c == '"' || c == ';'; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view cutAtZero(std::string_view text)
{
    std::size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

void report(std::string_view prefix, std::string_view detail)
{
    std::string message(prefix);
    message += detail;
    velError(message);
}

enum CoordinateKind { kPoint, kRect, kRgb };
} // namespace

const Value& Reader::constants()
{
    static const Value table = [] {
        Value t = Table::make();
        Table* c = t.as<Table>();
        c->put("nil", Value());
        c->put("true", Value::boolean(1));
        c->put("false", Value::boolean(0));
        c->put("bold", Value::integer(2));
        c->put("italic", Value::integer(1));
        c->put("underline", Value::integer(4));
        c->put("doubleunderline", Value::integer(8));
        c->put("black", Value::integer(1));
        c->put("white", Value::integer(0xFFFFFF));
        c->put("gray", Value::integer(0x808080));
        c->put("blue", Value::integer(0xFF0000));
        c->put("green", Value::integer(0x00FF00));
        c->put("red", Value::integer(0x0000FF));
        c->put("yellow", Value::integer(0x00FFFF));
        c->put("cyan", Value::integer(0xFFFF00));
        c->put("magenta", Value::integer(0xFF00FF));
        return t;
    }();
    return table;
}

Reader::Reader(std::string_view text) : text_(cutAtZero(text)) {}

Reader::Stop Reader::skipBlank()
{
    while (position_ < text_.size()) {
        char c = text_[position_];
        if (isBlank(c)) {
            ++position_;
        } else if (c == ';') {
            while (position_ < text_.size() && text_[position_] != '\n')
                ++position_;
        } else {
            return c == ')' ? Stop::CloseParen : Stop::Element;
        }
    }
    return Stop::End;
}

bool Reader::moreElements()
{
    return skipBlank() != Stop::End;
}

Value Reader::read()
{
    return readElement();
}

Value Reader::readElement()
{
    std::size_t start = position_;
    Stop stop = skipBlank();
    if (stop == Stop::End) {
        report("Malformed object representation: ", from(start));
        return Value();
    }
    if (stop == Stop::CloseParen) {
        // A closing parenthesis where an element should start; leave it for the enclosing reader.
        report("Malformed object representation: ", from(start));
        if (depth_ == 0)
            ++position_;
        return Value();
    }
    char c = text_[position_];
    if (c == '"')
        return readString(start);
    if (c == '(') {
        if (depth_ >= kDepthLimit) {
            report("Malformed object representation: ", from(start));
            position_ = text_.size();
            return Value();
        }
        ++depth_;
        Value v = readCompound(start);
        --depth_;
        return v;
    }
    return readAtom(start);
}

std::string_view Reader::readWord(bool wholeLowerCase)
{
    std::size_t n = 0;
    while (position_ < text_.size() && n < kWordLimit && !isDelimiter(text_[position_])) {
        char c = text_[position_++];
        if ((n > 0 || wholeLowerCase) && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        word_[n++] = c;
    }
    word_[n] = '\0';
    return {word_, n};
}

Value Reader::readAtom(std::size_t start)
{
    std::string_view word = readWord(false);
    if (word.empty()) {
        // Only reachable on bytes no element can start with; step over one so the caller moves on.
        report("Malformed object representation: ", from(start));
        ++position_;
        return Value();
    }
    std::string lower(word);
    for (char& ch : lower)
        ch = static_cast<char>(toLower1252(static_cast<unsigned char>(ch)));
    Table* constants = Reader::constants().as<Table>();
    Value key = Value::string(lower);
    if (constants->contains(key))
        return constants->get(key);
    const char* begin = word_;
    char* end = nullptr;
    if (word.find('.') != std::string_view::npos) {
        double d = std::strtod(begin, &end);
        if (end == begin + word.size())
            return Value::real(static_cast<float>(d));
    }
    errno = 0;
    long long n = std::strtoll(begin, &end, 10);
    if (end == begin + word.size()) {
        // Numbers saturate at the 32-bit limits, as a 32-bit strtol does.
        if (n > INT32_MAX) n = INT32_MAX;
        if (n < INT32_MIN) n = INT32_MIN;
        return Value::integer(static_cast<int32_t>(n));
    }
    std::string message = "Undefined constant: '";
    message += word;
    message += "' while parsing ";
    message += from(start);
    velError(message);
    return Value();
}

Value Reader::readString(std::size_t start)
{
    std::size_t literal = position_;
    ++position_; // the opening quote
    std::string bytes;
    while (position_ < text_.size()) {
        char c = text_[position_++];
        if (c == '"')
            return Value::string(bytes);
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (position_ >= text_.size())
            break;
        char e = text_[position_++];
        switch (e) {
        case '"': bytes += '"'; break;
        case '\\': bytes += '\\'; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case 'x': {
            int high = position_ < text_.size() ? hexDigit(text_[position_]) : -1;
            int low = position_ + 1 < text_.size() ? hexDigit(text_[position_ + 1]) : -1;
            if (high < 0 || low < 0) {
                std::string message = "Bad character code in string: \\";
                message += text_.substr(position_ - 1, 3);
                velError(message);
                break;
            }
            bytes += static_cast<char>(high * 16 + low);
            position_ += 2;
            break;
        }
        default: {
            std::string message = "Invalid string escape code: '\\";
            message += e;
            message += "'";
            velError(message);
        }
        }
    }
    report("Unterminated string constant: ", from(literal));
    (void)start;
    return Value();
}

Value Reader::readCompound(std::size_t start)
{
    std::size_t open = position_;
    ++position_; // "("
    std::string keyword(readWord(true));
    if (keyword == "table")
        return readTable(open);
    if (keyword == "list")
        return readList(open, false);
    if (keyword == "intlist")
        return readList(open, true);
    if (keyword == "point")
        return readPointRectRgb(open, kPoint);
    if (keyword == "rect")
        return readPointRectRgb(open, kRect);
    if (keyword == "rgb")
        return readPointRectRgb(open, kRgb);
    if (keyword == "region")
        return readRegion(open);
    if (keyword == "form" || keyword == "control") {
        Value properties = readTable(open);
        if (!properties.is(Tag::Table))
            return Value();
        const ObjectMakers& makers = objectMakers();
        return keyword == "form" ? makers.form(properties) : makers.control(properties);
    }
    if (keyword == "font")
        return readFont(open);
    if (keyword == "reference" || keyword == "image" || keyword == "textfile" || keyword == "file" ||
        keyword == "sound" || keyword == "soundfile")
        return readSingleString(start, keyword);
    if (keyword == "date")
        return readDate(open);
    position_ = open + 1; // a plain list: the word is its first element
    return readList(open, false);
}

void Reader::skipToEntryEnd()
{
    int depth = 0;
    while (position_ < text_.size()) {
        char c = text_[position_];
        if (c == '"') {
            ++position_;
            while (position_ < text_.size() && text_[position_] != '"')
                position_ += text_[position_] == '\\' ? 2 : 1;
            ++position_;
            continue;
        }
        if (c == ';') {
            while (position_ < text_.size() && text_[position_] != '\n')
                ++position_;
            continue;
        }
        ++position_;
        if (c == '(')
            ++depth;
        else if (c == ')' && depth-- == 0)
            return;
    }
    if (position_ > text_.size())
        position_ = text_.size();
}

Value Reader::readTable(std::size_t start)
{
    Value result = Table::make(Table::kDefaultCapacity, Table::kDefaultGrowth, Table::kDefaultThresholdPercent);
    Table* table = result.as<Table>();
    for (;;) {
        Stop stop = skipBlank();
        if (stop == Stop::End) {
            report("Unterminated table", from(start));
            return Value();
        }
        if (stop == Stop::CloseParen) {
            ++position_;
            return result;
        }
        if (text_[position_] != '(') {
            report("Bad table syntax: ", from(start));
            ++position_;
            continue;
        }
        ++position_;
        Value key = readElement();
        Value value;
        if (skipBlank() == Stop::Element)
            value = readElement();
        skipToEntryEnd();
        table->put(key, value);
    }
}

Value Reader::readList(std::size_t start, bool integers)
{
    Value result = integers ? IntList::make() : ValueList::make();
    List* list = result.as<List>();
    for (;;) {
        Stop stop = skipBlank();
        if (stop == Stop::End) {
            report("Unterminated list: ", from(start));
            return Value();
        }
        if (stop == Stop::CloseParen) {
            ++position_;
            return result;
        }
        list->append(readElement());
    }
}

Value Reader::readPointRectRgb(std::size_t start, int kind)
{
    Value numbers = readList(start, true);
    IntList* list = asIntList(numbers);
    if (!list)
        return Value();
    static const int counts[] = {2, 4, 3};
    static const char* const messages[] = {"Cannot read point (two INTS expected) ",
                                           "Cannot read rectangle (four INTS expected) ",
                                           "Cannot read color spec (expecting list of 3 INTs): "};
    if (list->count() != counts[kind]) {
        report(messages[kind], displayForm(numbers));
        return Value();
    }
    switch (kind) {
    case kPoint:
        return Region::rectangle(list->at(0), list->at(1), list->at(0), list->at(1));
    case kRect: {
        int32_t x = list->at(0), y = list->at(1);
        auto right = static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(list->at(2)));
        auto bottom = static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(list->at(3)));
        return Region::rectangle(x, y, right, bottom);
    }
    default:
        return Value::integer(static_cast<int32_t>(static_cast<uint32_t>(list->at(0)) +
                                                   256u * static_cast<uint32_t>(list->at(1)) +
                                                   65536u * static_cast<uint32_t>(list->at(2))));
    }
}

Value Reader::readRegion(std::size_t start)
{
    Value elements = readList(start, false);
    ValueList* list = asValueList(elements);
    if (!list)
        return Value();
    std::vector<Region::Point> points;
    for (const Value& element : *list) {
        List* pair = asList(element);
        if (!pair || pair->count() != 2) {
            report("Malformed object representation: ", from(start));
            return Value();
        }
        points.push_back({pair->getInt(0), pair->getInt(1)});
    }
    return Region::polygon(points);
}

Value Reader::readFont(std::size_t start)
{
    Value arguments = readList(start, false);
    ValueList* list = asValueList(arguments);
    if (!list)
        return Value();
    if (list->count() < 2) {
        report("Cannot read font name (string expected): ", displayForm(arguments));
        return Value();
    }
    int32_t style = 0;
    if (list->count() > 2) {
        const Value& s = list->at(2);
        if (s.is(Tag::Int)) {
            style = s.asInt();
        } else if (s.is(Tag::String)) {
            Value lower = stringLower(s);
            style = textOf(lower) == "bold" ? 2 : textOf(lower) == "italic" ? 1 : 0;
        } else {
            report("Bad font spec: ", displayForm(arguments));
            return Value();
        }
    }
    return Font::make(list->at(0), velIntValue(list->at(1)), style);
}

Value Reader::readSingleString(std::size_t start, std::string_view keyword)
{
    std::size_t open = position_;
    Value arguments = readList(open, false);
    ValueList* list = asValueList(arguments);
    if (!list)
        return Value();
    if (list->count() != 1) {
        report("Malformed object representation: ", from(start));
        return Value();
    }
    const Value& name = list->at(0);
    if (!name.is(Tag::String)) {
        const char* message = keyword == "reference" ? "Reference argument must be a string: "
                              : keyword == "image"   ? "Image argument must be a string: "
                              : (keyword == "file" || keyword == "textfile") ? "File argument must be a string: "
                                                                              : "Sound argument must be a string: ";
        report(message, from(start));
        return Value();
    }
    const ObjectMakers& makers = objectMakers();
    if (keyword == "reference") return makers.reference(name);
    if (keyword == "image") return makers.image(name);
    if (keyword == "textfile") return makers.textFile(name);
    if (keyword == "file") return makers.file(name);
    if (keyword == "sound") return makers.sound(name);
    return makers.soundFile(name);
}

Value Reader::readDate(std::size_t start)
{
    Value entries = readTable(start);
    Table* table = asTable(entries);
    if (!table)
        return Value();
    int32_t fields[Date::FieldCount];
    for (int f = 0; f < Date::FieldCount; ++f) {
        Value v = table->get(Date::kFieldNames[f]);
        fields[f] = v.isNil() ? Date::kUnspecified : velIntValue(v);
    }
    if (!table->contains(Value::string("Year"))) {
        report("Date must specify a year: ", from(start));
        return Value();
    }
    return Date::make(fields);
}

Value parseText(std::string_view text)
{
    Reader reader(text);
    return reader.read();
}

Value velDecodeString(const Value& stringOrBuf)
{
    if (String* s = asString(stringOrBuf))
        return parseText(s->view());
    if (Buffer* b = asBuffer(stringOrBuf))
        return parseText({reinterpret_cast<const char*>(b->bytes()), static_cast<std::size_t>(b->length())});
    badArgument("velDecodeString(stringOrBuf)");
    return Value();
}

} // namespace vel
