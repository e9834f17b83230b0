// Where the media area lies in a window: scaled by the largest whole number that fits (sharp
// pixels), or by the largest fraction when the window is smaller than the area, and centred with
// a black border around it. Pointer positions map back through the same rectangle, once.
#pragma once

namespace vel::platform {

struct MediaViewport {
    int x = 0, y = 0, width = 0, height = 0; // in window pixels

    static MediaViewport fit(int windowWidth, int windowHeight, int mediaWidth, int mediaHeight);
    // The media-area point under a window pixel; outside the area (even negative) in the border.
    void toMedia(int windowX, int windowY, int mediaWidth, int mediaHeight, int& mediaX, int& mediaY) const;
};

} // namespace vel::platform
