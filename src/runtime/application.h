// `velApplication`: the one application object. It holds the environment, the globals and the
// current form, owns the main window (the SDL window, the drawing surface, the event queue and the
// input translation) and runs the main loop. Derived applications override the operations below,
// which keep the slot order of the original class.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/environment.h"
#include "runtime/event.h"
#include "value/value.h"

namespace vel {

namespace platform {
class SdlWindow;
class VirtualClock;
} // namespace platform
class Caret;
class DrawingSurface;
class EventQueue;
class FrameworkTimer;
class InputTranslator;
class ScriptRunner;
class Transitions;

// What the current form answers; forms implement it (the application forwards to it).
class FormEventTarget {
public:
    virtual ~FormEventTarget() = default;
    virtual std::string targetName() const = 0;
    virtual void onActivated() {}
    virtual void onDeactivated() {}
    virtual void onMouseOver(const EventRecord& e) {}
    virtual void onMouseDown(const EventRecord& e) {}
    virtual void onMouseDrag(const EventRecord& e) {}
    virtual void onMouseUp(const EventRecord& e) {}
    virtual void onKeyDown(const EventRecord& e) {}
    virtual void onKeyUp(const EventRecord& e) {}
    virtual void onTimer(const EventRecord& e) {}
    virtual void onDataEvent(const Value& first, const Value& second) {}
    virtual void onReservedEvent(const EventRecord& e) {}
    virtual void onClose() {}
};

struct RunOptions {
    std::string moduleDirectory;
    std::vector<std::pair<std::string, std::string>> settings; // applied over every layer
    bool headless = false;
    std::string script; // a scripted run when not empty
    int scale = 0;
    bool fullscreen = false;
};

class velApplication {
public:
    explicit velApplication(const Value& arguments);
    // Slot 0.
    virtual ~velApplication();

    // Slot 1: the whole life of the program; the process's exit status.
    int run(const RunOptions& options);
    // Slot 2: 0 ends the main loop.
    int handleEvent(const EventRecord& event);
    // Slots 3 to 22.
    virtual void start();
    virtual void startUp(const EventRecord& event);
    virtual int closeRequest(const EventRecord& event);
    virtual void shutDown() {}
    virtual void activated(const EventRecord& event);
    virtual void deactivated(const EventRecord& event);
    virtual void slot9(const EventRecord&) {}
    virtual void slot10(const EventRecord&) {}
    virtual void mouseOver(const EventRecord& event);
    virtual void mouseDown(const EventRecord& event);
    virtual void mouseDrag(const EventRecord& event);
    virtual void mouseUp(const EventRecord& event);
    virtual void keyDown(const EventRecord& event);
    virtual void keyUp(const EventRecord& event);
    virtual void timer(const EventRecord& event);
    virtual void mediaNotification(const EventRecord& event);
    virtual void reservedEvent(const EventRecord& event);
    virtual void objectMessage(const EventRecord&) {}
    virtual void nativeMessage(const EventRecord&) {}
    virtual void compileResources() {}

    // The registered application, or nullptr.
    static velApplication* current();

    const Value& arguments() const { return arguments_; }
    const std::string& moduleDirectory() const { return moduleDirectory_; }
    ApplicationTables& tables() { return tables_; }
    const Value& currentForm() const { return currentForm_; }
    void setCurrentForm(const Value& form) { currentForm_ = form; }
    FormEventTarget* currentFormTarget() const;
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }

    // The main window's parts; valid from the window's creation in run to the end of run.
    DrawingSurface& surface() { return *surface_; }
    Transitions& transitions() { return *transitions_; }
    EventQueue& events() { return *events_; }
    FrameworkTimer& frameworkTimer() { return *timer_; }
    Caret& caret() { return *caret_; }
    bool hasWindow() const { return surface_ != nullptr; }
    void setCursor(const Value& cursor);

private:
    bool createMainWindow(const RunOptions& options, std::string& error);
    void destroyMainWindow();
    void present();

    Value arguments_;
    std::string moduleDirectory_;
    ApplicationTables tables_;
    Value currentForm_;
    Value cursor_;
    bool quit_ = false;

    std::unique_ptr<platform::SdlWindow> window_;
    std::unique_ptr<platform::VirtualClock> virtualClock_;
    std::unique_ptr<ScriptRunner> script_;
    std::unique_ptr<DrawingSurface> surface_;
    std::unique_ptr<Transitions> transitions_;
    std::unique_ptr<EventQueue> events_;
    std::unique_ptr<FrameworkTimer> timer_;
    std::unique_ptr<Caret> caret_;
    std::unique_ptr<InputTranslator> input_;
};

} // namespace vel
