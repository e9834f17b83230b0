#include "controls/rtf_parser.h"

#include <limits>

#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr std::size_t kInitialTextCapacity = 2048;

bool isLineBreak(unsigned char c)
{
    return c == '\r' || c == '\n';
}

bool endsWord(unsigned char c)
{
    return c == '\r' || c == '\n' || c == '\t' || c == '{' || c == '}' || c == '\\';
}

bool isPlainText(unsigned char c)
{
    return !endsWord(c) && c != '\0';
}

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

int32_t integerOr(const Table& request, std::string_view key, int32_t fallback)
{
    Value v = request.get(key);
    return v.isNil() ? fallback : velIntValue(v);
}

Value record(std::initializer_list<Value> elements)
{
    Value list = ValueList::make(static_cast<int32_t>(elements.size()));
    for (const Value& element : elements)
        asValueList(list)->append(element);
    return list;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord)
{
    if (text.size() != lowerWord.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (toLower1252(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lowerWord[i]))
            return false;
    return true;
}

} // namespace

Value parseText(const Value& request)
{
    Table* table = asTable(request);
    Value type = table ? table->get("Type") : Value();
    if (!type.is(Tag::String) || textOf(type) != "RTF") {
        velError(concat("Invalid parse type: ", displayForm(type)));
        return Value();
    }
    parseRTF parser;
    parser.init(request);
    return parser.parse();
}

Value parseBase::init(const Value&)
{
    return Value();
}

Value parseBase::parse()
{
    return Value();
}

// ---- Set-up ----

Value parseRTF::init(const Value& request)
{
    Value empty = Table::make();
    const Table& keys = asTable(request) ? *asTable(request) : *asTable(empty);
    source_ = keys.get("Buffer");
    if (const String* s = asString(source_)) {
        position_ = reinterpret_cast<const unsigned char*>(s->text());
        end_ = position_ + s->length();
    } else if (const Buffer* b = asBuffer(source_)) {
        position_ = b->bytes();
        end_ = position_ + b->length();
    } else {
        velError("Bad buffer or string passed to parseRTF::init()");
        // Read nothing: the result is that of an empty text.
        position_ = end_ = nullptr;
    }
    // A base font without a usable face still gives every format record a font: one with that face.
    const Value base = keys.get("Font");
    if (const Font* font = base.is(Tag::Font) ? base.as<Font>() : nullptr) {
        face_ = font->face;
        size_ = font->size;
        style_ = font->style;
    }
    if (!face_.is(Tag::String))
        velError("Warning: font problem");
    align_ = integerOr(keys, "Align", 0);
    normalColor_ = integerOr(keys, "ForeColor", 1);
    backColor_ = integerOr(keys, "BackColor", -1);
    hotStyle_ = integerOr(keys, "HotStyle", 0);
    hotColor_ = integerOr(keys, "HotColor", 0xFF0000);
    color_ = normalColor_;
    text_.reserve(kInitialTextCapacity);
    fonts_ = ValueList::make();
    runs_ = ValueList::make(64);
    fontIndex_ = fontIndexFor(face_, size_, style_);
    return Value();
}

Value parseRTF::parse()
{
    if (!fonts_.is(Tag::List))
        return Value();
    for (int c; (c = next()) >= 0;) {
        switch (c) {
        case '{':
            flushText();
            if (startsWith("bmc"))
                bitmapReference();
            else
                pushGroup();
            break;
        case '}':
            flushText();
            popGroup();
            break;
        case '\\':
            controlWord();
            break;
        case '\t':
        case '\0':
            break;
        default: {
            // Plain text goes to the buffer a stretch at a time.
            const unsigned char* start = position_ - 1;
            while (position_ < end_ && isPlainText(*position_))
                ++position_;
            text_.append(reinterpret_cast<const char*>(start), static_cast<std::size_t>(position_ - start));
        }
        }
    }
    // Hot text still open at the end is closed as the end of its group would close it, so that its
    // text is not lost.
    if (doubleUnderline_)
        endDoubleUnderline(false);
    else if (strike_)
        endStrike();
    flushText();
    if (!assembled_.isNil() && lastCode_ != kRunFormat)
        store(assembled_);
    assembled_ = Value();
    Value result = Table::make(4);
    asTable(result)->put("TextRuns", runs_);
    asTable(result)->put("ListFonts", fonts_);
    return result;
}

// ---- Reading ----

int parseRTF::peek(int ahead) const
{
    for (const unsigned char* p = position_;; ++p) {
        while (p < end_ && isLineBreak(*p))
            ++p;
        if (p >= end_)
            return -1;
        if (ahead-- == 0)
            return *p;
    }
}

void parseRTF::skip(int count)
{
    while (count-- > 0) {
        while (position_ < end_ && isLineBreak(*position_))
            ++position_;
        if (position_ >= end_)
            return;
        ++position_;
    }
}

int parseRTF::next()
{
    while (position_ < end_ && isLineBreak(*position_))
        ++position_;
    return position_ < end_ ? *position_++ : -1;
}

bool parseRTF::startsWith(std::string_view word) const
{
    // Words are nearly always written whole: compare the bytes as they lie, and step over line
    // breaks only when one stands where the word differs.
    const unsigned char* p = position_;
    for (char letter : word) {
        if (p < end_ && *p == static_cast<unsigned char>(letter)) {
            ++p;
            continue;
        }
        if (p >= end_ || !isLineBreak(*p))
            return false;
        break;
    }
    if (p - position_ == static_cast<std::ptrdiff_t>(word.size()))
        return true;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (peek(static_cast<int>(i)) != static_cast<unsigned char>(word[i]))
            return false;
    return true;
}

void parseRTF::skipWord()
{
    while (position_ < end_ && !endsWord(*position_))
        ++position_;
}

int32_t parseRTF::readNumber(bool signedNumber)
{
    bool negative = false;
    if (signedNumber && peek(0) == '-') {
        negative = true;
        skip(1);
    }
    // A number too long for 32 bits stays at the largest one, so that it cannot wrap to a small one.
    int64_t n = 0;
    for (int c; isDigit(c = peek(0)); skip(1))
        n = std::min<int64_t>(n * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(negative ? -n : n);
}

// ---- Records ----

void parseRTF::store(const Value& record)
{
    asValueList(runs_)->append(record);
}

void parseRTF::emit(int32_t code)
{
    if (!assembled_.isNil())
        store(assembled_);
    assembled_ = Value::integer(code);
    lastCode_ = code;
}

void parseRTF::emit(const Value& record, int32_t code)
{
    if (!assembled_.isNil() && !(lastCode_ == kRunFormat && code == kRunFormat))
        store(assembled_);
    assembled_ = record;
    lastCode_ = code;
}

int32_t parseRTF::fontIndexFor(const Value& face, int32_t size, int32_t style)
{
    const ValueList& fonts = *asValueList(fonts_);
    for (int32_t i = 0; i < fonts.count(); ++i) {
        const Font* f = fonts.at(i).as<Font>();
        if (f->size == size && f->style == style && f->face == face)
            return i;
    }
    asValueList(fonts_)->append(Font::make(face, size, style));
    return fonts.count() - 1;
}

void parseRTF::emitFormatIfChanged()
{
    if (!formatChanged_)
        return;
    fontIndex_ = fontIndexFor(face_, size_, style_);
    emit(record({Value::integer(kRunFormat), Value::integer(fontIndex_), Value::integer(color_),
                 Value::integer(backColor_), Value::integer(align_)}),
         kRunFormat);
    formatChanged_ = false;
}

void parseRTF::flushText()
{
    emitFormatIfChanged();
    if (!text_.empty() && !doubleUnderline_ && !strike_) {
        emit(record({Value::integer(kRunText), Value::string(text_)}), kRunText);
        text_.clear();
    }
}

// Hot text keeps the hot colour to its end, whatever style changes inside it.
int32_t parseRTF::colorOutsideHotText() const
{
    return doubleUnderline_ || strike_ ? hotColor_ : normalColor_;
}

// ---- Groups, hot text and bitmaps ----

void parseRTF::pushGroup()
{
    emitFormatIfChanged();
    groups_.push_back({fontIndex_, color_, backColor_, align_});
}

void parseRTF::popGroup()
{
    if (doubleUnderline_)
        endDoubleUnderline(false);
    else if (strike_)
        endStrike();
    // A close without its open has nothing to restore.
    if (groups_.empty())
        return;
    const Group group = groups_.back();
    groups_.pop_back();
    fontIndex_ = group.fontIndex;
    color_ = group.foreColor;
    backColor_ = group.backColor;
    align_ = group.align;
    const Font* font = asValueList(fonts_)->at(fontIndex_).as<Font>();
    face_ = font->face;
    size_ = font->size;
    style_ = font->style;
    formatChanged_ = true;
}

void parseRTF::startHotText(bool strike)
{
    flushText();
    color_ = hotColor_;
    style_ |= kStyleHot;
    formatChanged_ = true;
    if (strike) {
        strike_ = true;
    } else {
        doubleUnderline_ = true;
        bitmapInHotText_ = false;
    }
}

void parseRTF::endDoubleUnderline(bool clearHotBit)
{
    emitFormatIfChanged();
    doubleUnderline_ = false;
    if (clearHotBit)
        style_ &= ~kStyleHot;
    color_ = colorOutsideHotText();
    formatChanged_ = true;
    Value hotText, entry = ValueList::make(4);
    ValueList& list = *asValueList(entry);
    if (text_.empty()) {
        if (!bitmapInHotText_)
            return;
        list.appendInt(kRunHotBitmap);
    } else {
        hotText = Value::string(text_);
        if (equalsIgnoringCase(text_, "marker")) {
            list.appendInt(kRunMarker);
        } else {
            list.appendInt(strike_ ? kRunHotTextInStrike : kRunHotText);
            list.append(hotText);
        }
    }
    text_.clear();
    bitmapInHotText_ = false;
    list.append(Value());
    for (int c; (c = next()) >= 0 && c != '!';) {
    }
    Value target = hotText;
    if (startsWith("\\{")) {
        skip(2);
        std::string name;
        for (int c; (c = peek(0)) >= 0 && c != '\\'; skip(1))
            name += static_cast<char>(c);
        skip(2);
        target = Value::string(name);
    } else if (peek(0) == ' ') {
        // The name would run from this space to the next: it is empty, and the space is passed.
        skip(1);
        target = Value::string("");
    }
    if (target.is(Tag::String))
        list.append(target);
    emit(entry, list.get(0).asInt());
}

void parseRTF::endStrike()
{
    emitFormatIfChanged();
    strike_ = false;
    color_ = colorOutsideHotText();
    if (!text_.empty())
        emit(record({Value::integer(kRunStrikeText), Value::string(text_)}), kRunStrikeText);
    text_.clear();
    if (peek(0) == '}')
        skip(1);
}

void parseRTF::bitmapReference()
{
    skip(4);
    std::string name;
    for (int c; (c = peek(0)) >= 0 && c != '\\'; skip(1))
        name += static_cast<char>(c);
    emit(record({Value::integer(kRunBitmap), Value::string(name)}), kRunBitmap);
    skip(2);
    if (doubleUnderline_)
        bitmapInHotText_ = true;
}

// ---- Control words ----

void parseRTF::changeStyle(int32_t bit, bool set)
{
    flushText();
    style_ = set ? (style_ | bit) : (style_ & ~bit);
    formatChanged_ = true;
    if (hotStyle_ > 0 && (style_ & hotStyle_) != 0) {
        if (!doubleUnderline_)
            bitmapInHotText_ = false;
        doubleUnderline_ = true;
        color_ = hotColor_;
    } else {
        color_ = colorOutsideHotText();
    }
}

void parseRTF::hexCharacter()
{
    flushText();
    int digits[2];
    for (int& digit : digits) {
        const int c = next();
        if (c < 0)
            return; // the text ends inside the escape: no character
        const int lower = c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
        if (isDigit(c)) {
            digit = c - '0';
        } else {
            if (lower < 'a' || lower > 'f')
                velError("Bad hex character while parsing rtf");
            digit = lower - 87;
        }
    }
    // A bad digit can take the sum outside a byte; the character stays a byte.
    const int32_t code = (digits[0] * 16 + digits[1]) & 0xFF;
    emit(record({Value::integer(kRunCharacter), Value::integer(code)}), kRunCharacter);
}

// A word with a number: the letters, then the number; "\fi" and "\li" need one (so "\line" is no
// indent), "\tx" and "\box" read 0 without.
bool parseRTF::wordWithNumber(int letters, int32_t code, bool signedNumber)
{
    if (signedNumber) {
        const int c = peek(letters);
        if (!isDigit(c) && !(c == '-' && isDigit(peek(letters + 1))))
            return false;
    }
    skip(letters);
    const int32_t n = readNumber(signedNumber);
    emit(record({Value::integer(code), Value::integer(n)}), code);
    return true;
}

void parseRTF::controlWord()
{
    bool known = true;
    auto zero = [this] {
        if (peek(0) != '0')
            return false;
        skip(1);
        return true;
    };
    switch (peek(0)) {
    case '\'':
        skip(1);
        hexCharacter();
        break;
    case 'b':
        if (startsWith("box")) {
            wordWithNumber(3, kRunBox, false);
        } else if (startsWith("bu")) {
            // The bullet's word ends where any word ends; what ends it is left to the text.
            skipWord();
            text_ += '\x95';
        } else {
            skip(1);
            changeStyle(kStyleBold, !zero());
        }
        break;
    case 'i':
        skip(1);
        changeStyle(kStyleItalic, !zero());
        break;
    case 'u':
        if (startsWith("uldb")) {
            skip(4);
            if (zero()) {
                if (doubleUnderline_)
                    endDoubleUnderline(true);
            } else {
                startHotText(false);
            }
        } else if (startsWith("ul")) {
            skip(2);
            changeStyle(kStyleUnderline, !zero());
        } else {
            known = false;
        }
        break;
    case 's':
        if ((known = startsWith("strike"))) {
            skip(6);
            startHotText(true);
        }
        break;
    case 'p':
        if (startsWith("plain")) {
            skip(5);
            flushText();
            style_ = 0;
            color_ = colorOutsideHotText();
            formatChanged_ = true;
        } else if (startsWith("pard")) {
            skip(4), flushText(), emit(kRunParagraphReset);
        } else if (startsWith("par")) {
            skip(3), flushText(), emit(kRunParagraph);
        } else if (startsWith("page")) {
            skip(4), flushText(), emit(kRunPage);
        } else {
            known = false;
        }
        break;
    case 'q': {
        const int which = peek(1);
        if ((known = which == 'c' || which == 'l' || which == 'r')) {
            skip(2);
            emit(which == 'c' ? kRunCentre : which == 'l' ? kRunLeft : kRunRight);
            align_ = which == 'c' ? 1 : which == 'l' ? 0 : 2;
            text_.clear();
        }
        break;
    }
    case 't':
        if (startsWith("tab")) {
            skip(3), flushText(), emit(kRunTab);
        } else if (startsWith("tqr")) {
            skip(3);
            rightTabStop_ = true;
        } else if (startsWith("tx")) {
            wordWithNumber(2, rightTabStop_ ? kRunRightTabStop : kRunTabStop, false);
            rightTabStop_ = false;
        } else {
            known = false;
        }
        break;
    case 'f':
        if (startsWith("fi")) {
            known = wordWithNumber(2, kRunFirstIndent, true);
        } else if (startsWith("fs") && isDigit(peek(2))) {
            int digits = 1;
            while (digits < 3 && isDigit(peek(2 + digits)))
                ++digits;
            skip(2 + digits);
            flushText();
        } else {
            known = false;
        }
        break;
    case 'l':
        if (startsWith("lquote")) {
            skip(6), text_ += '\x91';
        } else if (startsWith("ldblquote")) {
            skip(9), text_ += '\x93';
        } else {
            known = startsWith("li") && wordWithNumber(2, kRunLeftIndent, true);
        }
        break;
    case 'r':
        if (startsWith("rquote"))
            skip(6), text_ += '\x92';
        else if (startsWith("rdblquote"))
            skip(9), text_ += '\x94';
        else
            known = false;
        break;
    case 'e':
        if ((known = peek(1) == 'm' || peek(1) == 'n')) {
            text_ += peek(1) == 'm' ? '\x97' : '\x96';
            skipWord();
        }
        break;
    case 'h':
    case 'w':
        // "\height" and "\width" drop everything to their group's end; any other word of these
        // letters loses only its letter.
        if (startsWith(peek(0) == 'h' ? "height" : "width")) {
            while (position_ < end_ && *position_ != '}')
                ++position_;
        } else {
            skip(1);
        }
        break;
    default:
        known = false;
    }
    if (!known)
        skipWord();
    if (peek(0) == ' ')
        skip(1);
}

} // namespace vel
