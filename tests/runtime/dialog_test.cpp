// Modal dialogs: the loop and the ways it ends (a "close" button, Escape, a close request), the
// saved background, a press outside with its beep, and dragging by the Drag Rect within the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "form_test_support.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::FormTest;
using testing_support::keyEvent;
using testing_support::pointerEvent;

class FakeSound final : public Object, public MediaProtocol {
public:
    bool play(int32_t, int32_t, bool) override { return ++plays; }
    void stop() override {}
    bool isPlaying() const override { return false; }
    int plays = 0;
};

// A dialog that lets the test look at the screen when Escape ends it, and answers a result.
class WatchedDialog final : public velDialogObject {
public:
    WatchedDialog(Engine& engine, const Value& data, std::function<void()>* watch)
        : velDialogObject(engine, data), watch_(watch) {}
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new WatchedDialog(engine_, data, watch_));
    }
    Value className() const override { return Value::string("Vigiado"); }
    void keyDown(int32_t code, int32_t flags) override
    {
        if (code == 27 && *watch_)
            (*watch_)();
        velDialogObject::keyDown(code, flags);
    }
    Value result() override { return Value::integer(7); }

private:
    std::function<void()>* watch_;
};

constexpr uint32_t kGreen = 0x00FF00, kRed = 0xFF0000;

class DialogTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        beep = new FakeSound;
        config().putGlobal("Bip", Value::adopt(Tag::Sound, beep));
        config().putGlobal("Verde", solidImage(640, 480, kGreen));
        config().putGlobal("Vermelho", solidImage(200, 100, kRed));
        engine.classes().add(Value::adopt(Tag::Form, new WatchedDialog(engine, Value(), &watch)));
        screen = read("(form (\"Name\" \"Tela\") (\"Background Image\" \"Verde\") (\"Origin X\" 5) (\"Origin Y\" 6) "
                      "(\"Control List\" (list (control (\"Class\" \"B\") (\"Auto Activate\" true)))))");
        host.setCurrentForm(screen);
        asForm(screen)->open(Value());
        screenControl = asControl(asList(asForm(screen)->controlList())->get(0));
    }
    // The dialog at (100, 80), 200 x 100, with an OK button at (10, 10, 50, 20) and a title bar to
    // drag it by.
    Value dialog(const char* className = "velDialogObject")
    {
        return read(std::string("(form (\"Class\" \"") + className +
                    "\") (\"Name\" \"Dialogo\") (\"Origin X\" 100) (\"Origin Y\" 80) (\"Background Image\" \"Vermelho\") "
                    "(\"Dialog Beep Sound\" \"Bip\") (\"Drag Rect\" (rect 0 0 200 20)) (\"Control List\" (list (control "
                    "(\"Class\" \"B\") (\"Name\" \"OK\") (\"Hot Spot\" (rect 10 30 50 20)) (\"Action\" \"close\")))))");
    }
    bool screenIsGreen()
    {
        for (int y = 0; y < 480; y += 4)
            for (int x = 0; x < 640; x += 4)
                if (pixel(x, y) != kGreen)
                    return false;
        return true;
    }
    void expectBackToTheScreen()
    {
        EXPECT_EQ(host.currentForm(), screen);
        EXPECT_TRUE(screenIsGreen());
        EXPECT_EQ(shownPixel(150, 120), kGreen);
        EXPECT_EQ(std::make_pair(host.drawing().originX(), host.drawing().originY()), std::make_pair(5, 6));
        EXPECT_TRUE(screenControl->isActive()) << "the screen is active again";
    }

    FakeSound* beep = nullptr;
    std::function<void()> watch;
    Value screen;
    velControlObject* screenControl = nullptr;
};

TEST_F(DialogTest, TheCloseButtonEscapeAndACloseRequestEachEndItAndTheScreenComesBack)
{
    host.feed(pointerEvent(event_kind::MouseDown, 120, 115));
    host.feed(pointerEvent(event_kind::MouseUp, 121, 116));
    EXPECT_TRUE(runDialog(engine, dialog(), Value()).isNil());
    EXPECT_TRUE(host.fedAll());
    expectBackToTheScreen();

    host.feed(keyEvent('a'));
    host.feed(keyEvent(27));
    Value d = dialog();
    runDialog(engine, d, Value());
    EXPECT_TRUE(asDialog(d)->activeControl().isNil());
    EXPECT_TRUE(asDialog(d)->done());
    expectBackToTheScreen();
    EXPECT_EQ(beep->plays, 0);

    EventRecord close;
    close.kind = event_kind::CloseRequest;
    host.feed(close);
    runDialog(engine, dialog(), Value());
    EXPECT_TRUE(host.quitting()) << "the close request ends the program too";
    expectBackToTheScreen();

    EXPECT_TRUE(runDialog(engine, Value::string("nenhum"), Value()).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot find form named 'nenhum'"});
    EXPECT_EQ(host.currentForm(), screen);
}

TEST_F(DialogTest, ItIsDrawnOverTheScreenWhileItRunsAndAPressOutsideItsBorderBeeps)
{
    int playsAtEscape = -1;
    watch = [&] {
        playsAtEscape = beep->plays;
        EXPECT_EQ(pixel(100, 80), kRed);
        EXPECT_EQ(pixel(299, 179), kRed);
        EXPECT_EQ(pixel(99, 80), kGreen);
        EXPECT_EQ(pixel(300, 180), kGreen);
        EXPECT_EQ(shownPixel(150, 120), kRed);
        EXPECT_FALSE(screenControl->isActive()) << "the screen was deactivated";
    };
    host.feed(pointerEvent(event_kind::MouseDown, 150, 85)); // in the drag rect, no move: it stays in place
    host.feed(pointerEvent(event_kind::MouseUp, 150, 85));
    host.feed(pointerEvent(event_kind::MouseDown, 99, 80)); // one pixel left
    host.feed(pointerEvent(event_kind::MouseDown, 100, 181)); // one pixel below
    host.feed(pointerEvent(event_kind::MouseDown, 100, 180)); // the bottom-left corner: inside, on no control
    host.feed(pointerEvent(event_kind::MouseDown, 300, 180)); // the far corner: inside
    host.feed(keyEvent(27));
    EXPECT_EQ(runDialog(engine, dialog("Vigiado"), Value()), Value::integer(7)) << "the dialog's result";
    EXPECT_EQ(playsAtEscape, 2);
    expectBackToTheScreen();
}

TEST_F(DialogTest, DraggingFollowsThePointerWithinTheScreen)
{
    std::vector<std::pair<int, int>> origins;
    Value d = dialog("Vigiado");
    watch = [&] {
        auto* w = asDialog(d);
        origins.emplace_back(w->originX(), w->originY());
        // The dialog is whole at its new place and the old one shows the screen again.
        EXPECT_EQ(pixel(w->originX(), w->originY()), kRed);
        EXPECT_EQ(pixel(std::min(639, w->originX() + 199), std::min(479, w->originY() + 99)), kRed);
        EXPECT_EQ(pixel(150, 120), kGreen);
    };
    host.feed(pointerEvent(event_kind::MouseDown, 150, 85)); // grabbed at (50, 5) of the dialog
    host.feed(pointerEvent(event_kind::MouseDrag, 3, 2));   // kept 10 from the edges
    host.feed(pointerEvent(event_kind::MouseDrag, 400, 300));
    host.feed(pointerEvent(event_kind::MouseUp, 400, 300));
    host.feed(keyEvent(27));
    // Opened again, it starts from its Origin X and Origin Y.
    host.feed(pointerEvent(event_kind::MouseDown, 150, 85));
    host.feed(pointerEvent(event_kind::MouseDrag, 700, 500));
    host.feed(pointerEvent(event_kind::MouseUp, 700, 500));
    host.feed(keyEvent(27));
    // The first Escape ends the dialog; run it once more for the second drag.
    runDialog(engine, d, Value());
    runDialog(engine, d, Value());
    ASSERT_EQ(origins.size(), 2u);
    EXPECT_EQ(origins[0], std::make_pair(350, 295));
    EXPECT_EQ(origins[1], std::make_pair(630 - 50, 470 - 5));
    expectBackToTheScreen();
}

TEST_F(DialogTest, WithoutABackgroundItsSizeComesFromWidthAndHeight)
{
    Value d = read("(form (\"Class\" \"velDialogObject\") (\"Width\" 30) (\"Height\" \"20\") (\"Origin X\" 10) "
                   "(\"Origin Y\" 10) (\"Dialog Beep Sound\" \"Bip\"))");
    host.feed(pointerEvent(event_kind::MouseDown, 41, 20));
    host.feed(pointerEvent(event_kind::MouseDown, 40, 30));
    host.feed(keyEvent(27));
    runDialog(engine, d, Value());
    EXPECT_EQ(std::make_pair(asDialog(d)->width(), asDialog(d)->height()), std::make_pair(30, 20));
    EXPECT_EQ(beep->plays, 1);
}

} // namespace
} // namespace vel
