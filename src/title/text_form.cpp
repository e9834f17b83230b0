#include "title/text_form.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "controls/rtf_parser.h"
#include "index/title_indexes.h"
#include "index/value_index.h"
#include "platform/media_path.h"
#include "runtime/clipboard.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/printer.h"
#include "runtime/surface.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"
#include "title/quiet_errors.h"
#include "title/title_app.h"

namespace vel {

namespace {

constexpr const char* kTextViews[] = {"Texto",    "SeeAlsoText",  "TimeLineText", "DayText1",
                                      "VerbsQUsam", "MidiaCaption", "VerbeteTitle", "Artigo"};
constexpr const char* kMediaLinks[] = {"anim", "bandeira", "crono", "foto", "info",
                                       "livro", "mapa", "tabela", "video"};

Value item(const Value& list, int32_t n)
{
    if (List* l = asList(list); l && n >= 0 && n < l->count())
        return l->get(n);
    return Value();
}

bool listHolds(const Value& list, std::string_view text)
{
    if (List* l = asList(list))
        for (int32_t i = 0; i < l->count(); ++i)
            if (l->get(i).is(Tag::String) && textOf(l->get(i)) == text)
                return true;
    return false;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string cacheKey(std::string_view kind, std::string_view name)
{
    return "Title Data " + std::string(kind) + " " + std::string(name);
}

int32_t entryInteger(Engine& engine, std::string_view key, int32_t fallback)
{
    Value v = engine.resources().load(Value::string(key));
    return v.is(Tag::Int) || v.is(Tag::String) || v.is(Tag::Float) ? velIntValue(v) : fallback;
}

double entryFloat(Engine& engine, std::string_view key, double fallback)
{
    Value v = engine.resources().load(Value::string(key));
    if (v.is(Tag::Float))
        return v.asFloat();
    if (v.is(Tag::Int))
        return v.asInt();
    if (v.is(Tag::String))
        return std::atof(std::string(textOf(v)).c_str());
    return fallback;
}

// A font from the entries <prefix>FontType, FontSize and FontStyle, its size scaled.
Value entryFont(Engine& engine, std::string_view prefix, double scale)
{
    const std::string p(prefix);
    Value face = engine.resources().load(Value::string(p + "FontType"));
    if (!face.is(Tag::String))
        face = Value::string("Arial");
    const int32_t size = std::max(1, static_cast<int32_t>(std::lround(entryInteger(engine, p + "FontSize", 10) * scale)));
    return Font::make(face, size, entryInteger(engine, p + "FontStyle", 0));
}

} // namespace

bool AATextForm::isTextView(std::string_view name)
{
    return std::find(std::begin(kTextViews), std::end(kTextViews), name) != std::end(kTextViews);
}

bool AATextForm::handleAction(std::string_view name, const Value& control)
{
    if (!isTextView(name))
        return Named::handleAction(name, control);
    Value context = velPerform(control, Value::string("GetContext"), Value());
    if (context.is(Tag::String))
        followLink(textOf(context));
    return true;
}

void AATextForm::followLink(std::string_view context)
{
    const std::size_t colon = context.find(':');
    const std::string_view type = context.substr(0, colon);
    const std::string_view value = colon == std::string_view::npos ? std::string_view() : context.substr(colon + 1);
    Value keep = self();
    if (std::find(std::begin(kMediaLinks), std::end(kMediaLinks), type) != std::end(kMediaLinks)) {
        showLinkedMedia(type, value);
    } else if (type == "audio") {
        playAudio(Value::string("Sounds/" + std::string(value)), false);
    } else if (type == "jump") {
        const std::size_t semicolon = value.find(';');
        const std::string_view form = trimmed(value.substr(0, semicolon));
        const std::string_view screen =
            semicolon == std::string_view::npos ? std::string_view() : trimmed(value.substr(semicolon + 1));
        if (form == "VerbForm")
            goToForm(engine(), "VerbForm",
                     tableOf({{"Text", Value::string(screen)}, {"FullList", Value::boolean(1)}}));
        else if (form == "AtlasForm")
            goToForm(engine(), "AtlasForm", tableOf({{"Text", Value::string(screen)}}));
    } else {
        engine().notice("A\xE7\xE3o deconhecida: " + std::string(type) + "[" + std::string(value) + "]");
    }
}

void AATextForm::showLinkedMedia(std::string_view, std::string_view value)
{
    Value clip = control("ClipControl");
    if (!clip.is(Tag::Control))
        return;
    velPut(clip, Value::string("Image"), Value::string(value));
    velPerform(clip, Value::string("Draw"), Value());
}

void AATextForm::showMedia(const Value& record)
{
    auto at = [&record](int32_t n) { return item(record, n); };
    Value type = at(3);
    switch (type.is(Tag::Int) || type.is(Tag::String) ? velIntValue(type) : -1) {
    case 0: playAnimation(at(5)); break;
    case 2:
    case 7: showPicture(at(7), at(2), true); break;
    case 3: showChronology(at(7), at(2)); break;
    case 4: showPicture(at(7), Value(), false); break;
    case 5: showInfographic(at(5)); break;
    case 6: showBook(at(7), at(8), at(4)); break;
    case 8: showTable(at(7), at(8), at(4)); break;
    case 9: playVideo(at(5)); break;
    default: break; // type 1 and anything unknown have no viewer
    }
}

void AATextForm::playAnimation(const Value& file)
{
    Value player = control("AnimControl");
    if (!player.is(Tag::Control) || !file.is(Tag::String))
        return;
    const std::string name = std::string(textOf(file)) + ".avi";
    velPut(player, Value::string("DoubleSize"), Value::boolean(engine().configuration().getTruth("DoubleSizedVideo", false)));
    velPut(player, Value::string("PlayTillStoped"),
           Value::boolean(listHolds(engine().resources().load(Value::string("LoopingAnims")), textOf(file))));
    velPerform(player, Value::string("Reinitialize"), Value::string(name));
    velPerform(player, Value::string("Start"), Value());
}

void AATextForm::playVideo(const Value& file)
{
    Value player = control("VideoControl");
    if (!player.is(Tag::Control) || !file.is(Tag::String))
        return;
    if (Value frame = control("VideoFrame"); frame.is(Tag::Control)) {
        velPut(frame, Value::string("Image"), engine().resources().load(Value::string("VideoFrameMask")));
        velPerform(frame, Value::string("Draw"), Value());
    }
    velPut(player, Value::string("PlayTillStoped"),
           Value::boolean(listHolds(engine().resources().load(Value::string("LoopingVideos")), textOf(file))));
    velPerform(player, Value::string("Reinitialize"), Value::string(std::string(textOf(file)) + ".avi"));
    velPerform(player, Value::string("Start"), Value());
}

void AATextForm::showPicture(const Value& image, const Value& title, bool buttons)
{
    Value argument = buttons ? tableOf({{"Image", image}, {"Title", title}, {"Show Buttons", Value::boolean(1)}})
                             : tableOf({{"Image", image}});
    runNamedDialog(engine(), "FotoDialog", argument);
}

void AATextForm::showChronology(const Value& text, const Value& title)
{
    runNamedDialog(engine(), "CronoDialog", tableOf({{"Texto", text}, {"Titulo", title}}));
}

void AATextForm::showInfographic(const Value& form)
{
    if (form.is(Tag::String) && listHolds(engine().resources().load(Value::string("ValidInfos")), textOf(form)))
        goToForm(engine(), textOf(form), Value());
}

void AATextForm::showBook(const Value& text, const Value& title, const Value& printTitle)
{
    runNamedDialog(engine(), "LivroDialog", tableOf({{"Texto", text}, {"Titulo", title}, {"PrintTitulo", printTitle}}));
}

void AATextForm::showTable(const Value& text, const Value& title, const Value& header)
{
    runNamedDialog(engine(), "TabelaDialog", tableOf({{"Texto", text}, {"Titulo", title}, {"Header", header}}));
}

void AATextForm::notice(std::string_view name, bool shown)
{
    showNotice(*this, name, shown);
}

void AATextForm::printText(const Value& title, const Value& text)
{
    printFormText(*this, title, text);
}

void AATextForm::copyText(const Value& title, const Value& text)
{
    copyFormText(*this, title, text);
}

void showNotice(velFormObject& form, std::string_view name, bool shown)
{
    Value c = form.findControl(Value::string(name));
    if (!c.is(Tag::Control))
        return;
    asControl(c)->setBoolean(Value::string("Hidden"), shown ? 0 : 1);
    // A notice lies over other controls: gone, the whole form is drawn again under it.
    if (shown)
        asControl(c)->draw();
    else
        form.draw();
    form.engine().updateScreen();
}

void printFormText(velFormObject& form, const Value& title, const Value& text)
{
    Value attributes = form.getProperty(Value::string("PrintAttributes"));
    if (!attributes.is(Tag::Table)) {
        attributes = Table::make();
        form.setProperty(Value::string("PrintAttributes"), attributes);
    }
    Table* a = asTable(attributes);
    a->put(std::string_view("Title"), plainTitle(title));
    a->put(std::string_view("Text"), text);
    Value view = form.findControl(Value::string("Texto"));
    if (!view.is(Tag::Control))
        view = form.findControl(Value::string("Artigo"));
    if (!view.is(Tag::Control))
        return;
    Engine& engine = form.engine();
    engine.setCursor(Cursor::make(CursorKind::Wait));
    showNotice(form, "Imprimindo", true);
    const Value previous = a->get(std::string_view("Font"));
    if (!previous.is(Tag::Font))
        a->put(std::string_view("Font"), Font::make(Value::string("Arial"), 11, 0));
    velPerform(view, Value::string("Print"), attributes);
    a->put(std::string_view("Font"), previous);
    showNotice(form, "Imprimindo", false);
    engine.setCursor(Value());
}

void copyFormText(velFormObject& form, const Value& title, const Value& text)
{
    showNotice(form, "Copiando", true);
    std::string rich;
    if (title.is(Tag::String) && !textOf(title).empty())
        rich = std::string(textOf(title)) + "\\par\\par ";
    if (text.is(Tag::String))
        rich += textOf(text);
    clipboardPutText(form.engine().clipboard(), Value::string(richTextToPlain(Value::string(rich))));
    showNotice(form, "Copiando", false);
}

bool AATextForm::printPicture(std::string_view jobName, std::string_view screenTitle)
{
    return printFormPicture(*this, jobName, screenTitle);
}

bool printFormPicture(velFormObject& form, std::string_view jobName, std::string_view screenTitle)
{
    Engine& engine = form.engine();
    DrawingSurface* surface = engine.surface();
    // The form's own area first (a dialog's, from its corner), else the title's.
    Value area = form.getProperty(Value::string("PrintingRect"));
    const bool own = asRegion(area) != nullptr;
    if (!own)
        area = engine.resources().load(Value::string("PrintingRect"));
    Region* r = asRegion(area);
    const int32_t dx = own ? form.originX() : 0, dy = own ? form.originY() : 0;
    if (!surface)
        return false;
    platform::Rect source = r ? platform::Rect{r->left + dx, r->top + dy, r->right + dx, r->bottom + dy}
                              : platform::Rect{0, 40, surface->width(), surface->height()};
    source.right = std::min(source.right, surface->width());
    source.bottom = std::min(source.bottom, surface->height());
    if (source.width() <= 0 || source.height() <= 0)
        return false;
    // Taken before the notice covers any of it.
    Value picture = ContextImage::make(source.width(), source.height());
    velDrawImage(picture, surface->context(), 0, 0, source.width(), source.height(), source.left, source.top);
    Printer& printer = engine.printer();
    showNotice(form, "Imprimindo", true);
    bool printed = false;
    if (printer.startDocument(jobName)) {
        if (printer.startPage()) {
            const int32_t dpiX = printer.dotsPerInchAcross(), dpiY = printer.dotsPerInchDown();
            const int32_t marginX = static_cast<int32_t>(entryFloat(engine, "PrintMarginX", 0.75) * dpiX);
            const int32_t marginY = static_cast<int32_t>(entryFloat(engine, "PrintMarginY", 0.75) * dpiY);
            const double scale = static_cast<double>(dpiY) / std::max(1, entryInteger(engine, "PrintBaseYDPI", 96));
            const int32_t width = printer.pageWidth(), height = printer.pageHeight();
            const int32_t savedX = surface->originX(), savedY = surface->originY();
            surface->setOrigin(0, 0);
            surface->setTextBackground(-1);
            surface->setTextColor(0);
            surface->selectFont(entryFont(engine, "PrintHeader", scale));
            const std::string header = "Orvale Vanta - " + std::string(screenTitle);
            const platform::TextMetrics headerSize = surface->measureText(header);
            surface->textOut(marginX + std::max(0, (width - 2 * marginX - headerSize.width) / 2), marginY, header);
            const int32_t rule = marginY + headerSize.height + headerSize.height / 3;
            surface->line(marginX, rule, width - marginX, rule, 0, std::max(1, dpiY / 100));
            surface->selectFont(entryFont(engine, "PrintFooter", scale));
            Value notice = engine.resources().load(Value::string("PrintPublisherNotice"));
            const std::string footer = (notice.is(Tag::String) ? std::string(textOf(notice)) + "  " : std::string()) +
                                       "P\xE1gina 1";
            const platform::TextMetrics footerSize = surface->measureText(footer);
            const int32_t footerTop = height - marginY - footerSize.height;
            surface->textOut(marginX, footerTop, footer);
            // The picture fills the space between, its proportions kept.
            const int32_t boxTop = rule + headerSize.height, boxBottom = footerTop - footerSize.height;
            const double fit = std::min(static_cast<double>(width - 2 * marginX) / source.width(),
                                        static_cast<double>(boxBottom - boxTop) / source.height());
            const int32_t w = static_cast<int32_t>(source.width() * fit), h = static_cast<int32_t>(source.height() * fit);
            if (w > 0 && h > 0)
                velStretchImage(surface->context(), picture, marginX + (width - 2 * marginX - w) / 2, boxTop, w, h);
            surface->setOrigin(savedX, savedY);
            printer.endPage();
            printer.endDocument();
            printed = true;
        } else {
            printer.abortDocument();
        }
    }
    showNotice(form, "Imprimindo", false);
    return printed;
}

namespace {

// The value `open` makes, made once a run and kept in the globals under the key; a file found
// missing is not looked for again either.
Value openedOnce(Engine& engine, const std::string& key, const std::function<Value(const std::string& data)>& open)
{
    Configuration& configuration = engine.configuration();
    if (Value held = configuration.global(Value::string(key)); !held.isNil())
        return held.is(Tag::Boolean) ? Value() : held;
    Value made = open(platform::pathUnder(configuration.mediaRoot(), "DAT"));
    configuration.putGlobal(key, made.isNil() ? Value::boolean(0) : made);
    return made;
}

} // namespace

Value titleIndex(Engine& engine, std::string_view name)
{
    return openedOnce(engine, cacheKey("Index", name), [&](const std::string& data) {
        for (const TitleIndexFile& file : TitleIndexes::table())
            if (name == file.name) {
                const std::string path = findFileIgnoringCase(data, file.file);
                if (ValueIndex::isIndexFile(path))
                    return ValueIndex::make(path, false, false, engine.pageCache());
            }
        return Value();
    });
}

Value titleArchive(Engine& engine, std::string_view name)
{
    return openedOnce(engine, cacheKey("Archive", name), [&](const std::string& data) {
        return openTitleArchive(data, name);
    });
}

Value lookUp(Engine& engine, std::string_view index, const Value& key)
{
    Value file = titleIndex(engine, index);
    auto* values = dynamic_cast<ValueIndex*>(file.object());
    if (!values || key.isNil())
        return Value();
    QuietErrors quiet;
    return values->get(key);
}

Value mediaRecordByFileName(Engine& engine, const Value& fileName)
{
    Value found = lookUp(engine, "MDB_FNAME", fileName);
    if (asList(found))
        return found;
    Archive* media = asArchive(titleArchive(engine, "Midias"));
    if (!media || !(found.is(Tag::Int) || found.is(Tag::String)))
        return Value();
    const int32_t n = velIntValue(found);
    if (n < 0 || n >= media->count())
        return Value();
    Value record = media->get(n);
    return asList(record) ? record : Value();
}

Value plainTitle(const Value& title)
{
    if (!title.is(Tag::String))
        return Value::string("");
    const std::string_view text = textOf(title);
    return Value::string(text.substr(0, text.find('{')));
}

std::string richTextToPlain(const Value& richText)
{
    RichText parsed;
    Value request = tableOf({{"Type", Value::string("RTF")},
                             {"Buffer", richText},
                             {"Font", Font::make(Value::string("Arial"), 9, 0)}});
    std::string plain;
    if (!richText.is(Tag::String) || !parseRichText(request, parsed))
        return plain;
    for (const RichRun& run : parsed.runs) {
        switch (run.code) {
        case kRunText:
        case kRunHotText:
        case kRunStrikeText:
        case kRunHotTextInStrike: plain += parsed.textOf(run); break;
        case kRunCharacter: plain += static_cast<char>(run.numbers[0]); break;
        case kRunTab: plain += '\t'; break;
        case kRunParagraph: plain += '\n'; break;
        default: break;
        }
    }
    return plain;
}

} // namespace vel
