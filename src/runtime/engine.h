// The engine: the one object that owns the process-wide services (the configuration, resources and
// class registry, the clock, the screen and its event queue, the audio mixer and the media, movies,
// the printer, the clipboard and the index page cache). The program makes one and hands it to what
// needs it: the application, forms and controls, dialogs, movies, sounds and the printer.
//
// startUp brings the services up in order and shutDown takes them down in the reverse order; both
// read top to bottom in engine.cpp. Between the two, the engine's makers are the value layer's, so
// that forms, controls, references, images and sounds read or decoded belong to this engine.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "index/page_cache.h"
#include "platform/audio_mixer.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "runtime/class_registry.h"
#include "runtime/environment.h"
#include "runtime/event.h"
#include "runtime/media_notifications.h"
#include "runtime/media_playback.h"
#include "runtime/movie.h"
#include "runtime/navigation.h"
#include "runtime/printer.h"
#include "runtime/resources.h"
#include "value/value.h"

namespace vel {

namespace platform {
class SdlWindow;
} // namespace platform
class Caret;
class DrawingSurface;
class EventQueue;
class FrameworkTimer;
class InputTranslator;
class ScriptRunner;
class Transitions;

struct RunOptions {
    std::string moduleDirectory;
    std::vector<std::pair<std::string, std::string>> settings; // applied over every layer
    // The application's own defaults: over the framework's, under every layer read from outside.
    std::vector<std::pair<std::string, Value>> environmentDefaults;
    // Where the configuration comes from; unset: the standard sources of the module directory.
    std::optional<ConfigurationSources> configuration;
    bool headless = false;
    std::string script; // a scripted run when not empty
    int scale = 0;
    bool fullscreen = false;
    // A screen without a window (tests, benchmarks): the surface and the event queue, no messages.
    bool offscreen = false;
    // Time that moves only when told (scripted runs always have it).
    bool virtualClock = false;

    // Headless, no window and no configuration files, only the defaults: tests, benchmarks and
    // fuzzing.
    static RunOptions offscreenOnly(bool onVirtualClock)
    {
        RunOptions options;
        options.configuration = ConfigurationSources{};
        options.headless = true;
        options.offscreen = true;
        options.virtualClock = onVirtualClock;
        return options;
    }
    // The same at a pixel scale, drawn sharp above 1 as a window at that scale is.
    static RunOptions offscreenAtScale(bool onVirtualClock, int scale)
    {
        RunOptions options = offscreenOnly(onVirtualClock);
        options.scale = scale;
        options.settings = {{"Sharp", scale > 1 ? "1" : "0"}};
        return options;
    }
};

// What the engine asks of the program running on it (the application, or a test's stand-in).
class FormHost {
public:
    virtual ~FormHost() = default;
    // The application's handle event: 0 ends the program.
    virtual int handleEvent(const EventRecord& event) = 0;
    virtual void setCursor(const Value& cursor) = 0;
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // False with a reason when the screen cannot be made; shutDown then undoes what was done.
    bool startUp(const RunOptions& options, std::string& error);
    void shutDown();
    bool started() const { return started_; }

    Configuration& configuration() { return configuration_; }
    Resources& resources() { return resources_; }
    ClassRegistry& classes() { return classes_; }
    Navigation& navigation() { return navigation_; }
    // Steady, or virtual for a scripted run or a test: chosen at each start-up, and what was built on
    // it follows.
    platform::Clock& clock() { return clock_; }
    // The clock of a scripted run or a test; null on a steady clock.
    platform::VirtualClock* virtualClock() { return clock_.virtualClock(); }
    platform::Clipboard& clipboard() { return clipboard_; }
    platform::AudioMixer& mixer() { return mixer_; }
    MediaNotifications& media() { return media_; }
    // The wave sound's and the tune's outputs.
    MediaPlayback& playback() { return playback_; }
    Movies& movies() { return movies_; }
    Printer& printer() { return printer_; }
    // The cache the engine's index files share.
    index::PageCache& pageCache() { return pageCache_; }
    const std::string& moduleDirectory() const { return moduleDirectory_; }

    // The screen, from start-up to shut-down; null otherwise.
    DrawingSurface* surface() { return surface_.get(); }
    Transitions* transitions() { return transitions_.get(); }
    EventQueue* events() { return events_.get(); }
    FrameworkTimer* frameworkTimer() { return timer_.get(); }
    Caret* caret() { return caret_.get(); }
    platform::SdlWindow* window() { return window_.get(); }
    ScriptRunner* script() { return script_.get(); }

    // The program on the engine: it handles the events that nested loops take, and sets the cursor.
    void attach(FormHost* host) { host_ = host; }
    FormHost* host() { return host_; }
    int handleEvent(const EventRecord& event) { return host_ ? host_->handleEvent(event) : 1; }
    void setCursor(const Value& cursor);

    const Value& currentForm() const { return currentForm_; }
    void setCurrentForm(const Value& form) { currentForm_ = form; }
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }

    // What the event fetch does when no input is waiting: the media's end checks, then the current
    // form's own idle work. Milliseconds until it is next due (platform::NothingDue: nothing is).
    uint32_t idleWork();
    // For loops inside a handler (tracking, dragging): the next event of the kinds in mask, or false
    // when the program is closing; a close request stays queued for the main loop.
    bool nextNestedEvent(int32_t mask, EventRecord& out);
    // Copies what was drawn to the window, then the movies over it.
    void updateScreen();
    void present();
    // Moves the canvases to another scale (1 to 6; a window resized so that another one fits) and
    // draws the current form, and each dialog open over it, again at the new one.
    void rescaleScreen(int scale);

    // A message box captioned with the product title (standard error when headless). Tests take
    // them instead.
    void notice(std::string_view text);
    // The window made small (nothing without a window).
    void minimizeWindow();
    // A web page in the user's browser ("WebBrowser", else xdg-open); a headless run opens none.
    // False when nothing was started.
    bool openInBrowser(std::string_view address);
    void takeNotices(NoticeFunction sink) { noticeSink_ = std::move(sink); }

private:
    class SwitchedClock final : public platform::Clock {
    public:
        uint32_t now() override { return current_->now(); }
        void sleep(uint32_t milliseconds) override { current_->sleep(milliseconds); }
        bool isVirtual() const override { return current_->isVirtual(); }
        void useVirtual(bool on) { current_ = on ? static_cast<platform::Clock*>(&virtual_) : &steady_; }
        platform::VirtualClock* virtualClock() { return current_ == &virtual_ ? &virtual_ : nullptr; }
        platform::VirtualClock& virtualOne() { return virtual_; }

    private:
        platform::SteadyClock steady_;
        platform::VirtualClock virtual_;
        platform::Clock* current_ = &steady_;
    };

    bool openScreen(const RunOptions& options, std::string& error);
    void closeScreen();

    bool started_ = false;
    bool quit_ = false;
    bool sharp_ = true;
    std::string moduleDirectory_;
    Value currentForm_;
    FormHost* host_ = nullptr;
    NoticeFunction noticeSink_;
    const ObjectMakers* previousMakers_ = nullptr;
    std::unique_ptr<ObjectMakers> makers_;

    SwitchedClock clock_;
    platform::Clipboard clipboard_;
    platform::AudioMixer mixer_;
    index::PageCache pageCache_;
    Configuration configuration_;
    Resources resources_;
    ClassRegistry classes_;
    Navigation navigation_;
    MediaNotifications media_;
    MediaPlayback playback_;
    Movies movies_;
    Printer printer_;

    std::unique_ptr<platform::SdlWindow> window_;
    std::unique_ptr<DrawingSurface> surface_;
    std::unique_ptr<Transitions> transitions_;
    std::unique_ptr<EventQueue> events_;
    std::unique_ptr<FrameworkTimer> timer_;
    std::unique_ptr<Caret> caret_;
    std::unique_ptr<InputTranslator> input_;
    std::unique_ptr<ScriptRunner> script_;
};

} // namespace vel
