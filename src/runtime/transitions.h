// Screen transitions and fades. Each draws parts of the surface into the presented frame and paces
// itself by the millisecond clock, so an effect takes its duration whatever the machine's speed (and
// no time at all on a scripted run's virtual clock, beyond what the script waits).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/pixels.h"

namespace vel {

class DrawingSurface;
namespace platform {
class Clock;
}

namespace transition_effect {
constexpr int BoxOut = 1, BoxIn = 2, WipeRight = 3, WipeLeft = 4, WipeDown = 5, WipeUp = 6, Dissolve = 7,
              BlindsDown = 8, BlindsRight = 9, BlindsUp = 10, BlindsLeft = 11, FadeFromColor = 12, FadeToColor = 13;
}

class Transitions {
public:
    // `disabled` answers whether transitions are switched off at the moment they are asked for.
    // Effects are paced by the clock.
    Transitions(DrawingSurface& surface, platform::Clock& clock, std::function<bool()> disabled);

    // The two non-geometric parameters come in this order everywhere: the duration in milliseconds,
    // then the step size (0 for the effect's own) or, for the fades, the colour. A negative width or
    // height reaches the surface's right or bottom edge.
    void run(int effect, int duration, int32_t stepOrColor, int x, int y, int width, int height);

    // The stepped renderer on an area already in surface coordinates.
    void stepped(int effect, const platform::Rect& area, int step, int duration);
    void fadeToColor(int32_t colorRef, int duration);
    void fadeFromColor(int32_t colorRef, int duration);
    // Blends the presented frame into the surface's picture.
    void crossFade(int duration);

private:
    void blend(const std::function<void(int weight)>& drawWeight, int duration);

    DrawingSurface& surface_;
    platform::Clock& clock_;
    std::function<bool()> disabled_;
};

} // namespace vel
