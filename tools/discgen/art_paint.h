// The disc's drawing kit: a cairo picture with the house look's pieces (section colours, gradients,
// seeded paper grain, bevels, plate frames, text in the data's faces). The screen, button, icon and
// movie kinds all draw through it, so that every picture on the disc shares one hand.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/canvas.h"
#include "platform/pixels.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vel::discgen {

// A section's colours, 0xRRGGBB; `band` when its screens carry the menu band.
struct SectionLook {
    std::string_view name;
    uint32_t main;
    uint32_t tint;
    bool band;
};
// By name ("principal", "verbetes", "atlas", "midias", "bdados", "tempo", "curio", "retro", "agenda",
// "creditos", "infografico", "cinza"); the main screen's look for any other.
const SectionLook& sectionLook(std::string_view name);
bool knownSection(std::string_view name);

constexpr uint32_t kPaper = 0xFAF7EE, kInk = 0x191919, kNight = 0x14285A;

uint32_t mix(uint32_t a, uint32_t b, double t); // t 0 gives a, 1 gives b
uint32_t lighter(uint32_t c, double t);
uint32_t darker(uint32_t c, double t);

enum class Align { Left, Centre, Right };

class Painter {
public:
    Painter(int width, int height);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    cairo_t* cairo() { return cairo_; }
    cairo_surface_t* surface() { return surface_; }
    // The finished pixels (opaque).
    platform::PixelView pixels();

    void setColour(uint32_t rgb, double alpha = 1);
    void fill(double x, double y, double w, double h, uint32_t rgb);
    void verticalGradient(double x, double y, double w, double h, uint32_t top, uint32_t bottom);
    // Faint fibres and speckle, the same for the same seed; strength about 1 to 8.
    void grain(int x, int y, int w, int h, uint32_t seed, double strength);
    // Soft light and shade in large patches, as in marbled endpapers; strength about 5 to 20.
    void clouds(int x, int y, int w, int h, uint32_t seed, double strength);
    // A raised (or, pressed, sunken) edge `pen` pixels wide inside the rectangle.
    void bevel(int x, int y, int w, int h, uint32_t face, int pen, bool pressed);
    void frame(int x, int y, int w, int h, uint32_t rgb, int pen = 1);
    // A picture frame: a dark line, six pixels of the tint, a dark line, all outside the rectangle.
    void plate(int x, int y, int w, int h, uint32_t tint);
    // A section's ground below `top`: its soft gradient, marbled when dark, grained.
    void backdrop(const SectionLook& look, int top, uint32_t seed);
    // Whatever `draw` paints, laid on at `alpha` (0 ... 1).
    void faded(double alpha, const std::function<void()>& draw);
    // The menu band at the top in the section's colour.
    void band(const SectionLook& look, int height);

    // Text with its baseline at y; the width drawn.
    double text(double x, double baseline, std::string_view text1252, const platform::FontSpec& font, uint32_t rgb,
                Align align = Align::Left);
    double textWidth(std::string_view text1252, const platform::FontSpec& font);
    double ascent(const platform::FontSpec& font);

private:
    // Adds `shade(x, y)` to every channel of the area's pixels.
    void shadePixels(int x, int y, int w, int h, const std::function<double(int, int)>& shade);
    void selectFont(const platform::FontSpec& font);
    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cairo_;
};

// A small seeded generator, so the same sources make the same files on every build.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next();
    double unit() { return (next() >> 8) / double(1 << 24); } // 0 ... 1
private:
    uint64_t state_;
};

// A seed from a file name, so each picture's grain differs and stays the same from build to build.
uint32_t seedOf(std::string_view name);

} // namespace vel::discgen
