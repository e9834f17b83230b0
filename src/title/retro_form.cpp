#include "title/retro_form.h"

#include "controls/history.h"
#include "runtime/engine.h"
#include "title/category_lists.h"
#include "title/quiet_errors.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

// The retrospective's categories are numbered from 1; a few numbers past them are looked at too.
constexpr int32_t kCategories = 12;


Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

bool sameText(const Value& a, const Value& b)
{
    return a.is(Tag::String) && b.is(Tag::String) && textOf(a) == textOf(b);
}


} // namespace

int32_t RetroForm::recordOf(const Value& headline) const
{
    // The headline index gives the record; a disc without one is searched record by record.
    if (!headlineIndex_.isNil() && headline.is(Tag::String)) {
        QuietErrors quiet;
        const Value number = velGet(headlineIndex_, headline);
        const Archive* a = asArchive(articles_);
        const int32_t n = !quiet.any() && number.is(Tag::Int) ? velIntValue(number) : -1;
        return a && n >= 0 && n < a->count() ? n : -1;
    }
    Archive* a = asArchive(articles_);
    for (int32_t i = 0; a && i < a->count(); ++i)
        if (sameText(recordItem(a->get(i), 1), headline))
            return i;
    return -1;
}

void RetroForm::findArticle(const Value& data)
{
    category_ = get(data, "Categoria");
    headline_ = get(data, "Text");
    if (headline_.is(Tag::String)) {
        const int32_t n = recordOf(headline_);
        if (n >= 0)
            category_ = recordItem(asArchive(articles_)->get(n), 2);
    }
    headlines_ = Value();
    for (int32_t id = 1; id <= kCategories + 8; ++id) {
        Value record = categoryRecord(engine(), "RTCatLst", id);
        if (sameText(recordItem(record, 0), category_)) {
            headlines_ = recordItem(record, 2);
            break;
        }
    }
    List* list = asList(headlines_);
    const int32_t count = list ? list->count() : 0;
    position_ = 0;
    if (headline_.is(Tag::String)) {
        for (int32_t i = 0; i < count; ++i)
            if (sameText(list->get(i), headline_))
                position_ = i;
    } else if (Value at = get(data, "Artigo"); at.is(Tag::Int) || at.is(Tag::String)) {
        position_ = velIntValue(at);
    }
    if (position_ < 0 || position_ >= count)
        position_ = 0;
    if (count > 0)
        headline_ = list->get(position_);
}

void RetroForm::open(const Value& data)
{
    articles_ = openDataArchive(engine(), "RTArtigo", "dat");
    headlineIndex_ = openDataIndex(engine(), "RTTitulo");
    findArticle(data);
    Named::open(data);
    showArticle();
}

void RetroForm::reopen(const Value& data)
{
    findArticle(data);
    showArticle();
    engine().updateScreen();
}

Value RetroForm::historyState()
{
    Value state = tableOf({{"Categoria", category_}, {"Artigo", Value::integer(position_)}});
    asTable(state)->put(std::string_view("History Text"), historyTitle());
    return state;
}

void RetroForm::showArticle()
{
    const int32_t n = recordOf(headline_);
    Value record = n >= 0 ? asArchive(articles_)->get(n) : Value();
    text_ = recordItem(record, 3);
    showControlText(*this, "MancheteText", headline_);
    showControlText(*this, "CategoriasText", category_);
    showControlText(*this, "Artigo", text_);
    Value notes = openDataArchive(engine(), "RTNotas", "dat");
    Archive* a = asArchive(notes);
    showControlText(*this, "Notas", a && n >= 0 && n < a->count() ? a->get(n) : Value());
}

void RetroForm::step(int32_t by)
{
    const int32_t next = wrappedStep(headlines_, position_, by);
    if (next < 0)
        return;
    visit(tableOf({{"Categoria", category_}, {"Artigo", Value::integer(next)}}));
}

void RetroForm::visit(const Value& data)
{
    services().history().historyAdd(Value::string(kClassName), historyState());
    reopen(data);
}

bool RetroForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "Next") {
        step(1);
    } else if (name == "Previous") {
        step(-1);
    } else if (name == "CategoriasList") {
        Value chosen = chosenText(runNamedDialog(engine(), "RetroMenuForm", Value()));
        if (chosen.is(Tag::String))
            visit(tableOf({{"Categoria", chosen}}));
    } else if (name == "MancheteList") {
        Value result = runNamedDialog(engine(), "RetroDlg",
                                      tableOf({{"BrowseList", headlines_.isNil() ? ValueList::make() : headlines_},
                                               {"Origin Y", Value::integer(45)}}));
        Value index = get(result, "Index");
        if (index.is(Tag::Int))
            visit(tableOf({{"Categoria", category_}, {"Artigo", index}}));
    } else if (name == "Print") {
        const std::string headline = headline_.is(Tag::String) ? std::string(textOf(headline_)) : "";
        const std::string text = text_.is(Tag::String) ? std::string(textOf(text_)) : "";
        performOnControl(*this, "Artigo", "Print", tableOf({{"Text", Value::string("{\\b " + headline + "}\\par\\par " + text)}}));
    } else if (name == "Copy") {
        copyText(headline_, text_);
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

Value RetroForm::historyTitle() const
{
    auto text = [](const Value& v) { return v.is(Tag::String) ? std::string(textOf(v)) : std::string(); };
    return Value::string("Retrospectiva - " + text(category_) + ": " + text(headline_));
}

} // namespace vel
