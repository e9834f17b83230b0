#include "title/demo_form.h"

#include "runtime/control.h"
#include "runtime/dialog.h"
#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/movie.h"
#include "runtime/printer.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {
constexpr int32_t kF1 = 65536;
}

Value DemoForm::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Form, new DemoForm(engine_, data));
}

void DemoForm::controlClicked(const Value& control)
{
    std::string_view action = textOf(velGet(control, Value::string("Action")));
    Value media = velGet(control, Value::string("Media"));
    if (action == "PlaySound" || action == "PlayMusic") {
        sound_ = engine_.resources().loadSound(media, true);
        if (!sound_.isNil())
            velPlay(sound_);
    } else if (action == "PlayMovie") {
        movie_ = engine_.resources().loadMovie(media, "mpg");
        if (auto* movie = dynamic_cast<Movie*>(movie_.object()))
            movie->showAndPlay(160, 120, 320, 240);
    } else if (action == "Print") {
        printScreen();
    } else if (action == "OpenDialog") {
        runDialog(engine_, media, Value());
    } else if (action == "HotText") {
        followHotText(control);
    } else if (action == "PrintText") {
        printText(findControl(media), velGet(control, Value::string("Title")));
    } else if (action == "Show" || action == "Setting") {
        const bool on = isTrue(velPerform(control, Value::string("IsSelected"), Value()));
        if (action == "Setting")
            engine_.configuration().set(textOf(media), on ? 1 : 0);
        else if (Value group = findControl(media); group.is(Tag::Control))
            velPerform(group, Value::string("Show"), Value::boolean(on));
    } else if (action == "ShowState") {
        showState(control);
    } else {
        velLibraryForm::controlClicked(control);
    }
}

void DemoForm::buildControls()
{
    velLibraryForm::buildControls();
    // A check box that switches a setting shows the setting as it stands, whatever its data says.
    List* controls = asList(controlList_);
    for (int32_t i = 0; controls && i < controls->count(); ++i) {
        Value control = controls->get(i);
        if (textOf(velGet(control, Value::string("Action"))) == "Setting") {
            const bool on = engine_.configuration().getTruth(textOf(velGet(control, Value::string("Media"))), true);
            velPerform(control, Value::string("SelectDontDraw"), Value::boolean(on));
        }
    }
}

void DemoForm::printScreen()
{
    DrawingSurface* surface = engine_.surface();
    if (!surface)
        return;
    // The screen as it stands, at its real pixels: the page's resolution is above the screen's.
    Value screen = captureImage(surface->context(), 0, 0, surface->width(), surface->height(), Value(), true);
    Printer& printer = engine_.printer();
    if (!printer.startDocument(textOf(formName())))
        return;
    if (printer.startPage()) {
        // A heading, then the screen spread across the sheet's width with a margin.
        const int margin = Printer::kDotsPerInch / 2;
        surface->setOrigin(0, 0);
        const Value font = surface->font();
        const int32_t color = surface->textColor();
        const int64_t background = surface->textBackground();
        surface->selectFont(Font::make(Value::string("Arial"), 16, 2));
        surface->setTextColor(0);
        surface->setTextBackground(-1);
        surface->textOut(margin, margin, std::string(kProductTitle) + ": tela " + std::string(textOf(formName())));
        const int top = margin + surface->measureText("Ag").height * 2;
        const int width = printer.pageWidth() - 2 * margin;
        const int height = width * surface->height() / surface->width();
        velStretchImage(surface->context(), screen, margin, top, width, height);
        // The screen's drawing state as it was.
        surface->selectFont(font);
        surface->setTextColor(color);
        surface->setTextBackground(background);
        printer.endPage();
    }
    printer.endDocument();
}

void DemoForm::followHotText(const Value& view)
{
    // A hot text's target is "kind:name": "dialogo" opens the dialog form named, "tela" goes to the
    // form named, "marcador" shows the place of that marker in the same text.
    Value target = velPerform(view, Value::string("GetContext"), Value());
    std::string_view text = textOf(target);
    const std::size_t colon = text.find(':');
    if (!target.is(Tag::String) || colon == std::string_view::npos)
        return;
    std::string_view kind = text.substr(0, colon), name = text.substr(colon + 1);
    if (kind == "dialogo")
        runDialog(engine_, Value::string(name), Value());
    else if (kind == "tela")
        engine_.navigation().goTo(Value::string(name), Value(), true);
    else if (kind == "marcador")
        velPerform(view, Value::string("GotoMarker"), Value::string(name));
}

void DemoForm::printText(const Value& view, const Value& title)
{
    if (view.isNil())
        return;
    Value job = Table::make();
    asTable(job)->put(std::string_view("Title"), title);
    asTable(job)->put(std::string_view("TitleFont"), Font::make(Value::string("Times New Roman"), 16, 2));
    asTable(job)->put(std::string_view("Header"), Value::string("Orvale Vanta"));
    asTable(job)->put(std::string_view("Footer"), title);
    velPerform(view, Value::string("Print"), job);
}

void DemoForm::showState(const Value& control)
{
    Value label = findControl(velGet(control, Value::string("Label")));
    std::string text(textOf(velGet(control, Value::string("Caption"))));
    Value chosen = velPerform(control, Value::string("getAction"), Value());
    // A menu's choice, a drop-down list's chosen text, an edit field's text.
    for (const char* action : {"GetResult", "getSelectionStr", "getText"})
        if (chosen.isNil())
            chosen = velPerform(control, Value::string(action), Value());
    Value low = velPerform(control, Value::string("GetLow"), Value());
    if (!chosen.isNil())
        text += displayForm(chosen);
    else if (!low.isNil())
        text += displayForm(low) + " a " + displayForm(velPerform(control, Value::string("GetHigh"), Value()));
    else
        text += displayForm(velGet(control, Value::string("Value")));
    if (!label.isNil())
        velPerform(label, Value::string("setText"), Value::string(text));
}

void DemoForm::keyDown(int32_t keyCode, int32_t flags)
{
    if (keyCode == 27) {
        engine_.quit();
        return;
    }
    if (keyCode == kF1) {
        openHelp();
        return;
    }
    if (keyCode == 13 && !activeControl_.isNil()) {
        Value active = activeControl_;
        controlClicked(active);
        return;
    }
    velLibraryForm::keyDown(keyCode, flags);
}

void DemoForm::setActiveControl(const Value& control, int32_t flag)
{
    unmarkFocus();
    velLibraryForm::setActiveControl(control, flag);
    markFocus();
}

void DemoForm::markFocus()
{
    velControlObject* c = asControl(activeControl_);
    DrawingSurface* surface = engine_.surface();
    if (!c || !surface || c->width() <= 0)
        return;
    constexpr int kOut = 4;
    focusX_ = c->left() - kOut;
    focusY_ = c->top() - kOut;
    const int width = c->width() + 2 * kOut, height = c->height() + 2 * kOut;
    surface->setOrigin(0, 0);
    focusSaved_ = captureImage(surface->context(), focusX_, focusY_, width, height, Value(), true);
    surface->rectangle(platform::Rect::sized(focusX_, focusY_, width, height), 0x0080FF, 2);
    surface->setOrigin(originX_, originY_);
    engine_.updateScreen();
}

void DemoForm::unmarkFocus()
{
    DrawingSurface* surface = engine_.surface();
    if (focusSaved_.isNil() || !surface)
        return;
    surface->setOrigin(0, 0);
    velDrawImage(surface->context(), focusSaved_, focusX_, focusY_);
    surface->setOrigin(originX_, originY_);
    focusSaved_ = Value();
    engine_.updateScreen();
}

void DemoForm::close()
{
    focusSaved_ = Value();
    if (!movie_.isNil())
        velStop(movie_);
    movie_ = Value();
    sound_ = Value();
    velLibraryForm::close();
}

void DemoForm::dataEvent(const Value& first, const Value& second)
{
    velLibraryForm::dataEvent(first, second);
    List* notice = asList(first);
    if (!notice || notice->count() < 2 || movie_.isNil())
        return;
    if (notice->get(0) == movie_ && textOf(notice->get(1)) == "ended") {
        if (auto* movie = dynamic_cast<Movie*>(movie_.object()))
            movie->close();
        movie_ = Value();
    }
}

void registerDemoForm(Engine& engine)
{
    engine.classes().add(Value::adopt(Tag::Form, new DemoForm(engine, Value())));
}

} // namespace vel
