#include "title/credits_form.h"

#include "controls/history.h"
#include "runtime/drawing_context.h"
#include "runtime/engine.h"
#include "runtime/framework_timer.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "title/title_app.h"
#include "value/builtins.h"
#include "value/data_objects.h"

namespace vel {

namespace {

constexpr int32_t kDefaultTimeout = 40;
constexpr int32_t kWindowFill = 0x2A1A0E; // the roll's panel, as the background paints it

platform::Rect creditsRect(Engine& engine)
{
    Value rect = engine.resources().load(Value::string("CreditsRect"));
    if (const Region* r = asRegion(rect); r && r->right > r->left && r->bottom > r->top)
        return platform::Rect{r->left, r->top, r->right, r->bottom};
    return platform::Rect{40, 56, 600, 424};
}

} // namespace

void CreditsForm::open(const Value& data)
{
    Named::open(data);
    offset_ = 0;
    leaving_ = false;
    image_ = engine().resources().loadImage(engine().resources().load(Value::string("CreditsImage")));
    music_ = engine().resources().loadSound(engine().resources().load(Value::string("CreditsMusic")), true);
    if (!music_.isNil())
        velPlay(music_);
    Value timeout = engine().resources().load(Value::string("ScrollTimeout"));
    const int32_t period = timeout.is(Tag::Int) && timeout.asInt() > 0 ? timeout.asInt() : kDefaultTimeout;
    if (FrameworkTimer* t = engine().frameworkTimer())
        t->set(period);
    drawRoll();
}

bool CreditsForm::ended() const
{
    const Image* picture = asImage(image_);
    const platform::Rect window = creditsRect(engine());
    return !picture || offset_ >= picture->height() + window.height();
}

void CreditsForm::timer()
{
    if (leaving_ || ended())
        return;
    offset_ += kStep;
    drawRoll();
}

void CreditsForm::drawRoll()
{
    DrawingSurface* surface = engine().surface();
    Image* picture = asImage(image_);
    if (!surface || !picture)
        return;
    const platform::Rect window = creditsRect(engine());
    surface->fill(window, kWindowFill);
    // The picture's top row sits at the window's foot when the roll starts.
    const int32_t top = window.bottom - offset_;
    const int32_t from = std::max(window.top, top), to = std::min(window.bottom, top + picture->height());
    const int32_t width = std::min(window.width(), picture->width());
    if (to > from) {
        Value context = surface->context();
        if (DrawingContext* c = asDrawingContext(context))
            picture->renderIntoContext(*c, window.left + (window.width() - width) / 2, from,
                                       platform::Rect::sized(0, from - top, width, to - from));
    }
    engine().updateScreen();
}

void CreditsForm::leave()
{
    if (leaving_)
        return;
    leaving_ = true;
    Value keep = self();
    services().history().historyBack(false);
}

void CreditsForm::mouseDown(int32_t x, int32_t y)
{
    leave();
}

void CreditsForm::keyDown(int32_t keyCode, int32_t flags)
{
    leave();
}

void CreditsForm::close()
{
    if (FrameworkTimer* t = engine().frameworkTimer())
        t->set(TitleApp::kTimerPeriod);
    if (!music_.isNil())
        velStop(music_);
    music_ = Value();
    image_ = Value();
    Named::close();
}

} // namespace vel
