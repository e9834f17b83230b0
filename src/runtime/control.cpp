#include "runtime/control.h"

#include "runtime/cursor.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/resources.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

bool isAction(const Value& action, std::string_view name)
{
    return action.is(Tag::String) && textOf(action) == name;
}

// The first n items of the arguments as integers; false unless it is a list holding that many.
template <std::size_t N>
bool integerArguments(const Value& arguments, int32_t (&out)[N])
{
    List* list = asList(arguments);
    if (!list || list->count() < static_cast<int32_t>(N))
        return false;
    for (std::size_t i = 0; i < N; ++i) {
        Value item = list->get(static_cast<int32_t>(i));
        if (!item.is(Tag::Int))
            return false;
        out[i] = item.asInt();
    }
    return true;
}

bool regionContains(const Value& region, int32_t x, int32_t y)
{
    Region* r = asRegion(region);
    return r && r->containsPoint(x, y);
}

velFormObject* currentFormObject(Engine& engine)
{
    return asForm(engine.currentForm());
}

} // namespace

velControlObject::velControlObject(Engine& engine, const Value& properties) : PropertyObject(engine, properties) {}

Value velControlObject::print(Tag, bool quoted) const
{
    return printTable("control", quoted);
}

Value velControlObject::className() const
{
    return Value::string("velControlObject");
}

Value velControlObject::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new velControlObject(engine_, data));
}

void velControlObject::onFormLoad() {}

bool velControlObject::hasProperty(const Value& key) const
{
    return tableHas(key);
}

Value velControlObject::getProperty(const Value& key) const
{
    return tableGet(key);
}

bool velControlObject::getTruth(const Value& key, bool defaultValue) const
{
    if (!hasProperty(key))
        return defaultValue;
    return isTrue(getProperty(key));
}

int32_t velControlObject::getInteger(const Value& key, int32_t defaultValue) const
{
    if (!hasProperty(key))
        return defaultValue;
    return velIntValue(getProperty(key));
}

void velControlObject::setProperty(const Value& key, const Value& value)
{
    tablePut(key, value);
}

void velControlObject::setBoolean(const Value& key, int32_t truth)
{
    setProperty(key, Value::boolean(truth != 0));
}

void velControlObject::setInteger(const Value& key, int32_t n)
{
    setProperty(key, Value::integer(n));
}

void velControlObject::removeProperty(const Value& key)
{
    tableRemove(key);
}

Value velControlObject::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "Draw")) {
        draw();
    } else if (isAction(action, "Activate")) {
        activate();
    } else if (isAction(action, "Deactivate")) {
        deactivate();
    } else if (isAction(action, "Key")) {
        int32_t n[2];
        if (integerArguments(arguments, n))
            return Value::boolean(key(n[0], n[1]));
    } else if (isAction(action, "Track")) {
        int32_t n[4];
        if (integerArguments(arguments, n))
            return Value::boolean(track(n[0], n[1], n[2], n[3]));
    }
    return Value();
}

void velControlObject::draw() {}

void velControlObject::drawPressed() {}

bool velControlObject::isVisible() const
{
    return !truth("Hidden", false);
}

bool velControlObject::isEnabled() const
{
    return !truth("Disabled", false) && isVisible();
}

bool velControlObject::isActive() const
{
    return truth("Active", false);
}

bool velControlObject::canActivate() const
{
    return isEnabled();
}

void velControlObject::activate()
{
    setBoolean(Value::string("Active"), 1);
}

void velControlObject::deactivate()
{
    setBoolean(Value::string("Active"), 0);
}

bool velControlObject::key(int32_t, int32_t)
{
    return false;
}

Value velControlObject::hotSpot() const
{
    Value spot = engine_.resources().loadNamed(property("Hot Spot"));
    return spot.is(Tag::Region) ? spot : Value();
}

bool velControlObject::containsPoint(int32_t x, int32_t y) const
{
    return regionContains(hotSpot(), x, y);
}

Value velControlObject::help() const
{
    return isEnabled() ? property("Help") : Value();
}

Value velControlObject::cursor() const
{
    Value c = property("Cursor");
    if (c.isNil() || c.is(Tag::Cursor))
        return c;
    c = engine_.resources().loadNamed(c);
    return c.is(Tag::Cursor) ? c : Value();
}

Value velControlObject::cursorAt(int32_t, int32_t) const
{
    return cursor();
}

Value velControlObject::mouseEnter(int32_t, int32_t)
{
    return Value();
}

void velControlObject::mouseLeave(const Value&, int32_t, int32_t) {}

bool velControlObject::track(int32_t, int32_t, int32_t, int32_t)
{
    // Held for the length of the loop: a handler may drop the form's last reference to this control.
    Value keep = Value::share(Tag::Control, this);
    Value spot = hotSpot();
    bool inside = true;
    trackBegin();
    drawPressed();
    engine_.updateScreen();
    EventRecord e;
    bool released = false;
    while (engine_.nextNestedEvent(event_kind::MouseDrag | event_kind::MouseUp, e)) {
        if (e.kind == event_kind::MouseUp) {
            released = true;
            break;
        }
        FormPoint p{e.x, e.y};
        if (velFormObject* form = currentFormObject(engine_))
            p = form->toFormCoordinates(p);
        bool now = regionContains(spot, p.x, p.y);
        if (now == inside)
            continue;
        inside = now;
        if (inside) {
            engine_.setCursor(cursor());
            drawPressed();
        } else {
            draw();
            engine_.setCursor(Value());
        }
        engine_.updateScreen();
        trackChanged();
    }
    // A press cut short by the program closing is no click.
    if (!released && inside) {
        inside = false;
        draw();
    } else if (inside) {
        draw();
    }
    engine_.updateScreen();
    trackEnd();
    return inside;
}

void velControlObject::trackBegin() {}

void velControlObject::trackChanged() {}

void velControlObject::trackEnd() {}

void velControlObject::dataEvent(const Value&, const Value&) {}

void velControlObject::captureMouse(int32_t flag)
{
    velFormObject* form = currentFormObject(engine_);
    if (form && form->activeControl().object() == this)
        form->setCaptureFlag(flag);
}

int32_t velControlObject::left() const
{
    Region* r = asRegion(hotSpot());
    return r ? r->left : 0;
}

int32_t velControlObject::top() const
{
    Region* r = asRegion(hotSpot());
    return r ? r->top : 0;
}

int32_t velControlObject::width() const
{
    Region* r = asRegion(hotSpot());
    return r ? r->right - r->left : 0;
}

int32_t velControlObject::height() const
{
    Region* r = asRegion(hotSpot());
    return r ? r->bottom - r->top : 0;
}

void velControlObject::giveUpActivation()
{
    velFormObject* form = currentFormObject(engine_);
    if (form && form->activeControl().object() == this)
        form->setActiveControl(Value::share(Tag::Control, this), 0);
}

} // namespace vel
