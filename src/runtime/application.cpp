#include "runtime/application.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/message_box.h"
#include "platform/sdl_window.h"
#include "runtime/caret.h"
#include "runtime/cursor.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/framework_timer.h"
#include "runtime/input_translator.h"
#include "runtime/movie.h"
#include "runtime/media_notifications.h"
#include "runtime/resources.h"
#include "runtime/script_runner.h"
#include "runtime/sound.h"
#include "runtime/surface.h"
#include "runtime/transitions.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {
velApplication* registered = nullptr;

// The current form's property table as the resource look-up sees it.
class CurrentFormScope final : public ResourceScope {
public:
    explicit CurrentFormScope(velApplication& app) : app_(app) {}
    Value currentFormProperty(const Value& name) const override
    {
        const Value& form = app_.currentForm();
        if (auto* c = protocolOf<CollectionProtocol>(form))
            return c->getKey(name);
        return Value();
    }

private:
    velApplication& app_;
};
std::unique_ptr<CurrentFormScope> formScope;

// What forms ask of the application.
class ApplicationFormHost final : public FormHost {
public:
    explicit ApplicationFormHost(velApplication& app) : app_(app) {}
    Value currentForm() const override { return app_.currentForm(); }
    void setCurrentForm(const Value& form) override { app_.setCurrentForm(form); }
    DrawingSurface* surface() override { return app_.hasWindow() ? &app_.surface() : nullptr; }
    EventQueue* events() override { return app_.hasWindow() ? &app_.events() : nullptr; }
    int handleEvent(const EventRecord& event) override { return app_.handleEvent(event); }
    void quit() override { app_.quit(); }
    bool quitting() const override { return app_.quitting(); }
    void setCursor(const Value& cursor) override { app_.setCursor(cursor); }

private:
    velApplication& app_;
};
std::unique_ptr<ApplicationFormHost> applicationFormHost;

platform::CursorShape shapeOf(CursorKind kind)
{
    switch (kind) {
    case CursorKind::IBeam: return platform::CursorShape::IBeam;
    case CursorKind::Wait: return platform::CursorShape::Wait;
    case CursorKind::Hand: return platform::CursorShape::Hand;
    default: return platform::CursorShape::Arrow;
    }
}
} // namespace

velApplication::velApplication(const Value& arguments) : arguments_(arguments)
{
    registered = this;
    registerApplicationTables(&tables_);
    if (tables_.globals.isNil())
        tables_.globals = Table::make();
    setEnvironmentDefaults();
    formScope = std::make_unique<CurrentFormScope>(*this);
    setFileNoticeHook([](std::string_view text) { platform::showMessageBox(kProductTitle, text); });
    setResourceScope(formScope.get());
    installResourceMakers();
    installSoundMakers();
    installMovieMaker();
    installFormClasses();
    applicationFormHost = std::make_unique<ApplicationFormHost>(*this);
    setFormHost(applicationFormHost.get());
}

velApplication::~velApplication()
{
    destroyMainWindow();
    setResourceScope(nullptr);
    formScope.reset();
    setFormHost(nullptr);
    applicationFormHost.reset();
    if (registered == this) {
        registered = nullptr;
        registerApplicationTables(nullptr);
    }
}

velApplication* velApplication::current()
{
    return registered;
}

FormEventTarget* velApplication::currentFormTarget() const
{
    Object* o = currentForm_.object();
    return o ? dynamic_cast<FormEventTarget*>(o) : nullptr;
}

bool velApplication::createMainWindow(const RunOptions& options, std::string& error)
{
    const int width = mediaWidth() > 0 ? mediaWidth() : 640;
    const int height = mediaHeight() > 0 ? mediaHeight() : 480;
    platform::WindowOptions windowOptions;
    windowOptions.mediaWidth = width;
    windowOptions.mediaHeight = height;
    windowOptions.scale = options.scale;
    windowOptions.fullscreen = options.fullscreen;
    windowOptions.maximized = environment::getTruth("MaximizeWindow", false);
    windowOptions.headless = options.headless;
    window_ = std::make_unique<platform::SdlWindow>();
    if (!window_->open(windowOptions, error))
        return false;
    surface_ = std::make_unique<DrawingSurface>(width, height, window_.get());
    surface_->setAttributeCaching(environment::getTruth("DisableDrawingAttributeCaching", true));
    surface_->setAfterUpdate([] { repaintMovies(); });
    transitions_ = std::make_unique<Transitions>(*surface_, [] { return environment::getTruth("Disable Transitions", false); });
    events_ = std::make_unique<EventQueue>(eventLimit());
    timer_ = std::make_unique<FrameworkTimer>();
    caret_ = std::make_unique<Caret>();
    input_ = std::make_unique<InputTranslator>(*events_, caret_.get());
    if (!options.script.empty()) {
        ScriptRunner::Hooks hooks;
        hooks.shot = [this](const std::string& path) { return surface_->writeFramePng(path); };
        hooks.currentFormName = [this] {
            FormEventTarget* form = currentFormTarget();
            return form ? form->targetName() : std::string();
        };
        script_ = std::make_unique<ScriptRunner>(*virtualClock_, hooks);
        if (!script_->load(options.script, error))
            return false;
        events_->setMessageSource(script_.get());
    } else {
        events_->setMessageSource(window_.get());
    }
    events_->setTimer(timer_.get());
    events_->setIdleWork(mediaIdleWork);
    setMediaEventQueue(events_.get());
    events_->setDispatcher([this](const platform::Message& m) {
        if (m.kind == platform::MessageKind::Expose)
            present();
        else if (m.kind == platform::MessageKind::Quit)
            quit_ = true;
        else
            input_->translate(m);
    });
    EventRecord startUpEvent;
    startUpEvent.kind = event_kind::StartUp;
    startUpEvent.time = static_cast<int32_t>(platform::clock().now());
    events_->post(startUpEvent);
    return true;
}

void velApplication::destroyMainWindow()
{
    if (events_ && mediaEventQueue() == events_.get())
        setMediaEventQueue(nullptr);
    input_.reset();
    caret_.reset();
    timer_.reset();
    events_.reset();
    transitions_.reset();
    surface_.reset();
    script_.reset();
    if (window_)
        window_->close();
    window_.reset();
}

void velApplication::present()
{
    if (surface_)
        surface_->present();
    repaintMovies();
}

int velApplication::run(const RunOptions& options)
{
    quit_ = false;
    moduleDirectory_ = options.moduleDirectory;
    platform::setHeadless(options.headless);
    if (!options.script.empty()) {
        virtualClock_ = std::make_unique<platform::VirtualClock>();
        platform::installClock(virtualClock_.get());
    }
    readConfigurationLayers([&] {
        ConfigurationSources sources = standardConfigurationSources(options.moduleDirectory);
        sources.overrides = options.settings;
        return sources;
    }());
    buildExtensionTable();
    std::string error;
    if (!createMainWindow(options, error)) {
        std::fprintf(stderr, "orva: %s\n", error.c_str());
        destroyMainWindow();
        return 2;
    }
    start();
    if (window_)
        window_->raise();
    while (!quit_) {
        EventRecord event = events_->next(event_kind::All, -1);
        if (!handleEvent(event))
            break;
        if (script_ && script_->failed())
            break;
    }
    shutDown();
    closeAllMovies();
    stopSoundsAtExit();
    setCursor(Value());
    int status = 0;
    if (script_ && script_->failed()) {
        std::fprintf(stderr, "orva: %s\n", script_->failure().c_str());
        status = 1;
    }
    destroyMainWindow();
    if (virtualClock_) {
        platform::installClock(nullptr);
        virtualClock_.reset();
    }
    return status;
}

int velApplication::handleEvent(const EventRecord& e)
{
    switch (e.kind) {
    case event_kind::StartUp: startUp(e); break;
    case event_kind::CloseRequest: return closeRequest(e) ? 0 : 1;
    case event_kind::Activated: activated(e); break;
    case event_kind::Deactivated: deactivated(e); break;
    case event_kind::MouseOver: mouseOver(e); break;
    case event_kind::MouseDown: mouseDown(e); break;
    case event_kind::MouseDrag: mouseDrag(e); break;
    case event_kind::MouseUp: mouseUp(e); break;
    case event_kind::KeyDown: keyDown(e); break;
    case event_kind::KeyUp: keyUp(e); break;
    case event_kind::Timer: timer(e); break;
    case event_kind::MediaNotification: mediaNotification(e); break;
    case event_kind::Reserved: reservedEvent(e); break;
    case event_kind::ObjectMessage: objectMessage(e); break;
    case event_kind::NativeMessage: nativeMessage(e); break;
    default: break;
    }
    return 1;
}

void velApplication::start()
{
    Value previous = cursor_;
    setCursor(Cursor::make(CursorKind::Wait));
    rememberWaveOutVolume();
    if (fullInstall())
        environment::set("ResourcePath", Value::string(joinPath(moduleDirectory_, textOf(environment::get("MediaPath")))));
    loadGlobalResource();
    setCursor(previous);
}

void velApplication::startUp(const EventRecord&)
{
    goToForm(Value::string(startupForm()), Value(), true);
}

int velApplication::closeRequest(const EventRecord&)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onClose();
    return 1;
}

void velApplication::activated(const EventRecord&)
{
    setCursor(Value());
    if (FormEventTarget* form = currentFormTarget())
        form->onActivated();
}

void velApplication::deactivated(const EventRecord&)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onDeactivated();
}

void velApplication::mouseOver(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onMouseOver(e);
    else
        setCursor(Value());
}

void velApplication::mouseDown(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onMouseDown(e);
}

void velApplication::mouseDrag(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onMouseDrag(e);
}

void velApplication::mouseUp(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onMouseUp(e);
}

void velApplication::keyDown(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onKeyDown(e);
}

void velApplication::keyUp(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onKeyUp(e);
}

void velApplication::timer(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onTimer(e);
}

void velApplication::mediaNotification(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onDataEvent(e.value1, e.value2);
}

void velApplication::reservedEvent(const EventRecord& e)
{
    if (FormEventTarget* form = currentFormTarget())
        form->onReservedEvent(e);
}

void velApplication::setCursor(const Value& cursor)
{
    // With attribute caching off (the default) a cursor already current is not set again.
    cursor_ = cursor;
    if (window_)
        window_->setCursor(shapeOf(cursorKindOf(cursor)));
}

} // namespace vel
