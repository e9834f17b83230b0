#include "title/menu_bar.h"

#include "runtime/control.h"
#include "runtime/cursor.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "controls/history.h"
#include "title/internet_open.h"
#include "value/builtins.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr std::string_view kSavedSearch = "Saved Search State";

// The texts of the product menu and the screens they lead to. Texts are Windows-1252.
struct Destination {
    const char* text;
    const char* form;
};
constexpr Destination kProductMenu[] = {
    {"Verbetes", "VerbHForm"},         {"Agenda", "AGForm"},           {"Atlas", "AtlasHForm"},
    {"Banco de Dados", "BDadosHForm"}, {"Curiosidades", "CurioHForm"}, {"Linha do Tempo", "TimeHForm"},
    {"M\xED" "dias", "JMidiaHForm"},   {"Retrospectiva", "RetroHForm"}, {"Tela Inicial", "MainForm"},
};

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

} // namespace

Value chosenText(const Value& result)
{
    return get(result, "Text");
}

Value savedSearchState(Engine& engine)
{
    return engine.configuration().global(Value::string(kSavedSearch));
}

void BarraMenuForm::open(const Value& data)
{
    menus_ = engine().resources().load(Value::string("MenusPopUp"));
    Named::open(data);
}

bool BarraMenuForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "Orvale")
        productMenu();
    else if (name == "Busca")
        search();
    else if (name == "Secoes")
        ; // a section screen that offers its sections handles it itself
    else if (name == "GoBack")
        services().history().historyBack(false);
    else if (name == "Historico")
        historyDialog();
    else if (name == "Internet")
        internetMenu();
    else if (name == "Ajuda")
        helpMenu();
    else if (name == "Minimizar")
        engine().minimizeWindow();
    else if (name == "Sair") {
        engine().setCursor(Cursor::make(CursorKind::Wait));
        requestQuit(engine());
    } else if (name == "AudioHelpButton")
        narrate(true);
    else
        return false;
    return true;
}

Value BarraMenuForm::popUp(std::string_view menu, std::string_view background, bool placed, const Value& x,
                           const Value& y)
{
    Value definition = get(menus_, menu);
    if (!definition.is(Tag::Table))
        return Value();
    // The kept table stays as the data gave it for the next time.
    Value argument = velCopy(definition);
    Table* table = asTable(argument);
    if (!background.empty())
        table->put(std::string_view("Background"), engine().resources().loadImage(Value::string(background)));
    if (placed) {
        table->put(std::string_view("Origin X"), x);
        table->put(std::string_view("Origin Y"), y);
    }
    return runNamedDialog(engine(), "PopUpMenu", argument);
}

void BarraMenuForm::productMenu()
{
    Value chosen = chosenText(popUp("Orvale", "OrvaleBack"));
    for (const Destination& d : kProductMenu)
        if (chosen.is(Tag::String) && textOf(chosen) == d.text) {
            goToForm(engine(), d.form, Value());
            return;
        }
}

void BarraMenuForm::helpMenu()
{
    Value chosen = chosenText(popUp("Ajuda", "AjudaBack"));
    const std::string_view text = chosen.is(Tag::String) ? textOf(chosen) : std::string_view();
    if (text == "Cr\xE9" "ditos") {
        goToForm(engine(), "CreditsForm", Value());
    } else if (text == "\xCD" "ndice do Ajuda") {
        openHelp();
    } else if (text == "Sobre o Orvale Vanta") {
        runNamedDialog(engine(), "SobreDlg", Value());
    } else if (text == "Prefer\xEA" "ncias") {
        Value keep = self();
        runNamedDialog(engine(), "PrefsDlg", Value());
        // The screen's own players take the new settings.
        for (const char* player : {"VideoControl", "AnimControl"})
            if (Value c = findControl(Value::string(player)); c.is(Tag::Control))
                velPerform(c, Value::string("Initialize"), Value());
    }
}

void BarraMenuForm::internetMenu()
{
    Value chosen = chosenText(popUp("Internet", "InternetBack"));
    const std::string_view text = chosen.is(Tag::String) ? textOf(chosen) : std::string_view();
    if (text == "Sobre a Internet")
        runNamedDialog(engine(), "SobreInternetDialog", Value());
    else if (text == "Acionar a Internet")
        if (canOpenBrowser())
            openHomePage(engine(), homePageAddress(engine()), browserChoice(engine()));
}

void BarraMenuForm::search()
{
    Value result = runNamedDialog(engine(), "BuscaDialog", savedSearchState(engine()));
    if (!result.is(Tag::Table))
        return;
    if (Table* t = asTable(result); t->contains(Value::string("BuscaText")))
        engine().configuration().putGlobal(kSavedSearch, t->get(std::string_view("BuscaText")));
    if (asTable(result)->contains(Value::string("Text")))
        goToForm(engine(), "VerbForm", result);
}

void BarraMenuForm::historyDialog()
{
    Value jump = runNamedDialog(engine(), "HistoryDlg", Value());
    if (!jump.is(Tag::Table) || get(jump, "Jump Table").isNil())
        return;
    Value index = get(jump, "Jump Index");
    if (index.is(Tag::Int))
        services().history().historyGo(index.asInt());
}

} // namespace vel
