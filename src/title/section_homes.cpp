#include "title/section_homes.h"

#include "runtime/engine.h"
#include "title/article_home.h"
#include "value/builtins.h"
#include "value/table.h"

namespace vel {

namespace {

// The retrospective's news categories, Windows-1252.
constexpr const char* kRetroCategories[] = {
    "Acidentes", "Ci\xEA" "ncia", "Cultura", "Economia", "Educa\xE7\xE3o", "Esportes", "Mortes",
    "Pol\xED" "tica nacional", "Pol\xED" "tica internacional", "Pr\xEA" "mios", "Sa\xFA" "de", "Viol\xEA" "ncia",
};

} // namespace

template <class Base>
bool SectionHome<Base>::handleAction(std::string_view name, const Value& control)
{
    Value x = velGet(control, Value::string("PopUpX")), y = velGet(control, Value::string("PopUpY"));
    if (x.isNil() || y.isNil())
        return Base::handleAction(name, control);
    const HomeSection& home = section();
    Value type = velGet(control, Value::string("TypeID"));
    Value result;
    if (home.listDialog && (name == "Indice" || !type.isNil())) {
        Value category = name == "Indice" ? Value::string("0") : type;
        result = runNamedDialog(this->engine(), home.listDialog,
                                tableOf({{"Origin X", x}, {"Origin Y", y}, {"SCatID", category}}));
    } else {
        result = this->popUp(name, {}, true, x, y);
    }
    if (home.target && !chosenText(result).isNil())
        goToForm(this->engine(), home.target, result);
    return true;
}

template <class Base>
Value SectionHome<Base>::historyTitle() const
{
    const char* title = section().title;
    return title ? Value::string(title) : Value();
}

template class SectionHome<BarraMenuForm>;
template class SectionHome<AATextForm>;

const HomeSection& JMidiaHForm::section() const
{
    static constexpr HomeSection home{"MidiasDlg", "JMidiaForm", "Tela inicial de M\xED" "dias"};
    return home;
}

const HomeSection& RetroHForm::section() const
{
    static constexpr HomeSection home{"RetroDlg", "RetroForm", "Tela inicial de restrospectiva"};
    return home;
}

bool RetroHForm::handleAction(std::string_view name, const Value& control)
{
    for (const char* category : kRetroCategories)
        if (name == category) {
            goToForm(engine(), "RetroForm", tableOf({{"Categoria", Value::string(name)}}));
            return true;
        }
    return Named::handleAction(name, control);
}

void registerSectionHomes(Engine& engine)
{
    enterFormClass<VerbHForm>(engine);
    enterFormClass<JMidiaHForm>(engine);
    enterFormClass<RetroHForm>(engine);
}

} // namespace vel
