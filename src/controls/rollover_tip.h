// A rollover help tip: asked for when the pointer enters a control that has help text, shown once
// the pointer has rested there for a second, taken away when it leaves or a key or click comes. The
// tip is a pale yellow box of "Arial" 9 lines beside the pointer, kept whole on the screen; the
// screen under it is saved and drawn back when it goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pixels.h"
#include "value/value.h"

namespace vel {

class Engine;

class RolloverTip {
public:
    static constexpr uint32_t kDelay = 1000;

    explicit RolloverTip(Engine& engine);
    ~RolloverTip();
    RolloverTip(const RolloverTip&) = delete;
    RolloverTip& operator=(const RolloverTip&) = delete;

    // The text (lines at line feeds) to show near the pointer at (x, y), surface coordinates, once
    // the delay has passed; a tip showing goes first.
    void request(std::string_view text, int32_t x, int32_t y);
    // A tip not yet shown waits again from now when the pointer has moved.
    void pointerMoved(int32_t x, int32_t y);
    // Shows the tip when it is due: the milliseconds until it is, or platform::NothingDue.
    uint32_t idle();
    // Forgets what was asked for and takes a tip showing away.
    void dismiss();
    // Draws the tip asked for now, whatever the time.
    void show();

    bool pending() const { return pending_; }
    bool shown() const { return shown_; }
    // Where the tip is drawn, in surface coordinates, while it shows.
    const platform::Rect& box() const { return box_; }
    // The clock's time when it was drawn.
    uint32_t shownAt() const { return shownAt_; }

private:
    void hide();

    Engine& engine_;
    std::vector<std::string> lines_;
    int32_t x_ = 0, y_ = 0;
    uint32_t requestedAt_ = 0;
    bool pending_ = false;
    bool shown_ = false;
    platform::Rect box_;
    uint32_t shownAt_ = 0;
    Value saved_;
    Value font_;
};

} // namespace vel
