#include "platform/headless.h"

#include <cstdlib>
#include <cstring>

namespace vel::platform {

namespace {

enum class Mode { Guess, Headless, Desktop };
Mode mode = Mode::Guess;

bool guessHeadless()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
        return true;
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return !set("DISPLAY") && !set("WAYLAND_DISPLAY");
}

} // namespace

bool headless()
{
    return mode == Mode::Guess ? guessHeadless() : mode == Mode::Headless;
}

void setHeadless(bool value)
{
    mode = value ? Mode::Headless : Mode::Desktop;
}

} // namespace vel::platform
