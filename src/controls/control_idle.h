// A control with work of its own between events (a movie view's cue points). The library's forms
// and dialogs give each such control a turn in their idle work.
#pragma once

#include <cstdint>

namespace vel {

class ControlIdleWork {
public:
    virtual ~ControlIdleWork() = default;
    // Milliseconds until the control next needs a turn, or platform::NothingDue.
    virtual uint32_t idle() = 0;
};

} // namespace vel
