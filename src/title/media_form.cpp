#include "title/media_form.h"

#include <algorithm>

#include "controls/history.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "title/category_lists.h"
#include "title/quiet_errors.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr const char* kMediaCategories = "IDMidLst";

std::string typeName(Engine& engine, int32_t type)
{
    Value name = titleEntry(engine, "Tipo" + std::to_string(type));
    return std::string(textItem(name));
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

Value usingArticlesText(const Value& articles)
{
    if (articles.is(Tag::String))
        return articles;
    const List* list = asList(articles);
    if (!list || list->count() == 0)
        return Value();
    std::string text;
    for (int32_t i = 0; i < list->count(); ++i) {
        const std::string_view name = textItem(list->get(i));
        if (!name.empty())
            text += "{\\uldb " + std::string(name) + "}!\\{jump:VerbForm;" + std::string(name) + "\\}\\par ";
    }
    return text.empty() ? Value() : Value::string(text);
}

void JMidiaForm::open(const Value& data)
{
    Named::open(data);
    setUp(data);
    screen::redraw(*this);
}

void JMidiaForm::reopen(const Value& data)
{
    // Another item asked for while one shows: the screen stays, the new item is a new visit.
    if (setUp(data))
        History::of(engine()).historyAdd(Value::string("JMidiaForm"), historyState());
    screen::redraw(*this);
}

bool JMidiaForm::setUp(const Value& data)
{
    fullList_ = false;
    Value name = tableEntry(data, "Text");
    if (Value browse = tableEntry(data, "BrowseList"); asList(browse) && asList(browse)->count() > 0) {
        list_ = browse;
        position_ = integerOr(tableEntry(data, "Index"), 0);
        name = asList(list_)->get(std::clamp(position_, 0, asList(list_)->count() - 1));
    } else if (!tableEntry(data, "FullList").isNil() && !tableEntry(data, "Index").isNil()) {
        fullList_ = true;
        list_ = categoryIdentifiers(engine(), kMediaCategories, 0);
        position_ = integerOr(tableEntry(data, "Index"), 0);
        if (const List* all = asList(list_); all && position_ >= 0 && position_ < all->count())
            name = all->get(position_);
    } else {
        list_ = Value();
    }
    if (show(name))
        return true;
    refresh();
    return false;
}

bool JMidiaForm::show(const Value& name)
{
    Value record = titleRecord(engine(), "Midias", titleNumber(engine(), "MDB_IDLIST", name));
    if (record.isNil())
        return false;
    record_ = record;
    if (list_.isNil()) {
        // Opened by name: the list is the item's type.
        list_ = categoryIdentifiers(engine(), kMediaCategories, mediaType(record_) + 1);
    }
    position_ = std::max(0, positionIn(list_, textItem(recordItem(record_, 1))));
    refresh();
    return true;
}

void JMidiaForm::refresh()
{
    const int32_t type = mediaType(record_);
    if (type == kAnimation || type == kVideo)
        screen::setImages(*this, "MidiaZoom", "MidiaPlayUp", "MidiaPlayDn");
    else if (type == kFlag || type == kPhotograph || type == kMap || type == kInfographic)
        screen::setImages(*this, "MidiaZoom", "MidiaZoomUp", "MidiaZoomDn");
    else
        screen::setImages(*this, "MidiaZoom", "MidiaAbrirUp", "MidiaAbrirDn");
    screen::show(*this, "MidiaZoom", type >= 0 && type != kNoZoom);
    // The last item's film or animation gives way to this item's still.
    for (const char* player : {"VideoControl", "AnimControl"}) {
        Value c = findControl(Value::string(player));
        if (c.is(Tag::Control)) {
            velPerform(c, Value::string("Stop"), Value());
            velPerform(c, Value::string("Uninitialize"), Value());
        }
    }
    Value clip = findControl(Value::string("ClipControl"));
    if (clip.is(Tag::Control)) {
        const Value still = recordItem(record_, 6);
        velPut(clip, Value::string("Image"), still);
        asControl(clip)->setBoolean(Value::string("Hidden"), still.is(Tag::String) ? 0 : 1);
        QuietErrors quiet;
        velPerform(clip, Value::string("Draw"), Value());
    }
    screen::setLabel(*this, "MidiaTypeText", Value::string(type >= 0 ? typeName(engine(), type) : std::string()));
    screen::setLabel(*this, "MidiaNameText", recordItem(record_, 1));
    const std::string caption =
        "{\\b " + std::string(textItem(recordItem(record_, 1))) + "}\\par " + std::string(textItem(recordItem(record_, 4)));
    screen::setText(*this, "MidiaCaption", Value::string(caption));
    const Value articles = usingArticlesText(recordItem(record_, 9));
    screen::show(*this, "VerbsQUsam", !articles.isNil());
    screen::show(*this, "UsamTitulo", !articles.isNil());
    if (!articles.isNil())
        screen::setText(*this, "VerbsQUsam", articles);
}

void JMidiaForm::step(int32_t by)
{
    const int32_t position = wrappedStep(list_, position_, by);
    if (position < 0 || record_.isNil())
        return;
    engine().setCursor(Cursor::make(CursorKind::Wait));
    if (show(asList(list_)->get(position))) {
        position_ = position;
        History::of(engine()).historyAdd(Value::string("JMidiaForm"), historyState());
    }
    screen::redraw(*this);
    engine().setCursor(Value());
}

Value JMidiaForm::historyTitle() const
{
    Engine& e = const_cast<JMidiaForm*>(this)->engine();
    return Value::string("M\xED" "dias - " + typeName(e, mediaType(record_)) + ": " +
                         std::string(textItem(recordItem(record_, 1))));
}

Value JMidiaForm::historyState()
{
    Value all = categoryIdentifiers(engine(), kMediaCategories, 0);
    Value state = Table::make();
    asTable(state)->put(std::string_view("Text"), recordItem(record_, 1));
    asTable(state)->put(std::string_view("FullList"), Value::boolean(1));
    asTable(state)->put(std::string_view("Index"),
                        Value::integer(std::max(0, positionIn(all, textItem(recordItem(record_, 1))))));
    asTable(state)->put(std::string_view("History Text"), historyTitle());
    return state;
}

void JMidiaForm::chosen(const Value& result)
{
    if (!chosenText(result).isNil())
        goToForm(engine(), "JMidiaForm", result);
}

bool JMidiaForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "PrevMidia" || name == "NextMidia") {
        step(name == "PrevMidia" ? -1 : 1);
    } else if (name == "MidiaType") {
        // A kind chosen from the menu lists that kind's items.
        Value result = runNamedDialog(engine(), "MidiasMenuForm", Value());
        const int32_t type = menuItemPosition(engine(), "MidiasMenuForm", chosenText(result));
        if (type >= 0) {
            Value argument = screen::listArgument(*this, "Lista", type + 1);
            result = runNamedDialog(engine(), "MidiasDlg", argument);
        }
        chosen(result);
    } else if (name == "MidiaName") {
        Value argument = screen::listArgument(*this, "Lista", mediaType(record_) + 1);
        chosen(runNamedDialog(engine(), "MidiasDlg", argument));
    } else if (name == "MidiaZoom") {
        showMedia(record_);
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

void FotoDialog::open(const Value& data)
{
    Named::open(data);
    title_ = std::string(textItem(tableEntry(data, "Title")));
    Value picture = findControl(Value::string("Imagem"));
    Value image;
    {
        // A picture that is missing or does not decode leaves the frame empty and says so.
        QuietErrors quiet;
        Value given = tableEntry(data, "Image");
        image = given.isNil() ? Value() : engine().resources().loadImage(given);
        if (quiet.any() || !image.is(Tag::Image))
            image = Value();
    }
    if (picture.is(Tag::Control)) {
        // Centred in the picture area.
        const Image* i = asImage(image);
        if (const Region* area = asRegion(getProperty(Value::string("PrintingRect"))); i && area) {
            velPut(picture, Value::string("X"), Value::integer(area->left + std::max(0, (area->right - area->left - i->width()) / 2)));
            velPut(picture, Value::string("Y"), Value::integer(area->top + std::max(0, (area->bottom - area->top - i->height()) / 2)));
        }
        velPut(picture, Value::string("Image"), image);
        asControl(picture)->setBoolean(Value::string("Hidden"), image.isNil() ? 1 : 0);
    }
    screen::setLabel(*this, "Titulo", Value::string(image.isNil() ? std::string("Imagem indispon\xEDvel") : title_));
    screen::show(*this, "Imprimir", !tableEntry(data, "Show Buttons").isNil() && !image.isNil());
    // Drawn whole: the controls were changed after the dialog first drew.
    screen::redraw(*this);
}

bool FotoDialog::handleAction(std::string_view name, const Value&)
{
    if (name == "Imprimir") {
        printFormPicture(*this, "ORVA - Bandeira/Mapa", title_);
    } else if (name == "Fechar" || name == "OKButton") {
        end();
    } else {
        return false;
    }
    return true;
}

void registerMediaForms(Engine& engine)
{
    enterFormClass<JMidiaForm>(engine);
    enterFormClass<MidiasMenuForm>(engine);
    enterFormClass<FotoDialog>(engine);
}

} // namespace vel
