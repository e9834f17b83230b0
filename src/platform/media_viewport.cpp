#include "platform/media_viewport.h"

#include <algorithm>
#include <cmath>

namespace vel::platform {

MediaViewport MediaViewport::fit(int windowWidth, int windowHeight, int mediaWidth, int mediaHeight)
{
    MediaViewport v;
    if (windowWidth <= 0 || windowHeight <= 0 || mediaWidth <= 0 || mediaHeight <= 0)
        return v;
    const int whole = std::min(windowWidth / mediaWidth, windowHeight / mediaHeight);
    if (whole >= 1) {
        v.width = mediaWidth * whole;
        v.height = mediaHeight * whole;
    } else {
        const double fraction = std::min(static_cast<double>(windowWidth) / mediaWidth,
                                         static_cast<double>(windowHeight) / mediaHeight);
        v.width = std::max(1, static_cast<int>(mediaWidth * fraction));
        v.height = std::max(1, static_cast<int>(mediaHeight * fraction));
    }
    v.x = (windowWidth - v.width) / 2;
    v.y = (windowHeight - v.height) / 2;
    return v;
}

void MediaViewport::toMedia(int windowX, int windowY, int mediaWidth, int mediaHeight, int& mediaX, int& mediaY) const
{
    if (width <= 0 || height <= 0) {
        mediaX = windowX;
        mediaY = windowY;
        return;
    }
    // Floor, not truncation: the border left of and above the area maps below zero.
    mediaX = static_cast<int>(std::floor(static_cast<double>(windowX - x) * mediaWidth / width));
    mediaY = static_cast<int>(std::floor(static_cast<double>(windowY - y) * mediaHeight / height));
}

} // namespace vel::platform
