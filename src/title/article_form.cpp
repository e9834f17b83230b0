#include "title/article_form.h"

#include <algorithm>
#include <vector>

#include "controls/history.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "title/article_home.h"
#include "title/article_marks.h"
#include "title/category_lists.h"
#include "title/quiet_errors.h"
#include "title/read_aloud.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr std::string_view kArticleCategories = "IDCatLst";

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

bool has(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) && asTable(table)->contains(Value::string(key));
}

bool isNumber(const Value& v)
{
    return v.is(Tag::Int) || v.is(Tag::Float) || (v.is(Tag::String) && !textOf(v).empty());
}

int32_t integer(const Value& v, int32_t fallback = 0)
{
    return isNumber(v) ? velIntValue(v) : fallback;
}

bool emptyItem(const Value& v)
{
    if (v.isNil())
        return true;
    if (v.is(Tag::String))
        return textOf(v).empty();
    if (List* l = asList(v))
        return l->count() == 0;
    return false;
}

// A see-also list (names) as rich text with a hot link to each; a string is taken as it is.
Value seeAlsoText(const Value& item)
{
    if (item.is(Tag::String))
        return item;
    List* names = asList(item);
    if (!names)
        return Value();
    std::string text;
    for (int32_t i = 0; i < names->count(); ++i) {
        Value name = names->get(i);
        if (!name.is(Tag::String))
            continue;
        const std::string n(textOf(name));
        text += "{\\uldb " + n + "}!\\{jump:VerbForm;" + n + "\\}\\par ";
    }
    return Value::string(text);
}

// Windows-1252 letters folded to lower case without accents, for matching searched words.
unsigned char fold(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c < 0xC0)
        return c;
    static constexpr char kFolded[] = "aaaaaaaceeeeiiiidnooooo*ouuuuyts"  // C0-DF
                                      "aaaaaaaceeeeiiiidnooooo/ouuuuyty"; // E0-FF
    const char f = kFolded[c - 0xC0];
    return f == '*' || f == '/' ? c : static_cast<unsigned char>(f);
}

bool isWordCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0xC0;
}

struct SearchWord {
    std::string folded;
    bool prefix;
};

std::vector<SearchWord> searchWords(std::string_view searched)
{
    std::vector<SearchWord> words;
    std::size_t i = 0;
    while (i < searched.size()) {
        while (i < searched.size() && searched[i] == ' ')
            ++i;
        std::size_t end = searched.find(' ', i);
        if (end == std::string_view::npos)
            end = searched.size();
        std::string word;
        for (char c : searched.substr(i, end - i))
            if (c != '(' && c != ')')
                word += static_cast<char>(fold(static_cast<unsigned char>(c)));
        i = end;
        const bool prefix = !word.empty() && word.back() == '*';
        if (prefix)
            word.pop_back();
        // "*" alone would mark every word: it names none.
        if (!word.empty())
            words.push_back({word, prefix});
    }
    return words;
}

bool matchesAt(std::string_view text, std::size_t at, const std::string& folded)
{
    if (at + folded.size() > text.size())
        return false;
    for (std::size_t k = 0; k < folded.size(); ++k)
        if (fold(static_cast<unsigned char>(text[at + k])) != static_cast<unsigned char>(folded[k]))
            return false;
    return true;
}

bool countsBefore(std::string_view text, std::size_t at)
{
    if (at == 0)
        return true;
    const char c = text[at - 1];
    return c == ' ' || c == '(' || c == '{' || c == '"' || c == '-';
}

bool countsAfter(std::string_view text, std::size_t at)
{
    // The end of the text, and a control word (a paragraph's end), close a word as well.
    if (at >= text.size())
        return true;
    const char c = text[at];
    return c == ' ' || c == '.' || c == ',' || c == '"' || c == ';' || c == '}' || c == ')' || c == '!' ||
           c == '?' || c == '-' || c == '\\';
}

} // namespace

int32_t BrowsePosition::moved(int32_t delta) const
{
    return count > 0 ? wrappedPosition(position, delta, count) : 0;
}

std::string markSearchHits(std::string_view text, std::string_view searched)
{
    const std::vector<SearchWord> words = searchWords(searched);
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\') {
            // A hot link's target "\{...\}" and control words are markup, passed over whole.
            if (i + 1 < text.size() && text[i + 1] == '{') {
                const std::size_t close = text.find("\\}", i + 2);
                const std::size_t end = close == std::string_view::npos ? text.size() : close + 2;
                out.append(text.substr(i, end - i));
                i = end;
                continue;
            }
            std::size_t end = i + 1;
            while (end < text.size() && ((text[end] >= 'a' && text[end] <= 'z') || (text[end] >= 'A' && text[end] <= 'Z')))
                ++end;
            if (end == i + 1 && end < text.size())
                ++end; // an escaped character ("\'", "\\")
            while (end < text.size() && (text[end] == '-' || (text[end] >= '0' && text[end] <= '9')))
                ++end;
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        std::size_t length = 0;
        if (countsBefore(text, i))
            for (const SearchWord& w : words) {
                if (!matchesAt(text, i, w.folded))
                    continue;
                std::size_t end = i + w.folded.size();
                if (w.prefix)
                    while (end < text.size() && isWordCharacter(static_cast<unsigned char>(text[end])))
                        ++end;
                else if (!countsAfter(text, end))
                    continue;
                length = end - i;
                break;
            }
        if (length > 0) {
            out += "{\\strike ";
            out.append(text.substr(i, length));
            out += "}";
            i += length;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

VerbForm::VerbForm(Engine& engine, const Value& properties) : Named(engine, properties) {}

VerbForm::~VerbForm() = default;

Value VerbForm::item(int32_t n) const
{
    List* r = asList(record_);
    return r && n >= 0 && n < r->count() ? r->get(n) : Value();
}

Value VerbForm::text(int32_t n) const
{
    Value v = item(n);
    return v.is(Tag::String) ? v : Value::string("");
}

int32_t VerbForm::numberOf(const Value& identifier)
{
    Value number = lookUp(engine(), "VDB_LISTID", identifier);
    return isNumber(number) ? velIntValue(number) : -1;
}

int32_t VerbForm::articleCount()
{
    Archive* articles = asArchive(titleArchive(engine(), "Verbetes"));
    return articles ? articles->count() : 0;
}

void VerbForm::open(const Value& data)
{
    Named::open(data);
    ArticleMarks(engine()).list();
    category_ = Value();
    if (!reader_) {
        reader_ = std::make_unique<ReadAloud>(engine(), services());
        speechUnavailable_ = ReadAloud::unavailableReason();
    }
    if (!setUp(data))
        return;
    refresh();
    // What the refresh changed shows at once, not at the next event.
    draw();
    engine().updateScreen();
}

void VerbForm::reopen(const Value& data)
{
    // Another article on the screen already shown: a hot link, a list, a mark, or the history.
    if (reader_)
        reader_->stop();
    if (!setUp(data))
        return;
    // An entry of the history shown again carries its title; any other move is a new visit.
    if (!has(data, "History Text"))
        services().history().historyAdd(Value::string("VerbForm"), historyState());
    refresh();
    draw();
    engine().updateScreen();
}

bool VerbForm::setUp(const Value& data)
{
    if (!has(data, "Text") && !has(data, "Index"))
        return false;
    Value browse = get(data, "BrowseList");
    if (List* hits = asList(browse); hits && hits->count() > 0) {
        searchMode_ = true;
        wholeCollection_ = false;
        list_ = browse;
        searched_ = get(data, "SearchedText");
        where_ = {std::clamp(integer(get(data, "Index")), 0, hits->count() - 1), hits->count()};
        showArticle(numberOf(hits->get(where_.position)), false);
        return true;
    }
    searchMode_ = false;
    searched_ = Value();
    const bool full = isTrue(get(data, "FullList"));
    Value index = get(data, "Index");
    if (full && isNumber(index)) {
        wholeCollection_ = true;
        list_ = categoryIdentifiers(engine(), kArticleCategories, 0);
        const int32_t count = articleCount();
        where_ = {std::clamp(integer(index), 0, std::max(0, count - 1)), count};
        List* all = asList(list_);
        const int32_t number =
            all && where_.position < all->count() ? numberOf(all->get(where_.position)) : where_.position;
        showArticle(number, false);
        return true;
    }
    // By name: the identifier given, or the one the name has.
    Value identifier = has(data, "Index") ? index : lookUp(engine(), "VDB_IDLIST", get(data, "Text"));
    const int32_t number = numberOf(identifier);
    if (number < 0)
        return false;
    showArticle(number, false);
    if (full) {
        // A jump names the article and asks for the whole collection: its place there is item 0.
        wholeCollection_ = true;
        list_ = categoryIdentifiers(engine(), kArticleCategories, 0);
        where_ = {integer(item(0), number), articleCount()};
    } else {
        wholeCollection_ = false;
        list_ = categoryIdentifiers(engine(), kArticleCategories, integer(item(3)));
        List* members = asList(list_);
        const int32_t at = members ? members->indexOf(identifier, 0) : -1;
        where_ = {std::max(0, at), members ? members->count() : 0};
    }
    return true;
}

void VerbForm::showArticle(int32_t number, bool record)
{
    if (record)
        services().history().historyAdd(Value::string("VerbForm"), historyState());
    Archive* articles = asArchive(titleArchive(engine(), "Verbetes"));
    Value read;
    if (articles && number >= 0 && number < articles->count()) {
        QuietErrors quiet;
        read = articles->get(number);
    }
    // A damaged record still shows as an empty article rather than leaving the last one's parts.
    record_ = asList(read) ? read : ValueList::make();
    article_ = number;
    countryPage_ = false;
    historyArgument_ = searchMode_ ? tableOf({{"Text", item(2)}, {"Index", Value::integer(where_.position)}})
                                   : tableOf({{"Text", item(2)}, {"Index", item(0)}, {"FullList", Value::boolean(1)}});
}

Value VerbForm::historyState()
{
    if (!historyArgument_.is(Tag::Table))
        return Named::historyState();
    Value state = velCopy(historyArgument_);
    if (searchMode_) {
        asTable(state)->put(std::string_view("BrowseList"), list_);
        asTable(state)->put(std::string_view("SearchedText"), searched_);
    }
    asTable(state)->put(std::string_view("History Text"), historyTitle());
    return state;
}

Value VerbForm::historyTitle() const
{
    return concat("Verbete: ", textOf(plainTitle(text(1))));
}

void VerbForm::step(int32_t delta)
{
    engine().setCursor(Cursor::make(CursorKind::Wait));
    if (reader_)
        reader_->stop();
    const int32_t next = where_.moved(delta);
    int32_t number = next;
    if (!wholeCollection_) {
        List* members = asList(list_);
        number = members && next < members->count() ? numberOf(members->get(next)) : -1;
    }
    if (where_.count > 0) {
        where_.position = next;
        showArticle(number, false);
        services().history().historyAdd(Value::string("VerbForm"), historyState());
        refresh();
        draw();
        engine().updateScreen();
    }
    engine().setCursor(Value());
}

void VerbForm::refresh()
{
    refreshMarks();
    if (Value title = control("VerbeteTitle"); title.is(Tag::Control)) {
        velPerform(title, Value::string("Initialize"), Value());
        velPerform(title, Value::string("SetText"), text(1));
    }
    refreshCategory();
    setHidden("SairModoBusca", !searchMode_);
    setDisabled("Categorias", searchMode_);
    setDisabled("SubCategorias", searchMode_);
    setImages("VerbPopUp", searchMode_ ? "VerbUpBusca" : "VerbUpNormal", searchMode_ ? "VerbDnBusca" : "VerbDnNormal");
    for (auto [view, value] : {std::pair{"CategoriaText", categoryName_}, std::pair{"SubCategoriaText", subCategoryName_},
                               std::pair{"VerbPopUpText", plainTitle(text(1))}})
        if (Value c = control(view); c.is(Tag::Control))
            velPerform(c, Value::string("setText"), value.is(Tag::String) ? value : Value::string(""));
    Value body = text(4);
    if (searchMode_ && searched_.is(Tag::String))
        body = Value::string(markSearchHits(textOf(body), textOf(searched_)));
    setViewText("Texto", body);
    // See-also.
    const bool noSeeAlso = emptyItem(item(5));
    setHidden("SeeAlsoText", noSeeAlso);
    setImage("SeeAlsoBack", noSeeAlso ? "NoSeeAlsoImage" : "SeeAlsoImage");
    if (!noSeeAlso)
        setViewText("SeeAlsoText", seeAlsoText(item(5)));
    // Country data.
    const bool noCountry = !item(6).is(Tag::String) || emptyItem(item(6));
    setHidden("CountryDataText", noCountry);
    setHidden("MoreCountryData", noCountry);
    setImage("CountryDataBack", noCountry ? "NoCountryDataImage" : "CountryDataImage");
    setImages("MoreCountryData", "MCDataUp", "MCDataDn");
    if (!noCountry)
        setViewText("CountryDataText", item(6));
    refreshMedia(item(8));
    // Read aloud: the button says when it cannot speak.
    const std::string& why = speechUnavailable_;
    setDisabled("Ouvir", !why.empty());
    if (Value note = control("OuvirNota"); note.is(Tag::Control)) {
        velPerform(note, Value::string("setText"),
                   Value::string(why.empty() ? "" : "Leitura em voz alta indispon\xEDvel: " + why));
        setHidden("OuvirNota", why.empty());
    }
}

void VerbForm::refreshMarks()
{
    ArticleMarks marks(engine());
    setDisabled("GotoMark", marks.empty());
    const bool marked = marks.contains(article_);
    setImages("MarkUnmark", marked ? "UnmarkUp" : "MarkUp", marked ? "UnmarkDown" : "MarkDown");
    setImage("VerbeteMark", marked ? "VerbeteMarkedImage" : "VerbeteUnmarkedImage");
}

void VerbForm::refreshCategory()
{
    Value identifier = item(3);
    if (!category_.isNil() && identifier == category_)
        return;
    category_ = identifier;
    Value categoryRecordValue = categoryRecord(engine(), kArticleCategories, integer(identifier, -1));
    List* c = asList(categoryRecordValue);
    categoryName_ = c && c->count() > 0 ? c->get(0) : Value();
    subCategoryName_ = c && c->count() > 1 ? c->get(1) : Value();
}

void VerbForm::refreshMedia(const Value& fileName)
{
    const bool none = !fileName.is(Tag::String) || textOf(fileName).empty() || textOf(fileName) == "None";
    media_ = none ? Value() : mediaRecordByFileName(engine(), fileName);
    setImage("ClipControlTop", none ? "NoCCTopImage" : "CCTopImage");
    setImage("ClipControlBottom", none ? "NoCCBottomImage" : "CCBottomImage");
    setHidden("MidiaZoom", none);
    List* m = asList(media_);
    if (Value clip = control("ClipControl"); clip.is(Tag::Control)) {
        Value still = m && m->count() > 6 ? m->get(6) : Value();
        velPut(clip, Value::string("Image"), still.isNil() ? getProperty(Value::string("GenericImage")) : still);
    }
    const int32_t type = m && m->count() > 3 ? integer(m->get(3), -1) : -1;
    if (type == 0 || type == 9)
        setImages("MidiaZoom", "MidiaPlayUp", "MidiaPlayDn");
    else if (type == 3 || type == 6 || type == 8)
        setImages("MidiaZoom", "MidiaAbrirUp", "MidiaAbrirDn");
    else
        setImages("MidiaZoom", "MidiaZoomUp", "MidiaZoomDn");
    Value caption = m && m->count() > 4 ? m->get(4) : Value();
    const bool noCaption = none || !caption.is(Tag::String) || textOf(caption) == "No Text" || textOf(caption).empty();
    setHidden("MidiaCaption", noCaption);
    if (!noCaption) {
        Value name = m->count() > 1 && m->get(1).is(Tag::String) ? m->get(1) : Value::string("");
        setViewText("MidiaCaption", concat("{\\b " + std::string(textOf(name)) + "}\\par ", textOf(caption)));
    }
}

void VerbForm::showLinkedMedia(std::string_view, std::string_view value)
{
    refreshMedia(Value::string(value));
    draw();
    engine().updateScreen();
}

void VerbForm::setViewText(std::string_view view, const Value& value)
{
    Value c = control(view);
    if (!c.is(Tag::Control))
        return;
    velPerform(c, Value::string("Initialize"), Value());
    velPerform(c, Value::string("SetText"), value.is(Tag::String) ? value : Value::string(""));
}

void VerbForm::setImages(std::string_view name, std::string_view up, std::string_view down)
{
    Value c = control(name);
    if (!c.is(Tag::Control))
        return;
    for (auto [key, image] : {std::pair{"UpImage", up}, std::pair{"DownImage", down}}) {
        Value v = getProperty(Value::string(image));
        if (!v.isNil())
            velPut(c, Value::string(key), v);
    }
}

void VerbForm::setImage(std::string_view name, std::string_view image)
{
    Value c = control(name);
    Value v = getProperty(Value::string(image));
    if (c.is(Tag::Control) && !v.isNil())
        velPut(c, Value::string("Image"), v);
}

void VerbForm::setHidden(std::string_view name, bool hidden)
{
    if (Value c = control(name); c.is(Tag::Control))
        asControl(c)->setBoolean(Value::string("Hidden"), hidden ? 1 : 0);
}

void VerbForm::setDisabled(std::string_view name, bool disabled)
{
    if (Value c = control(name); c.is(Tag::Control))
        asControl(c)->setBoolean(Value::string("Disabled"), disabled ? 1 : 0);
}

bool VerbForm::handleAction(std::string_view name, const Value& control)
{
    Value keep = self();
    if (name == "PrevVerbete" || name == "NextVerbete")
        step(name == "NextVerbete" ? 1 : -1);
    else if (name == "Categorias" || name == "SubCategorias")
        openCategoryMenu(name == "SubCategorias");
    else if (name == "VerbPopUp")
        openList("VerbPopUpTable", list_, true);
    else if (name == "GotoMark")
        openList("Lista", ArticleMarks(engine()).list(), false);
    else if (name == "MarkUnmark")
        toggleMark();
    else if (name == "SairModoBusca")
        goToForm(engine(), "VerbForm", tableOf({{"Text", item(2)}, {"FullList", Value::boolean(1)}}));
    else if (name == "MoreCountryData")
        toggleCountryData();
    else if (name == "TextoSysButton")
        systemMenu();
    else if (name == "MidiaZoom")
        zoomMedia();
    else if (name == "MidiaCaption" && asList(media_))
        runNamedDialog(engine(), "CaptionDialog", tableOf({{"Text", asList(media_)->count() > 4 ? asList(media_)->get(4) : Value()}}));
    else if (name == "Ouvir")
        readAloud();
    else
        return Named::handleAction(name, control);
    return true;
}

void VerbForm::openCategoryMenu(bool subCategory)
{
    // Beside the category line: the sub-categories of the article's category, or the articles of its own.
    const Value x = Value::integer(subCategory ? 180 : 16), y = Value::integer(96);
    Value category = subCategory ? category_
                                 : chooseSubCategory(engine(), categoryName_.is(Tag::String) ? textOf(categoryName_) : "", x, y);
    if (category.isNil())
        return;
    if (Value article = chooseArticle(engine(), category, x, y); !article.isNil())
        goToForm(engine(), "VerbForm", article);
}

void VerbForm::openList(std::string_view table, const Value& browse, bool keepSearch)
{
    Value definition = getProperty(Value::string(table));
    Value argument = definition.is(Tag::Table) ? velCopy(definition) : Table::make();
    asTable(argument)->put(std::string_view("BrowseList"), browse);
    if (!keepSearch) {
        // The marks are article numbers: the list shows their names.
        Value names = ValueList::make();
        Archive* articles = asArchive(titleArchive(engine(), "Verbetes"));
        if (List* numbers = asList(browse); numbers && articles)
            for (int32_t i = 0; i < numbers->count(); ++i) {
                const int32_t n = integer(numbers->get(i), -1);
                Value r = n >= 0 && n < articles->count() ? articles->get(n) : Value();
                Value name = asList(r) && asList(r)->count() > 2 ? asList(r)->get(2) : Value();
                if (name.is(Tag::String))
                    asValueList(names)->append(name);
            }
        asTable(argument)->put(std::string_view("BrowseList"), names);
        asTable(argument)->put(std::string_view("FullList"), Value::boolean(1));
    }
    Value result = runNamedDialog(engine(), "VerbetesDlg", argument);
    if (chosenText(result).isNil())
        return;
    if (!keepSearch) {
        // A mark: the article by its name, in its category.
        goToForm(engine(), "VerbForm", tableOf({{"Text", chosenText(result)}}));
        return;
    }
    if (searchMode_) {
        Value position = get(result, "Index");
        if (!isNumber(position)) {
            List* hits = asList(list_);
            Value id = lookUp(engine(), "VDB_IDLIST", chosenText(result));
            position = Value::integer(hits ? std::max(0, hits->indexOf(id, 0)) : 0);
        }
        goToForm(engine(), "VerbForm",
                 tableOf({{"Text", chosenText(result)}, {"Index", position}, {"BrowseList", list_}, {"SearchedText", searched_}}));
    } else {
        goToForm(engine(), "VerbForm", tableOf({{"Text", chosenText(result)}}));
    }
}

void VerbForm::toggleMark()
{
    ArticleMarks marks(engine());
    if (marks.contains(article_))
        marks.remove(article_);
    else
        marks.add(article_);
    refreshMarks();
    for (const char* name : {"MarkUnmark", "VerbeteMark", "GotoMark"})
        if (Value c = control(name); c.is(Tag::Control))
            asControl(c)->draw();
    engine().updateScreen();
}

void VerbForm::toggleCountryData()
{
    countryPage_ = !countryPage_;
    if (countryPage_) {
        Value more = item(7).is(Tag::String) && !textOf(item(7)).empty() ? item(7) : item(6);
        setViewText("Texto", more);
        setImages("MoreCountryData", "VerTextoUp", "VerTextoDn");
    } else {
        setViewText("Texto", text(4));
        setImages("MoreCountryData", "MCDataUp", "MCDataDn");
    }
    draw();
    engine().updateScreen();
}

void VerbForm::systemMenu()
{
    Value at = getProperty(Value::string("SMVerbetePos"));
    Value argument = Table::make();
    if (Region* r = asRegion(at)) {
        asTable(argument)->put(std::string_view("Origin X"), Value::integer(r->left));
        asTable(argument)->put(std::string_view("Origin Y"), Value::integer(r->top));
    } else if (List* point = asList(at); point && point->count() >= 2) {
        asTable(argument)->put(std::string_view("Origin X"), point->get(0));
        asTable(argument)->put(std::string_view("Origin Y"), point->get(1));
    }
    Value choice = runNamedDialog(engine(), "SysMenuDialog", argument);
    if (!choice.is(Tag::String))
        return;
    if (textOf(choice) == "Print")
        printText(text(1), text(4));
    else if (textOf(choice) == "Copy")
        copyText(plainTitle(text(1)), text(4));
}

void VerbForm::zoomMedia()
{
    if (asList(media_))
        showMedia(media_);
}

void VerbForm::readAloud()
{
    if (!reader_)
        return;
    if (reader_->speaking()) {
        reader_->stop();
        return;
    }
    const std::string title(textOf(plainTitle(text(1))));
    if (!reader_->start(Value::string(title + ".\\par " + std::string(textOf(text(4))))))
        engine().notice("Leitura em voz alta indispon\xEDvel: " + reader_->failure());
}

void VerbForm::close()
{
    if (reader_)
        reader_->stop();
    Named::close();
}

} // namespace vel
