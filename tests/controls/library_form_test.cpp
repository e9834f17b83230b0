#include <gtest/gtest.h>

#include "controls/help_dialog.h"
#include "controls/library_dialog.h"
#include "controls/library_form.h"
#include "runtime/form_test_support.h"
#include "runtime/sound.h"
#include "runtime/sound_test_support.h"
#include "value/list.h"

namespace vel::testing_support {

namespace {

constexpr uint32_t kTipFill = 0xFFFF80;

class LibraryFormTest : public FormTest {
protected:
    velLibraryForm& open(const std::string& entries)
    {
        form_ = Value::adopt(Tag::Form, new velLibraryForm(engine, read("(table " + entries + ")")));
        host.setCurrentForm(form_);
        asForm(form_)->open(Value());
        return *static_cast<velLibraryForm*>(form_.object());
    }
    std::string active()
    {
        velControlObject* c = asControl(asForm(form_)->activeControl());
        return c ? std::string(textOf(c->property("Name"))) : "";
    }
    Value form_;
};

// A help text in the corner, whose tip cannot go beside the pointer.
const char* kCornerHelp = R"(("Control List" (list (control ("Class" "velControlObject") ("Name" "Canto")
    ("Hot Spot" (rect 560 400 80 80)) ("Help" "Uma dica de duas linhas\nno canto da tela")))))";

TEST_F(LibraryFormTest, ATipShowsWholeAfterTheRestAndGoesWhenThePointerLeaves)
{
    config().set("RolloverHelp", 1);
    velLibraryForm& form = open(kCornerHelp);
    const uint32_t before = pixel(630, 470);
    form.mouseOver(634, 474);
    clock().advance(600);
    // A move restarts the wait.
    form.mouseOver(635, 475);
    clock().advance(600);
    engine.idleWork();
    EXPECT_FALSE(form.services().tip().shown());
    clock().advance(400);
    engine.idleWork();
    ASSERT_TRUE(form.services().tip().shown());
    const platform::Rect box = form.services().tip().box();
    EXPECT_GE(box.left, 5);
    EXPECT_LE(box.right, 640);
    EXPECT_LE(box.bottom, 480);
    EXPECT_GT(box.width(), 60);
    EXPECT_EQ(pixel(box.right - 2, box.bottom - 2), kTipFill);
    EXPECT_EQ(shownPixel(box.left + 1, box.top + 1), kTipFill);
    form.mouseOver(10, 10);
    EXPECT_FALSE(form.services().tip().shown());
    EXPECT_EQ(pixel(630, 470), before);
}

TEST_F(LibraryFormTest, ATipComesWithinAFrameOfItsSecondThroughTheEventFetch)
{
    config().set("RolloverHelp", 1);
    velLibraryForm& form = open(kCornerHelp);
    engine.events()->setIdleWork([this] { return engine.idleWork(); });
    engine.events()->next(0, 0);
    const uint32_t asked = clock().now();
    form.mouseOver(600, 440);
    engine.events()->next(event_kind::KeyDown, 1100);
    ASSERT_TRUE(form.services().tip().shown());
    EXPECT_GE(form.services().tip().shownAt() - asked, RolloverTip::kDelay);
    EXPECT_LE(form.services().tip().shownAt() - asked, RolloverTip::kDelay + 16);
}

TEST_F(LibraryFormTest, HelpThatIsNoTextIsReportedAndShowsNoTip)
{
    config().set("RolloverHelp", 1);
    velLibraryForm& form = open(R"(("Control List" (list (control ("Class" "velControlObject")
        ("Hot Spot" (rect 0 0 50 50)) ("Help" 7)))))");
    form.mouseOver(10, 10);
    clock().advance(2000);
    engine.idleWork();
    EXPECT_FALSE(form.services().tip().shown());
    EXPECT_EQ(notices, std::vector<std::string>{"Bad Rollover Text:"});
}

TEST_F(LibraryFormTest, TabWalksTheListSkippingAbsentHiddenAndDisabledControls)
{
    velLibraryForm& form = open(R"(("TabStopList" (list "A" "Falta" "B" "C" "D")) ("Control List" (list
        (control ("Class" "velControlObject") ("Name" "A") ("Hot Spot" (rect 0 0 5 5)))
        (control ("Class" "velControlObject") ("Name" "B") ("Hot Spot" (rect 0 0 5 5)) ("Hidden" true))
        (control ("Class" "velControlObject") ("Name" "C") ("Hot Spot" (rect 0 0 5 5)) ("Disabled" true))
        (control ("Class" "velControlObject") ("Name" "D") ("Hot Spot" (rect 0 0 5 5))))))");
    const std::pair<int32_t, const char*> steps[] = {{0, "A"}, {0, "D"}, {0, "A"}, {1, "D"}, {1, "A"}};
    for (const auto& [shift, expected] : steps) {
        form.keyDown(9, shift);
        EXPECT_EQ(active(), expected);
    }
    // Only absent names: nothing takes the focus, and nothing breaks.
    velLibraryForm& none = open(R"(("TabStopList" (list "X" "Y")))");
    none.keyDown(9, 0);
    EXPECT_EQ(active(), "");
}

TEST_F(LibraryFormTest, TheFadeBeforeAFullScreenMovieTakesFadeTimeAndNoneIsBlackAtOnce)
{
    velLibraryForm& form = open("");
    config().set("FullScreenVideo", 1);
    for (int32_t fadeTime : {0, -40, 200}) {
        host.drawing().fill({0, 0, 640, 480}, 0xFFFFFF);
        host.drawing().update();
        config().set("FadeTime", fadeTime);
        const uint32_t start = clock().now();
        form.fadeBeforeMovie();
        EXPECT_EQ(shownPixel(320, 240), 0u) << fadeTime;
        EXPECT_EQ(clock().now() - start, static_cast<uint32_t>(std::max(0, fadeTime))) << fadeTime;
    }
}

TEST_F(LibraryFormTest, NarrationPlaysItsPartsInOrderAndOnlyOnRequestWithoutSoundEffects)
{
    Value first = WaveSound::fromBuffer(engine, bufferOf(pcm16Wave(sine(2205, 22050, 440), 1, 22050)));
    Value second = WaveSound::fromBuffer(engine, bufferOf(pcm16Wave(sine(2205, 22050, 660), 1, 22050)));
    velLibraryForm& form = open("");
    Value parts = ValueList::make();
    asValueList(parts)->append(first);
    asValueList(parts)->append(second);
    form.setProperty(Value::string("Narrator"), parts);
    config().set("SoundEffects", 0);
    form.narrate(false);
    EXPECT_TRUE(engine.playback().wave().playing().isNil());
    form.narrate(true);
    EXPECT_EQ(engine.playback().wave().playing().object(), first.object());
    clock().advance(200);
    engine.idleWork();
    Value ended = ValueList::make();
    asValueList(ended)->append(first);
    asValueList(ended)->append(Value::string("ended"));
    form.dataEvent(ended, Value());
    EXPECT_EQ(engine.playback().wave().playing().object(), second.object());
}

TEST_F(LibraryFormTest, ADraggedDialogStaysOnTheScreenAndKeepsItsPlace)
{
    Value dialog = Value::adopt(Tag::Form, new velLibraryDialog(engine, read(R"((table ("Width" 200) ("Height" 100)
        ("Origin X" 100) ("Origin Y" 100) ("Drag Rect" (rect 0 0 200 20)))))")));
    host.setCurrentForm(dialog);
    asForm(dialog)->open(Value());
    host.feed({pointerEvent(event_kind::MouseDrag, 400, 300), pointerEvent(event_kind::MouseDrag, 700, 470),
               pointerEvent(event_kind::MouseUp, 700, 470)});
    asForm(dialog)->mouseDown(110, 105);
    EXPECT_EQ(asForm(dialog)->property("Origin X"), Value::integer(440));
    EXPECT_EQ(asForm(dialog)->property("Origin Y"), Value::integer(380));
}

TEST_F(LibraryFormTest, ADataFileIsTakenFromTheFirstCandidateHoldingItElseFromTheSourceDisk)
{
    config().set("SourceDisk", Value::string(disc / "cd"));
    config().set("TraceFileOpens", 1);
    velLibraryForm& form = open("");
    const std::string held = disc.write("b/Agenda.dat", "x");
    const std::string candidates = disc / "a" + ";" + disc / "b";
    EXPECT_EQ(form.locateFile("agenda.dat", candidates), held);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(form.locateFile("Outro.dat", candidates), disc / "cd/Outro.dat");
    EXPECT_EQ(notices, std::vector<std::string>{"N\xE3o foi poss\xEDvel localizarOutro.dat"});
}

TEST_F(LibraryFormTest, HelpShowsATopicOrTheContentsAndSaysWhyWhenItCannot)
{
    config().set("SourceDisk", Value::string(disc.path()));
    velLibraryForm& form = open("");
    EXPECT_FALSE(form.openHelp());
    disc.write("ORVA.hlp", std::string("\x3F\x5F\x03\x00", 4) + "old help");
    EXPECT_FALSE(form.openHelp());
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[1].find("formato antigo"), std::string::npos) << notices[1];
    disc.write("ORVA.hlp", R"(; topics
        (table (10 (table ("Title" "Dez") ("Text" "O texto"))) (2 (table ("Title" "Dois") ("Text" "{\\b Rico}\\par")))))");
    std::string why;
    Value topics = readHelpTopics(disc.path() + "/ORVA.hlp", why);
    auto dialog = [&](int32_t context) { return Value::adopt(Tag::Form, new HelpDialog(engine, topics, context)); };
    auto text = [&](int32_t context) { return static_cast<HelpDialog*>(dialog(context).object())->text(); };
    EXPECT_EQ(text(10), "O texto");
    EXPECT_EQ(text(-1), "Dois\nDez\n");
    // Rich text is laid out by a text view; plain text is not.
    EXPECT_TRUE(static_cast<HelpDialog*>(dialog(10).object())->textView().isNil());
    EXPECT_FALSE(static_cast<HelpDialog*>(dialog(2).object())->textView().isNil());
}

} // namespace

} // namespace vel::testing_support
