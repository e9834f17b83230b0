// Test support for the control library: a form test whose engine knows the library's classes, with
// a short sound "bip" under the media root, images put in the globals by name, and presses fed
// one event at a time.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "controls/control_library.h"
#include "controls/library_control.h"
#include "runtime/form_test_support.h"
#include "runtime/sound_test_support.h"

namespace vel::testing_support {

class ControlsTest : public FormTest {
protected:
    using Point = std::pair<int, int>;

    void SetUp() override
    {
        FormTest::SetUp();
        registerControlLibrary(engine);
        useScratchMediaRoot();
        engine.mixer().open(platform::AudioMixer::Output::Manual);
        disc.write("Media/bip.wav", asText(pcm16Wave(sine(2205, 22050, 440), 1, 22050)));
        host.drawing().fill({0, 0, 640, 480}, kScreen);
    }

    // A form of the controls written in the text notation, opened as the current form.
    void openForm(const std::string& controls)
    {
        formValue = read("(form (\"Control List\" (list " + controls + ")))");
        host.setCurrentForm(formValue);
        form()->open(Value());
    }
    velFormObject* form() { return asForm(formValue); }
    template <class T = velLibraryControl>
    T& control(const char* name)
    {
        return *dynamic_cast<T*>(asControl(form()->findControl(Value::string(name))));
    }
    // A solid image known by name to every look-up.
    void image(const char* name, int w, int h, uint32_t rgb) { config().putGlobal(name, solidImage(w, h, rgb)); }
    // Feeds the drags and the release, then presses at (x, y) through the form; true when it clicked.
    bool press(int x, int y, const std::vector<Point>& moves = {})
    {
        for (auto [mx, my] : moves)
            host.feed(pointerEvent(event_kind::MouseDrag, mx, my));
        host.feed(pointerEvent(event_kind::MouseUp, x, y));
        const Value target = form()->controlAt(x, y);
        return target.is(Tag::Control) && form()->trackControl(target, x, y, 0, 1);
    }
    bool soundPlaying() { return !engine.playback().wave().playing().isNil(); }

    static constexpr uint32_t kScreen = 0x404040; // the same as a colour reference and as a pixel
    Value formValue;
};

} // namespace vel::testing_support
