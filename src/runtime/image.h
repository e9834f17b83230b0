// Images (tag 18). An image wraps one of three kinds, named by its sub-type: "dib" (a bitmap held in
// a buffer: a bitmap file, or a bare 40-byte information header with colours and pixels), "pic" (a
// JPEG file held in a buffer, decoded when first drawn) and "context" (32-bit pixels of its own that
// can be drawn into).
//
// On the wire an image is two values: its data buffer (the bitmap's or the JPEG file's bytes as they
// were loaded) and its mask (an image, or nil). A "context" image has no such form and refuses to
// encode. The reader of the two parts tells a JPEG from a bitmap by the bytes 0xFF 0xD8 at the start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/pixels.h"
#include "runtime/image_render.h"
#include "value/makers.h"
#include "value/protocols.h"

namespace vel {

class DrawingContext;

class Image : public CompositeObject, public GeometryProtocol {
public:
    virtual std::string_view subType() const = 0;
    // Checks the data and takes the size from it; false, after the message, when it is refused.
    virtual bool validate() = 0;
    // The decoded pixels; empty when there are none (a refused or undecodable image).
    virtual Raster raster() = 0;
    // Real pixels of the raster per image pixel (a capture kept at a sharp surface's resolution).
    virtual int rasterScale() const { return 1; }
    // A "dib" copy of the pixels.
    virtual Value bits() = 0;
    // The image's own colours as a palette value, or nil when it has none.
    virtual Value palette() { return Value(); }

    // Draws the source rectangle (image pixels, rows counted from the top) with its top-left at
    // (x, y) of the context, through the mask when there is one.
    void renderIntoContext(DrawingContext& context, int32_t x, int32_t y, const platform::Rect& source);
    void stretchIntoContext(DrawingContext& context, const platform::Rect& destination, const platform::Rect& source);

    // Sets, or with nil clears, the mask: a "context" or "dib" image.
    bool setMask(const Value& mask);
    // Takes a mask as it comes, the wire form's way; drawing checks its sub-type.
    void adoptMask(const Value& mask) { mask_ = mask; }
    const Value& mask() const { return mask_; }
    // What drawing passed over in the data (it ends early, or its header claims more than it holds);
    // empty for a whole picture. Known once the image has been drawn or converted. The program draws
    // what there is; the data tool reports it.
    const std::string& defect() const { return defect_; }
    const Value& data() const { return data_; }
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    int32_t colourCount() const { return colourCount_; }
    platform::Rect bounds() const { return {0, 0, width_, height_}; }

    WireParts wireParts() const override;

protected:
    // Whether this kind draws through a mask of that sub-type; reports the kind's message when not.
    virtual bool acceptsMask(std::string_view maskSubType, bool stretching) const = 0;

    Value data_;
    Value mask_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t colourCount_ = 0;
    std::string defect_;

    // Keeps the first defect found: the later ones follow from it.
    void noteDefect(std::string what)
    {
        if (defect_.empty())
            defect_ = std::move(what);
    }

private:
    void draw(DrawingContext& context, const platform::Rect& destination, const platform::Rect& source,
              bool stretching);
};

inline Image* asImage(const Value& v) { return v.is(Tag::Image) ? dynamic_cast<Image*>(v.object()) : nullptr; }

// The sub-type of an image value; empty for anything else.
std::string_view imageSubType(const Value& image);
bool validateImage(const Value& image);
Value imageBits(const Value& image);
Value imagePalette(const Value& image);
bool setImageMask(const Value& image, const Value& mask);

// The loader's entry for image files: "jpg" (in any case) makes a "pic" image, any other extension
// a "dib". The image is validated at once; nil when it is refused.
Value imageFromBuffer(const Value& buffer, std::string_view extension);
// The decoder's maker for the two wire parts.
Value imageFromParts(const Value& first, const Value& second);

// Draws a context's pixels or an image (with its mask) into a drawing context or a "context" image,
// at (x, y) plus the target's origin. A width or height of 0 means the source's whole width or height.
void velDrawImage(const Value& context, const Value& imgSrc, int32_t x, int32_t y, int32_t width = 0,
                  int32_t height = 0, int32_t sourceX = 0, int32_t sourceY = 0);
// The same, scaling the source rectangle to the destination rectangle; a destination width or height
// of 0 takes the source's.
void velStretchImage(const Value& context, const Value& imgSrc, int32_t x, int32_t y, int32_t width,
                     int32_t height, int32_t sourceX = 0, int32_t sourceY = 0, int32_t sourceWidth = 0,
                     int32_t sourceHeight = 0);
// A copy of an image as the sub-type named, "dib" or "context"; the mask goes along.
Value velImageFromImage(const Value& image, const Value& subType);

} // namespace vel
