#include "title/title_forms.h"

#include "runtime/engine.h"
#include "title/about_dialog.h"
#include "title/databank_screens.h"
#include "title/history_dialog.h"
#include "title/lists_dialog.h"
#include "title/main_form.h"
#include "title/quit_dialog.h"
#include "title/section_homes.h"

namespace vel {

void registerTitleForms(Engine& engine)
{
    enterFormClass<MainForm>(engine);
    enterFormClass<BarraMenuForm>(engine);
    enterFormClass<MenuDialog>(engine);
    enterFormClass<PopUpMenu>(engine);
    enterFormClass<HistoryDlg>(engine);
    enterFormClass<QuitDlg>(engine);
    enterFormClass<SobreDlg>(engine);
    enterFormClass<ListasDlg>(engine);
    registerSectionHomes(engine);
    registerDatabankScreens(engine);
    registerTitlePlaceholders(engine);
}

} // namespace vel
