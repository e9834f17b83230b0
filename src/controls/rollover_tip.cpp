#include "controls/rollover_tip.h"

#include <algorithm>

#include "runtime/engine.h"
#include "runtime/image.h"
#include "runtime/image_context.h"
#include "runtime/surface.h"
#include "value/data_objects.h"

namespace vel {

namespace {

constexpr int32_t kFill = 0x80FFFF; // pale yellow, as a colour reference
constexpr int32_t kOutline = 1;
constexpr int32_t kText = 0;
// Room inside the box around the text, and where the box starts from the pointer's tip: below it,
// clear of the arrow.
constexpr int kMarginX = 4, kMarginY = 2;
constexpr int kOffsetX = 2, kOffsetY = 20;
// The box never starts closer than this to the left or top edge.
constexpr int kEdge = 5;

// The origin of the surface, restored when the drawing is done.
class SurfaceAtOrigin {
public:
    explicit SurfaceAtOrigin(DrawingSurface& surface)
        : surface_(surface), x_(surface.originX()), y_(surface.originY()), font_(surface.font()),
          colour_(surface.textColor()), background_(surface.textBackground())
    {
        surface.setOrigin(0, 0);
    }
    ~SurfaceAtOrigin()
    {
        surface_.setOrigin(x_, y_);
        surface_.setTextColor(colour_);
        surface_.setTextBackground(background_);
        surface_.selectFont(font_);
    }

private:
    DrawingSurface& surface_;
    int x_, y_;
    Value font_;
    int32_t colour_;
    int64_t background_;
};

} // namespace

RolloverTip::RolloverTip(Engine& engine) : engine_(engine) {}

RolloverTip::~RolloverTip() = default;

void RolloverTip::request(std::string_view text, int32_t x, int32_t y)
{
    dismiss();
    lines_.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    x_ = x;
    y_ = y;
    requestedAt_ = engine_.clock().now();
    pending_ = true;
}

void RolloverTip::pointerMoved(int32_t x, int32_t y)
{
    if (!pending_ || (x == x_ && y == y_))
        return;
    x_ = x;
    y_ = y;
    requestedAt_ = engine_.clock().now();
}

uint32_t RolloverTip::idle()
{
    if (!pending_)
        return platform::NothingDue;
    const uint32_t waited = engine_.clock().now() - requestedAt_;
    if (waited < kDelay)
        return kDelay - waited;
    show();
    return platform::NothingDue;
}

void RolloverTip::show()
{
    pending_ = false;
    DrawingSurface* surface = engine_.surface();
    if (!surface || lines_.empty())
        return;
    hide();
    SurfaceAtOrigin drawing(*surface);
    if (font_.isNil())
        font_ = Font::make(Value::string("Arial"), 9, 0);
    surface->selectFont(font_);
    int widest = 0;
    for (const std::string& line : lines_)
        widest = std::max(widest, surface->measureText(line).width);
    const int lineHeight = std::max(1, surface->measureText("Ag").height);
    const int width = widest + 2 * kMarginX;
    const int height = lineHeight * static_cast<int>(lines_.size()) + 2 * kMarginY;
    // Moved back inside at the right and bottom, never nearer than kEdge to the left and top.
    int left = std::min(x_ + kOffsetX, surface->width() - width);
    int top = std::min(y_ + kOffsetY, surface->height() - height);
    left = std::max(left, kEdge);
    top = std::max(top, kEdge);
    box_ = platform::Rect::sized(left, top, width, height);
    saved_ = captureImage(surface->context(), left, top, width, height, Value(), true);
    surface->fill(box_, kFill);
    surface->rectangle(box_, kOutline, 1);
    surface->setTextColor(kText);
    surface->setTextBackground(-1);
    int y = top + kMarginY;
    for (const std::string& line : lines_) {
        surface->textOut(left + kMarginX, y, line);
        y += lineHeight;
    }
    shown_ = true;
    shownAt_ = engine_.clock().now();
    engine_.updateScreen();
}

void RolloverTip::hide()
{
    if (!shown_)
        return;
    shown_ = false;
    DrawingSurface* surface = engine_.surface();
    if (surface && !saved_.isNil()) {
        SurfaceAtOrigin drawing(*surface);
        velDrawImage(surface->context(), saved_, box_.left, box_.top);
        engine_.updateScreen();
    }
    saved_ = Value();
    box_ = platform::Rect{};
}

void RolloverTip::dismiss()
{
    pending_ = false;
    hide();
}

} // namespace vel
