#include "controls/text_layout.h"

#include <algorithm>
#include <cstdint>

#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

int32_t FontMetrics::width(std::string_view text) const
{
    int64_t sum = 0;
    for (unsigned char c : text)
        sum += advance16[c];
    return static_cast<int32_t>((sum + 15) / 16);
}

LayoutOptions LayoutOptions::fromTable(const Value& table)
{
    LayoutOptions o;
    const Table* t = asTable(table);
    if (!t)
        return o;
    auto integer = [t](const char* key, int32_t& out) {
        Value v = t->get(std::string_view(key));
        if (v.is(Tag::Int))
            out = v.asInt();
    };
    integer("ForeColor", o.foreColor);
    integer("BackColor", o.backColor);
    integer("HotColor", o.hotColor);
    integer("DPI", o.dotsPerInch);
    Value title = t->get(std::string_view("Title"));
    if (title.is(Tag::String))
        o.title = title;
    Value titleFont = t->get(std::string_view("TitleFont"));
    if (titleFont.is(Tag::Font))
        o.titleFont = titleFont;
    o.noBitmaps = isTrue(t->get(std::string_view("NoBitmaps")));
    o.noBoxes = isTrue(t->get(std::string_view("NoBoxes")));
    return o;
}

Value TextLayout::font(int32_t index) const
{
    const List* list = asList(fonts);
    return list && index >= 0 && index < list->count() ? list->get(index) : Value();
}

int32_t TextLayout::pageOf(int32_t piece) const
{
    auto after = std::upper_bound(pages.begin(), pages.end(), piece,
                                  [](int32_t p, const LayoutPage& page) { return p < page.firstPiece; });
    return after == pages.begin() ? 0 : static_cast<int32_t>(after - pages.begin()) - 1;
}

int32_t TextLayout::marker(std::string_view name) const
{
    auto it = markers.find(std::string(name));
    return it == markers.end() ? -1 : it->second;
}

Value TextLayout::table() const
{
    auto rect = [](const LayoutPiece& p) { return Region::rectangle(p.x, p.y, p.x + p.width, p.y + p.height); };
    Value pageList = ValueList::make(static_cast<int32_t>(pages.size()) + 1);
    Value bitmapList = ValueList::make();
    Value boxList = ValueList::make();
    for (const LayoutPage& page : pages) {
        Value pieceList = ValueList::make(page.pieceCount + 1);
        for (int32_t i = page.firstPiece; i < page.firstPiece + page.pieceCount; ++i) {
            const LayoutPiece& p = pieces[static_cast<size_t>(i)];
            if (p.kind == LayoutPiece::Kind::Bitmap) {
                Value entry = ValueList::make(2);
                asList(entry)->append(rect(p));
                asList(entry)->append(bitmaps[static_cast<size_t>(p.textStart)]);
                asList(bitmapList)->append(entry);
            } else if (p.kind == LayoutPiece::Kind::Box) {
                asList(boxList)->append(rect(p));
            } else {
                Value entry = ValueList::make(5);
                List* e = asList(entry);
                e->append(Value::string(textOf(p)));
                e->append(rect(p));
                e->appendInt(p.font);
                e->appendInt(p.fore);
                e->appendInt(p.back);
                asList(pieceList)->append(entry);
            }
        }
        asList(pageList)->append(pieceList);
    }
    Value markerTable = Table::make();
    for (const auto& [name, run] : markers)
        asTable(markerTable)->put(Value::string(name), Value::integer(run));
    Value result = Table::make();
    Table* t = asTable(result);
    t->put(std::string_view("Pages"), pageList);
    t->put(std::string_view("Fonts"), fonts);
    t->put(std::string_view("Bitmaps"), bitmapList);
    t->put(std::string_view("Markers"), markerTable);
    t->put(std::string_view("Boxes"), boxList);
    return result;
}

namespace {

constexpr int32_t kMostBoxes = 1000;

class LayoutBuilder {
public:
    LayoutBuilder(int32_t width, int32_t height, const LayoutOptions& options, LayoutMeasure& measure)
        : width_(std::max(0, width)), height_(std::max(0, height)), options_(options), measure_(measure)
    {
        // Beyond 1440 dots per inch a twip is under a pixel: one pixel per twip then.
        const int32_t dpi = options.dotsPerInch > 0 ? options.dotsPerInch : 96;
        twipsPerPixel_ = std::max(1, 1440 / dpi);
        tabStep_ = std::max(1, dpi / 2);
        fore_ = options.foreColor;
        back_ = options.backColor;
    }

    TextLayout run(const RichText& parse);

private:
    // The default face's slot follows the list's fonts.
    const FontMetrics& metricsOf(int32_t font)
    {
        const size_t slot = static_cast<size_t>(font >= 0 && font < fontCount_ ? font : fontCount_);
        const FontMetrics* m = metrics_[slot];
        return m ? *m : measureFont(slot);
    }
    const FontMetrics& measureFont(size_t slot);
    void placeTitle();
    void record(const RichText& parse, const RichRun& r);
    void selectFont(int32_t index);
    void placeText(std::string_view s, int32_t hot);
    void flushWord();
    void placeBitmap(std::string_view name);
    void placeBoxes(int32_t count);
    void addPiece(const LayoutPiece& p);
    void tab();
    void endRightGroup();
    void closeLine();
    void newLine(bool paragraph);
    void newPage();
    int32_t lineStart(bool paragraph) const
    {
        return std::clamp(leftIndent_ + (paragraph ? firstIndent_ : 0), 0, std::max(0, width_ - 1));
    }
    bool lineEmpty() const { return static_cast<int32_t>(out_.pieces.size()) == lineFirst_; }

    int32_t width_, height_;
    const LayoutOptions& options_;
    LayoutMeasure& measure_;
    TextLayout out_;
    std::vector<const FontMetrics*> metrics_;
    int32_t fontCount_ = 0;
    int32_t twipsPerPixel_ = 15, tabStep_ = 48;

    int32_t font_ = -1, fore_ = 1, back_ = -1, align_ = 0;
    int32_t firstIndent_ = 0, leftIndent_ = 0;
    struct Stop {
        int32_t position;
        bool right;
    };
    std::vector<Stop> stops_;
    int32_t rightStop_ = -1, groupFirst_ = 0;
    int32_t pageTop_ = 1;
    int32_t x_ = 0, lineStart_ = 0, lineTop_ = 1, lineHeight_ = 0, lineFirst_ = 0;
    int32_t lastBitmap_ = -1;
    size_t lastPlaced_ = SIZE_MAX; // the last text piece placeText made, and its width in sixteenths
    int64_t lastPlaced16_ = 0;
    bool pageOverflowed_ = false; // the current page began where the last one was full
    // Plain text and escaped characters that follow each other are placed as one text, so that a
    // word with an escaped letter wraps as a whole.
    std::string plain_;
    bool joinsNext_ = false; // the record after this one is text to join to it
};

const FontMetrics& LayoutBuilder::measureFont(size_t slot)
{
    metrics_[slot] = &measure_.metrics(out_.font(static_cast<int32_t>(slot)));
    return *metrics_[slot];
}

TextLayout LayoutBuilder::run(const RichText& parse)
{
    out_.fonts = asList(parse.fonts) ? parse.fonts : ValueList::make();
    if (options_.title.is(Tag::String)) {
        // The title's font joins the list, on a copy: the parse result stays as it was.
        out_.fonts = asList(out_.fonts)->copy();
        asList(out_.fonts)->append(options_.titleFont.is(Tag::Font) ? options_.titleFont : out_.font(0));
    }
    fontCount_ = std::min<int32_t>(asList(out_.fonts)->count(), INT16_MAX);
    metrics_.assign(static_cast<size_t>(fontCount_) + 1, nullptr);
    out_.pages.push_back(LayoutPage{});
    if (options_.title.is(Tag::String))
        placeTitle();
    selectFont(fontCount_ > 0 ? 0 : -1);
    lineHeight_ = metricsOf(font_).height();
    lineTop_ = pageTop_;
    x_ = lineStart_ = lineStart(true);
    // Text runs are cut at line ends too: about one piece for every run, and one for every line.
    out_.pieces.reserve(parse.runs.size() + parse.text.size() / 32);
    out_.text.reserve(parse.text.size());
    const size_t count = parse.runs.size();
    for (size_t i = 0; i < count; ++i) {
        const int32_t next = i + 1 < count ? parse.runs[i + 1].code : 0;
        joinsNext_ = next == kRunText || next == kRunCharacter || next == kRunStrikeText;
        record(parse, parse.runs[i]);
    }
    flushWord();
    closeLine();
    for (auto& marker : out_.markers)
        marker.second = std::max(0, std::min(marker.second, static_cast<int32_t>(out_.pieces.size()) - 1));
    for (size_t i = 0; i < out_.pages.size(); ++i) {
        const int32_t end =
            i + 1 < out_.pages.size() ? out_.pages[i + 1].firstPiece : static_cast<int32_t>(out_.pieces.size());
        out_.pages[i].pieceCount = end - out_.pages[i].firstPiece;
    }
    return std::move(out_);
}

void LayoutBuilder::placeTitle()
{
    const int32_t titleFont = fontCount_ - 1;
    const FontMetrics& m = metricsOf(titleFont);
    const int32_t titleHeight = m.height() * 3 / 2;
    std::string_view title = textOf(options_.title);
    LayoutPiece p;
    p.font = static_cast<int16_t>(titleFont);
    p.width = m.width(title);
    p.height = m.height();
    p.x = std::max(0, (width_ - p.width) / 2);
    p.y = (titleHeight - p.height) / 2;
    p.textStart = static_cast<int32_t>(out_.text.size());
    p.textLength = static_cast<int32_t>(title.size());
    p.fore = options_.foreColor;
    p.back = -1;
    out_.text.append(title);
    out_.pieces.push_back(p);
    lineFirst_ = static_cast<int32_t>(out_.pieces.size());
    pageTop_ = titleHeight + 1;
    out_.pages.back().bottom = titleHeight;
}

void LayoutBuilder::selectFont(int32_t index)
{
    font_ = index >= 0 && index < fontCount_ ? index : -1;
    lineHeight_ = std::max(lineHeight_, metricsOf(font_).height());
}

void LayoutBuilder::record(const RichText& parse, const RichRun& r)
{
    const int32_t code = r.code;
    auto given = [&r](int i) { return (r.given >> i & 1) != 0; };
    auto number = [&r, &given](int i) { return given(i) ? r.numbers[i] : 0; };
    if (code == 2 || code == 19) {
        // A run alone is placed from where it lies; only runs that follow each other are joined.
        if (plain_.empty() && !joinsNext_)
            placeText(parse.textOf(r), -1);
        else
            plain_.append(parse.textOf(r));
        return;
    }
    if (code == 4) {
        if (given(0))
            plain_.push_back(static_cast<char>(r.numbers[0] & 0xFF));
        return;
    }
    flushWord();
    switch (code) {
    case 1:
        selectFont(given(0) ? r.numbers[0] : -1);
        fore_ = given(1) ? r.numbers[1] : options_.foreColor;
        back_ = given(2) ? r.numbers[2] : options_.backColor;
        if (given(3))
            align_ = std::clamp(r.numbers[3], 0, 2);
        break;
    case 3:
        if (height_ >= kEndlessPage) {
            newLine(true);
            break;
        }
        closeLine();
        // A break where the text has just run onto a fresh page would leave that page blank.
        if (!(pageOverflowed_ && out_.pages.back().firstPiece == static_cast<int32_t>(out_.pieces.size())))
            newPage();
        pageOverflowed_ = false;
        break;
    case 5:
        newLine(true);
        break;
    case 6:
        align_ = 1;
        break;
    case 7:
        align_ = 0;
        break;
    case 8:
        align_ = 2;
        break;
    case 9:
        tab();
        break;
    case 10:
        if (!options_.noBitmaps)
            placeBitmap(parse.textOf(r));
        break;
    case 11:
    case 20:
        out_.targets.push_back(parse.target(r));
        placeText(parse.textOf(r), static_cast<int32_t>(out_.targets.size()) - 1);
        break;
    case 12:
        if (lastBitmap_ >= 0) {
            out_.targets.push_back(parse.target(r));
            out_.pieces[static_cast<size_t>(lastBitmap_)].hot = static_cast<int32_t>(out_.targets.size()) - 1;
        }
        break;
    case 13:
    case 14: {
        Stop stop{number(0) / twipsPerPixel_, code == 14};
        auto at = std::upper_bound(stops_.begin(), stops_.end(), stop.position,
                                   [](int32_t p, const Stop& s) { return p < s.position; });
        stops_.insert(at, stop);
        break;
    }
    case 15:
        if (!lineEmpty())
            newLine(true);
        stops_.clear();
        firstIndent_ = leftIndent_ = 0;
        if (lineEmpty())
            x_ = lineStart_ = lineStart(true);
        break;
    case 16: {
        const Value target = parse.target(r);
        std::string_view name = textOf(target);
        const size_t colon = name.find(':');
        // The piece that follows the marker: the one before it may end the previous page.
        if (colon != std::string_view::npos)
            out_.markers[std::string(name.substr(colon + 1))] = static_cast<int32_t>(out_.pieces.size());
        break;
    }
    case 17:
    case 18:
        (code == 17 ? firstIndent_ : leftIndent_) = number(0) / twipsPerPixel_;
        if (lineEmpty())
            x_ = lineStart_ = lineStart(true);
        break;
    case 21:
        if (!options_.noBoxes)
            placeBoxes(std::clamp(number(0), 1, kMostBoxes));
        break;
    default:
        velError("Unknown Intermediate Parse Type");
        break;
    }
}

void LayoutBuilder::flushWord()
{
    if (plain_.empty())
        return;
    placeText(plain_, -1);
    plain_.clear();
}

void LayoutBuilder::placeText(std::string_view s, int32_t hot)
{
    const FontMetrics& m = metricsOf(font_);
    while (!s.empty()) {
        const int64_t room16 = static_cast<int64_t>(width_ - x_) * 16;
        // Whole chunks (each ending after a space or a hyphen) while they fit.
        int64_t sum16 = 0, chunk16 = 0;
        size_t fit = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            chunk16 += m.advance16[c];
            if (c == ' ' || c == '-' || i + 1 == s.size()) {
                if (sum16 + chunk16 > room16)
                    break;
                sum16 += chunk16;
                chunk16 = 0;
                fit = i + 1;
            }
        }
        if (fit == 0) {
            if (x_ > lineStart_ || !lineEmpty()) {
                newLine(false);
                continue;
            }
            // A word longer than the whole line is cut where the line ends, at least one character on
            // each line, so that it neither overflows the view nor stops the layout. An indent that
            // leaves no room for one character gives way.
            sum16 = m.advance16[static_cast<unsigned char>(s[0])];
            if (sum16 > room16 && x_ > 0) {
                x_ = lineStart_ = 0;
                continue;
            }
            fit = 1;
            while (fit < s.size() && sum16 + m.advance16[static_cast<unsigned char>(s[fit])] <= room16)
                sum16 += m.advance16[static_cast<unsigned char>(s[fit++])];
        }
        LayoutPiece p;
        p.font = static_cast<int16_t>(font_);
        p.x = x_;
        p.y = lineTop_;
        p.width = static_cast<int32_t>((sum16 + 15) / 16);
        p.height = m.height();
        p.textStart = static_cast<int32_t>(out_.text.size());
        p.textLength = static_cast<int32_t>(fit);
        p.fore = hot >= 0 ? options_.hotColor : fore_;
        p.back = back_;
        p.hot = hot;
        out_.text.append(s.substr(0, fit));
        lastPlaced_ = out_.pieces.size();
        lastPlaced16_ = sum16;
        addPiece(p);
        s.remove_prefix(fit);
        if (!s.empty())
            newLine(false);
    }
}

void LayoutBuilder::placeBitmap(std::string_view name)
{
    Value image = measure_.bitmap(name);
    const auto* size = dynamic_cast<const GeometryProtocol*>(image.object());
    if (!size || size->width() <= 0 || size->height() <= 0)
        return;
    if (x_ + size->width() > width_ && !lineEmpty())
        newLine(false);
    LayoutPiece p;
    p.kind = LayoutPiece::Kind::Bitmap;
    p.x = x_;
    p.y = lineTop_ + 2;
    p.width = size->width();
    p.height = size->height();
    p.textStart = static_cast<int32_t>(out_.bitmaps.size());
    out_.bitmaps.push_back(image);
    lineHeight_ = std::max(lineHeight_, p.height + 4);
    lastBitmap_ = static_cast<int32_t>(out_.pieces.size());
    addPiece(p);
}

void LayoutBuilder::placeBoxes(int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const int32_t side = std::max(1, lineHeight_);
        if (x_ + side > width_ && !lineEmpty())
            newLine(false);
        LayoutPiece p;
        p.kind = LayoutPiece::Kind::Box;
        p.x = x_;
        p.y = lineTop_;
        p.width = p.height = side;
        addPiece(p);
    }
}

void LayoutBuilder::addPiece(const LayoutPiece& p)
{
    x_ = p.x + p.width;
    out_.pieces.push_back(p);
}

void LayoutBuilder::tab()
{
    endRightGroup();
    int32_t position = -1;
    bool right = false;
    for (const Stop& stop : stops_) {
        if (stop.position > x_) {
            position = stop.position;
            right = stop.right;
            break;
        }
    }
    if (position < 0)
        position = (x_ / tabStep_ + 1) * tabStep_;
    if (position >= width_) {
        newLine(false);
        return;
    }
    if (right) {
        // The text up to the next tab or line end is placed as usual, then moved to end at the stop.
        rightStop_ = position;
        groupFirst_ = static_cast<int32_t>(out_.pieces.size());
    } else {
        x_ = position;
    }
}

void LayoutBuilder::endRightGroup()
{
    if (rightStop_ < 0)
        return;
    const int32_t shift = rightStop_ - x_;
    if (shift > 0) {
        for (size_t i = static_cast<size_t>(groupFirst_); i < out_.pieces.size(); ++i)
            out_.pieces[i].x += shift;
        x_ += shift;
    }
    rightStop_ = -1;
}

void LayoutBuilder::closeLine()
{
    endRightGroup();
    const size_t first = static_cast<size_t>(lineFirst_), end = out_.pieces.size();
    if (first >= end)
        return;
    int32_t ascent = 0, descent = 0, right = lineStart_;
    for (size_t i = first; i < end; ++i) {
        const LayoutPiece& p = out_.pieces[i];
        right = std::max(right, p.x + p.width);
        if (p.kind == LayoutPiece::Kind::Text) {
            const FontMetrics& m = metricsOf(p.font);
            ascent = std::max(ascent, m.ascent);
            descent = std::max(descent, m.descent + m.leading);
        }
    }
    lineHeight_ = std::max(lineHeight_, ascent + descent);
    // Spaces that end a line are not shown: they neither count when the line is centred or set
    // against the right edge nor hang past it.
    LayoutPiece& last = out_.pieces[end - 1];
    if (last.kind == LayoutPiece::Kind::Text) {
        std::string_view t = out_.textOf(last);
        const size_t kept = t.find_last_not_of(' ') + 1; // npos + 1: all spaces
        if (kept < t.size()) {
            const FontMetrics& m = metricsOf(last.font);
            // The piece's width in sixteenths is known when it was just placed: only the spaces
            // come off it, rather than measuring the line's words again.
            last.width = end - 1 == lastPlaced_
                             ? static_cast<int32_t>((lastPlaced16_ - int64_t{m.advance16[' ']} * static_cast<int64_t>(t.size() - kept) + 15) / 16)
                             : m.width(t.substr(0, kept));
            last.textLength = static_cast<int32_t>(kept);
        }
        right = std::max(lineStart_, last.x + last.width);
        for (size_t i = first; i + 1 < end; ++i)
            right = std::max(right, out_.pieces[i].x + out_.pieces[i].width);
    }
    const int32_t room = width_ - right;
    const int32_t shift = std::max(0, align_ == 1 ? room / 2 : (align_ == 2 ? room : 0));
    // A line that outgrew the page's foot goes to the next page, unless it already heads its page.
    const int32_t dy = lineTop_ + lineHeight_ > height_ && lineTop_ > pageTop_ ? 1 - lineTop_ : 0;
    if (dy != 0) {
        out_.pages.push_back(LayoutPage{lineFirst_, 0, 0});
        lineTop_ = pageTop_ = 1;
    }
    for (size_t i = first; i < end; ++i) {
        LayoutPiece& p = out_.pieces[i];
        p.x += shift;
        p.y += dy;
        if (p.kind == LayoutPiece::Kind::Text)
            p.y += ascent - metricsOf(p.font).ascent;
    }
    out_.pages.back().bottom = std::max(out_.pages.back().bottom, lineTop_ + lineHeight_);
    lineFirst_ = static_cast<int32_t>(end);
}

void LayoutBuilder::newLine(bool paragraph)
{
    closeLine();
    lineTop_ += lineHeight_;
    lineHeight_ = metricsOf(font_).height();
    lineFirst_ = static_cast<int32_t>(out_.pieces.size());
    if (lineTop_ + lineHeight_ > height_ && lineTop_ > pageTop_) {
        newPage();
        pageOverflowed_ = true;
    }
    x_ = lineStart_ = lineStart(paragraph);
}

void LayoutBuilder::newPage()
{
    pageOverflowed_ = false;
    out_.pages.push_back(LayoutPage{static_cast<int32_t>(out_.pieces.size()), 0, 0});
    lineFirst_ = static_cast<int32_t>(out_.pieces.size());
    // Only the first page has the title above its text.
    lineTop_ = pageTop_ = 1;
    lineHeight_ = metricsOf(font_).height();
    x_ = lineStart_;
}

} // namespace

namespace {

// Records made anywhere (a script, a test) are read leniently: an operand of the wrong type counts
// as absent.
RichText richTextOf(const Value& parseResult)
{
    RichText rich;
    const Table* parse = asTable(parseResult);
    if (!parse)
        return rich;
    rich.fonts = parse->get(std::string_view("ListFonts"));
    const Value runs = parse->get(std::string_view("TextRuns"));
    const List* records = asList(runs);
    if (!records)
        return rich;
    rich.runs.reserve(static_cast<size_t>(records->count()));
    for (int32_t n = 0; n < records->count(); ++n) {
        const Value r = records->get(n);
        const List* list = asList(r);
        auto operand = [list](int32_t i) { return list && i < list->count() ? list->get(i) : Value(); };
        const Value head = list ? operand(0) : r;
        RichRun run;
        run.code = head.is(Tag::Int) ? head.asInt() : -1;
        auto text = [&rich, &run](const Value& v) {
            run.textStart = static_cast<int32_t>(rich.text.size());
            run.textLength = static_cast<int32_t>(textOf(v).size());
            rich.text.append(textOf(v));
        };
        auto target = [&rich, &run](const Value& v) {
            run.target = static_cast<int32_t>(rich.targets.size());
            rich.targets.push_back(v);
        };
        const int32_t numbers = run.code == kRunFormat ? 4 : 1;
        for (int32_t i = 0; i < numbers; ++i) {
            const Value v = operand(i + 1);
            if (v.is(Tag::Int)) {
                run.numbers[i] = v.asInt();
                run.given |= static_cast<uint8_t>(1 << i);
            }
        }
        switch (run.code) {
        case kRunText:
        case kRunStrikeText:
        case kRunBitmap:
            text(operand(1));
            break;
        case kRunHotText:
        case kRunHotTextInStrike:
            text(operand(1));
            target(operand(3));
            break;
        case kRunHotBitmap:
        case kRunMarker:
            target(operand(2));
            break;
        default:
            break;
        }
        rich.runs.push_back(run);
    }
    return rich;
}

} // namespace

TextLayout layoutText(const RichText& parse, int32_t width, int32_t height, const LayoutOptions& options,
                      LayoutMeasure& measure)
{
    return LayoutBuilder(width, height, options, measure).run(parse);
}

TextLayout layoutText(const Value& parseResult, int32_t width, int32_t height, const LayoutOptions& options,
                      LayoutMeasure& measure)
{
    return layoutText(richTextOf(parseResult), width, height, options, measure);
}

} // namespace vel
