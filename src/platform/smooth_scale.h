// Photographs enlarged or reduced onto a sharp canvas's real pixels through cairo's "good" filter
// (bilinear when enlarging, a box average when reducing), which measured twice as fast as a
// bilinear pass of our own at scale 3.
#pragma once

#include "platform/pixels.h"

namespace vel::platform {

// Scales the `source` rectangle of `from` (whose pixels cover only `fromArea`) to `destination` of
// `to`, touching only pixels inside `clip`. Samples never reach beyond the source and `fromArea`:
// the border pixels repeat. Returns the area drawn.
Rect smoothScale(const PixelView& from, const Rect& fromArea, const Rect& source, const PixelView& to, const Rect& clip,
                 const Rect& destination);

} // namespace vel::platform
