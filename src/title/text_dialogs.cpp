#include "title/text_dialogs.h"

#include "runtime/control.h"
#include "runtime/engine.h"
#include "title/text_form.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

void setText(velFormObject& form, std::string_view name, const Value& text)
{
    Value view = form.findControl(Value::string(name));
    if (!view.is(Tag::Control) || !text.is(Tag::String))
        return;
    velPerform(view, Value::string("Initialize"), Value());
    velPerform(view, Value::string("SetText"), text);
}

} // namespace

void AATextDialog::open(const Value& data)
{
    text_ = get(data, "Texto");
    title_ = get(data, "Titulo");
    printTitle_ = get(data, "PrintTitulo");
    Named::open(data);
    show(text_, title_);
}

void AATextDialog::show(const Value& text, const Value& title)
{
    if (Value t = findControl(Value::string("Titulo")); t.is(Tag::Control) && title.is(Tag::String)) {
        velPut(t, Value::string("Text"), plainTitle(title));
        asControl(t)->draw();
    }
    setText(*this, "Texto", text);
    if (Value print = findControl(Value::string("Imprimir")); print.is(Tag::Control))
        asControl(print)->setBoolean(Value::string("Disabled"),
                                     engine().configuration().getTruth("NoPrintingAllowed", false) ? 1 : 0);
}

bool AATextDialog::handleAction(std::string_view name, const Value& control)
{
    const Value title = printTitle_.is(Tag::String) && !textOf(printTitle_).empty() ? printTitle_ : title_;
    if (name == "Imprimir")
        printFormText(*this, title, text_);
    else if (name == "Copiar")
        copyFormText(*this, plainTitle(title), text_);
    else if (name == "Fechar")
        end();
    else
        return false;
    return true;
}

void CaptionDialog::open(const Value& data)
{
    Value caption = get(data, "Text");
    Value argument = Table::make();
    asTable(argument)->put(std::string_view("Texto"), caption);
    Named::open(argument);
}

void TabelaDialog::open(const Value& data)
{
    Named::open(data);
    setText(*this, "Header", get(data, "Header"));
}

void SysMenuDialog::open(const Value& data)
{
    answer_ = Value();
    // Placed where the screen asks: {"Origin X", "Origin Y"}, or a rectangle's corner.
    Value x = get(data, "Origin X"), y = get(data, "Origin Y");
    if (Region* at = asRegion(data)) {
        x = Value::integer(at->left);
        y = Value::integer(at->top);
    }
    if (x.is(Tag::Int) && y.is(Tag::Int)) {
        setProperty(Value::string("Origin X"), x);
        setProperty(Value::string("Origin Y"), y);
    }
    Named::open(data);
    if (Value print = findControl(Value::string("Imprimir")); print.is(Tag::Control))
        asControl(print)->setBoolean(Value::string("Disabled"),
                                     engine().configuration().getTruth("NoPrintingAllowed", false) ? 1 : 0);
}

bool SysMenuDialog::handleAction(std::string_view name, const Value&)
{
    if (name == "Imprimir")
        answer_ = Value::string("Print");
    else if (name == "Copiar")
        answer_ = Value::string("Copy");
    else if (name != "Fechar")
        return false;
    end();
    return true;
}

void registerTextDialogs(Engine& engine)
{
    enterFormClass<AATextDialog>(engine);
    enterFormClass<CaptionDialog>(engine);
    enterFormClass<LivroDialog>(engine);
    enterFormClass<CronoDialog>(engine);
    enterFormClass<TabelaDialog>(engine);
    enterFormClass<SysMenuDialog>(engine);
}

} // namespace vel
