#include "controls/rtf_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
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

constexpr bool isLineBreak(unsigned char c)
{
    return c == '\r' || c == '\n';
}

constexpr bool endsWord(unsigned char c)
{
    return c == '\r' || c == '\n' || c == '\t' || c == '{' || c == '}' || c == '\\';
}

// Bytes that go to the pending text as they are, looked up rather than compared one by one.
constexpr std::array<bool, 256> kPlainText = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c)
        plain[static_cast<std::size_t>(c)] = !endsWord(static_cast<unsigned char>(c)) && c != '\0';
    return plain;
}();

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

int32_t integerOr(const Table& request, std::string_view key, int32_t fallback)
{
    Value v = request.get(key);
    return v.isNil() ? fallback : velIntValue(v);
}

// A record with its operands as a value list of exactly that length.
Value record(std::initializer_list<Value> elements)
{
    Value list = ValueList::make(static_cast<int32_t>(elements.size()));
    auto* l = list.as<ValueList>();
    for (const Value& element : elements)
        l->append(Value(element));
    return list;
}

Value recordValue(const RichText& text, const RichRun& r)
{
    const Value code = Value::integer(r.code);
    auto number = [&r](int i) { return Value::integer(r.numbers[i]); };
    auto words = [&] { return Value::string(text.textOf(r)); };
    switch (r.code) {
    case kRunFormat:
        return record({code, number(0), number(1), number(2), number(3)});
    case kRunText:
    case kRunBitmap:
    case kRunStrikeText:
        return record({code, words()});
    case kRunCharacter:
    case kRunTabStop:
    case kRunRightTabStop:
    case kRunFirstIndent:
    case kRunLeftIndent:
    case kRunBox:
        return record({code, number(0)});
    case kRunHotText:
    case kRunHotTextInStrike:
        return r.target >= 0 ? record({code, words(), Value(), text.target(r)}) : record({code, words(), Value()});
    case kRunHotBitmap:
    case kRunMarker:
        return r.target >= 0 ? record({code, Value(), text.target(r)}) : record({code, Value()});
    default:
        return code;
    }
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

Value RichText::toValue() const
{
    Value list = ValueList::make(static_cast<int32_t>(runs.size()) + 1);
    auto* l = list.as<ValueList>();
    for (const RichRun& r : runs)
        l->append(recordValue(*this, r));
    Value result = Table::make(4);
    asTable(result)->put("TextRuns", list);
    asTable(result)->put("ListFonts", fonts);
    return result;
}

namespace {

bool isRichTextRequest(const Value& request)
{
    Table* table = asTable(request);
    Value type = table ? table->get("Type") : Value();
    if (type.is(Tag::String) && textOf(type) == "RTF")
        return true;
    velError(concat("Invalid parse type: ", displayForm(type)));
    return false;
}

} // namespace

Value parseText(const Value& request)
{
    if (!isRichTextRequest(request))
        return Value();
    parseRTF parser;
    parser.init(request);
    return parser.parse();
}

bool parseRichText(const Value& request, RichText& out)
{
    if (!isRichTextRequest(request))
        return false;
    parseRTF parser;
    parser.init(request);
    return parser.parseInto(out);
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
    out_.fonts = ValueList::make();
    // About one record for every ten bytes of an article.
    out_.runs.reserve(static_cast<std::size_t>(end_ - position_) / 8 + 16);
    out_.text.reserve(static_cast<std::size_t>(end_ - position_));
    fontIndex_ = fontIndexFor(face_, size_, style_);
    ready_ = true;
    return Value();
}

Value parseRTF::parse()
{
    return run() ? out_.toValue() : Value();
}

bool parseRTF::parseInto(RichText& out)
{
    if (!run())
        return false;
    out = std::move(out_);
    return true;
}

bool parseRTF::run()
{
    if (!ready_)
        return false;
    ready_ = false;
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
            while (position_ < end_ && kPlainText[*position_])
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
    // A format record with nothing after it is dropped.
    if (lastCode_ == kRunFormat && !out_.runs.empty())
        out_.runs.pop_back();
    lastCode_ = 0;
    return true;
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

void parseRTF::readWordStart()
{
    // Most words have no line break inside: then the bytes are the letters.
    const std::size_t rest = static_cast<std::size_t>(end_ - position_);
    const std::size_t n = std::min(rest, sizeof(word_));
    if (!std::memchr(position_, '\r', n) && !std::memchr(position_, '\n', n)) {
        std::memcpy(word_, position_, n);
        wordLength_ = n;
        return;
    }
    wordLength_ = 0;
    for (const unsigned char* p = position_; p < end_ && wordLength_ < sizeof(word_); ++p)
        if (!isLineBreak(*p))
            word_[wordLength_++] = static_cast<char>(*p);
}

bool parseRTF::wordIs(std::string_view word) const
{
    return word.size() <= wordLength_ && std::memcmp(word_, word.data(), word.size()) == 0;
}

int parseRTF::letter(std::size_t i) const
{
    return i < wordLength_ ? static_cast<unsigned char>(word_[i]) : -1;
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

RichRun& parseRTF::emit(int32_t code)
{
    if (lastCode_ == kRunFormat && code == kRunFormat && !out_.runs.empty())
        out_.runs.back() = RichRun{};
    else
        out_.runs.emplace_back();
    lastCode_ = code;
    RichRun& r = out_.runs.back();
    r.code = code;
    return r;
}

void parseRTF::emitNumber(int32_t code, int32_t n)
{
    RichRun& r = emit(code);
    r.numbers[0] = n;
    r.given = 1;
}

void parseRTF::setText(RichRun& record, std::string_view text)
{
    record.textStart = static_cast<int32_t>(out_.text.size());
    record.textLength = static_cast<int32_t>(text.size());
    out_.text.append(text);
}

void parseRTF::emitText(int32_t code, std::string_view text)
{
    setText(emit(code), text);
}

int32_t parseRTF::fontIndexFor(const Value& face, int32_t size, int32_t style)
{
    ValueList& fonts = *out_.fonts.as<ValueList>();
    // Most format records name the font already current, as a group's end restores it.
    if (fontIndex_ >= 0 && fontIndex_ < fonts.count()) {
        const Font* f = fonts.at(fontIndex_).as<Font>();
        if (f->size == size && f->style == style && f->face == face)
            return fontIndex_;
    }
    for (int32_t i = 0; i < fonts.count(); ++i) {
        const Font* f = fonts.at(i).as<Font>();
        if (f->size == size && f->style == style && f->face == face)
            return i;
    }
    fonts.append(Font::make(face, size, style));
    return fonts.count() - 1;
}

void parseRTF::emitFormatIfChanged()
{
    if (!formatChanged_)
        return;
    fontIndex_ = fontIndexFor(face_, size_, style_);
    RichRun& format = emit(kRunFormat);
    format.numbers[0] = fontIndex_, format.numbers[1] = color_, format.numbers[2] = backColor_;
    format.numbers[3] = align_;
    format.given = 0xF;
    formatChanged_ = false;
}

void parseRTF::flushText()
{
    emitFormatIfChanged();
    if (!text_.empty() && !doubleUnderline_ && !strike_) {
        emitText(kRunText, text_);
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
    const Font* font = out_.fonts.as<ValueList>()->at(fontIndex_).as<Font>();
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
    int32_t code = strike_ ? kRunHotTextInStrike : kRunHotText;
    if (text_.empty()) {
        if (!bitmapInHotText_)
            return;
        code = kRunHotBitmap;
    } else if (equalsIgnoringCase(text_, "marker")) {
        code = kRunMarker;
    }
    // Without a target of its own, hot text is its own target; a hot bitmap has none.
    const std::string hot = text_;
    std::string target = hot;
    text_.clear();
    bool hasTarget = !target.empty();
    bitmapInHotText_ = false;
    for (int c; (c = next()) >= 0 && c != '!';) {
    }
    if (startsWith("\\{")) {
        skip(2);
        target.clear();
        for (int c; (c = peek(0)) >= 0 && c != '\\'; skip(1))
            target += static_cast<char>(c);
        skip(2);
        hasTarget = true;
    } else if (peek(0) == ' ') {
        // The name would run from this space to the next: it is empty, and the space is passed.
        skip(1);
        target.clear();
        hasTarget = true;
    }
    RichRun& entry = emit(code);
    if (code == kRunHotText || code == kRunHotTextInStrike)
        setText(entry, hot);
    if (hasTarget) {
        entry.target = static_cast<int32_t>(out_.targets.size());
        out_.targets.push_back(Value::string(target));
    }
}

void parseRTF::endStrike()
{
    emitFormatIfChanged();
    strike_ = false;
    color_ = colorOutsideHotText();
    if (!text_.empty())
        emitText(kRunStrikeText, text_);
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
    emitText(kRunBitmap, name);
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
    emitNumber(kRunCharacter, code);
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
    emitNumber(code, n);
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
    readWordStart();
    switch (letter(0)) {
    case '\'':
        skip(1);
        hexCharacter();
        break;
    case 'b':
        if (wordIs("box")) {
            wordWithNumber(3, kRunBox, false);
        } else if (wordIs("bu")) {
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
        if (wordIs("uldb")) {
            skip(4);
            if (zero()) {
                if (doubleUnderline_)
                    endDoubleUnderline(true);
            } else {
                startHotText(false);
            }
        } else if (wordIs("ul")) {
            skip(2);
            changeStyle(kStyleUnderline, !zero());
        } else {
            known = false;
        }
        break;
    case 's':
        if ((known = wordIs("strike"))) {
            skip(6);
            startHotText(true);
        }
        break;
    case 'p':
        if (wordIs("plain")) {
            skip(5);
            flushText();
            style_ = 0;
            color_ = colorOutsideHotText();
            formatChanged_ = true;
        } else if (wordIs("pard")) {
            skip(4), flushText(), emit(kRunParagraphReset);
        } else if (wordIs("par")) {
            skip(3), flushText(), emit(kRunParagraph);
        } else if (wordIs("page")) {
            skip(4), flushText(), emit(kRunPage);
        } else {
            known = false;
        }
        break;
    case 'q': {
        const int which = letter(1);
        if ((known = which == 'c' || which == 'l' || which == 'r')) {
            skip(2);
            emit(which == 'c' ? kRunCentre : which == 'l' ? kRunLeft : kRunRight);
            align_ = which == 'c' ? 1 : which == 'l' ? 0 : 2;
            text_.clear();
        }
        break;
    }
    case 't':
        if (wordIs("tab")) {
            skip(3), flushText(), emit(kRunTab);
        } else if (wordIs("tqr")) {
            skip(3);
            rightTabStop_ = true;
        } else if (wordIs("tx")) {
            wordWithNumber(2, rightTabStop_ ? kRunRightTabStop : kRunTabStop, false);
            rightTabStop_ = false;
        } else {
            known = false;
        }
        break;
    case 'f':
        if (wordIs("fi")) {
            known = wordWithNumber(2, kRunFirstIndent, true);
        } else if (wordIs("fs") && isDigit(letter(2))) {
            int digits = 1;
            while (digits < 3 && isDigit(letter(2 + digits)))
                ++digits;
            skip(2 + digits);
            flushText();
        } else {
            known = false;
        }
        break;
    case 'l':
        if (wordIs("lquote")) {
            skip(6), text_ += '\x91';
        } else if (wordIs("ldblquote")) {
            skip(9), text_ += '\x93';
        } else {
            known = wordIs("li") && wordWithNumber(2, kRunLeftIndent, true);
        }
        break;
    case 'r':
        if (wordIs("rquote"))
            skip(6), text_ += '\x92';
        else if (wordIs("rdblquote"))
            skip(9), text_ += '\x94';
        else
            known = false;
        break;
    case 'e':
        if ((known = letter(1) == 'm' || letter(1) == 'n')) {
            text_ += letter(1) == 'm' ? '\x97' : '\x96';
            skipWord();
        }
        break;
    case 'h':
    case 'w':
        // "\height" and "\width" drop everything to their group's end; any other word of these
        // letters loses only its letter.
        if (wordIs(letter(0) == 'h' ? "height" : "width")) {
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
