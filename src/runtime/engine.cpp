#include "runtime/engine.h"

#include <algorithm>

#include "platform/browser.h"
#include "platform/headless.h"
#include "platform/message_box.h"
#include "platform/sdl_window.h"
#include "runtime/application.h"
#include "runtime/caret.h"
#include "runtime/dialog.h"
#include "runtime/event_queue.h"
#include "runtime/framework_timer.h"
#include "runtime/input_translator.h"
#include "runtime/script_runner.h"
#include "runtime/surface.h"
#include "runtime/transitions.h"
#include "value/string.h"

namespace vel {

namespace {

// A nested loop waits for input without limit: a close request ends it as an event.
constexpr int32_t kNestedWait = -1;

} // namespace

Engine::Engine()
    : configuration_([this](std::string_view text) { notice(text); }),
      resources_(*this),
      classes_(*this),
      navigation_(*this),
      media_(*this),
      playback_(
          mixer_, clock_, [this](const Value& media, std::string_view what) { media_.post(media, what); },
          [this](std::string_view text) { media_.notice(text); }, configuration_),
      movies_(*this),
      printer_(*this)
{
}

Engine::~Engine()
{
    shutDown();
    // Values in the tables and the history (forms, controls, sounds, movies) belong to this engine:
    // they go first.
    currentForm_ = Value();
    navigation_.keepHistory(nullptr);
    configuration_.tables() = ApplicationTables{};
}

bool Engine::startUp(const RunOptions& options, std::string& error)
{
    // Started again: the earlier run ends first, so that what it put in place is taken back once.
    shutDown();
    started_ = true;
    quit_ = false;
    moduleDirectory_ = options.moduleDirectory;

    // Time first: a scripted run's clock (and a test's) moves only when told.
    platform::setHeadless(options.headless);
    clock_.useVirtual(options.virtualClock || !options.script.empty());

    // The configuration: the framework's defaults and the application's, then the registry, the profile file and the
    // command line, later layers winning.
    configuration_.setDefaults();
    for (const auto& [key, value] : options.environmentDefaults)
        configuration_.set(key, value);
    ConfigurationSources sources = options.configuration ? *options.configuration
                                                         : standardConfigurationSources(options.moduleDirectory);
    for (const auto& setting : options.settings)
        sources.overrides.push_back(setting);
    configuration_.readLayers(sources);

    // From here on, what the reader and the decoder make belongs to this engine, and the framework's
    // classes are registered.
    makers_ = resources_.makers();
    previousMakers_ = installObjectMakers(makers_.get());
    classes_.addBaseClasses();

    // Movie device types are read afresh from this module directory's profile.
    movies_.resetDeviceTypes();

    // The screen last: the window (or an off-screen surface), the event queue and the input.
    return openScreen(options, error);
}

void Engine::shutDown()
{
    if (!started_)
        return;
    started_ = false;
    // Movies and sounds stop while the screen and the queue they report to are still there.
    movies_.closeAll();
    media_.stopAll();
    currentForm_ = Value();
    closeScreen();
    // The value layer makes placeholders again; time is steady again.
    installObjectMakers(previousMakers_);
    previousMakers_ = nullptr;
    makers_.reset();
    clock_.useVirtual(false);
}

bool Engine::openScreen(const RunOptions& options, std::string& error)
{
    const int width = configuration_.mediaWidth();
    const int height = configuration_.mediaHeight();
    if (!options.offscreen) {
        platform::WindowOptions windowOptions;
        windowOptions.mediaWidth = width;
        windowOptions.mediaHeight = height;
        windowOptions.scale = options.scale;
        windowOptions.fullscreen = options.fullscreen;
        windowOptions.maximized = configuration_.getTruth("MaximizeWindow", false);
        windowOptions.headless = options.headless;
        window_ = std::make_unique<platform::SdlWindow>(clock_);
        if (!window_->open(windowOptions, error))
            return false;
    }
    // A sharp surface keeps the window's real pixels (without a window, the scale asked for): text
    // and lines at full resolution.
    sharp_ = configuration_.getTruth("Sharp", true);
    const int scale = !sharp_ ? 1
                      : window_                                ? window_->scale()
                                                               : std::max(1, options.scale);
    surface_ = std::make_unique<DrawingSurface>(width, height, window_.get(),
                                                std::min(scale, platform::kLargestCanvasScale));
    surface_->setAttributeCaching(configuration_.getTruth("DisableDrawingAttributeCaching", true));
    surface_->setAfterUpdate([this] { movies_.repaintAll(); });
    transitions_ = std::make_unique<Transitions>(*surface_, clock_, [this] {
        return configuration_.getTruth("Disable Transitions", false);
    });
    events_ = std::make_unique<EventQueue>(clock_, configuration_.eventLimit());
    timer_ = std::make_unique<FrameworkTimer>(clock_);
    caret_ = std::make_unique<Caret>(clock_);
    input_ = std::make_unique<InputTranslator>(*events_, caret_.get());
    if (!options.script.empty()) {
        ScriptRunner::Hooks hooks;
        hooks.shot = [this](const std::string& path) { return surface_->writeFramePng(path); };
        hooks.mediaShot = [this](const std::string& path) { return surface_->writeMediaFramePng(path); };
        hooks.currentFormName = [this] {
            auto* form = dynamic_cast<FormEventTarget*>(currentForm_.object());
            return form ? form->targetName() : std::string();
        };
        script_ = std::make_unique<ScriptRunner>(clock_.virtualOne(), hooks);
        if (!script_->load(options.script, error))
            return false;
        events_->setMessageSource(script_.get());
    } else if (window_) {
        events_->setMessageSource(window_.get());
    }
    events_->setTimer(timer_.get());
    events_->setIdleWork([this] { return idleWork(); });
    events_->setDispatcher([this](const platform::Message& m) {
        if (m.kind == platform::MessageKind::Expose) {
            // A sharp canvas follows the window to the scale it holds now.
            if (sharp_ && window_)
                rescaleScreen(window_->fittingScale());
            present();
        } else if (m.kind == platform::MessageKind::Quit) {
            quit_ = true;
        } else {
            input_->translate(m);
        }
    });
    if (!options.offscreen) {
        EventRecord startUpEvent;
        startUpEvent.kind = event_kind::StartUp;
        startUpEvent.time = static_cast<int32_t>(clock_.now());
        events_->post(startUpEvent);
    }
    return true;
}

void Engine::closeScreen()
{
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

uint32_t Engine::idleWork()
{
    uint32_t due = media_.idleWork();
    // The form is held: its idle work may draw, or go to another form.
    Value form = currentForm_;
    if (auto* target = dynamic_cast<FormEventTarget*>(form.object()))
        due = std::min(due, target->onIdle());
    return due;
}

void Engine::setCursor(const Value& cursor)
{
    if (host_)
        host_->setCursor(cursor);
}

bool Engine::nextNestedEvent(int32_t mask, EventRecord& out)
{
    if (!events_)
        return false;
    while (!quit_) {
        EventRecord e = events_->next(mask | event_kind::CloseRequest, kNestedWait);
        if (e.kind == event_kind::Null)
            continue;
        if (e.kind == event_kind::CloseRequest) {
            events_->postCloseRequest(e);
            return false;
        }
        out = std::move(e);
        return true;
    }
    return false;
}

void Engine::updateScreen()
{
    if (surface_)
        surface_->update();
}

void Engine::rescaleScreen(int scale)
{
    scale = std::clamp(scale, 1, platform::kLargestCanvasScale);
    // While a job prints, drawing goes to the page: the screen follows at the next exposure.
    if (!surface_ || scale == surface_->scale() || surface_->printing())
        return;
    surface_->rescale(scale);
    redrawOpenForms(*this);
    surface_->invalidateAll();
    surface_->update();
}

void Engine::present()
{
    if (surface_)
        surface_->present();
    movies_.repaintAll();
}

void Engine::notice(std::string_view text)
{
    if (noticeSink_)
        noticeSink_(text);
    else
        platform::showMessageBox(kProductTitle, text);
}

void Engine::minimizeWindow()
{
    if (window_ && !window_->headless())
        window_->minimize();
}

bool Engine::openInBrowser(std::string_view address)
{
    if (platform::headless())
        return false;
    Value command = configuration_.get("WebBrowser");
    return platform::openInBrowser(std::string(address),
                                   command.is(Tag::String) && !textOf(command).empty() ? std::string(textOf(command))
                                                                                        : "xdg-open");
}

} // namespace vel
