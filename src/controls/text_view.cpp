#include "controls/text_view.h"

#include <algorithm>

#include "controls/rtf_parser.h"
#include "runtime/drawing_context.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "runtime/printer.h"
#include "runtime/resources.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

using platform::Rect;

namespace {

constexpr int32_t kTrackColor = 0xC0C0C0, kButtonColor = 0xA0A0A0, kEdgeColor = 0x404040;

Rect rectOf(const Value& region)
{
    const Region* r = asRegion(region);
    return r ? Rect{r->left, r->top, r->right, r->bottom} : Rect{};
}

Value regionOf(const LayoutPiece& p)
{
    return Region::rectangle(p.x, p.y, p.x + p.width, p.y + p.height);
}

// Draws the pieces of one page that meet `clip`, with the page's top-left corner at (x0, y0).
void paintPage(DrawingSurface& surface, const TextLayout& layout, int32_t page, int32_t x0, int32_t y0, const Rect& clip,
               int32_t boxColor)
{
    if (page < 0 || page >= static_cast<int32_t>(layout.pages.size()) || clip.empty())
        return;
    const LayoutPage& p = layout.pages[static_cast<size_t>(page)];
    surface.setClip(clip);
    int32_t font = INT32_MIN;
    for (int32_t i = p.firstPiece; i < p.firstPiece + p.pieceCount; ++i) {
        const LayoutPiece& piece = layout.pieces[static_cast<size_t>(i)];
        const Rect at = Rect::sized(x0 + piece.x, y0 + piece.y, piece.width, piece.height);
        if (at.bottom <= clip.top || at.top >= clip.bottom)
            continue;
        switch (piece.kind) {
        case LayoutPiece::Kind::Text:
            if (piece.font != font) {
                font = piece.font;
                surface.selectFont(layout.font(font));
            }
            surface.setTextColor(piece.fore);
            surface.setTextBackground(piece.back);
            surface.textOut(at.left, at.top, layout.textOf(piece));
            break;
        case LayoutPiece::Kind::Bitmap:
            if (Image* image = asImage(layout.bitmaps[static_cast<size_t>(piece.textStart)])) {
                Value context = surface.context();
                DrawingContext* c = asDrawingContext(context);
                c->intersectClip(clip);
                image->renderIntoContext(*c, at.left, at.top, image->bounds());
                c->resetClip();
            }
            break;
        case LayoutPiece::Kind::Box:
            surface.rectangle(Rect{at.left + 1, at.top + 1, at.right - 1, at.bottom - 1}, boxColor, 1);
            break;
        }
    }
    surface.resetClip();
}

Value defaultFont()
{
    return Font::make(Value::string("Times New Roman"), 9, 0);
}

// The parse of a view's text: a string is wrapped as one paragraph group unless it is given
// stripped; a buffer is parsed as it is. No records for anything else. Text the rich text does not
// colour takes the view's colour.
RichText parseArticle(const Value& text, const Value& font, bool stripped, int32_t foreColor)
{
    RichText parse;
    if (!text.is(Tag::String) && !text.is(Tag::Buffer))
        return parse;
    Value request = Table::make();
    Table* r = asTable(request);
    r->put(std::string_view("Type"), Value::string("RTF"));
    r->put(std::string_view("Buffer"), text.is(Tag::String) && !stripped
                                           ? Value::string("{\\par \\pard " + std::string(textOf(text)) + "}")
                                           : text);
    r->put(std::string_view("Font"), font);
    r->put(std::string_view("ForeColor"), Value::integer(foreColor));
    parseRichText(request, parse);
    return parse;
}

} // namespace

TextView::TextView(Engine& engine, const Value& properties) : velLibraryControl(engine, properties), measure_(engine) {}

Value TextView::className() const
{
    return Value::string("TextView");
}

Value TextView::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new TextView(engine(), data));
}

void TextView::onFormLoad()
{
    velLibraryControl::onFormLoad();
    readProperties();
    Value text = property("Text");
    if (text.is(Tag::String) || text.is(Tag::Buffer))
        text_ = text;
    layOut();
}

void TextView::readProperties()
{
    initialized_ = true;
    Value scroll = property("Scroll");
    scrollMode_ = asTable(scroll) != nullptr;
    const std::optional<Rect> region = rectProperty("TextRegion");
    region_ = region ? *region : hotSpotRect();
    if (scrollMode_) {
        minimum_ = scrollInteger("Min", 0);
        maximum_ = scrollInteger("Max", 0);
        value_ = scrollInteger("Value", minimum_);
        pageIncrement_ = scrollInteger("PageInc", 0);
        // Without a region of its own the text keeps clear of the bar.
        const Rect bar = scrollBar().bar;
        if (!region && bar.left > region_.left && bar.left < region_.right)
            region_.right = bar.left;
    }
}

int32_t TextView::scrollInteger(const char* key, int32_t fallback) const
{
    const Table* s = asTable(property("Scroll"));
    Value v = s ? s->get(std::string_view(key)) : Value();
    return v.is(Tag::Int) ? v.asInt() : fallback;
}

Value TextView::image(const char* key) const
{
    const Table* s = asTable(property("Scroll"));
    Value v = s ? s->get(std::string_view(key)) : Value();
    return v.isNil() ? v : engine().resources().loadImage(v);
}

TextView::ScrollBar TextView::scrollBar() const
{
    ScrollBar b;
    const Table* s = asTable(property("Scroll"));
    if (!s)
        return b;
    Value given = engine().resources().loadNamed(s->get(std::string_view("ScrollRegion")));
    if (given.is(Tag::Region)) {
        b.bar = rectOf(given);
    } else {
        const Rect spot = hotSpotRect();
        const int32_t width = scrollInteger("ScrollWidth", -1) > 0 ? scrollInteger("ScrollWidth", -1) : 16;
        b.bar = Rect{spot.right - width, spot.top, spot.right, spot.bottom};
    }
    const int32_t button = std::clamp(scrollInteger("ButtonHeight", 16), 0, b.bar.height() / 2);
    b.up = Rect{b.bar.left, b.bar.top, b.bar.right, b.bar.top + button};
    b.down = Rect{b.bar.left, b.bar.bottom - button, b.bar.right, b.bar.bottom};
    b.track = Rect{b.bar.left, b.up.bottom, b.bar.right, b.down.top};
    const int32_t thumb = std::clamp(scrollInteger("ThumbHeight", 16), 0, b.track.height());
    const int32_t travel = b.track.height() - thumb;
    const int32_t top = maximum_ > minimum_
                            ? b.track.top + static_cast<int32_t>(static_cast<int64_t>(value_ - minimum_) * travel /
                                                                  (maximum_ - minimum_))
                            : b.track.top;
    b.thumb = Rect{b.bar.left, top, b.bar.right, top + thumb};
    return b;
}

void TextView::setText(const Value& text)
{
    // The same text again is left as it is, unless the view's colour changed since it was laid out.
    if (!text_.isNil() && text.tag() == text_.tag() && text == text_ && integer("ForegroundColor", 1) == layoutColor_)
        return;
    text_ = text;
    layOut();
    draw();
    flush();
}

void TextView::layOut()
{
    if (!initialized_)
        readProperties();
    Value font = property("Font");
    LayoutOptions options;
    options.foreColor = layoutColor_ = integer("ForegroundColor", 1);
    const RichText parse =
        parseArticle(text_, font.is(Tag::Font) ? font : defaultFont(), truth("StrippedRTF", false), options.foreColor);
    options.backColor = integer("BackgroundColor", -1);
    options.hotColor = integer("HotSpotColor", 0x008000);
    layout_ = layoutText(parse, region_.width(), scrollMode_ ? kEndlessPage : region_.height(), options, measure_);
    page_ = 0;
    lineStep_ = std::max(1, measure_.metrics(layout_.font(0)).height());
    if (scrollMode_) {
        // Without a "Max" of its own the view scrolls as far as the text goes.
        const int32_t bottom = layout_.pages.empty() ? 0 : layout_.pages[0].bottom;
        const int32_t hidden = std::max(0, bottom - region_.height());
        if (!asTable(property("Scroll"))->contains(Value::string("Max")))
            maximum_ = minimum_ + (hidden + lineStep_ - 1) / lineStep_;
        if (pageIncrement_ <= 0)
            pageIncrement_ = std::max(1, region_.height() / lineStep_ - 1);
    }
    value_ = minimum_;
}

void TextView::drawBackground(const Rect& area)
{
    DrawingSurface* surface = engine().surface();
    if (!surface || area.empty())
        return;
    const int32_t color = integer("BackgroundColor", -1);
    if (color >= 0) {
        surface->fill(area, color);
        return;
    }
    if (Image* saved = asImage(background_)) {
        Value context = surface->context();
        saved->renderIntoContext(*asDrawingContext(context), area.left, area.top,
                                 Rect::sized(area.left - region_.left, area.top - region_.top, area.width(),
                                             area.height()));
    }
}

void TextView::drawText(const Rect& clip)
{
    if (DrawingSurface* surface = engine().surface())
        paintPage(*surface, layout_, page_, region_.left, region_.top + offset(), clip.intersect(region_),
                  integer("BoxColor", 0x808080));
}

void TextView::draw()
{
    DrawingSurface* surface = engine().surface();
    if (!surface || !isVisible() || surface->printing())
        return;
    if (!initialized_)
        onFormLoad();
    const int32_t color = integer("BackgroundColor", -1);
    if (background_.isNil() && color < 0 && !region_.empty())
        background_ = saveScreen(region_);
    if (color >= 0) {
        // A coloured view is a panel: the margin around the text region is painted too.
        Rect panel = hotSpotRect();
        if (scrollMode_)
            panel.right = std::max(panel.left, std::min(panel.right, scrollBar().bar.left));
        surface->fill(panel, color);
    } else {
        drawBackground(region_);
    }
    drawText(region_);
    drawScrollBar();
}

void TextView::drawScrollBar()
{
    DrawingSurface* surface = engine().surface();
    if (!surface || !scrollMode_)
        return;
    const Table* s = asTable(property("Scroll"));
    if (!(maximum_ > minimum_) && s && isTrue(s->get(std::string_view("SometimesShowScroll"))))
        return;
    const ScrollBar b = scrollBar();
    Value context = surface->context();
    DrawingContext* c = asDrawingContext(context);
    auto paint = [&](const Rect& r, const char* key, const char* highlight, bool pressed, int32_t color) {
        if (r.empty())
            return;
        Value picture = image(pressed && image(highlight).is(Tag::Image) ? highlight : key);
        if (Image* i = asImage(picture)) {
            i->stretchIntoContext(*c, r, i->bounds());
            return;
        }
        surface->fill(r, color);
        surface->rectangle(r, kEdgeColor, 1);
    };
    paint(b.track, "ScrollImage", "ScrollImage", false, kTrackColor);
    paint(b.up, "UpImage", "UpHighlight", pressed_ == Part::Up, pressed_ == Part::Up ? kEdgeColor : kButtonColor);
    paint(b.down, "DownImage", "DownHighlight", pressed_ == Part::Down, pressed_ == Part::Down ? kEdgeColor : kButtonColor);
    if (maximum_ > minimum_)
        paint(b.thumb, "ThumbImage", "ThumbHighlight", pressed_ == Part::Thumb, kButtonColor);
    // The default arrows: a chevron in each button.
    if (image("UpImage").isNil()) {
        const int32_t mx = (b.up.left + b.up.right) / 2, my = (b.up.top + b.up.bottom) / 2;
        surface->line(mx - 4, my + 2, mx, my - 2, kEdgeColor, 1);
        surface->line(mx, my - 2, mx + 4, my + 2, kEdgeColor, 1);
    }
    if (image("DownImage").isNil()) {
        const int32_t mx = (b.down.left + b.down.right) / 2, my = (b.down.top + b.down.bottom) / 2;
        surface->line(mx - 4, my - 2, mx, my + 2, kEdgeColor, 1);
        surface->line(mx, my + 2, mx + 4, my - 2, kEdgeColor, 1);
    }
}

void TextView::scrollTo(int32_t value)
{
    value = std::max(minimum_, std::min(value, maximum_));
    const int32_t moved = (value_ - value) * lineStep_; // how far the text moves down
    if (moved == 0)
        return;
    value_ = value;
    DrawingSurface* surface = engine().surface();
    if (!surface || !isVisible())
        return;
    const Rect r = region_;
    if (moved > 0 && moved < r.height()) {
        surface->copyArea(Rect{r.left, r.top, r.right, r.bottom - moved}, r.left, r.top + moved);
        const Rect strip{r.left, r.top, r.right, r.top + moved};
        drawBackground(strip);
        drawText(strip);
    } else if (moved < 0 && -moved < r.height()) {
        surface->copyArea(Rect{r.left, r.top - moved, r.right, r.bottom}, r.left, r.top);
        const Rect strip{r.left, r.bottom + moved, r.right, r.bottom};
        drawBackground(strip);
        drawText(strip);
    } else {
        drawBackground(r);
        drawText(r);
    }
    drawScrollBar();
}

void TextView::showPage(int32_t page)
{
    if (scrolling() || page < 0 || page >= static_cast<int32_t>(layout_.pages.size()) || page == page_)
        return;
    page_ = page;
    draw();
    flush();
}

void TextView::scrollToRun(int32_t run)
{
    if (run < 0 || run >= static_cast<int32_t>(layout_.pieces.size()))
        return;
    if (!scrollMode_) {
        const int32_t page = layout_.pageOf(run);
        if (page != page_) {
            page_ = page;
            draw();
        }
        return;
    }
    // The value whose top line holds the run.
    scrollTo(minimum_ + std::max(0, layout_.pieces[static_cast<size_t>(run)].y - 1) / lineStep_);
}

Value TextView::hotSpotList() const
{
    Value list = ValueList::make();
    if (page_ >= static_cast<int32_t>(layout_.pages.size()))
        return list;
    const LayoutPage& page = layout_.pages[static_cast<size_t>(page_)];
    for (int32_t i = page.firstPiece; i < page.firstPiece + page.pieceCount; ++i) {
        const LayoutPiece& p = layout_.pieces[static_cast<size_t>(i)];
        if (p.hot < 0)
            continue;
        Value entry = ValueList::make(2);
        asList(entry)->append(regionOf(p));
        asList(entry)->append(layout_.targets[static_cast<size_t>(p.hot)]);
        asList(list)->append(entry);
    }
    return list;
}

const LayoutPiece* TextView::hotPieceAt(int32_t x, int32_t y) const
{
    if (!region_.contains(x, y) || page_ >= static_cast<int32_t>(layout_.pages.size()))
        return nullptr;
    const int32_t lx = x - region_.left, ly = y - region_.top - offset();
    const LayoutPage& page = layout_.pages[static_cast<size_t>(page_)];
    for (int32_t i = page.firstPiece; i < page.firstPiece + page.pieceCount; ++i) {
        const LayoutPiece& p = layout_.pieces[static_cast<size_t>(i)];
        if (p.hot >= 0 && Rect::sized(p.x, p.y, p.width, p.height).contains(lx, ly))
            return &p;
    }
    return nullptr;
}

Value TextView::hotTargetAt(int32_t x, int32_t y) const
{
    const LayoutPiece* p = hotPieceAt(x, y);
    return p ? layout_.targets[static_cast<size_t>(p->hot)] : Value();
}

Value TextView::cursorAt(int32_t x, int32_t y) const
{
    // The hand says "this can be clicked": over hot text and the scroll bar, not over the reading.
    if (hotPieceAt(x, y) || (scrolling() && scrollBar().bar.contains(x, y)))
        return cursor();
    return Value();
}

TextView::Part TextView::partAt(int32_t x, int32_t y) const
{
    const ScrollBar b = scrollBar();
    if (b.up.contains(x, y))
        return Part::Up;
    if (b.down.contains(x, y))
        return Part::Down;
    if (b.thumb.contains(x, y))
        return Part::Thumb;
    return b.track.contains(x, y) ? Part::Track : Part::None;
}

void TextView::trackScrollBar(int32_t x, int32_t y)
{
    Value keep = Value::share(Tag::Control, this);
    pressed_ = partAt(x, y);
    const ScrollBar b = scrollBar();
    const int32_t grab = y - b.thumb.top;
    switch (pressed_) {
    case Part::Up: scrollTo(value_ - 1); break;
    case Part::Down: scrollTo(value_ + 1); break;
    case Part::Track: scrollTo(y < b.thumb.top ? value_ - pageIncrement_ : value_ + pageIncrement_); break;
    default: break;
    }
    drawScrollBar();
    flush();
    EventRecord e;
    // The pressed part stays lit until the release; dragging moves the thumb.
    while (pressed_ != Part::None && engine().nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e)) {
        if (e.kind == event_kind::MouseUp)
            break;
        if (pressed_ != Part::Thumb)
            continue;
        FormPoint p{e.x, e.y};
        if (velFormObject* form = asForm(engine().currentForm()))
            p = form->toFormCoordinates(p);
        const int32_t travel = std::max(1, b.track.height() - b.thumb.height());
        const int32_t span = maximum_ - minimum_;
        scrollTo(minimum_ + static_cast<int32_t>((static_cast<int64_t>(p.y - grab - b.track.top) * span + travel / 2) /
                                                 travel));
        drawScrollBar();
        flush();
    }
    pressed_ = Part::None;
    drawScrollBar();
    flush();
}

bool TextView::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    if (scrolling() && scrollBar().bar.contains(x, y)) {
        trackScrollBar(x, y);
        return false;
    }
    context_ = hotTargetAt(x, y);
    return velLibraryControl::track(x, y, flags, clicks);
}

bool TextView::key(int32_t keyCode, int32_t)
{
    const char* action = nullptr;
    switch (keyCode) {
    case key_code::Home: action = "Home"; break;
    case key_code::End: action = "End"; break;
    case key_code::PageUp: action = scrolling() ? "PageUp" : "PrevPage"; break;
    case key_code::PageDown: action = scrolling() ? "PageDown" : "NextPage"; break;
    case key_code::Up: action = "LineUp"; break;
    case key_code::Down: action = "LineDown"; break;
    default: return false;
    }
    perform(Value::string(action), Value());
    // Taken, but no click: the form has nothing to do for a scroll.
    return false;
}

void TextView::clearText()
{
    drawBackground(region_);
    flush();
    text_ = Value();
    context_ = Value();
    layout_ = TextLayout{};
    page_ = 0;
    value_ = maximum_ = minimum_;
}

int32_t TextView::print(const Value& data)
{
    const Table* d = asTable(data);
    auto item = [d](const char* key) { return d ? d->get(std::string_view(key)) : Value(); };
    Value text = item("Text").isNil() ? text_ : item("Text");
    if (!text.is(Tag::String) && !text.is(Tag::Buffer))
        return 0;
    Value font = item("Font").is(Tag::Font) ? item("Font") : property("Font");
    if (!font.is(Tag::Font))
        font = defaultFont();
    DrawingSurface* surface = engine().surface();
    Printer& printer = engine().printer();
    if (!surface || !printer.startDocument())
        return 0;
    if (!printer.startPage()) {
        printer.abortDocument();
        return 0;
    }
    const int32_t dpi = item("DPI").is(Tag::Int) && item("DPI").asInt() > 0 ? item("DPI").asInt() : printer.dotsPerInchAcross();
    SurfaceMeasure paper(engine());
    const int32_t margin = dpi * 3 / 4;
    const int32_t furniture = paper.metrics(font).height() * 2;
    const Rect body{margin, margin + furniture, printer.pageWidth() - margin, printer.pageHeight() - margin - furniture};

    LayoutOptions options = LayoutOptions::fromTable(data);
    options.dotsPerInch = dpi;
    options.foreColor = integer("ForegroundColor", options.foreColor);
    options.hotColor = integer("HotSpotColor", 0x008000);
    const TextLayout paged = layoutText(parseArticle(text, font, truth("StrippedRTF", false), options.foreColor),
                                        body.width(), body.height(), options, paper);

    const int32_t savedX = surface->originX(), savedY = surface->originY();
    surface->setOrigin(0, 0);
    const int32_t pages = static_cast<int32_t>(paged.pages.size());
    const Rect sheet{0, 0, printer.pageWidth(), printer.pageHeight()};
    for (int32_t page = 0; page < pages; ++page) {
        if (page > 0 && !printer.startPage())
            break;
        surface->selectFont(font);
        surface->setTextColor(options.foreColor);
        surface->setTextBackground(-1);
        if (item("Header").is(Tag::String))
            surface->textOut(margin, margin, textOf(item("Header")));
        std::string footer = item("Footer").is(Tag::String) ? std::string(textOf(item("Footer"))) + "  " : std::string();
        footer += std::to_string(page + 1) + " / " + std::to_string(pages);
        surface->textOut(margin, body.bottom + furniture / 2, footer);
        paintPage(*surface, paged, page, body.left, body.top, sheet, integer("BoxColor", 0x808080));
        printer.endPage();
    }
    surface->setOrigin(savedX, savedY);
    printer.endDocument();
    return pages;
}

Value TextView::perform(const Value& action, const Value& arguments)
{
    if (!action.is(Tag::String))
        return velLibraryControl::perform(action, arguments);
    const std::string_view a = textOf(action);
    const int32_t n = arguments.is(Tag::Int) ? arguments.asInt() : 0;
    if (a == "Initialize") {
        readProperties();
        layOut();
        draw();
    } else if (a == "SetText") {
        if (arguments.is(Tag::String) || arguments.is(Tag::Buffer))
            setText(arguments);
    } else if (a == "ClearText") {
        clearText();
    } else if (a == "SetTextRun") {
        scrollToRun(n);
    } else if (a == "GotoMarker") {
        const int32_t run = layout_.marker(textOf(arguments));
        if (run >= 0)
            scrollToRun(run);
        flush();
        return Value::integer(run);
    } else if (a == "PrevPage" || a == "NextPage") {
        showPage(page_ + (a == "NextPage" ? 1 : -1));
    } else if (a == "CurrentPage") {
        return Value::integer(page_ + 1);
    } else if (a == "TotalPages") {
        return Value::integer(static_cast<int32_t>(layout_.pages.size()));
    } else if (a == "hotspotList") {
        return hotSpotList();
    } else if (a == "GetContext") {
        return context_;
    } else if (a == "Print") {
        return Value::integer(print(arguments));
    } else if (a == "SetValue" || a == "LineUp" || a == "LineDown" || a == "PageUp" || a == "PageDown" ||
               a == "Home" || a == "End") {
        const int32_t target = a == "SetValue"   ? n
                               : a == "LineUp"   ? value_ - 1
                               : a == "LineDown" ? value_ + 1
                               : a == "PageUp"   ? value_ - pageIncrement_
                               : a == "PageDown" ? value_ + pageIncrement_
                               : a == "Home"     ? minimum_
                                                 : maximum_;
        scrollTo(target);
        flush();
    } else if (a == "GetValue") {
        return Value::integer(value_);
    } else if (a == "FlushBackground") {
        background_ = Value();
    } else {
        return velLibraryControl::perform(action, arguments);
    }
    return Value();
}

} // namespace vel
