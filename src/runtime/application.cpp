#include "runtime/application.h"

#include <cstdio>

#include "platform/sdl_window.h"
#include "runtime/cursor.h"
#include "runtime/event_queue.h"
#include "runtime/script_runner.h"
#include "value/string.h"

namespace vel {

namespace {

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

velApplication::velApplication(Engine& engine, const Value& arguments) : engine_(engine), arguments_(arguments)
{
    engine_.attach(&host_);
}

velApplication::~velApplication()
{
    if (engine_.host() == &host_)
        engine_.attach(nullptr);
}

FormEventTarget* velApplication::currentFormTarget() const
{
    Object* o = engine_.currentForm().object();
    return o ? dynamic_cast<FormEventTarget*>(o) : nullptr;
}

bool velApplication::startEngine(const RunOptions& options, std::string& error)
{
    RunOptions withDefaults = options;
    withDefaults.environmentDefaults.insert(withDefaults.environmentDefaults.begin(), environmentDefaults_.begin(),
                                            environmentDefaults_.end());
    return engine_.startUp(withDefaults, error);
}

void velApplication::setEnvironmentDefault(std::string_view key, const Value& value)
{
    for (auto& [k, v] : environmentDefaults_)
        if (k == key) {
            v = value;
            return;
        }
    environmentDefaults_.emplace_back(std::string(key), value);
}

int velApplication::run(const RunOptions& options)
{
    std::string error;
    if (!startEngine(options, error)) {
        std::fprintf(stderr, "orva: %s\n", error.c_str());
        engine_.shutDown();
        return 2;
    }
    start();
    if (platform::SdlWindow* window = engine_.window())
        window->raise();
    ScriptRunner* script = engine_.script();
    while (!engine_.quitting()) {
        EventRecord event = engine_.events()->next(event_kind::All, -1);
        if (!handleEvent(event))
            break;
        if (script && script->failed())
            break;
    }
    shutDown();
    setCursor(Value());
    int status = 0;
    if (script && script->failed()) {
        std::fprintf(stderr, "orva: %s\n", script->failure().c_str());
        status = 1;
    }
    engine_.shutDown();
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
    engine_.media().rememberWaveOutVolume();
    Configuration& configuration = engine_.configuration();
    if (configuration.fullInstall())
        configuration.set("ResourcePath", Value::string(joinPath(engine_.moduleDirectory(),
                                                                 textOf(configuration.get("MediaPath")))));
    engine_.resources().loadGlobal();
    setCursor(previous);
}

void velApplication::startUp(const EventRecord&)
{
    engine_.navigation().goTo(Value::string(engine_.configuration().startupForm()), Value(), true);
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
    if (platform::SdlWindow* window = engine_.window())
        window->setCursor(shapeOf(cursorKindOf(cursor)));
}

} // namespace vel
