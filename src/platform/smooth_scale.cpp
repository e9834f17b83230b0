#include "platform/smooth_scale.h"

#include <cairo.h>

namespace vel::platform {

Rect smoothScale(const PixelView& from, const Rect& fromArea, const Rect& source, const PixelView& to, const Rect& clip,
                 const Rect& destination)
{
    const Rect usable = source.intersect(fromArea);
    const Rect target = destination.intersect(clip).intersect(to.bounds());
    if (!from.pixels || !to.pixels || usable.empty() || target.empty() || source.empty())
        return {};
    cairo_surface_t* picture = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(from.row(usable.top) + usable.left), CAIRO_FORMAT_RGB24, usable.width(),
        usable.height(), from.stride * 4);
    cairo_surface_t* canvas = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(to.pixels),
                                                                  CAIRO_FORMAT_RGB24, to.width, to.height, to.stride * 4);
    cairo_t* c = cairo_create(canvas);
    cairo_rectangle(c, target.left, target.top, target.width(), target.height());
    cairo_clip(c);
    cairo_translate(c, destination.left, destination.top);
    cairo_scale(c, static_cast<double>(destination.width()) / source.width(),
                static_cast<double>(destination.height()) / source.height());
    cairo_set_source_surface(c, picture, usable.left - source.left, usable.top - source.top);
    cairo_pattern_set_filter(cairo_get_source(c), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(c), CAIRO_EXTEND_PAD);
    cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
    cairo_paint(c);
    cairo_destroy(c);
    cairo_surface_finish(canvas);
    cairo_surface_destroy(canvas);
    cairo_surface_destroy(picture);
    return target;
}

} // namespace vel::platform
