// Photographs on a sharp surface: scaled to the real pixels through cairo's "good" filter
// (platform/smooth_scale.h), so a picture shown at 3x has no blocky 3x3 squares. Bitmaps and anything masked keep the nearest-pixel stretch
// (image_render.h): their hard edges are the art.
#pragma once

#include "runtime/image_render.h"

namespace vel {

// Draws `source` (image coordinates) scaled to `destination` (view coordinates), filtered, touching
// only pixels inside clip and the view; samples never reach outside `source` and the raster. Returns
// the area that may have changed.
platform::Rect smoothStretchRaster(const Raster& image, const platform::PixelView& view, const platform::Rect& clip,
                                   const platform::Rect& destination, const platform::Rect& source);

} // namespace vel
