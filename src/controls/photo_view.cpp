#include "controls/photo_view.h"

#include <algorithm>

#include "controls/plain_drawing.h"
#include "controls/surface_measure.h"
#include "runtime/engine.h"
#include "runtime/form.h"
#include "runtime/image.h"
#include "runtime/surface.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kCaptionGrey = 0xC0C0C0;
constexpr int32_t kEdgeGap = 10; // kept between the box and the media area's edges
constexpr int32_t kShortCaptionRoom = 16;

} // namespace

PhotoView::PhotoView(Engine& engine, const Value& properties) : velLibraryControl(engine, properties) {}

Value PhotoView::createInstance(const Value& data) const
{
    return Value::adopt(Tag::Control, new PhotoView(engine_, data));
}

bool PhotoView::containsPoint(int32_t x, int32_t y) const
{
    if (!hotSpot().isNil())
        return velLibraryControl::containsPoint(x, y);
    Region* region = asRegion(engine_.resources().loadNamed(property("Region")));
    return region && region->containsPoint(x, y);
}

void PhotoView::draw()
{
    if (!isVisible())
        return;
    const platform::Rect spot = hotSpotRect();
    if (has("Frame"))
        drawImageAt(imageProperty("Frame"), integer("FrameX", spot.left), integer("FrameY", spot.top),
                    imageProperty("FrameMask"));
    const Value photo = imageProperty("Photo");
    Value mask = imageProperty("Mask");
    // A mask cut for another picture would show the wrong parts, or reach past this one's pixels:
    // such a photo is drawn whole instead.
    const platform::Rect photoSize = imageBoundsAt(photo, 0, 0);
    const platform::Rect maskSize = imageBoundsAt(mask, 0, 0);
    if (photoSize.width() != maskSize.width() || photoSize.height() != maskSize.height()) {
        mask = Value();
        if (Image* i = asImage(photo))
            i->setMask(Value());
    }
    drawImageAt(photo, integer("X", spot.left), integer("Y", spot.top), mask);
    flush();
}

void PhotoView::setPhoto(const Value& photo)
{
    hideCaption();
    setProperty(Value::string("Photo"), photo);
    draw();
}

velControlObject* PhotoView::captionView() const
{
    const Value view = engine_.resources().resolve(property("CaptionView"));
    if (velControlObject* c = asControl(view))
        return c;
    velFormObject* form = asForm(engine_.currentForm());
    return view.is(Tag::String) && form ? asControl(form->findControl(view)) : nullptr;
}

int32_t PhotoView::layCaption(velControlObject& view, const platform::Rect& box)
{
    view.setProperty(Value::string("Hot Spot"),
                     Region::rectangle(box.left + 8, box.top + 6, box.right - 6, box.bottom - 6));
    view.perform(Value::string("Initialize"), Value());
    view.perform(Value::string("SetText"), property("Caption"));
    const Value pages = view.perform(Value::string("TotalPages"), Value());
    return pages.is(Tag::Int) ? pages.asInt() : 1;
}

bool PhotoView::showCaption(int32_t x, int32_t y)
{
    velControlObject* view = captionView();
    const Value caption = property("Caption");
    if (!view || !(caption.is(Tag::String) || caption.is(Tag::Buffer)))
        return false;
    hideCaption();
    Value keepView = Value::share(Tag::Control, view);
    const Value font = property("Font");
    if (font.is(Tag::Font))
        view->setProperty(Value::string("Font"), font);
    const Value viewFont = view->property("Font");
    SurfaceMeasure measure(engine_);
    const int32_t lineHeight =
        std::max(1, measure.metrics(viewFont.is(Tag::Font) ? viewFont : Font::make(Value::string("Times New Roman"), 9, 0))
                        .height());
    const int32_t screenWidth = engine_.configuration().mediaWidth();
    const int32_t screenHeight = engine_.configuration().mediaHeight();
    const int32_t width = std::clamp(integer("CaptionWidth", 240), 40, screenWidth - 2 * kEdgeGap);
    platform::Rect box{x, y, x + width, y + lineHeight};
    // A box as tall as the area holds what fits; a longer caption keeps its further pages.
    const int32_t tallest = screenHeight - 2 * kEdgeGap;
    // Measured out of sight: the view draws itself on each "Initialize".
    const Value hiddenKey = Value::string("Hidden");
    const bool wasHidden = view->truth("Hidden", false);
    view->setBoolean(hiddenKey, 1);
    do {
        box.bottom += lineHeight;
    } while (layCaption(*view, box) > 1 && box.height() + lineHeight <= tallest);
    // A caption that fits the first measure, two lines high, would sit tight in its margins: the box
    // takes 16 more pixels.
    if (box.height() == 2 * lineHeight)
        box.bottom += kShortCaptionRoom;
    // Kept inside the area: moved in from the right and bottom edges, then not past the top or left.
    platform::Rect placed = box;
    const int32_t dx = std::min(0, screenWidth - kEdgeGap - box.right);
    const int32_t dy = std::min(0, screenHeight - kEdgeGap - box.bottom);
    placed = {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
    const int32_t ux = std::max(0, kEdgeGap - placed.left), uy = std::max(0, kEdgeGap - placed.top);
    placed = {placed.left + ux, placed.top + uy, placed.right + ux, placed.bottom + uy};
    underCaption_ = saveScreen(placed);
    if (DrawingSurface* surface = engine_.surface())
        surface->fill(placed, kCaptionGrey);
    captionBox_ = placed;
    view->setBoolean(hiddenKey, 0);
    // The view keeps the screen under it from its first drawing: it is the grey box now.
    view->perform(Value::string("FlushBackground"), Value());
    layCaption(*view, placed);
    view->setBoolean(hiddenKey, wasHidden ? 1 : 0);
    flush();
    return true;
}

void PhotoView::hideCaption()
{
    if (captionBox_.empty())
        return;
    drawImageAt(underCaption_, captionBox_.left, captionBox_.top);
    underCaption_ = Value();
    captionBox_ = {};
    flush();
}

bool PhotoView::track(int32_t x, int32_t y, int32_t flags, int32_t clicks)
{
    const bool hadCaption = !captionBox_.empty();
    hideCaption();
    const bool clicked = velLibraryControl::track(x, y, flags, clicks);
    if (clicked && !hadCaption && has("Caption"))
        showCaption(x, y);
    return clicked;
}

Value PhotoView::perform(const Value& action, const Value& arguments)
{
    if (isAction(action, "Initialize") || isAction(action, "Redraw")) {
        hideCaption();
        draw();
        return Value();
    }
    if (isAction(action, "SetPhoto")) {
        setPhoto(arguments);
        return Value();
    }
    return velLibraryControl::perform(action, arguments);
}

} // namespace vel
