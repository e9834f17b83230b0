#include "runtime/image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/canvas.h"
#include "runtime/drawing_context.h"
#include "runtime/image_context.h"
#include "runtime/image_dib.h"
#include "runtime/image_pic.h"
#include "runtime/image_smooth.h"
#include "value/buffer.h"
#include "value/error.h"
#include "value/string.h"

namespace vel {

namespace {

// Coordinates from data are kept well inside int so that sums of two never overflow.
constexpr int64_t kCoordinateLimit = int64_t(1) << 29;

int clampCoordinate(int64_t v)
{
    return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

platform::Rect sizedRect(int64_t x, int64_t y, int64_t width, int64_t height)
{
    const int left = clampCoordinate(x), top = clampCoordinate(y);
    return {left, top, clampCoordinate(left + std::clamp<int64_t>(width, 0, kCoordinateLimit)),
            clampCoordinate(top + std::clamp<int64_t>(height, 0, kCoordinateLimit))};
}

bool overlaps(const Raster& r, const platform::PixelView& view)
{
    if (r.format != Raster::Format::Pixels32 || !view.pixels || r.area.empty())
        return false;
    const auto* begin = reinterpret_cast<const uint8_t*>(view.pixels);
    const auto* end = reinterpret_cast<const uint8_t*>(view.pixels + static_cast<std::ptrdiff_t>(view.stride) * view.height);
    const uint8_t* first = r.row(r.area.top);
    const uint8_t* last = r.row(r.area.bottom - 1);
    return std::max(first, last) >= begin && std::min(first, last) < end;
}

// A raster drawn into the pixels it comes from is copied first, so no pixel is read after it was
// written (a context drawn into itself, a capture put back over its own area).
Raster detached(const Raster& r, const platform::PixelView& view, std::vector<uint32_t>& copy)
{
    if (!overlaps(r, view))
        return r;
    const int w = r.area.width(), h = r.area.height();
    copy.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(copy.data() + static_cast<std::size_t>(y) * w,
                    reinterpret_cast<const uint32_t*>(r.row(r.area.top + y)) + r.area.left, sizeof(uint32_t) * w);
    Raster out = r;
    out.top = reinterpret_cast<const uint8_t*>(copy.data()) - static_cast<std::ptrdiff_t>(r.area.left) * 4;
    out.stride = static_cast<std::ptrdiff_t>(w) * 4;
    return out;
}

platform::Rect scaledRect(const platform::Rect& r, int k)
{
    if (k == 1)
        return r;
    return {clampCoordinate(int64_t(r.left) * k), clampCoordinate(int64_t(r.top) * k),
            clampCoordinate(int64_t(r.right) * k), clampCoordinate(int64_t(r.bottom) * k)};
}

Raster viewRaster(const platform::PixelView& view)
{
    if (!view.pixels || view.width <= 0 || view.height <= 0)
        return Raster{};
    return Raster{Raster::Format::Pixels32, reinterpret_cast<const uint8_t*>(view.pixels),
                  static_cast<std::ptrdiff_t>(view.stride) * 4, nullptr, view.bounds()};
}

// An unmasked picture whose rows each cover k real rows (drawn at its own height on a surface of
// scale k): each row is stretched once and copied down, the same pixels for a third of the work at
// scale 3. Returns the real pixels drawn.
platform::Rect stretchRowsOnce(const Raster& from, const platform::PixelView& view, int k, const platform::Rect& clip,
                               const platform::Rect& destination, const platform::Rect& sourceRect)
{
    const platform::PixelView firstRows{view.pixels, view.width, view.height / k, view.stride * k};
    const platform::Rect drawn =
        stretchRaster(from, nullptr, firstRows, {clip.left * k, clip.top, clip.right * k, clip.bottom},
                      {destination.left * k, destination.top, destination.right * k, destination.bottom}, sourceRect);
    for (int y = drawn.top; y < drawn.bottom; ++y)
        for (int j = 1; j < k; ++j)
            std::memcpy(view.row(y * k + j) + drawn.left, view.row(y * k) + drawn.left,
                        sizeof(uint32_t) * static_cast<std::size_t>(drawn.width()));
    return {drawn.left, drawn.top * k, drawn.right, drawn.bottom * k};
}

// A page drawn as vectors has no pixels to draw into: the picture is drawn at the page's resolution
// into pixels of its own, left transparent where the mask hides it or the data ends, and placed whole.
void placeOnPage(platform::Canvas& page, const DrawingContext& target, const Raster& from, const Raster* mask,
                 const platform::Rect& destination, const platform::Rect& sourceRect)
{
    const platform::Rect area = destination.intersect(target.clip());
    if (area.empty() || from.empty())
        return;
    const std::size_t count = static_cast<std::size_t>(area.width()) * static_cast<std::size_t>(area.height());
    std::vector<uint32_t> picture(count, 0), shown(count, 0);
    const platform::PixelView pictureView{picture.data(), area.width(), area.height(), area.width()};
    const platform::PixelView shownView{shown.data(), area.width(), area.height(), area.width()};
    const platform::Rect local{destination.left - area.left, destination.top - area.top,
                               destination.right - area.left, destination.bottom - area.top};
    stretchRaster(from, mask, pictureView, pictureView.bounds(), local, sourceRect);
    // What shows is found by drawing a one-colour picture of the same extent through the same mask.
    static const std::vector<uint32_t> kMarks(256, 0xFF000000u);
    const std::vector<uint8_t> noIndex(static_cast<std::size_t>(from.area.right), 0);
    const Raster extent{Raster::Format::Indexed8, noIndex.data(), 0, kMarks.data(), from.area};
    stretchRaster(extent, mask, shownView, shownView.bounds(), local, sourceRect);
    for (std::size_t i = 0; i < count; ++i)
        picture[i] = shown[i] ? picture[i] | 0xFF000000u : 0;
    page.placePixels(pictureView, area.left, area.top);
}

// A photograph (smooth) on a sharp target is filtered rather than blown up.
void drawRaster(DrawingContext& target, const Raster& source, const Raster* mask, const platform::Rect& destination,
                const platform::Rect& sourceRect, bool smooth = false)
{
    std::vector<uint32_t> copy, maskCopy;
    const Raster from = detached(source, target.view(), copy);
    Raster maskFrom;
    if (mask)
        maskFrom = detached(*mask, target.view(), maskCopy);
    const platform::Rect shifted{clampCoordinate(int64_t(destination.left) + target.originX()),
                                 clampCoordinate(int64_t(destination.top) + target.originY()),
                                 clampCoordinate(int64_t(destination.right) + target.originX()),
                                 clampCoordinate(int64_t(destination.bottom) + target.originY())};
    if (platform::Canvas* page = target.vectorPage()) {
        placeOnPage(*page, target, from, mask ? &maskFrom : nullptr, shifted, sourceRect);
        return;
    }
    // On a sharp surface each pixel is a square of real ones: the picture is stretched over them,
    // nearest pixel, so hard edges and masks stay exact at every scale.
    const int k = target.scale();
    platform::Rect changed;
    if (k > 1 && !mask && smooth)
        changed = smoothStretchRaster(from, target.view(), scaledRect(target.clip(), k), scaledRect(shifted, k), sourceRect);
    else if (k > 1 && !mask && shifted.height() == sourceRect.height())
        changed = stretchRowsOnce(from, target.view(), k, target.clip(), shifted, sourceRect);
    else
        changed = stretchRaster(from, mask ? &maskFrom : nullptr, target.view(), scaledRect(target.clip(), k),
                                scaledRect(shifted, k), sourceRect);
    if (!changed.empty())
        target.changed({changed.left / k, changed.top / k, (changed.right + k - 1) / k, (changed.bottom + k - 1) / k});
}

// The drawing context behind a target, or null after the builtin's message.
DrawingContext* targetContext(const Value& context, const char* builtin)
{
    if (DrawingContext* c = asDrawingContext(context))
        return c;
    if (!context.is(Tag::Image)) {
        velError(std::string(builtin) + ": context type must be VEL_CONTEXT_TYPE or VEL_IMAGE_TYPE.");
        return nullptr;
    }
    if (ContextImage* image = asContextImage(context))
        return &image->context();
    velError(std::string(builtin) + ": context sub-type must be 'context'.");
    return nullptr;
}

struct SourceSize {
    bool ok = false;
    int32_t width = 0, height = 0;
};

SourceSize sourceSize(const Value& imgSrc, const char* builtin)
{
    if (const DrawingContext* c = asDrawingContext(imgSrc))
        return {true, c->bounds().width(), c->bounds().height()};
    if (const Image* image = asImage(imgSrc))
        return {true, image->width(), image->height()};
    velError(std::string(builtin) + ": imgSrc type must be VEL_CONTEXT_TYPE or VEL_IMAGE_TYPE.");
    return {};
}

void drawSource(DrawingContext& target, const Value& imgSrc, const platform::Rect& destination,
                const platform::Rect& source, bool stretching)
{
    if (const DrawingContext* c = asDrawingContext(imgSrc)) {
        drawRaster(target, viewRaster(c->view()), nullptr, destination, scaledRect(source, c->scale()));
        return;
    }
    Image* image = asImage(imgSrc);
    if (stretching)
        image->stretchIntoContext(target, destination, source);
    else
        image->renderIntoContext(target, destination.left, destination.top, source);
}

} // namespace

void Image::renderIntoContext(DrawingContext& context, int32_t x, int32_t y, const platform::Rect& source)
{
    draw(context, sizedRect(x, y, source.width(), source.height()), source, false);
}

void Image::stretchIntoContext(DrawingContext& context, const platform::Rect& destination,
                               const platform::Rect& source)
{
    draw(context, destination, source, true);
}

void Image::draw(DrawingContext& context, const platform::Rect& destination, const platform::Rect& source,
                 bool stretching)
{
    Raster maskRaster;
    if (!mask_.isNil()) {
        Image* m = asImage(mask_);
        if (!acceptsMask(m ? m->subType() : std::string_view(), stretching))
            return;
        maskRaster = m->raster();
    }
    drawRaster(context, raster(), mask_.isNil() ? nullptr : &maskRaster, destination, scaledRect(source, rasterScale()),
               subType() == "pic");
}

bool Image::setMask(const Value& mask)
{
    if (mask.isNil()) {
        mask_ = Value();
        return true;
    }
    std::string_view kind = imageSubType(mask);
    if (kind != "context" && kind != "dib") {
        velError("Mask image must be of type 'context' or 'dib'");
        return false;
    }
    mask_ = mask;
    return true;
}

WireParts Image::wireParts() const
{
    WireParts parts;
    parts.first = data_;
    parts.second = mask_;
    return parts;
}

std::string_view imageSubType(const Value& image)
{
    const Image* i = asImage(image);
    return i ? i->subType() : std::string_view();
}

bool validateImage(const Value& image)
{
    Image* i = asImage(image);
    return i && i->validate();
}

Value imageBits(const Value& image)
{
    Image* i = asImage(image);
    return i ? i->bits() : Value();
}

Value imagePalette(const Value& image)
{
    Image* i = asImage(image);
    return i ? i->palette() : Value();
}

bool setImageMask(const Value& image, const Value& mask)
{
    Image* i = asImage(image);
    return i && i->setMask(mask);
}

Value imageFromBuffer(const Value& buffer, std::string_view extension)
{
    if (!buffer.is(Tag::Buffer))
        return Value();
    std::string lower(extension);
    for (char& c : lower)
        c = static_cast<char>(toLower1252(static_cast<unsigned char>(c)));
    Value image = lower == "jpg" ? PicImage::make(buffer) : DibImage::make(buffer);
    if (!asImage(image)->validate())
        return Value();
    return image;
}

Value imageFromParts(const Value& first, const Value& second)
{
    Buffer* b = asBuffer(first);
    if (!b)
        return Value();
    const bool jpeg = b->length() >= 2 && b->bytes()[0] == 0xFF && b->bytes()[1] == 0xD8;
    Value image = imageFromBuffer(first, jpeg ? "jpg" : "dib");
    if (!image.isNil())
        asImage(image)->adoptMask(second);
    return image;
}

void velDrawImage(const Value& context, const Value& imgSrc, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t sourceX, int32_t sourceY)
{
    if (imgSrc.isNil())
        return;
    DrawingContext* target = targetContext(context, "velDrawImage");
    if (!target)
        return;
    SourceSize size = sourceSize(imgSrc, "velDrawImage");
    if (!size.ok)
        return;
    const platform::Rect source =
        sizedRect(sourceX, sourceY, width == 0 ? size.width : width, height == 0 ? size.height : height);
    drawSource(*target, imgSrc, sizedRect(x, y, source.width(), source.height()), source, false);
}

void velStretchImage(const Value& context, const Value& imgSrc, int32_t x, int32_t y, int32_t width,
                     int32_t height, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight)
{
    if (imgSrc.isNil())
        return;
    DrawingContext* target = targetContext(context, "velStretchImage");
    if (!target)
        return;
    SourceSize size = sourceSize(imgSrc, "velStretchImage");
    if (!size.ok)
        return;
    const platform::Rect source = sizedRect(sourceX, sourceY, sourceWidth == 0 ? size.width : sourceWidth,
                                            sourceHeight == 0 ? size.height : sourceHeight);
    const platform::Rect destination =
        sizedRect(x, y, width == 0 ? source.width() : width, height == 0 ? source.height() : height);
    drawSource(*target, imgSrc, destination, source, true);
}

Value velImageFromImage(const Value& image, const Value& subType)
{
    Image* source = asImage(image);
    if (!source) {
        badArgument("velImageFromImage(img,subType)");
        return Value();
    }
    const std::string_view kind = textOf(subType);
    Value made;
    if (kind == "dib") {
        made = source->bits();
    } else if (kind == "context") {
        // A photograph's palette takes a second, quantizing decode; its context copy is true colour.
        made = ContextImage::make(source->width(), source->height(),
                                  source->subType() == "pic" ? Value() : source->palette());
        ContextImage* copy = asContextImage(made);
        drawRaster(copy->context(), source->raster(), nullptr, source->bounds(), source->bounds());
    } else {
        velError("velImageFromImage: Unknown image type.");
        return Value();
    }
    if (Image* i = asImage(made); i && !source->mask().isNil())
        i->setMask(source->mask());
    return made;
}

} // namespace vel
