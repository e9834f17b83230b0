#include "title/article_home.h"

#include "runtime/engine.h"
#include "title/category_lists.h"
#include "title/text_form.h"
#include "value/archive.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

// The "Categorias" outline: [[category, [[sub-category, identifier] ...]] ...].
Value outline(Engine& engine)
{
    Value archive = Archive::open(Value::string(engine.configuration().findFile("IDCatLst", "dtt")), false);
    Archive* a = asArchive(archive);
    Value first = a && a->count() > 0 ? a->get(0) : Value();
    return asTable(first) ? asTable(first)->get(std::string_view("Categorias")) : Value();
}

} // namespace

Value chooseSubCategory(Engine& engine, std::string_view category, const Value& x, const Value& y)
{
    Value items = ValueList::make();
    // The outline is the only owner of its lists: keep it while they are read.
    const Value categoryOutline = outline(engine);
    if (List* categories = asList(categoryOutline))
        for (int32_t i = 0; i < categories->count(); ++i) {
            List* entry = asList(categories->get(i));
            if (!entry || entry->count() < 2 || !entry->get(0).is(Tag::String) || textOf(entry->get(0)) != category)
                continue;
            if (List* subs = asList(entry->get(1)))
                for (int32_t s = 0; s < subs->count(); ++s)
                    if (List* sub = asList(subs->get(s)); sub && sub->count() >= 2 && sub->get(0).is(Tag::String))
                        asValueList(items)->append(tableOf({{"Text", sub->get(0)}, {"Result", sub->get(1)}}));
        }
    if (asList(items)->count() == 0)
        return Value();
    Value chosen = runNamedDialog(engine, "PopUpMenu", tableOf({{"Items", items}, {"Origin X", x}, {"Origin Y", y}}));
    return chosen.is(Tag::Table) ? asTable(chosen)->get(std::string_view("Result")) : Value();
}

Value chooseArticle(Engine& engine, const Value& category, const Value& x, const Value& y)
{
    Value chosen = runNamedDialog(engine, "VerbetesDlg", tableOf({{"Origin X", x}, {"Origin Y", y}, {"SCatID", category}}));
    return chosenText(chosen).isNil() ? Value() : chosen;
}

const HomeSection& VerbHForm::section() const
{
    static constexpr HomeSection home{"VerbetesDlg", "VerbForm", "Tela inicial de Verbetes"};
    return home;
}

bool VerbHForm::handleAction(std::string_view name, const Value& control)
{
    Value category = velGet(control, Value::string("Categoria"));
    if (!category.is(Tag::String))
        return Named::handleAction(name, control);
    Value x = velGet(control, Value::string("PopUpX")), y = velGet(control, Value::string("PopUpY"));
    Value sub = chooseSubCategory(engine(), textOf(category), x, y);
    if (sub.isNil())
        return true;
    if (Value article = chooseArticle(engine(), sub, x, y); !article.isNil())
        goToForm(engine(), "VerbForm", article);
    return true;
}

} // namespace vel
