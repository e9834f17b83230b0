#include "title/search_dialog.h"

#include <algorithm>
#include <array>

#include "index/title_indexes.h"
#include "index/value_index.h"
#include "platform/media_path.h"
#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

constexpr std::string_view kAll = "Todas";
constexpr std::array<std::string_view, 5> kCategories = {"Brasil", "Ci\xEAncia", "Cultura", "Esportes", "Mundo"};

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

Value stringList(const std::vector<std::string>& strings)
{
    Value list = ValueList::make(static_cast<int32_t>(strings.size()) + 1);
    for (const std::string& s : strings)
        asList(list)->append(Value::string(s));
    return list;
}

} // namespace

BuscaDialog::~BuscaDialog() = default;

void BuscaDialog::openFiles()
{
    Engine& e = engine();
    words_ = std::make_unique<KeywordIndex>(e.configuration().findFile("KeyWord", "idx"),
                                            e.configuration().findFile("KeyWord", "dat"));
    const std::string data = platform::pathUnder(e.configuration().mediaRoot(), "DAT");
    const auto index = [&](std::string_view file) {
        const std::string path = findFileIgnoringCase(data, file);
        return ValueIndex::isIndexFile(path) ? ValueIndex::make(path, false, false, e.pageCache()) : Value();
    };
    Value categories;
    const std::string lists = e.configuration().findFile("IDCatLst", "dtt");
    Value archive = Archive::open(Value::string(lists), false);
    if (Archive* a = asArchive(archive); a && a->count() > 0)
        categories = a->get(0);
    catalog_ = std::make_unique<ArticleCatalog>(index("VDBNList.IDX"), index("VDBLstID.IDX"), categories);
}

void BuscaDialog::open(const Value& data)
{
    chosen_ = false;
    Named::open(data);
    openFiles();
    restore(data);
    // The reader types at once, as the dialog is opened to type.
    if (Value field = control("What2Find"); !field.isNil())
        setActiveControl(field, 1);
}

Value BuscaDialog::control(std::string_view name) const
{
    return findControl(Value::string(name));
}

bool BuscaDialog::isSelected(std::string_view box) const
{
    Value c = control(box);
    return !c.isNil() && isTrue(velPerform(c, Value::string("IsSelected"), Value()));
}

void BuscaDialog::select(std::string_view box, bool selected)
{
    if (Value c = control(box); !c.isNil() && isSelected(box) != selected)
        velPerform(c, Value::string("Select"), Value::boolean(selected));
}

std::vector<std::string> BuscaDialog::selectedCategories() const
{
    std::vector<std::string> chosen;
    if (isSelected(kAll))
        return chosen;
    for (std::string_view category : kCategories)
        if (isSelected(category))
            chosen.emplace_back(category);
    return chosen;
}

void BuscaDialog::categoryClicked(std::string_view name)
{
    if (name == kAll) {
        select(kAll, true);
        for (std::string_view category : kCategories)
            select(category, false);
        return;
    }
    if (isSelected(name)) {
        select(kAll, false);
        return;
    }
    for (std::string_view category : kCategories)
        if (isSelected(category))
            return;
    select(kAll, true);
}

void BuscaDialog::search()
{
    Value field = control("What2Find");
    Value text = field.isNil() ? Value() : velPerform(field, Value::string("getText"), Value());
    query_ = text.is(Tag::String) ? std::string(textOf(text)) : std::string();
    engine().setCursor(Cursor::make(CursorKind::Wait));
    hits_ = words_ && words_->ok() && catalog_ && catalog_->ok()
                ? searchArticles(query_, *words_, *catalog_, selectedCategories())
                : SearchHits();
    engine().setCursor(Value());
    showResults();
}

void BuscaDialog::showResults()
{
    if (Value list = control("ResultsListBox"); !list.isNil()) {
        velPerform(list, Value::string("setList"), stringList(hits_.names));
        if (!hits_.names.empty())
            velPerform(list, Value::string("setSelection"), Value::integer(0));
        velPerform(list, Value::string("Draw"), Value());
    }
    if (Value count = control("ResultCountText"); !count.isNil())
        velPerform(count, Value::string("setText"), Value::string(resultCountText(hits_.names.size())));
    if (Value ok = control("Ok"); !ok.isNil())
        enableControl(ok, hits_.names.empty() ? 0 : 1);
}

void BuscaDialog::clear()
{
    query_.clear();
    hits_ = SearchHits();
    if (Value field = control("What2Find"); !field.isNil())
        velPerform(field, Value::string("setText"), Value::string(""));
    if (Value list = control("ResultsListBox"); !list.isNil()) {
        velPerform(list, Value::string("setList"), ValueList::make(1));
        velPerform(list, Value::string("Draw"), Value());
    }
    if (Value ok = control("Ok"); !ok.isNil())
        enableControl(ok, 0);
    if (Value count = control("ResultCountText"); !count.isNil())
        velPerform(count, Value::string("setText"), Value::string(""));
}

void BuscaDialog::restore(const Value& saved)
{
    Value query = get(saved, "Query");
    query_ = query.is(Tag::String) ? std::string(textOf(query)) : std::string();
    if (Value field = control("What2Find"); !field.isNil())
        velPerform(field, Value::string("setText"), Value::string(query_));
    if (List* selection = asList(get(saved, "SelList"))) {
        bool any = false;
        for (std::string_view category : kCategories) {
            bool on = false;
            for (int32_t i = 0; i < selection->count(); ++i)
                on = on || (selection->get(i).is(Tag::String) && textOf(selection->get(i)) == category);
            select(category, on);
            any = any || on;
        }
        select(kAll, !any);
    }
    if (selectedCategories().empty())
        select(kAll, true); // no box at all chosen means every category
    hits_ = SearchHits();
    List* names = asList(get(saved, "Results"));
    for (int32_t i = 0; names && i < names->count(); ++i)
        if (Value name = names->get(i); name.is(Tag::String))
            hits_.names.emplace_back(textOf(name));
    if (names)
        showResults();
    else if (Value ok = control("Ok"); !ok.isNil())
        enableControl(ok, 0);
}

Value BuscaDialog::state() const
{
    Value saved = Table::make();
    Table* t = asTable(saved);
    t->put(std::string_view("Query"), Value::string(query_));
    const std::vector<std::string> categories = selectedCategories();
    t->put(std::string_view("SelList"), categories.empty() ? stringList({std::string(kAll)}) : stringList(categories));
    t->put(std::string_view("Results"), stringList(hits_.names));
    return saved;
}

bool BuscaDialog::handleAction(std::string_view name, const Value& control)
{
    if (name == "Procurar" || name == "What2Find") {
        search();
    } else if (name == "Ok" || name == "ResultsListBox") {
        if (hits_.names.empty())
            return true;
        chosen_ = true;
        end();
    } else if (name == "Cancelar") {
        chosen_ = false;
        end();
    } else if (name == "Limpar") {
        clear();
    } else if (name == kAll || std::find(kCategories.begin(), kCategories.end(), name) != kCategories.end()) {
        categoryClicked(name);
    } else if (name == "AudioHelpButton") {
        narrate(true);
    } else {
        return false;
    }
    return true;
}

void BuscaDialog::keyDown(int32_t keyCode, int32_t flags)
{
    if (keyCode == 13) {
        // Enter on the results opens the chosen hit, as a double click does; elsewhere it searches.
        Value list = control("ResultsListBox");
        if (!list.isNil() && activeControl() == list && !hits_.names.empty())
            handleAction("Ok", list);
        else
            search();
        return;
    }
    Named::keyDown(keyCode, flags);
}

Value BuscaDialog::result()
{
    Value out = Table::make();
    Table* t = asTable(out);
    t->put(std::string_view("BuscaText"), state());
    if (!chosen_ || hits_.names.empty())
        return out; // the search is kept; no article is chosen
    Value list = control("ResultsListBox");
    Value selection = list.isNil() ? Value() : velPerform(list, Value::string("getSelection"), Value());
    int32_t index = selection.is(Tag::Int) ? selection.asInt() : 0;
    if (index < 0 || index >= static_cast<int32_t>(hits_.names.size()))
        index = 0;
    t->put(std::string_view("Text"), Value::string(hits_.names[static_cast<std::size_t>(index)]));
    t->put(std::string_view("BrowseList"), stringList(hits_.names));
    t->put(std::string_view("Index"), Value::integer(index));
    t->put(std::string_view("SelList"), get(state(), "SelList"));
    t->put(std::string_view("SearchedText"), Value::string(query_));
    return out;
}

} // namespace vel
