#include "title/databank_screens.h"

#include <algorithm>

#include "controls/list_box.h"
#include "controls/text_field.h"
#include "runtime/event.h"
#include "runtime/printer.h"
#include "runtime/surface.h"
#include "title/number_format.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

using platform::Rect;

namespace {

constexpr char kPrintJob[] = "ORVA - Banco de Dados";
constexpr int32_t kDefaultRowHeight = 18;

Value get(const Value& table, std::string_view key)
{
    return table.is(Tag::Table) ? asTable(table)->get(key) : Value();
}

void put(Value& table, std::string_view key, const Value& value) { asTable(table)->put(key, value); }

// The query's result table, as BDadosForm takes it.
Value queryResult(std::string_view database, const std::vector<int32_t>& records, const std::vector<int32_t>& fields,
                  std::string_view type)
{
    Value result = Table::make();
    put(result, "DBase2Use", Value::string(database));
    put(result, "DataRecs", integerList(records));
    put(result, "FieldsUsed", integerList(fields));
    put(result, "RowHeight", Value::integer(kDefaultRowHeight));
    put(result, "Type", Value::string(type));
    return result;
}

// The rich text of a plain text: its lines become paragraphs; the dialect's own marks are escaped.
std::string richTextOf(std::string_view plain)
{
    std::string out;
    for (char c : plain) {
        if (c == '\\' || c == '{' || c == '}')
            out.push_back('\\');
        if (c == '\n')
            out += "\\par";
        if (c != '\r')
            out.push_back(c);
    }
    return out;
}

int32_t selectionOf(const Value& list)
{
    // A dialog ended by the program's end has no controls left to ask.
    if (!list.is(Tag::Control))
        return -1;
    Value selection = velPerform(list, Value::string("getSelection"), Value());
    return selection.is(Tag::Int) ? selection.asInt() : -1;
}

bool doubleClicked(const Value& control)
{
    const AbstractListBox* box = dynamic_cast<const AbstractListBox*>(asControl(control));
    return box && box->doubleClicked();
}

void setStaticText(const Value& control, std::string_view text)
{
    if (velControlObject* c = asControl(control))
        c->setProperty(Value::string("Text"), Value::string(text));
}

} // namespace

// --- DBFileStruct ---------------------------------------------------------------------------------

void DBFileStruct::open(const Value& data)
{
    dbase_ = std::string(textOf(get(data, "DBase2Use")));
    readyQuery_ = textOf(get(data, "TipoDePesquisa")) == "Pronta";
    opened_ = databank_.open(engine(), dbase_);
    Named::open(data);
    if (opened_)
        setStaticText(findControl(Value::string("CategoriaText")), databank_.name());
    if (!opened_) {
        engine().notice(databank_.error());
        end();
    }
}

// --- BDadosHForm ----------------------------------------------------------------------------------

void BDadosHForm::showDatabase(bool states)
{
    const std::pair<const char*, bool> controls[] = {
        {"BrProntas", states}, {"BrLivres", states},  {"BancoEstados", states}, {"Paises", states},
        {"PaProntas", !states}, {"PaLivres", !states}, {"BancoPaises", !states}, {"Estados", !states}};
    for (const auto& [name, shown] : controls)
        showControl(findControl(Value::string(name)), shown ? 1 : 0);
    draw();
    engine().updateScreen();
}

void BDadosHForm::runQuery(const char* dialog, bool states)
{
    Value data = Table::make();
    put(data, "DBase2Use", Value::string(states ? kStatesDatabank : kCountriesDatabank));
    Value result = runNamedDialog(engine(), dialog, data);
    if (asList(get(result, "DataRecs")))
        goToForm(engine(), "BDadosForm", result);
}

bool BDadosHForm::handleAction(std::string_view name, const Value& control)
{
    if (name == "Estados" || name == "Paises")
        showDatabase(name == "Estados");
    else if (name == "PaProntas" || name == "BrProntas")
        runQuery("PesqProntaDialog", name == "BrProntas");
    else if (name == "PaLivres" || name == "BrLivres")
        runQuery("PesqLivreDialog", name == "BrLivres");
    else
        return Named::handleAction(name, control);
    return true;
}

Value BDadosHForm::historyTitle() const { return Value::string("Tela inicial do Banco de dados"); }

// --- PesqProntaDialog -----------------------------------------------------------------------------

void PesqProntaDialog::open(const Value& data)
{
    chosen_ = false;
    Named::open(data);
    if (!opened())
        return;
    std::vector<std::string> names;
    for (const ReadyQuery& query : databank().queries())
        names.push_back(query.name);
    Value list = findControl(Value::string("ProntasListBox"));
    velPerform(list, Value::string("setList"), stringList(names));
    if (!names.empty())
        velPerform(list, Value::string("setSelection"), Value::integer(0));
    draw();
    engine().updateScreen();
}

bool PesqProntaDialog::handleAction(std::string_view name, const Value& control)
{
    if ((name == "ProntasListBox" && doubleClicked(control)) || name == "Ok") {
        chosen_ = true;
        end();
    } else if (name == "Cancelar") {
        end();
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

Value PesqProntaDialog::result()
{
    const int32_t chosen = selectionOf(findControl(Value::string("ProntasListBox")));
    const std::vector<ReadyQuery>& queries = databank().queries();
    if (!chosen_ || !opened() || chosen < 0 || chosen >= static_cast<int32_t>(queries.size()))
        return Value();
    const ReadyQuery& query = queries[chosen];
    Value result = queryResult(databaseName(), query.records, query.fields,
                               "pronta n\xFAmero: " + std::to_string(chosen + 1));
    put(result, "TipoDePesquisa", Value::string("Pronta"));
    put(result, "Nome", Value::string(query.name));
    return result;
}

// --- PesqLivreDialog ------------------------------------------------------------------------------

int32_t PesqLivreDialog::queriesRun_ = 0;

void PesqLivreDialog::open(const Value& data)
{
    choices_.clear();
    current_ = -1;
    ran_ = false;
    comparison_ = Comparison::Equal;
    Named::open(data);
    if (!opened())
        return;
    std::vector<std::string> names;
    for (const DatabankField& field : databank().fields())
        names.push_back(field.name);
    velPerform(findControl(Value::string("FieldsListBox")), Value::string("setList"), stringList(names));
    velPerform(findControl(Value::string("SelectedListBox")), Value::string("setList"), ValueList::make());
    showGroups();
}

void PesqLivreDialog::showGroups()
{
    const bool numeric = current_ >= 0 && databank().fields()[current_].numeric;
    const bool text = current_ >= 0 && !numeric;
    velPerform(findControl(Value::string("NumericFieldGroup")), Value::string("Show"), Value::boolean(numeric));
    velPerform(findControl(Value::string("TextFieldGroup")), Value::string("Show"), Value::boolean(text));
    showControl(findControl(Value::string("NoFieldBG")), current_ < 0 ? 1 : 0);
    draw();
    engine().updateScreen();
}

void PesqLivreDialog::chooseField(int32_t field)
{
    if (field < 0 || field >= static_cast<int32_t>(databank().fields().size()))
        return;
    current_ = field;
    if (!databank().fields()[field].numeric) {
        // The scope list: the field's values; its first entry names the rows' kind.
        Value scope = findControl(Value::string("ScopeListBox"));
        velPerform(scope, Value::string("setList"), stringList(databank().valuesOf(field)));
    }
    showGroups();
}

PesqLivreDialog::Choice& PesqLivreDialog::choiceFor(int32_t field)
{
    for (Choice& choice : choices_)
        if (choice.field == field)
            return choice;
    choices_.push_back(Choice{field, false, {}, {}});
    choices_.back().condition.field = field;
    return choices_.back();
}

bool PesqLivreDialog::addCurrentField()
{
    if (current_ < 0) {
        engine().notice("Escolha um campo na lista.");
        return false;
    }
    if (!databank().fields()[current_].numeric) {
        choiceFor(current_);
        refreshSelected();
        return true;
    }
    const TextField* valor = dynamic_cast<const TextField*>(asControl(findControl(Value::string("Valor"))));
    const std::string typed = valor ? valor->edit().text() : std::string();
    if (typed.empty()) {
        choiceFor(current_);
        refreshSelected();
        return true;
    }
    const std::optional<double> number = parseTypedNumber(typed);
    if (!number) {
        engine().notice("N\xFAmero inv\xE1lido: \"" + typed + "\". Digite algarismos, com v\xEDrgula antes dos decimais.");
        return false;
    }
    Choice& choice = choiceFor(current_);
    choice.conditioned = true;
    choice.condition.texts.clear();
    choice.condition.comparison = comparison_;
    choice.condition.number = *number;
    choice.shown = typed;
    refreshSelected();
    return true;
}

void PesqLivreDialog::addScopeValue(const std::string& value)
{
    if (current_ < 0 || databank().fields()[current_].numeric)
        return;
    Choice& choice = choiceFor(current_);
    if (std::find(choice.condition.texts.begin(), choice.condition.texts.end(), value) == choice.condition.texts.end())
        choice.condition.texts.push_back(value);
    choice.conditioned = true;
    refreshSelected();
}

void PesqLivreDialog::refreshSelected()
{
    std::vector<std::string> lines;
    for (const Choice& choice : choices_) {
        // The list draws no tab stops: a colon parts the field from its condition.
        std::string line = databank().fields()[choice.field].name + (choice.conditioned ? ": " : "");
        if (!choice.conditioned) {
        } else if (!choice.condition.texts.empty()) {
            for (std::size_t i = 0; i < choice.condition.texts.size(); ++i)
                line += (i ? "; " : "= ") + choice.condition.texts[i];
        } else {
            static constexpr const char* kSigns[] = {">= ", "= ", "<= "};
            line += kSigns[static_cast<int>(choice.condition.comparison)] + choice.shown;
        }
        lines.push_back(std::move(line));
    }
    Value list = findControl(Value::string("SelectedListBox"));
    velPerform(list, Value::string("setList"), stringList(lines));
    velPerform(list, Value::string("Draw"), Value());
    engine().updateScreen();
}

bool PesqLivreDialog::handleAction(std::string_view name, const Value& control)
{
    if (name == "FieldsListBox") {
        chooseField(selectionOf(control));
    } else if (name == "ScopeListBox") {
        Value chosen = velPerform(control, Value::string("getSelectionStr"), Value());
        if (doubleClicked(control) && chosen.is(Tag::String))
            addScopeValue(std::string(textOf(chosen)));
    } else if (name == "Adicionar" || name == "Valor") {
        addCurrentField();
    } else if (name == "SupIgual" || name == "Igual" || name == "InfIgual") {
        comparison_ = name == "SupIgual" ? Comparison::AtLeast : name == "Igual" ? Comparison::Equal : Comparison::AtMost;
        return Named::handleAction(name, control);
    } else if (name == "SelectedListBox") {
        // A double click takes the field out of the query.
        const int32_t at = selectionOf(control);
        if (doubleClicked(control) && at >= 0 && at < static_cast<int32_t>(choices_.size())) {
            choices_.erase(choices_.begin() + at);
            refreshSelected();
        }
    } else if (name == "Limpar") {
        if (auto* valor = dynamic_cast<TextField*>(asControl(findControl(Value::string("Valor")))))
            valor->setText("");
    } else if (name == "Ok") {
        ran_ = true;
        end();
    } else if (name == "Cancelar") {
        end();
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

Value PesqLivreDialog::result()
{
    if (!ran_ || !opened())
        return Value();
    std::vector<DatabankCondition> conditions;
    std::vector<int32_t> fields;
    for (const Choice& choice : choices_) {
        fields.push_back(choice.field);
        if (choice.conditioned)
            conditions.push_back(choice.condition);
    }
    // The rows are named by the database's first field, shown first whether chosen or not.
    if (std::find(fields.begin(), fields.end(), 0) == fields.end())
        fields.insert(fields.begin(), 0);
    if (fields.size() == 1)
        for (int32_t i = 1; i < static_cast<int32_t>(databank().fields().size()); ++i)
            fields.push_back(i);
    const std::vector<int32_t> records = runFreeQuery(databank().records(), databank().fields(), conditions);
    if (records.empty()) {
        engine().notice("Nenhum registro atende a todas as condi\xE7\xF5" "es.");
        return Value();
    }
    Value result = queryResult(databaseName(), records, fields, "Livre");
    put(result, "Numero", Value::integer(++queriesRun_));
    return result;
}

// --- SysMenuDBDialog ------------------------------------------------------------------------------

void SysMenuDBDialog::open(const Value& data)
{
    chosen_ = Value();
    Named::open(data);
}

bool SysMenuDBDialog::handleAction(std::string_view name, const Value& control)
{
    if (name == "Print") {
        chosen_ = Value::string("Print");
        end();
    } else if (name == "Cancelar") {
        end();
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

Value SysMenuDBDialog::result()
{
    if (chosen_.isNil())
        return Value();
    Value result = Table::make();
    put(result, "Text", chosen_);
    return result;
}

// --- BDadosForm -----------------------------------------------------------------------------------

bool BDadosForm::states() const { return isStatesDatabank(textOf(get(argument(), "DBase2Use"))); }

void BDadosForm::open(const Value& data)
{
    openPanel_.clear();
    const std::string_view database = textOf(get(data, "DBase2Use"));
    const bool opened = databank_.open(engine(), database);
    view_.setTable(databank_.records(), databank_.fields(), integersOf(get(data, "DataRecs")),
                   integersOf(get(data, "FieldsUsed")));
    DatabankTableView::Look look;
    const Value tableRect = property("TableRect");
    if (const Region* area = asRegion(tableRect))
        look.area = Rect{area->left, area->top, area->right, area->bottom};
    else
        look.area = Rect{16, 108, 608, 400};
    const Value rowHeight = get(data, "RowHeight").is(Tag::Int) ? get(data, "RowHeight") : property("RowHeight");
    look.rowHeight = std::clamp(rowHeight.is(Tag::Int) ? rowHeight.asInt() : kDefaultRowHeight, 8, 64);
    if (Value box = property("BoxColor"); box.is(Tag::Int))
        look.boxColor = box.asInt();
    look.font = property("Font").is(Tag::Font) ? property("Font") : Font::make(Value::string("Arial"), 9, 0);
    view_.setLook(look);
    std::string title = std::string(textOf(get(data, "Nome")));
    if (title.empty())
        title = "Pesquisa livre";
    title += " \x97 " + std::string(database) + ": " + std::to_string(view_.rowCount()) +
             (view_.rowCount() == 1 ? " registro" : " registros");
    Named::open(data);
    Value heading = findControl(Value::string("TituloTabela"));
    if (asControl(heading)) {
        setStaticText(heading, title);
        velPerform(heading, Value::string("Draw"), Value());
    }
    setUpScrollers();
    engine().updateScreen();
    if (!opened)
        engine().notice(databank_.error());
}

void BDadosForm::setUpScrollers()
{
    auto setUp = [this](const char* name, int32_t max, int32_t page, int32_t value) {
        Value scroller = findControl(Value::string(name));
        velPerform(scroller, Value::string("SetMin"), Value::integer(0));
        velPerform(scroller, Value::string("SetMax"), Value::integer(max));
        velPerform(scroller, Value::string("SetPageInc"), Value::integer(std::max(1, page)));
        velPerform(scroller, Value::string("SetValue"), Value::integer(value));
    };
    setUp("VerticalScroller", view_.lastFirstRow(), view_.visibleRows(), view_.firstRow());
    setUp("HorizontalScroller", view_.lastFirstColumn(), view_.visibleColumns(), view_.firstColumn());
}

void BDadosForm::drawControls()
{
    // The table lies under the controls: a notes panel covers it.
    if (DrawingSurface* surface = engine().surface())
        view_.draw(*surface);
    Named::drawControls();
    // An open panel's members again, in the panel's order: its picture first.
    if (!openPanel_.empty())
        velPerform(findControl(Value::string(openPanel_)), Value::string("Draw"), Value());
}

bool BDadosForm::handleAction(std::string_view name, const Value& control)
{
    DrawingSurface* surface = engine().surface();
    auto valueOf = [](const Value& scroller) {
        Value v = velGet(scroller, Value::string("Value"));
        return v.is(Tag::Int) ? v.asInt() : 0;
    };
    if (name == "VerticalScroller" || name == "HorizontalScroller") {
        if (!surface || !openPanel_.empty())
            return true;
        if (name == "VerticalScroller")
            view_.scrollToRow(*surface, valueOf(control));
        else
            view_.scrollToColumn(*surface, valueOf(control));
        engine().updateScreen();
    } else if (name == "Notas") {
        showPanel(states() ? "Notas Estado" : "Notas Paises", states() ? "NotasEstados" : "NotasPaises",
                  databank_.notes());
    } else if (name == "Fontes") {
        showPanel(states() ? "Fontes Estado" : "Fontes Paises", states() ? "FontesEstados" : "FontesPaises",
                  databank_.sources());
    } else if (name == "CloseNF") {
        closePanel();
    } else if (name == "SysMenu") {
        if (textOf(chosenText(runNamedDialog(engine(), "SysMenuDBDialog", Value()))) == "Print")
            print();
    } else {
        return Named::handleAction(name, control);
    }
    return true;
}

void BDadosForm::showPanel(const char* panel, const char* textControl, const Value& text)
{
    closePanel();
    velPerform(findControl(Value::string(textControl)), Value::string("SetText"),
               Value::string(richTextOf(textOf(text))));
    velPerform(findControl(Value::string(panel)), Value::string("Show"), Value::boolean(true));
    openPanel_ = panel;
    holdScrollers(true);
    engine().updateScreen();
}

void BDadosForm::holdScrollers(bool held)
{
    for (const char* name : {"VerticalScroller", "HorizontalScroller"})
        putOnControl(*this, name, "Disabled", Value::boolean(held));
}

void BDadosForm::closePanel()
{
    if (openPanel_.empty())
        return;
    velPerform(findControl(Value::string(openPanel_)), Value::string("Show"), Value::boolean(false));
    openPanel_.clear();
    holdScrollers(false);
    draw();
    engine().updateScreen();
}

void BDadosForm::keyDown(int32_t keyCode, int32_t flags)
{
    const char* action = nullptr;
    bool across = false;
    switch (keyCode) {
    case key_code::Home: action = "Home"; break;
    case key_code::End: action = "End"; break;
    case key_code::PageUp: action = "PageUp"; break;
    case key_code::PageDown: action = "PageDown"; break;
    case key_code::Up: action = "ScrollUp"; break;
    case key_code::Down: action = "ScrollDown"; break;
    case key_code::Left: action = "ScrollUp"; across = true; break;
    case key_code::Right: action = "ScrollDown"; across = true; break;
    default: break;
    }
    if (!action || !openPanel_.empty()) {
        Named::keyDown(keyCode, flags);
        return;
    }
    velPerform(findControl(Value::string(across ? "HorizontalScroller" : "VerticalScroller")), Value::string(action),
               Value());
}

Value BDadosForm::historyTitle() const
{
    const Value& data = argument();
    if (textOf(get(data, "Type")) == "Livre")
        return Value::string("Pesquisa livre n\xFAmero: " + std::to_string(velIntValue(get(data, "Numero"))));
    return Value::string("Pesquisa " + std::string(textOf(get(data, "Nome"))));
}

int32_t BDadosForm::print()
{
    DrawingSurface* surface = engine().surface();
    Printer& printer = engine().printer();
    if (!surface || view_.columnCount() == 0)
        return 0;
    // The notice stands on the screen while the pages are made, and goes with the redraw after.
    const Rect notice{320, 432, 624, 458};
    surface->setOrigin(0, 0);
    surface->fill(notice, view_.look().boxColor);
    surface->rectangle(notice, view_.look().lineColor, 1);
    surface->selectFont(Font::make(Value::string("Arial"), 9, 2));
    surface->setTextColor(view_.look().textColor);
    surface->setTextBackground(-1);
    surface->drawTextInRect(notice, "Imprimindo...", text_format::Center | text_format::VCenter | text_format::SingleLine);
    surface->invalidate(notice);
    engine().updateScreen();
    const int32_t pages = printPages(*surface, printer);
    draw();
    engine().updateScreen();
    return pages;
}

int32_t BDadosForm::printPages(DrawingSurface& surface_, Printer& printer)
{
    DrawingSurface* surface = &surface_;
    if (!printer.startDocument(kPrintJob))
        return 0;
    if (!printer.startPage()) {
        printer.abortDocument();
        return 0;
    }
    const int32_t savedX = surface->originX(), savedY = surface->originY();
    surface->setOrigin(0, 0);
    const Value font = Font::make(Value::string("Arial"), 9, 0);
    surface->selectFont(font);
    const int32_t lineHeight = surface->measureText(" abcdefghijklmnopqrstuvxyz").height;
    const int32_t rowHeight = lineHeight * 3 / 2;
    const int32_t margin = printer.dotsPerInchAcross() / 2;
    const int32_t pageWidth = printer.pageWidth() - 2 * margin;
    // Every column as wide as its widest text, so that nothing is cut on paper.
    std::vector<int32_t> widths;
    for (int32_t c = 0; c < view_.columnCount(); ++c) {
        int32_t width = surface->measureText(view_.header(c)).width;
        for (int32_t r = 0; r < view_.rowCount(); ++r)
            width = std::max(width, surface->measureText(view_.cell(r, c)).width);
        widths.push_back(std::min(pageWidth, width + lineHeight));
    }
    // Bands of the other columns that fit the page beside the first, which every page repeats.
    std::vector<std::vector<int32_t>> bands;
    const int32_t room = std::max(1, pageWidth - widths[0]);
    for (int32_t c = 1; c < view_.columnCount();) {
        std::vector<int32_t> band{0};
        int32_t used = 0;
        while (c < view_.columnCount() && (band.size() == 1 || used + widths[c] <= room))
            used += widths[c], band.push_back(c++);
        bands.push_back(std::move(band));
    }
    if (bands.empty())
        bands.push_back({0});
    const int32_t top = margin + lineHeight * 3, bottom = printer.pageHeight() - margin - lineHeight * 2;
    const int32_t rowsPerPage = std::max(1, (bottom - top) / rowHeight - 1);
    const int32_t rowPages = std::max(1, (view_.rowCount() + rowsPerPage - 1) / rowsPerPage);
    const int32_t pages = static_cast<int32_t>(bands.size()) * rowPages + 1;
    const std::string heading = std::string(kPrintJob) + " \x97 " + databank_.name();
    int32_t page = 0;
    auto furniture = [&] {
        ++page;
        surface->selectFont(font);
        surface->setTextColor(0);
        surface->setTextBackground(-1);
        surface->textOut(margin, margin, heading);
        surface->textOut(margin, margin + lineHeight * 3 / 2, textOf(historyTitle()));
        surface->textOut(margin, bottom + lineHeight,
                         "P\xE1gina " + std::to_string(page) + " de " + std::to_string(pages));
    };
    DatabankTableView::Look paper = view_.look();
    paper.font = font;
    paper.boxColor = 0xD3D3D3;
    paper.paperColor = 0xFFFFFF;
    paper.lineColor = 0;
    paper.textColor = 0;
    const DatabankTableView::Look screen = view_.look();
    view_.setLook(paper);
    bool open = true;
    for (const std::vector<int32_t>& band : bands)
        for (int32_t r = 0; r < view_.rowCount() || r == 0; r += rowsPerPage) {
            if (page > 0)
                open = printer.startPage() != 0;
            if (!open)
                break;
            furniture();
            view_.drawBlock(*surface, margin, top, rowHeight, r, std::min(view_.rowCount(), r + rowsPerPage), band,
                            widths);
            printer.endPage();
        }
    if (open && printer.startPage()) {
        furniture();
        surface->selectFont(font);
        surface->drawTextInRect(Rect{margin, top, margin + pageWidth, bottom}, textOf(databank_.notes()),
                                text_format::WordBreak);
        printer.endPage();
    }
    view_.setLook(screen);
    surface->setOrigin(savedX, savedY);
    printer.endDocument();
    return page;
}

void registerDatabankScreens(Engine& engine)
{
    enterFormClass<DBFileStruct>(engine);
    enterFormClass<BDadosHForm>(engine);
    enterFormClass<PesqProntaDialog>(engine);
    enterFormClass<PesqLivreDialog>(engine);
    enterFormClass<SysMenuDBDialog>(engine);
    enterFormClass<BDadosForm>(engine);
}

} // namespace vel
