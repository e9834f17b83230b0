// "context" images: 32-bit pixels of their own behind a drawing context, so images and other contexts
// can be drawn into them. Captures of the screen are context images.
#pragma once

#include <cstdint>

#include "runtime/drawing_context.h"
#include "runtime/image.h"

namespace vel {

class ContextImage final : public Image {
public:
    // width x height opaque black pixels; the palette (or nil) is the one the pixels were made with.
    // At a scale above 1 each pixel is kept as scale x scale real ones (a sharp surface's capture).
    static Value make(int32_t width, int32_t height, const Value& palette = Value(), int scale = 1);

    std::string_view subType() const override { return "context"; }
    bool validate() override { return true; }
    Raster raster() override;
    int rasterScale() const override { return context().scale(); }
    Value bits() override { return bits(24); }
    // Read back as a bitmap of 8 bits (each pixel the nearest colour of the image's palette, or of
    // the system palette when it has none) or 24 bits; "Unsupported bits per pixel: " for others.
    Value bits(int32_t bitsPerPixel);
    Value palette() override { return palette_; }

    const Value& contextValue() const { return context_; }
    DrawingContext& context() const { return *context_.as<DrawingContext>(); }

    WireParts wireParts() const override;

protected:
    bool acceptsMask(std::string_view maskSubType, bool stretching) const override;

private:
    ContextImage() = default;

    Value context_;
    Value palette_;
};

inline ContextImage* asContextImage(const Value& v)
{
    return v.is(Tag::Image) ? dynamic_cast<ContextImage*>(v.object()) : nullptr;
}

// A "context" image holding a copy of the area (x, y, width, height) of a drawing context's pixels
// or of a "context" image; what lies outside the pixels is black. Nil for any other source.
// `keepResolution` keeps a sharp surface's real pixels: for the framework's own copies (a dialog's
// background), drawn back but never read as bits.
Value captureImage(const Value& contextOrImage, int32_t x, int32_t y, int32_t width, int32_t height,
                   const Value& palette = Value(), bool keepResolution = false);

} // namespace vel
