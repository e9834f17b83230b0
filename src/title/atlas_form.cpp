#include "title/atlas_form.h"

#include <fstream>

#include "controls/history.h"
#include "platform/media_path.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "title/category_lists.h"
#include "title/quiet_errors.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr const char* kAtlasCategories = "ATCatLst";
constexpr const char* kSolarSystem = "mnatlaat";
constexpr const char* kClimates = "mnatlaak";
// The two countries with a detailed second map, by the button that leads to it.
struct TwoPartCountry {
    const char* country;
    const char* detail;
};
constexpr TwoPartCountry kTwoPart[] = {
    {"Estados Unidos", AtlasForm::kEastCoast},
    {"Federa\xE7\xE3o Russa", AtlasForm::kWesternRussia},
};

struct MenuEffect {
    const char* text;
    AtlasChoice choice;
};
constexpr MenuEffect kMenuEffects[] = {
    {"Clima", {AtlasChoice::Kind::Infographic, "brclima"}},
    {"Hidrografia", {AtlasChoice::Kind::Infographic, "brhidro"}},
    {"Parques e reservas", {AtlasChoice::Kind::Infographic, "brparque"}},
    {"Popula\xE7\xE3o", {AtlasChoice::Kind::Infographic, "brpopul"}},
    {"Regi\xF5" "es", {AtlasChoice::Kind::Infographic, "brregio"}},
    {"Relevo", {AtlasChoice::Kind::Infographic, "brrelevo"}},
    {"Vegeta\xE7\xE3o", {AtlasChoice::Kind::Infographic, "brvegeta"}},
    {"Climas e Correntes", {AtlasChoice::Kind::Video, kClimates}},
    {"Ecol\xF3gico", {AtlasChoice::Kind::Infographic, "muecolo"}},
    {"Sistema Solar", {AtlasChoice::Kind::Video, kSolarSystem}},
};

// Runs the "MenusPopUp" menu of that name placed at (x, y) beside the caller; its result.
Value atlasMenu(Engine& engine, const Value& menus, std::string_view menu, const Value& x, const Value& y)
{
    Value definition = tableEntry(menus, menu);
    if (!definition.is(Tag::Table))
        return Value();
    Value argument = velCopy(definition);
    asTable(argument)->put(std::string_view("Origin X"), x);
    asTable(argument)->put(std::string_view("Origin Y"), y);
    asTable(argument)->put(std::string_view("UseDefaultPosition"), Value::boolean(1));
    return runNamedDialog(engine, "PopUpMenu", argument);
}

// Plays the film in the form's "VideoControl"; `loop` has it start again at its end, for this film
// only.
void playAtlasVideo(velFormObject& form, std::string_view file, bool loop)
{
    Value player = form.findControl(Value::string("VideoControl"));
    if (!player.is(Tag::Control))
        return;
    const Value loops = velGet(player, Value::string("PlayTillStoped"));
    if (loop)
        velPut(player, Value::string("PlayTillStoped"), Value::integer(1));
    velPerform(player, Value::string("Reinitialize"), Value::string(std::string(file) + ".avi"));
    velPerform(player, Value::string("Start"), Value());
    velPut(player, Value::string("PlayTillStoped"), loops.isNil() ? Value::integer(0) : loops);
}

// Acts on a menu entry that is not a map; false for a map's name.
bool followChoice(velFormObject& form, std::string_view text, bool brazil, bool loopClimates)
{
    const AtlasChoice choice = atlasChoice(text, brazil);
    if (choice.kind == AtlasChoice::Kind::Infographic) {
        openInfographic(form.engine(), choice.target);
        return true;
    }
    if (choice.kind == AtlasChoice::Kind::Video) {
        playAtlasVideo(form, choice.target, loopClimates && std::string_view(choice.target) == kClimates);
        return true;
    }
    return false;
}

} // namespace

AtlasChoice atlasChoice(std::string_view text, bool brazil)
{
    if (text == "Pol\xEDtico")
        return {AtlasChoice::Kind::Infographic, brazil ? "brpolit" : "mupolit"};
    for (const MenuEffect& effect : kMenuEffects)
        if (text == effect.text)
            return effect.choice;
    return {};
}

bool openInfographic(Engine& engine, std::string_view name)
{
    Value valid = titleEntry(engine, "ValidInfos");
    if (positionIn(valid, name) < 0)
        return false;
    goToForm(engine, name, Value());
    return true;
}

// --- AtlasHForm

const HomeSection& AtlasHForm::section() const
{
    static constexpr HomeSection home{"AtlasDlg", "AtlasForm", "Tela inicial do Atlas"};
    return home;
}

bool AtlasHForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "Sistema") {
        playVideo(Value::string(kSolarSystem));
        return true;
    }
    if (name != "ATBrasil" && name != "ATMundo")
        return Named::handleAction(name, control);
    const bool brazil = name == "ATBrasil";
    Value result = atlasMenu(engine(), menus(), brazil ? "BrasilMenu" : "MundoMenu",
                             velGet(control, Value::string("PopUpX")), velGet(control, Value::string("PopUpY")));
    Value text = chosenText(result);
    if (text.is(Tag::String) && !followChoice(*this, textOf(text), brazil, false))
        goToForm(engine(), "AtlasForm", result);
    return true;
}

// --- AtlasForm

void AtlasForm::open(const Value& data)
{
    Named::open(data);
    category_ = -1;
    dataShown_ = integerOr(tableEntry(data, "MCDataShown"), 0) != 0;
    showMap(tableEntry(data, "Text"));
    screen::redraw(*this);
}

void AtlasForm::reopen(const Value& data)
{
    // Another map asked for while a map shows: the screen stays, the new map is a new visit.
    dataShown_ = integerOr(tableEntry(data, "MCDataShown"), 0) != 0;
    velPerform(findControl(Value::string("MapaControl")), Value::string("DiscardBK"), Value());
    if (showMap(tableEntry(data, "Text")))
        History::of(engine()).historyAdd(Value::string("AtlasForm"), historyState());
    screen::redraw(*this);
}

bool AtlasForm::showMap(const Value& name)
{
    // Each detail map's button shows only over its country's map.
    for (const TwoPartCountry& country : kTwoPart) {
        screen::enable(*this, country.country, false);
        screen::show(*this, country.country, false);
    }
    Value record = titleRecord(engine(), "Atlas", titleNumber(engine(), "DBL_IDLIST", name));
    if (record.isNil()) {
        refresh();
        return false;
    }
    record_ = record;
    for (const TwoPartCountry& country : kTwoPart)
        if (textItem(name) == country.country) {
            screen::show(*this, country.country, true);
            screen::enable(*this, country.country, true);
        }
    const int32_t category = integerOr(recordItem(record_, 2), 0);
    if (category != category_) {
        category_ = category;
        categoryRecord_ = categoryRecord(engine(), kAtlasCategories, category);
        list_ = recordItem(categoryRecord_, 2);
    }
    position_ = std::max(0, positionIn(list_, textItem(recordItem(record_, 1))));
    refresh();
    return true;
}

void AtlasForm::refresh()
{
    screen::enable(*this, "HinoButton", !textItem(recordItem(record_, 5)).empty());
    screen::setLabel(*this, "CategoriaText", recordItem(categoryRecord_, 0));
    screen::setLabel(*this, "SubCategoriaText", recordItem(categoryRecord_, 1));
    screen::setLabel(*this, "AtlasPopUpText", recordItem(record_, 1));
    screen::setLabel(*this, "EPName", recordItem(record_, 1));
    screen::setText(*this, "CountryDataText", recordItem(record_, 6));
    screen::setText(*this, "Texto", recordItem(record_, 7));
    {
        // A picture that is missing or does not decode leaves the map area empty, not the screen.
        QuietErrors quiet;
        Value image = recordItem(record_, 3);
        mapImage_ = image.isNil() ? Value() : engine().resources().loadImage(image);
        if (quiet.any() || !mapImage_.is(Tag::Image))
            mapImage_ = Value();
    }
    Value map = findControl(Value::string("MapaControl"));
    if (map.is(Tag::Control)) {
        const Value place = recordItem(record_, 4);
        const Value x = place.is(Tag::List) ? recordItem(place, 0) : tableEntry(place, "X");
        const Value y = place.is(Tag::List) ? recordItem(place, 1) : tableEntry(place, "Y");
        velPut(map, Value::string("X"), Value::integer(integerOr(x, 0)));
        velPut(map, Value::string("Y"), Value::integer(integerOr(y, 40)));
        velPut(map, Value::string("Image"), mapImage_);
    }
    screen::show(*this, "MapaControl", !dataShown_ && !mapImage_.isNil());
    screen::show(*this, "CountryDataText", dataShown_);
    screen::show(*this, "Texto", dataShown_);
    if (dataShown_)
        screen::setImages(*this, "MoreCountryData", "VerMapaUp", "VerMapaDn");
    else
        screen::setImages(*this, "MoreCountryData", "MCDataUp", "MCDataDn");
}

void AtlasForm::step(int32_t by)
{
    const int32_t position = wrappedStep(list_, position_, by);
    if (position < 0 || record_.isNil())
        return;
    engine().setCursor(Cursor::make(CursorKind::Wait));
    velPerform(findControl(Value::string("MapaControl")), Value::string("DiscardBK"), Value());
    if (showMap(asList(list_)->get(position))) {
        position_ = position;
        History::of(engine()).historyAdd(Value::string("AtlasForm"), historyState());
    }
    screen::redraw(*this);
    engine().setCursor(Value());
}

Value AtlasForm::historyState()
{
    return tableOf({{"Text", recordItem(record_, 1)},
                      {"MCDataShown", Value::integer(dataShown_ ? 1 : 0)},
                      {"History Text", historyTitle()}});
}

Value AtlasForm::historyTitle() const
{
    return Value::string("Atlas: " + std::string(textItem(recordItem(record_, 1))));
}

bool AtlasForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "PrevMapa" || name == "NextMapa") {
        step(name == "PrevMapa" ? -1 : 1);
    } else if (name == "Categorias" || name == "SubCategorias") {
        categoryMenu(name == "SubCategorias");
    } else if (name == "AtlasPopUp") {
        listDialog();
    } else if (name == "MapaSysButton") {
        systemMenu();
    } else if (name == "HinoButton") {
        playAnthem();
    } else if (name == "MoreCountryData") {
        toggleData();
    } else if (name == "GotoVerbete") {
        std::string country(textItem(recordItem(record_, 1)));
        for (const TwoPartCountry& c : kTwoPart)
            if (country == c.detail)
                country = c.country;
        goToForm(engine(), "VerbForm", tableOf({{"Text", Value::string(country)}, {"FullList", Value::boolean(1)}}));
    } else {
        for (const TwoPartCountry& c : kTwoPart)
            if (name == c.country) {
                goToForm(engine(), "AtlasForm", tableOf({{"Text", Value::string(c.detail)}}));
                return true;
            }
        return Named::handleAction(name, control);
    }
    return true;
}

void AtlasForm::choose(const Value& result)
{
    Value text = chosenText(result);
    if (!text.is(Tag::String))
        return;
    const bool brazil = textItem(recordItem(categoryRecord_, 0)) == "Brasil";
    if (!followChoice(*this, textOf(text), brazil, true))
        goToForm(engine(), "AtlasForm", result);
}

void AtlasForm::categoryMenu(bool sub)
{
    Value result;
    if (sub) {
        const std::string menu = std::string(textItem(recordItem(categoryRecord_, 0))) + "Menu";
        result = atlasMenu(engine(), menus(), menu, Value::integer(234), Value::integer(44));
    } else {
        result = runNamedDialog(engine(), "AtlasMenuForm", Value());
        // A group chosen from the menu lists that group's maps.
        const int32_t group = menuItemPosition(engine(), "AtlasMenuForm", chosenText(result));
        if (group >= 0) {
            // The menu's "CatIDs" give each entry's category; without them the entries are 1, 2 ...
            const Value menu = titleEntry(engine(), "AtlasMenuForm");
            const Value ids = menu.is(Tag::Form) ? asForm(menu)->getProperty(Value::string("CatIDs")) : Value();
            Value argument = screen::listArgument(*this, "AtlasPopUpTable", integerOr(recordItem(ids, group), group + 1));
            result = runNamedDialog(engine(), "AtlasDlg", argument);
        }
    }
    choose(result);
}

void AtlasForm::listDialog()
{
    Value argument = screen::listArgument(*this, "AtlasPopUpTable", category_);
    Value result = runNamedDialog(engine(), "AtlasDlg", argument);
    if (!chosenText(result).isNil())
        goToForm(engine(), "AtlasForm", result);
}

void AtlasForm::systemMenu()
{
    Value place = getProperty(Value::string("SMAtlasPos"));
    Value argument = Table::make();
    if (place.is(Tag::List)) {
        asTable(argument)->put(std::string_view("Origin X"), recordItem(place, 0));
        asTable(argument)->put(std::string_view("Origin Y"), recordItem(place, 1));
    }
    Value result = runNamedDialog(engine(), "SysMenuDialog", argument);
    const Value chosen = result.is(Tag::String) ? result : chosenText(result);
    if (textItem(chosen) == "Print")
        printMap();
    else if (textItem(chosen) == "Copy")
        copyCountryText();
}

void AtlasForm::toggleData()
{
    dataShown_ = !dataShown_;
    velPerform(findControl(Value::string("MapaControl")), Value::string("DiscardBK"), Value());
    refresh();
    screen::redraw(*this);
}

void AtlasForm::playAnthem()
{
    const std::string_view anthem = textItem(recordItem(record_, 5));
    if (anthem.empty())
        return;
    const std::string path = platform::pathUnder(engine().configuration().mediaRoot(),
                                                 "Sounds/" + std::string(anthem) + ".mid");
    // Only a standard MIDI file goes to the synthesiser: anything else is told, not played.
    char magic[4] = {};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(magic, 4) || std::string_view(magic, 4) != "MThd") {
        engine().notice("N\xE3o foi poss\xEDvel tocar o hino: " + std::string(anthem) + ".mid");
        return;
    }
    QuietErrors quiet;
    playAudio(Value::string(path), false);
}

void AtlasForm::copyCountryText()
{
    copyText(Value(), recordItem(record_, 7));
}

void AtlasForm::printMap()
{
    printPicture("ORVA - Mapa", textItem(recordItem(record_, 1)));
}

// --- InfosForm

void InfosForm::open(const Value& data)
{
    Named::open(data);
    const std::string file = std::string(textItem(name()));
    // Its title is the caption of the media record that shows it, else its name.
    const Value record = mediaRecordByFileName(engine(), Value::string(file));
    title_ = std::string(textItem(recordItem(record, 2)).empty() ? textItem(recordItem(record, 1)) : textItem(recordItem(record, 2)));
    if (title_.empty())
        title_ = file;
    Value picture;
    {
        QuietErrors quiet;
        picture = engine().resources().loadImage(Value::string(file + ".bmp"));
        if (quiet.any() || !picture.is(Tag::Image))
            picture = Value();
    }
    Value view = findControl(Value::string("Infografico"));
    if (const Image* image = asImage(picture); image && view.is(Tag::Control)) {
        velPut(view, Value::string("X"), Value::integer(pictureLeft(image->width())));
        velPut(view, Value::string("Y"), Value::integer(kPictureTop));
        velPut(view, Value::string("Image"), picture);
    }
    screen::show(*this, "Infografico", !picture.isNil());
    screen::show(*this, "Linha1", picture.isNil());
    screen::show(*this, "Imprimir", !picture.isNil());
    screen::setLabel(*this, "Titulo", Value::string(title_));
}

void InfosForm::mouseDown(int32_t x, int32_t y)
{
    // A political map's names lead to their maps: "Areas <name>" of the atlas's category file lists
    // (map name, x, y, width, height) in screen pixels.
    if (controlAt(x, y).isNil()) {
        const Value areas = categoryFileEntry(engine(), kAtlasCategories, "Areas " + std::string(textItem(name())));
        for (int32_t i = 0; asList(areas) && i < asList(areas)->count(); ++i) {
            const Value area = asList(areas)->get(i);
            const int32_t left = integerOr(recordItem(area, 1), 0), top = integerOr(recordItem(area, 2), 0);
            if (x >= left && y >= top && x < left + integerOr(recordItem(area, 3), 0) &&
                y < top + integerOr(recordItem(area, 4), 0) && recordItem(area, 0).is(Tag::String)) {
                goToForm(engine(), "AtlasForm", tableOf({{"Text", recordItem(area, 0)}}));
                return;
            }
        }
    }
    Named::mouseDown(x, y);
}

bool InfosForm::handleAction(std::string_view name, const Value& control)
{
    if (name != "Imprimir")
        return Named::handleAction(name, control);
    printPicture("ORVA - Infogr\xE1" "fico", title_);
    return true;
}

Value InfosForm::historyTitle() const
{
    return Value::string("Infogr\xE1" "fico: " + title_);
}

void registerAtlasForms(Engine& engine)
{
    enterFormClass<AtlasHForm>(engine);
    enterFormClass<AtlasForm>(engine);
    enterFormClass<AtlasMenuForm>(engine);
    enterFormClass<InfosForm>(engine);
}

} // namespace vel
