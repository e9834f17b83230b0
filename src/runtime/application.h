// `velApplication`: the one application object. It runs on an engine (which holds the environment,
// the globals, the current form and the screen), brings the engine up and down around the main loop
// and hands each event to the current form. Derived applications override the operations below,
// which keep the slot order of the original class.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/engine.h"
#include "runtime/event.h"
#include "value/value.h"

namespace vel {

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
    // Work the form does while no input waits (a rollover tip coming due); the milliseconds until it
    // is next due, or platform::NothingDue.
    virtual uint32_t onIdle() { return platform::NothingDue; }
};

class velApplication {
public:
    velApplication(Engine& engine, const Value& arguments);
    // Slot 0.
    virtual ~velApplication();

    // Slot 1: the whole life of the program; the process's exit status.
    int run(const RunOptions& options);
    // The engine started with this application's environment defaults under the options' layers;
    // run does this first (tests and benchmarks drive the steps after it themselves).
    bool startEngine(const RunOptions& options, std::string& error);
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

    Engine& engine() { return engine_; }
    const Value& arguments() const { return arguments_; }
    FormEventTarget* currentFormTarget() const;
    void setCursor(const Value& cursor);

protected:
    // A default a derived application puts into the environment at construction: the profile, the
    // registry and the command line still override it.
    void setEnvironmentDefault(std::string_view key, const Value& value);

private:
    // What the engine asks of the application, answered by it.
    class Host final : public FormHost {
    public:
        explicit Host(velApplication& application) : application_(application) {}
        int handleEvent(const EventRecord& event) override { return application_.handleEvent(event); }
        void setCursor(const Value& cursor) override { application_.setCursor(cursor); }

    private:
        velApplication& application_;
    };

    Engine& engine_;
    Host host_{*this};
    Value arguments_;
    Value cursor_;
    std::vector<std::pair<std::string, Value>> environmentDefaults_;
};

} // namespace vel
