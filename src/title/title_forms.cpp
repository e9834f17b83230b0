#include "title/title_forms.h"

#include "runtime/engine.h"
#include "title/about_dialog.h"
#include "title/history_dialog.h"
#include "title/lists_dialog.h"
#include "title/main_form.h"
#include "title/quit_dialog.h"
#include "title/section_homes.h"

namespace vel {

namespace {

template <class Class>
void enter(Engine& engine)
{
    engine.classes().add(Value::adopt(Tag::Form, new Class(engine, Value())));
}

} // namespace

void registerTitleForms(Engine& engine)
{
    enter<MainForm>(engine);
    enter<BarraMenuForm>(engine);
    enter<MenuDialog>(engine);
    enter<PopUpMenu>(engine);
    enter<HistoryDlg>(engine);
    enter<QuitDlg>(engine);
    enter<SobreDlg>(engine);
    enter<ListasDlg>(engine);
    registerSectionHomes(engine);
    registerTitlePlaceholders(engine);
}

} // namespace vel
