// `velLibraryControl`: the base of every class of the control library. What it adds to the plain
// control: properties that hold a resource reference read as the loaded resource, integer
// properties that fall back to their default when they hold something else, the hand cursor,
// a rollover image shown while the pointer is over the control, the "getHelpString" action and the
// control's sound effect.
//
// It also holds the small drawing helpers the library's classes share: images read from
// properties, screen areas saved and drawn back, images drawn through a mask. Positions are the
// form's coordinates, as everywhere in a control; a control without a screen draws nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/pixels.h"
#include "runtime/control.h"
#include "runtime/form.h"

namespace vel {

class velLibraryControl : public velControlObject {
public:
    velLibraryControl(Engine& engine, const Value& properties);

    // A stored resource reference reads as the resource it names.
    Value getProperty(const Value& key) const override;
    // The default also when the property holds anything but an integer.
    int32_t getInteger(const Value& key, int32_t defaultValue) const override;
    Value perform(const Value& action, const Value& arguments) override;
    // "HandCursor", whatever the data says.
    Value cursor() const override;
    // "RolloverImage" at ("RolloverX", "RolloverY"), the hot spot's corner by default, with the
    // screen under it kept to be drawn back on leaving.
    Value mouseEnter(int32_t x, int32_t y) override;
    void mouseLeave(const Value& rolloverState, int32_t x, int32_t y) override;
    // The end of the control's own sound forgets it.
    void dataEvent(const Value& first, const Value& second) override;

    // The sound (a sound, or a name that gets "." and "AudioExtension" when it has no dot) becomes
    // the control's current sound and plays; `wait` non-zero plays it to the end first. 0 when
    // "SoundEffects" is off or it cannot play.
    virtual int32_t playSound(const Value& sound, int32_t wait);
    virtual void stopSound();
    // True while the current sound is held and still sounds.
    virtual bool isSoundPlaying() const;

    // The fixed keys.
    int32_t integer(std::string_view key, int32_t defaultValue) const
    {
        return getInteger(Value::string(key), defaultValue);
    }
    bool has(std::string_view key) const { return hasProperty(Value::string(key)); }
    // The property as an image: an image as it is, a name or reference loaded as an image resource;
    // nil otherwise.
    Value imageProperty(std::string_view key) const;
    // The bounding rectangle of a region property (or the name of one); none without one.
    std::optional<platform::Rect> rectProperty(std::string_view key) const;
    // The hot spot's bounding rectangle, empty at (0, 0) without one.
    platform::Rect hotSpotRect() const;
    // Whether a rollover image is showing; hideRollover draws back what it covered.
    bool rolloverShowing() const { return !rolloverArea_.isNil(); }
    void hideRollover();

protected:
    // A copy of the screen's area (width x height at x, y), or nil when there is no screen or the
    // area is empty.
    Value saveScreen(int32_t x, int32_t y, int32_t width, int32_t height) const;
    Value saveScreen(const platform::Rect& area) const { return saveScreen(area.left, area.top, area.width(), area.height()); }
    // Draws an image (or a saved area) at (x, y); nothing for nil. A mask, when given, is set on the
    // image first so that it draws through it.
    void drawImageAt(const Value& image, int32_t x, int32_t y, const Value& mask = Value()) const;
    // Shows what was drawn.
    void flush() const;
    // Follows a press until the button is released: `crossed` is told each time the pointer goes out
    // of the hot spot or back in. True when released inside; a press cut short by the program
    // closing is no click.
    bool followPress(const std::function<void(bool inside)>& crossed);
    // The window's pointer in this form's coordinates.
    FormPoint toForm(int32_t x, int32_t y) const;

private:
    Value rolloverArea_;
    Value sound_;
};

// A sound given by a name without a dot gets "." and the "AudioExtension" setting; anything else is
// returned as it is.
Value soundFileName(Engine& engine, const Value& sound);
// The size of an image value; (0, 0) for anything else.
platform::Rect imageBoundsAt(const Value& image, int32_t x, int32_t y);
// The smallest rectangle holding both; an empty one gives the other.
platform::Rect unionRect(const platform::Rect& a, const platform::Rect& b);

} // namespace vel
