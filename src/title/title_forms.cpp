#include "title/title_forms.h"

#include "runtime/engine.h"
#include "title/about_dialog.h"
#include "title/agenda_form.h"
#include "title/article_form.h"
#include "title/atlas_form.h"
#include "title/credits_form.h"
#include "title/curio_form.h"
#include "title/databank_screens.h"
#include "title/history_dialog.h"
#include "title/internet_dialog.h"
#include "title/lists_dialog.h"
#include "title/main_form.h"
#include "title/media_form.h"
#include "title/quit_dialog.h"
#include "title/retro_form.h"
#include "title/search_dialog.h"
#include "title/section_homes.h"
#include "title/text_dialogs.h"
#include "title/text_form.h"
#include "title/timeline_form.h"

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
    enterFormClass<BuscaDialog>(engine);
    registerSectionHomes(engine);
    enterFormClass<AATextForm>(engine);
    registerTextDialogs(engine);
    enterFormClass<VerbForm>(engine);
    registerAtlasForms(engine);
    registerMediaForms(engine);
    enterFormClass<CurioHForm>(engine);
    enterFormClass<CurioDialog>(engine);
    enterFormClass<TimeHForm>(engine);
    enterFormClass<RetroForm>(engine);
    enterFormClass<RetroMenuForm>(engine);
    enterFormClass<AGForm>(engine);
    enterFormClass<SobreInternetDialog>(engine);
    enterFormClass<CreditsForm>(engine);
    registerDatabankScreens(engine);
    registerTitlePlaceholders(engine);
}

} // namespace vel
