#include "title/title_app.h"

#include <algorithm>

#include "controls/history.h"
#include "platform/media_path.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/framework_timer.h"
#include "runtime/help.h"
#include "runtime/image.h"
#include "runtime/palette.h"
#include "runtime/script_runner.h"
#include "runtime/surface.h"
#include "runtime/transitions.h"
#include "title/intro_form.h"
#include "title/quiet_errors.h"
#include "title/title_forms.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr char kDatabaseError[] = "Erro ao abrir o Banco de dados!";
constexpr char kMainScreenTitle[] = "Tela inicial do Orvale Vanta";

// Name, class (null: the name) and file of every definition, in the order they are made.
constexpr TitleFormBinding kForms[] = {
    {"VerbHForm", nullptr, "VerbHF"},
    {"AtlasHForm", nullptr, "AtlasHF"},
    {"JMidiaHForm", nullptr, "JMidiaHF"},
    {"BDadosHForm", nullptr, "BDadosHF"},
    {"TimeHForm", nullptr, "TimeHF"},
    {"CurioHForm", nullptr, "CurioHF"},
    {"RetroHForm", nullptr, "RetroHF"},
    {"IntroForm", nullptr, "Intro"},
    {"MainForm", nullptr, "MainForm"},
    {"AGForm", nullptr, "AGForm"},
    {"VerbForm", nullptr, "VerbForm"},
    {"VerbeteMenuForm", nullptr, "VBMForm"},
    {"MidiasMenuForm", nullptr, "MidMForm"},
    {"RetroMenuForm", nullptr, "RtroMFrm"},
    {"AtlasMenuForm", nullptr, "AtlsMFrm"},
    {"CreditsForm", nullptr, "credform"},
    {"JMidiaForm", nullptr, "JMidForm"},
    {"BDadosForm", nullptr, "BDadForm"},
    {"RetroForm", nullptr, "RMForm"},
    {"AtlasForm", nullptr, "AtlasFrm"},
    {"DisplayMenu", nullptr, "dispmenu"},
    {"BuscaDialog", nullptr, "Buscadlg"},
    {"CaptionDialog", nullptr, "captdlg"},
    {"QuitDlg", nullptr, "Quit"},
    {"FotoDialog", nullptr, "FotoDlg"},
    {"CronoDialog", nullptr, "CronoDlg"},
    {"LivroDialog", nullptr, "LivroDlg"},
    {"TabelaDialog", nullptr, "TableDlg"},
    {"PesqLivreDialog", nullptr, "PLiDlg"},
    {"PesqProntaDialog", nullptr, "PPDlg"},
    {"SysMenuDialog", nullptr, "SysMDlg"},
    {"SysMenuDBDialog", nullptr, "SMDBDlg"},
    {"SobreInternetDialog", nullptr, "AbintDlg"},
    {"HistoryDlg", nullptr, "HistDlg"},
    {"SobreDlg", nullptr, "Sobre"},
    {"PrefsDlg", nullptr, "Prefs"},
    {"CurioDialog", nullptr, "CurioDlg"},
    {"VerbetesDlg", "ListasDlg", "VerbList"},
    {"MidiasDlg", "ListasDlg", "MidiaLst"},
    {"RetroDlg", "ListasDlg", "RetroLst"},
    {"AtlasDlg", "ListasDlg", "AtlasLst"},
#define VEL_INFOGRAPHIC(name) {name, "InfosForm", name}
    VEL_INFOGRAPHIC("in0001"), VEL_INFOGRAPHIC("in0003"), VEL_INFOGRAPHIC("in0004"), VEL_INFOGRAPHIC("in0005"),
    VEL_INFOGRAPHIC("in0006"), VEL_INFOGRAPHIC("in0007"), VEL_INFOGRAPHIC("in0008"), VEL_INFOGRAPHIC("in0009"),
    VEL_INFOGRAPHIC("in0011"), VEL_INFOGRAPHIC("in0013"), VEL_INFOGRAPHIC("in0014"), VEL_INFOGRAPHIC("in0015"),
    VEL_INFOGRAPHIC("in0016"), VEL_INFOGRAPHIC("in0018"), VEL_INFOGRAPHIC("in0019"), VEL_INFOGRAPHIC("in0020"),
    VEL_INFOGRAPHIC("in0021"), VEL_INFOGRAPHIC("in0022"), VEL_INFOGRAPHIC("in0023"), VEL_INFOGRAPHIC("in0024"),
    VEL_INFOGRAPHIC("in0025"), VEL_INFOGRAPHIC("in0026"), VEL_INFOGRAPHIC("in0027"), VEL_INFOGRAPHIC("in0028"),
    VEL_INFOGRAPHIC("in0029"), VEL_INFOGRAPHIC("in0030"), VEL_INFOGRAPHIC("in0031"), VEL_INFOGRAPHIC("in0032"),
    VEL_INFOGRAPHIC("in0035"), VEL_INFOGRAPHIC("in0036"), VEL_INFOGRAPHIC("in0037"), VEL_INFOGRAPHIC("in0038"),
    VEL_INFOGRAPHIC("in0039"), VEL_INFOGRAPHIC("in0040"), VEL_INFOGRAPHIC("in0041"), VEL_INFOGRAPHIC("in0043"),
    VEL_INFOGRAPHIC("in0044"), VEL_INFOGRAPHIC("in0045"), VEL_INFOGRAPHIC("in0047"), VEL_INFOGRAPHIC("in0048"),
    VEL_INFOGRAPHIC("in0049"), VEL_INFOGRAPHIC("in0050"), VEL_INFOGRAPHIC("in051"), VEL_INFOGRAPHIC("in052"),
    VEL_INFOGRAPHIC("in053"), VEL_INFOGRAPHIC("in054"), VEL_INFOGRAPHIC("in055"), VEL_INFOGRAPHIC("in056"),
    VEL_INFOGRAPHIC("in057"), VEL_INFOGRAPHIC("in058"), VEL_INFOGRAPHIC("in059"), VEL_INFOGRAPHIC("in060"),
    VEL_INFOGRAPHIC("in062"), VEL_INFOGRAPHIC("in063"), VEL_INFOGRAPHIC("in064"), VEL_INFOGRAPHIC("in064_a"),
    VEL_INFOGRAPHIC("in065"), VEL_INFOGRAPHIC("in066"), VEL_INFOGRAPHIC("inmus001"), VEL_INFOGRAPHIC("inqui001"),
    VEL_INFOGRAPHIC("brclima"), VEL_INFOGRAPHIC("brhidro"), VEL_INFOGRAPHIC("brparque"), VEL_INFOGRAPHIC("brpopul"),
    VEL_INFOGRAPHIC("brregio"), VEL_INFOGRAPHIC("brrelevo"), VEL_INFOGRAPHIC("brvegeta"), VEL_INFOGRAPHIC("brpolit"),
    VEL_INFOGRAPHIC("muclima"), VEL_INFOGRAPHIC("muecolo"), VEL_INFOGRAPHIC("mupolit"), VEL_INFOGRAPHIC("Mmeuropa"),
    VEL_INFOGRAPHIC("Mmamenor"), VEL_INFOGRAPHIC("Mmamecen"), VEL_INFOGRAPHIC("Mmamesul"), VEL_INFOGRAPHIC("Mmafrica"),
    VEL_INFOGRAPHIC("Mmafric1"), VEL_INFOGRAPHIC("Mmocean"), VEL_INFOGRAPHIC("Mmasia"),
#undef VEL_INFOGRAPHIC
    {"PopUpMenu", "PopUpMenu", "PopUpMnu"},
};

// The thematic maps are compiled first, in this order.
constexpr const char* kMapsFirst[] = {"Mmamenor", "Mmamecen", "Mmamesul", "Mmafrica",
                                      "Mmafric1", "Mmocean",  "Mmasia",   "Mmeuropa"};

// The text sources some definitions are compiled from, where they differ from the preloaded file.
constexpr std::pair<const char*, const char*> kCompiledFrom[] = {
    {"VerbetesDlg", "verblist"}, {"MidiasDlg", "midialst"},    {"AtlasDlg", "atlaslst"},
    {"RetroDlg", "Retrolst"},    {"CaptionDialog", "CaptDlg"}, {"PopUpMenu", "PopUpmnu"},
};

// The title's environment defaults, over the framework's.
constexpr std::pair<const char*, int32_t> kDefaults[] = {
    {"ShowIntro", 1},           {"PlayNarrator", 1},          {"RolloverHelp", 1},
    {"SoundEffects", 1},        {"ShowFullScreen", 0},        {"TestMode", 0},
    {"AGFormNarrator", 0},      {"AtlasFormNarrator", 0},     {"AtlasHFormNarrator", 0},
    {"BDadosHFormNarrator", 0}, {"PesqLivreDialogNarrator", 0}, {"CurioHFormNarrator", 0},
    {"BuscaDialogNarrator", 0}, {"JMidiaHFormNarrator", 0},   {"JMidiaFormNarrator", 0},
    {"MainFormNarrator", 0},    {"RetroHFormNarrator", 0},    {"RetroFormNarrator", 0},
    {"TimeHFormNarrator", 0},   {"VerbHFormNarrator", 0},     {"VerbFormNarrator", 0},
};

constexpr const char* kArchives[] = {"Verbetes", "Midias", "Atlas"};

bool isInfographic(const TitleFormBinding& b) { return b.className && std::string_view(b.className) == "InfosForm"; }

// The loaded definition as a form of the binding's class under the binding's name; nil when what
// the file held is no definition.
Value definitionOf(Engine& engine, const Value& loaded, const TitleFormBinding& binding)
{
    const std::string_view className = binding.className ? binding.className : binding.name;
    Value form;
    Value data;
    if (velFormObject* f = asForm(loaded)) {
        if (textOf(f->className()) == className)
            form = loaded;
        else
            data = f->properties();
    } else if (loaded.is(Tag::Table)) {
        data = loaded;
    }
    if (form.isNil()) {
        Table* table = asTable(data);
        if (!table)
            return Value();
        Value copy = table->copy();
        asTable(copy)->put("Class", Value::string(className));
        form = engine.classes().createForm(copy);
    }
    if (velFormObject* f = asForm(form))
        f->setFormName(Value::string(binding.name));
    return form;
}

} // namespace

// The archive under the data folder by its name, with or without ".dat"; nil when it is missing or
// will not open.
Value openTitleArchive(const std::string& dataDirectory, std::string_view name)
{
    for (const std::string& file : {std::string(name) + ".dat", std::string(name)}) {
        const std::string path = findFileIgnoringCase(dataDirectory, file);
        if (!platform::isFile(path))
            continue;
        QuietErrors quiet;
        Value archive = Archive::open(Value::string(path), false);
        return quiet.any() ? Value() : archive;
    }
    return Value();
}


int32_t titleFadeTime(Engine& engine)
{
    const Value time = engine.resources().load(Value::string("FadeTime"));
    return time.is(Tag::Int) || time.is(Tag::String) ? velIntValue(time) : 0;
}

TitleApp::TitleApp(Engine& engine, const Value& arguments)
    : velApplication(engine, arguments), preferences_(engine), indexes_(engine.pageCache())
{
    for (const auto& [key, value] : kDefaults)
        setEnvironmentDefault(key, Value::integer(value));
    ClassRegistry& classes = engine.classes();
    for (const Value& prototype : {Value::adopt(Tag::Form, new IntroForm(engine, Value())),
                                   Value::adopt(Tag::Form, new PrefsDlg(engine, Value()))})
        if (classes.find(protocolOf<ClassProtocol>(prototype)->className()).isNil())
            classes.add(prototype);
    registerTitleForms(engine);
}

std::span<const TitleFormBinding> TitleApp::preloadedForms() { return kForms; }

std::vector<TitleCompilation> TitleApp::compilationList()
{
    std::vector<TitleCompilation> list = {
        {true, "Global", "Global"}, {true, "TestData", "testdata"}, {true, "RelyData", "relydata"}};
    for (const char* map : kMapsFirst)
        list.push_back({false, map, map});
    for (const TitleFormBinding& b : kForms)
        if (isInfographic(b) && std::string_view(b.name).substr(0, 2) != "Mm")
            list.push_back({false, b.name, b.file});
    for (const TitleFormBinding& b : kForms) {
        if (isInfographic(b))
            continue;
        std::string file = b.file;
        for (const auto& [name, source] : kCompiledFrom)
            if (std::string_view(name) == b.name)
                file = source;
        list.push_back({false, b.name, file});
    }
    return list;
}

Value TitleApp::archive(std::string_view name) const
{
    for (const auto& [n, a] : archives_)
        if (n == name)
            return a;
    return Value();
}

void TitleApp::preloadForms()
{
    Configuration& configuration = engine().configuration();
    unreadForms_.clear();
    for (const TitleFormBinding& binding : kForms) {
        const std::string path = configuration.findFile(binding.file, "vel");
        Value form;
        if (platform::isFile(path)) {
            QuietErrors quiet;
            Value loaded = engine().resources().loadFile(path);
            if (!quiet.any())
                form = definitionOf(engine(), loaded, binding);
        }
        if (form.isNil())
            unreadForms_.push_back(std::string(binding.file) + ".vel");
        else
            configuration.putGlobal(binding.name, form);
    }
    if (unreadForms_.empty())
        return;
    // One notice for them all: a disc short of many screens should not bring a box for each.
    std::string text = "N\xe3o foi poss\xedvel ler do disco:";
    for (const std::string& file : unreadForms_)
        text += (&file == &unreadForms_.front() ? " " : ", ") + file;
    engine().notice(text);
}

bool TitleApp::openDatabases()
{
    const std::string dataDirectory = platform::pathUnder(engine().configuration().mediaRoot(), "DAT");
    archives_.clear();
    indexes_ = TitleIndexes(engine().pageCache());
    bool complete = true;
    indexes_.registerAll(dataDirectory, [&](std::string_view name) {
        Value archive = openTitleArchive(dataDirectory, name);
        complete = complete && !archive.isNil();
        archives_.emplace_back(std::string(name), archive);
    });
    for (const TitleIndexFile& file : TitleIndexes::table())
        complete = complete && indexes_.has(file.name);
    return complete && archives_.size() == std::size(kArchives);
}

void TitleApp::start()
{
    velApplication::start();
    preloadForms();
    databasesOpen_ = openDatabases();
    if (!databasesOpen_) {
        velError(kDatabaseError);
        return;
    }
    engine().configuration().set("NoPrintingAllowed", engine().printer().useDefaultPrinter() ? 0 : 1);
}

void TitleApp::installPalette()
{
    Value image = engine().resources().loadImage(Value::string("indeo41.dib"));
    // The palette value is kept while it is realized: it may be made for this call alone.
    const Value colours = imagePalette(image);
    if (Palette* palette = asPalette(colours))
        realizeInSystemPalette(*palette);
}

void TitleApp::startUp(const EventRecord&)
{
    if (startedUp_)
        return;
    startedUp_ = true;
    // The framework's own step opens its start-up form, which a title disc has no need of: the title
    // opens its own first screen.
    installPalette();
    preferences_.load();
    Engine& e = engine();
    // A disc without the intro's definition still opens: on the main screen.
    if (e.configuration().getTruth("ShowIntro", true) && asForm(e.configuration().global(Value::string("IntroForm")))) {
        History::of(e).historyAdd(Value::string("MainForm"), Value::string(kMainScreenTitle));
        Value arguments = ValueList::make();
        ValueList* list = asValueList(arguments);
        list->append(e.resources().load(Value::string("IntroVideo")));
        list->append(Value());
        list->append(Value());
        list->append(Value::integer(1));
        e.navigation().goTo(Value::string("IntroForm"), arguments, false);
    } else {
        e.navigation().goTo(Value::string("MainForm"), Value(), true);
    }
    if (FrameworkTimer* timer = e.frameworkTimer())
        timer->set(kTimerPeriod);
}

int TitleApp::closeRequest(const EventRecord& event)
{
    // A second request while the question is open is the same request.
    if (asking_)
        return 0;
    Engine& e = engine();
    bool confirmed = true;
    // A script that ends, or says quit, has confirmed; and a disc without the dialog must still let
    // the reader leave.
    const bool scripted = e.script() && e.script()->finished();
    if (!scripted && asDialog(e.resources().load(Value::string("QuitDlg")))) {
        asking_ = true;
        const Value answer = runDialog(e, Value::string("QuitDlg"), Value());
        asking_ = false;
        confirmed = answer.is(Tag::Boolean) && answer.asInt() != 0;
    }
    return confirmed ? velApplication::closeRequest(event) : 0;
}

void TitleApp::closingFade()
{
    Engine& e = engine();
    DrawingSurface* surface = e.surface();
    if (!surface)
        return;
    Configuration& configuration = e.configuration();
    // Fades blend the presented frame here, so only an MPEG board's overlay rules them out.
    const bool fade = !configuration.getTruth("MPEG", false);
    const platform::Rect screen{0, 0, surface->width(), surface->height()};
    if (fade && e.transitions())
        e.transitions()->run(transition_effect::FadeToColor, std::max(0, titleFadeTime(e)), 0, 0, 0, -1, -1);
    surface->fill(screen, 0);
    surface->invalidateAll();
    surface->update();
    if (!fade || !configuration.getTruth("ShowIntro", true) || !e.events())
        return;
    platform::Clock& clock = e.clock();
    const uint32_t begun = clock.now();
    for (uint32_t elapsed = 0; elapsed < kClosingPause; elapsed = clock.now() - begun)
        e.events()->next(0, static_cast<int32_t>(kClosingPause - elapsed));
}

void TitleApp::shutDown()
{
    if (!startedUp_ || shutDown_)
        return;
    shutDown_ = true;
    velApplication::shutDown();
    helpClose();
    closingFade();
    preferences_.save();
    engine().media().setWaveOutVolume(engine().media().rememberedWaveOutVolume());
}

void TitleApp::compileResources()
{
    Resources& resources = engine().resources();
    for (const TitleCompilation& c : compilationList()) {
        if (c.table)
            resources.compileTable(Value::string(c.name), c.file);
        else
            resources.compileForm(Value::string(c.name), c.file);
    }
}

} // namespace vel
