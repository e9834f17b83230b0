#include "runtime/transitions.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"
#include "runtime/surface.h"

namespace vel {

using platform::Rect;

namespace {

// Waits for the clock to reach a time, giving the processor up (or, on a virtual clock, moving it).
void waitUntil(platform::Clock& c, uint32_t target)
{
    while (static_cast<int32_t>(target - c.now()) > 0)
        c.sleep(1);
}

// Shows the frame at most about once a display refresh while parts are drawn.
class Presenter {
public:
    Presenter(DrawingSurface& s, platform::Clock& clock) : surface_(s), clock_(clock), last_(clock.now()) {}
    void maybe()
    {
        uint32_t now = clock_.now();
        if (now - last_ >= 15) {
            surface_.present();
            last_ = now;
        }
    }
    void finish() { surface_.present(); }

private:
    DrawingSurface& surface_;
    platform::Clock& clock_;
    uint32_t last_;
};

// Blended pixels stay opaque, as every pixel of a canvas is. Red and blue blend side by side in one
// word (each sum stays below 2^15, so neither reaches the other): a sharp frame has 9 times the
// pixels of a plain one.
inline uint32_t mix(uint32_t from, uint32_t to, int weight)
{
    const uint32_t keep = static_cast<uint32_t>(128 - weight), take = static_cast<uint32_t>(weight);
    const uint32_t redBlue = (((from & 0xFF00FFu) * keep + (to & 0xFF00FFu) * take) >> 7) & 0xFF00FFu;
    const uint32_t green = (((from & 0xFF00u) * keep + (to & 0xFF00u) * take) >> 7) & 0xFF00u;
    return 0xFF000000u | redBlue | green;
}

} // namespace

Transitions::Transitions(DrawingSurface& surface, platform::Clock& clock, std::function<bool()> disabled)
    : surface_(surface), clock_(clock), disabled_(std::move(disabled))
{
}

void Transitions::run(int effect, int duration, int32_t stepOrColor, int x, int y, int width, int height)
{
    if (disabled_ && disabled_())
        return;
    x += surface_.originX();
    y += surface_.originY();
    if (width < 0)
        width = surface_.width() - x;
    if (height < 0)
        height = surface_.height() - y;
    if (effect == transition_effect::FadeToColor)
        return fadeToColor(stepOrColor, duration);
    if (effect == transition_effect::FadeFromColor)
        return fadeFromColor(stepOrColor, duration);
    int step = stepOrColor > 0 ? stepOrColor : (effect == transition_effect::Dissolve ? 16 : 1);
    stepped(effect, Rect::sized(x, y, width, height).intersect({0, 0, surface_.width(), surface_.height()}), step,
            duration);
}

void Transitions::stepped(int effect, const Rect& area, int step, int duration)
{
    if (area.empty())
        return;
    // The picture to reveal is what the surface holds now.
    platform::Canvas& frame = surface_.frame();
    platform::Canvas& source = surface_.offscreen();
    Presenter presenter(surface_, clock_);
    uint32_t start = clock_.now();
    auto draw = [&](const Rect& part) {
        Rect clipped = part.intersect(area);
        if (!clipped.empty())
            frame.copyFrom(source, clipped, clipped.left, clipped.top);
    };
    auto pace = [&](double progress) {
        presenter.maybe();
        if (duration > 0)
            waitUntil(clock_, start + static_cast<uint32_t>(duration * std::min(1.0, std::max(0.0, progress))));
    };
    const int x = area.left, y = area.top, w = area.width(), h = area.height();
    const int s = std::max(1, step);
    switch (effect) {
    case transition_effect::BoxOut:
    case transition_effect::BoxIn: {
        // Frames around the centre of the media area, the vertical extent following the area's ratio.
        const int cx = surface_.width() / 2, cy = surface_.height() / 2;
        const double ratio = static_cast<double>(surface_.height()) / surface_.width();
        const int reach = std::max({cx - x, x + w - cx, 1});
        std::vector<std::pair<int, int>> bands; // inner and outer half-widths
        for (int d = 0; d < reach; d += s)
            bands.push_back({d, std::min(reach, d + s)});
        if (effect == transition_effect::BoxIn)
            std::reverse(bands.begin(), bands.end());
        double travelled = 0;
        for (auto [inner, outer] : bands) {
            int innerY = static_cast<int>(inner * ratio), outerY = static_cast<int>(outer * ratio + 0.999);
            if (outer >= reach)
                outerY = std::max(outerY, std::max(cy - y, y + h - cy));
            draw({cx - outer, cy - outerY, cx + outer, cy - innerY});   // top
            draw({cx - outer, cy + innerY, cx + outer, cy + outerY});   // bottom
            draw({cx - outer, cy - innerY, cx - inner, cy + innerY});   // left
            draw({cx + inner, cy - innerY, cx + outer, cy + innerY});   // right
            travelled += outer - inner;
            pace(travelled / reach);
        }
        break;
    }
    case transition_effect::WipeRight:
        for (int off = 0; off < w; off += s) {
            draw({x + off, y, x + off + s, y + h});
            pace(static_cast<double>(off + s) / w);
        }
        break;
    case transition_effect::WipeLeft:
        for (int off = 0; off < w; off += s) {
            draw({x + w - off - s, y, x + w - off, y + h});
            pace(static_cast<double>(off + s) / w);
        }
        break;
    case transition_effect::WipeDown:
        for (int off = 0; off < h; off += s) {
            draw({x, y + off, x + w, y + off + s});
            pace(static_cast<double>(off + s) / h);
        }
        break;
    case transition_effect::WipeUp:
        for (int off = 0; off < h; off += s) {
            draw({x, y + h - off - s, x + w, y + h - off});
            pace(static_cast<double>(off + s) / h);
        }
        break;
    case transition_effect::Dissolve: {
        const int perRow = std::max(1, w / s), rows = std::max(1, h / s);
        const int n = perRow * rows;
        std::vector<int> order(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            order[static_cast<std::size_t>(i)] = i;
        for (int i = 0; i < n; ++i)
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(std::rand() % n)]);
        for (int k = 0; k < n; ++k) {
            int square = order[static_cast<std::size_t>(k)];
            int sx = x + (square % perRow) * s, sy = y + (square / perRow) * s;
            // The last row and column take up what the squares leave over.
            int ex = square % perRow == perRow - 1 ? x + w : sx + s;
            int ey = square / perRow == rows - 1 ? y + h : sy + s;
            draw({sx, sy, ex, ey});
            pace(static_cast<double>(k + 1) / n);
        }
        break;
    }
    case transition_effect::BlindsDown:
    case transition_effect::BlindsUp:
        for (int p = 0; p < s; ++p) {
            for (int row = 0; row + p < h; row += s) {
                int at = effect == transition_effect::BlindsDown ? y + row + p : y + h - 1 - p - row;
                draw({x, at, x + w, at + 1});
            }
            pace(static_cast<double>(p + 1) / s);
        }
        break;
    case transition_effect::BlindsRight:
    case transition_effect::BlindsLeft:
        for (int p = 0; p < s; ++p) {
            for (int col = 0; col + p < w; col += s) {
                int at = effect == transition_effect::BlindsRight ? x + col + p : x + w - 1 - p - col;
                draw({at, y, at + 1, y + h});
            }
            pace(static_cast<double>(p + 1) / s);
        }
        break;
    default:
        draw(area);
        break;
    }
    // Whatever an effect's geometry left out is shown at the end.
    draw(area);
    presenter.finish();
}

void Transitions::blend(const std::function<void(int weight)>& drawWeight, int duration)
{
    if (duration <= 0) {
        drawWeight(128);
        surface_.present();
        return;
    }
    platform::Clock& c = clock_;
    uint32_t start = c.now();
    int previous = -1;
    for (;;) {
        uint32_t elapsed = std::min<uint32_t>(c.now() - start, static_cast<uint32_t>(duration));
        int weight = static_cast<int>(elapsed * 128 / static_cast<uint32_t>(duration));
        if (weight != previous) {
            drawWeight(weight);
            surface_.present();
            previous = weight;
        }
        if (elapsed >= static_cast<uint32_t>(duration))
            break;
        c.sleep(1);
    }
}

void Transitions::fadeToColor(int32_t colorRef, int duration)
{
    if (disabled_ && disabled_())
        return;
    platform::Canvas& frame = surface_.frame();
    platform::PixelView view = frame.pixels();
    std::vector<uint32_t> from(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y)
        std::copy(view.row(y), view.row(y) + view.width, from.begin() + static_cast<std::ptrdiff_t>(y) * view.width);
    const uint32_t colour = platform::fromColorRef(colorRef) & 0xFFFFFF;
    blend([&](int weight) {
        platform::PixelView v = frame.pixels();
        for (int y = 0; y < v.height; ++y) {
            uint32_t* row = v.row(y);
            const uint32_t* src = from.data() + static_cast<std::ptrdiff_t>(y) * v.width;
            for (int x = 0; x < v.width; ++x)
                row[x] = mix(src[x], colour, weight);
        }
        frame.changed();
    }, duration);
    surface_.offscreen().fill({0, 0, surface_.width(), surface_.height()}, colour);
    frame.fill({0, 0, surface_.width(), surface_.height()}, colour);
    surface_.present();
}

void Transitions::fadeFromColor(int32_t colorRef, int duration)
{
    if (disabled_ && disabled_())
        return;
    const uint32_t colour = platform::fromColorRef(colorRef) & 0xFFFFFF;
    surface_.frame().fill({0, 0, surface_.width(), surface_.height()}, colour);
    crossFade(duration);
}

void Transitions::crossFade(int duration)
{
    platform::Canvas& frame = surface_.frame();
    platform::PixelView start = frame.pixels();
    std::vector<uint32_t> from(static_cast<std::size_t>(start.width) * start.height);
    for (int y = 0; y < start.height; ++y)
        std::copy(start.row(y), start.row(y) + start.width, from.begin() + static_cast<std::ptrdiff_t>(y) * start.width);
    platform::PixelView target = surface_.offscreen().pixels();
    blend([&](int weight) {
        platform::PixelView v = frame.pixels();
        for (int y = 0; y < v.height; ++y) {
            uint32_t* row = v.row(y);
            const uint32_t* a = from.data() + static_cast<std::ptrdiff_t>(y) * v.width;
            const uint32_t* b = target.row(y);
            for (int x = 0; x < v.width; ++x)
                row[x] = mix(a[x], b[x], weight);
        }
        frame.changed();
    }, duration);
}

} // namespace vel
