#include "title/media_viewers.h"

#include <string>

#include "controls/library_form.h"
#include "controls/rtf_parser.h"
#include "runtime/clipboard.h"
#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/printer.h"
#include "runtime/surface.h"
#include "title/atlas_data.h"
#include "title/atlas_form.h"
#include "title/title_form.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

Value tableWith(std::initializer_list<std::pair<const char*, Value>> entries)
{
    Value table = Table::make();
    for (const auto& [key, value] : entries)
        asTable(table)->put(std::string_view(key), value);
    return table;
}

bool listed(Engine& engine, std::string_view entry, std::string_view name)
{
    return positionIn(titleEntry(engine, entry), name) >= 0;
}

bool playIn(velLibraryForm& form, std::string_view controlName, std::string_view file, bool loop)
{
    Value control = form.findControl(Value::string(controlName));
    if (!control.is(Tag::Control) || file.empty())
        return false;
    velPut(control, Value::string("PlayTillStoped"), Value::integer(loop ? 1 : 0));
    velPerform(control, Value::string("Reinitialize"), Value::string(file));
    velPerform(control, Value::string("Draw"), Value());
    const Value started = velPerform(control, Value::string("Start"), Value());
    return started.is(Tag::Int) && velIntValue(started) != 0;
}

// A length in inches from the title's data, in the printer's dots; 0 without one.
int inches(Engine& engine, std::string_view entry, int dotsPerInch)
{
    const Value v = titleEntry(engine, entry);
    return v.is(Tag::Int) || v.is(Tag::Float) || v.is(Tag::String) ? static_cast<int>(velFloatValue(v) * dotsPerInch) : 0;
}

// A file name with its extension when it has none.
std::string movieFile(const Value& name)
{
    std::string file(textItem(name));
    if (!file.empty() && file.find('.') == std::string::npos)
        file += ".avi";
    return file;
}

} // namespace

int32_t mediaType(const Value& record)
{
    const Value type = recordItem(record, 3);
    if (!type.is(Tag::Int) && !type.is(Tag::String))
        return -1;
    const int32_t n = velIntValue(type);
    return n >= kAnimation && n <= kVideo ? n : -1;
}

bool mediaPlays(int32_t type)
{
    return type == kAnimation || type == kVideo;
}

bool playVideo(velLibraryForm& form, std::string_view file, bool loop)
{
    Value frame = form.findControl(Value::string("VideoFrame"));
    if (frame.is(Tag::Control)) {
        asControl(frame)->setBoolean(Value::string("Hidden"), 0);
        velPerform(frame, Value::string("Draw"), Value());
    }
    return playIn(form, "VideoControl", file, loop || listed(form.engine(), "LoopingVideos", file));
}

bool playAnimation(velLibraryForm& form, std::string_view file)
{
    return playIn(form, "AnimControl", file, listed(form.engine(), "LoopingAnims", file));
}

bool zoomMedia(velLibraryForm& form, const Value& record)
{
    Engine& engine = form.engine();
    const Value title = recordItem(record, 2), caption = recordItem(record, 4), file = recordItem(record, 5),
                content = recordItem(record, 7), bookTitle = recordItem(record, 8);
    switch (mediaType(record)) {
    case kAnimation: return playAnimation(form, movieFile(file));
    case kVideo: return playVideo(form, movieFile(file), false);
    case kFlag:
    case kMap:
        runNamedDialog(engine, "FotoDialog",
                       tableWith({{"Image", content}, {"Title", title}, {"Show Buttons", Value::integer(1)}}));
        return true;
    case kPhotograph: runNamedDialog(engine, "FotoDialog", tableWith({{"Image", content}})); return true;
    case kChronology:
        runNamedDialog(engine, "CronoDialog", tableWith({{"Texto", content}, {"Titulo", title}}));
        return true;
    case kBook:
        runNamedDialog(engine, "LivroDialog",
                       tableWith({{"Texto", content}, {"Titulo", bookTitle}, {"PrintTitulo", bookTitle}}));
        return true;
    case kTable:
        runNamedDialog(engine, "TabelaDialog", tableWith({{"Texto", content}, {"Titulo", bookTitle}, {"Header", caption}}));
        return true;
    case kInfographic: return openInfographic(engine, textItem(file));
    default: return false; // type 1, and types no viewer knows
    }
}

void printPicture(velFormObject& form, std::string_view job, std::string_view title)
{
    Engine& engine = form.engine();
    DrawingSurface* surface = engine.surface();
    if (!surface)
        return;
    screen::show(form, "Imprimindo", true);
    platform::Rect area{0, 0, surface->width(), surface->height()};
    if (Region* r = asRegion(form.getProperty(Value::string("PrintingRect"))))
        area = {form.originX() + r->left, form.originY() + r->top, form.originX() + r->right, form.originY() + r->bottom};
    screen::show(form, "Imprimindo", false);
    Value picture = captureImage(surface->context(), area.left, area.top, area.width(), area.height(), Value(), true);
    Printer& printer = engine.printer();
    if (area.width() <= 0 || area.height() <= 0 || !printer.startDocument(job)) 
        return;
    screen::show(form, "Imprimindo", true);
    if (printer.startPage()) {
        const Value font = surface->font();
        const int32_t color = surface->textColor();
        const int64_t background = surface->textBackground();
        surface->setOrigin(0, 0);
        surface->setTextColor(0);
        surface->setTextBackground(-1);
        const int dpi = printer.dotsPerInchAcross();
        const int marginX = inches(engine, "PrintMarginX", dpi), marginY = inches(engine, "PrintMarginY", dpi);
        const int left = std::max(marginX, dpi / 2), top = std::max(marginY, dpi / 2);
        const int right = printer.pageWidth() - left, bottom = printer.pageHeight() - top;
        surface->selectFont(Font::make(Value::string("Times New Roman"), 16, 1));
        const std::string header = std::string(kProductTitle) + " - " + std::string(title);
        const platform::TextMetrics size = surface->measureText(header);
        surface->textOut(left + (right - left - size.width) / 2, top, header);
        const int ruleY = top + size.height + dpi / 20;
        surface->line(left, ruleY, right, ruleY, 0, 2);
        surface->selectFont(Font::make(Value::string("Arial"), 9, 0));
        const std::string footer = std::string(kProductTitle) + "   P\xE1gina 1";
        const int footerY = bottom - surface->measureText(footer).height;
        surface->textOut(left, footerY, footer);
        // The picture as large as the space between header and footer allows, its shape kept.
        const int spaceW = right - left, spaceH = footerY - ruleY - dpi / 5;
        int width = spaceW, height = spaceW * area.height() / area.width();
        if (height > spaceH) {
            height = spaceH;
            width = spaceH * area.width() / area.height();
        }
        velStretchImage(surface->context(), picture, left + (spaceW - width) / 2, ruleY + dpi / 10, width, height);
        surface->selectFont(font);
        surface->setTextColor(color);
        surface->setTextBackground(background);
        printer.endPage();
    }
    printer.endDocument();
    screen::show(form, "Imprimindo", false);
}

std::string plainText(const Value& richText)
{
    if (!richText.is(Tag::String))
        return {};
    Value request = tableWith({{"Type", Value::string("RTF")}, {"Buffer", richText},
                               {"Font", Font::make(Value::string("Arial"), 9, 0)}});
    Value parsed = parseText(request);
    std::string text;
    const List* runs = parsed.is(Tag::Table) ? asList(asTable(parsed)->get(std::string_view("TextRuns"))) : nullptr;
    for (int32_t i = 0; runs && i < runs->count(); ++i) {
        const Value run = runs->get(i);
        const int32_t code = run.is(Tag::Int) ? velIntValue(run) : velIntValue(recordItem(run, 0));
        if ((code == 2 || code == 11 || code == 19) && recordItem(run, 1).is(Tag::String))
            text += textOf(recordItem(run, 1));
        else if (code == 4)
            text += static_cast<char>(velIntValue(recordItem(run, 1)));
        else if (code == 5)
            text += '\n';
        else if (code == 9)
            text += '\t';
    }
    return text;
}

void copyPlainText(velFormObject& form, const Value& richText)
{
    screen::show(form, "Copiando", true);
    clipboardPutText(form.engine().clipboard(), Value::string(plainText(richText)));
    screen::show(form, "Copiando", false);
}

} // namespace vel
