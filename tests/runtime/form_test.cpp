// Forms and controls: look-up through the resource table, open and close, the control base, which
// control a press reaches and the tracking loop that decides a click, rollover and keys, go to form
// with its history, and modal dialogs: how they end, the beep and dragging.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "form_test_support.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::FormTest;
using testing_support::keyEvent;
using testing_support::pointerEvent;
using testing_support::RecordingHistory;

// A control that writes down what the form and the tracking loop ask of it.
class LoggingControl final : public velControlObject {
public:
    LoggingControl(Engine& engine, const Value& data, std::string* log) : velControlObject(engine, data), log_(log) {}
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Control, new LoggingControl(engine_, data, log_));
    }
    Value className() const override { return Value::string("Registo"); }
    void draw() override { note("draw"); }
    void drawPressed() override { note("pressed"); }
    void trackBegin() override { note("begin"); }
    void trackChanged() override { note("changed"); }
    void trackEnd() override { note("end"); }
    bool key(int32_t code, int32_t) override { return note("key"), code == 13; }
    Value mouseEnter(int32_t x, int32_t y) override { return note("enter"), Value::integer(x * 1000 + y); }
    void mouseLeave(const Value& state, int32_t, int32_t) override { note("leave " + std::to_string(state.asInt())); }

private:
    void note(const std::string& what) { *log_ += std::string(textOf(property("Name"))) + ":" + what + " "; }
    std::string* log_;
};

// A form that counts its clicks instead of going anywhere.
class ClickCountingForm final : public velFormObject {
public:
    using velFormObject::velFormObject;
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new ClickCountingForm(engine_, data));
    }
    Value className() const override { return Value::string("Contador"); }
    void controlClicked(const Value& control) override { clicked.emplace_back(textOf(asControl(control)->property("Name"))); }
    std::vector<std::string> clicked;
};

using Point = std::pair<int, int>;

class FormClickTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        engine.classes().add(Value::adopt(Tag::Control, new LoggingControl(engine, Value(), &log)));
        engine.classes().add(Value::adopt(Tag::Form, new ClickCountingForm(engine, Value())));
        // Two overlapping buttons on a form whose origin is (100, 50).
        formValue = read("(form (\"Class\" \"Contador\") (\"Origin X\" 100) (\"Origin Y\" 50) (\"Control List\" (list "
                         "(control (\"Class\" \"Registo\") (\"Name\" \"A\") (\"Hot Spot\" (rect 0 0 100 50))) "
                         "(control (\"Class\" \"Registo\") (\"Name\" \"B\") (\"Hot Spot\" (rect 50 25 100 50))))))");
        host.setCurrentForm(formValue);
        form()->open(Value());
        log.clear();
    }
    ClickCountingForm* form() { return dynamic_cast<ClickCountingForm*>(formValue.object()); }
    Value control(const char* name) { return form()->findControl(Value::string(name)); }
    void press(int x, int y, const std::vector<Point>& moves = {}, std::optional<Point> release = {})
    {
        for (auto [mx, my] : moves)
            host.feed(pointerEvent(event_kind::MouseDrag, mx, my));
        Point up = release.value_or(Point{x, y});
        host.feed(pointerEvent(event_kind::MouseUp, up.first, up.second));
        form()->onMouseDown(pointerEvent(event_kind::MouseDown, x, y));
        EXPECT_TRUE(host.fedAll());
    }

    std::string log;
    Value formValue;
};

TEST_F(FormClickTest, TheLastPlaceThePointerWasBeforeTheReleaseDecidesTheClick)
{
    const struct {
        std::vector<Point> moves;
        Point release;
        bool clicked;
        const char* log;
    } cases[] = {
        {{}, {112, 62}, true, "A:begin A:pressed A:draw A:end "},
        {{{90, 60}, {80, 40}, {105, 55}}, {105, 55}, true,
         "A:begin A:pressed A:draw A:changed A:pressed A:changed A:draw A:end "},
        {{{300, 300}}, {300, 300}, false, "A:begin A:pressed A:draw A:changed A:end "},
        {{{300, 300}}, {110, 60}, false, "A:begin A:pressed A:draw A:changed A:end "}, // the release's place is not asked
    };
    for (const auto& c : cases) {
        form()->clicked.clear();
        log.clear();
        press(110, 60, c.moves, c.release);
        EXPECT_EQ(form()->clicked.size(), c.clicked ? 1u : 0u) << c.log;
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(form()->activeControl(), control("A")) << "the press activated it";
    }
    ASSERT_FALSE(host.cursors.empty());
    EXPECT_TRUE(host.cursors[0].isNil()) << "the arrow while outside";
}

TEST_F(FormClickTest, TheEarlierOfTwoOverlappingEnabledControlsTakesThePress)
{
    press(170, 90); // inside both A (100..199, 50..99) and B (150..249, 75..124)
    press(230, 110);
    EXPECT_EQ(form()->clicked, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(form()->activeControl(), control("B"));
    EXPECT_FALSE(asControl(control("A"))->isActive());
    form()->enableControl(control("A"), 0);
    press(170, 90);
    EXPECT_EQ(form()->clicked.back(), "B");
    log.clear();
    form()->onMouseDown(pointerEvent(event_kind::MouseDown, 5, 5));
    EXPECT_EQ(log, "") << "nothing there: nothing tracked";
}

TEST_F(FormClickTest, TheCaptureFlagSendsPressesToTheActiveControl)
{
    form()->setActiveControl(control("B"), 1);
    asControl(control("B"))->captureMouse(1);
    press(110, 60); // over A and outside B's hot spot
    EXPECT_EQ(form()->clicked, std::vector<std::string>{"B"});
    EXPECT_EQ(log.rfind("B:begin", 0), 0u) << log;
    asControl(control("B"))->captureMouse(0);
    press(110, 60);
    EXPECT_EQ(form()->clicked, (std::vector<std::string>{"B", "A"}));
}

TEST_F(FormClickTest, APressEndedByTheProgramClosingIsNoClick)
{
    EventRecord close;
    close.kind = event_kind::CloseRequest;
    host.feed(close);
    form()->onMouseDown(pointerEvent(event_kind::MouseDown, 110, 60));
    EXPECT_TRUE(form()->clicked.empty());
    EXPECT_EQ(host.events().next(event_kind::All, 0).kind, event_kind::CloseRequest) << "left for the main loop";
}

TEST_F(FormClickTest, RolloverEntersAndLeavesWithTheStateTheControlGave)
{
    config().putGlobal("Mao", Cursor::make(CursorKind::Hand));
    asControl(control("A"))->setProperty(Value::string("Cursor"), Value::string("Mao"));
    for (auto [x, y] : {Point{110, 60}, Point{120, 70}})
        form()->onMouseOver(pointerEvent(event_kind::MouseOver, x, y));
    EXPECT_EQ(form()->controlUnderPointer(), control("A"));
    EXPECT_EQ(log, "A:enter ");
    ASSERT_EQ(host.cursors.size(), 1u);
    EXPECT_EQ(cursorKindOf(host.cursors[0]), CursorKind::Hand);
    form()->onMouseOver(pointerEvent(event_kind::MouseOver, 230, 110));
    EXPECT_EQ(log, "A:enter A:leave 10010 B:enter ") << "A gets back what it gave on entering at (10, 10)";
    form()->onMouseOver(pointerEvent(event_kind::MouseOver, 600, 400));
    EXPECT_TRUE(form()->controlUnderPointer().isNil());
    EXPECT_TRUE(host.cursors.back().isNil()) << "the default cursor again";
}

TEST_F(FormClickTest, AKeyTheActiveControlTakesAndTheTrackActionAreClicks)
{
    form()->onKeyDown(keyEvent(13));
    EXPECT_TRUE(form()->clicked.empty()) << "no active control";
    form()->setActiveControl(control("B"), 1);
    form()->onKeyDown(keyEvent('x'));
    EXPECT_TRUE(form()->clicked.empty());
    form()->onKeyDown(keyEvent(13));
    EXPECT_EQ(form()->clicked, std::vector<std::string>{"B"});
    EXPECT_EQ(velPerform(control("B"), Value::string("Key"), read("(list 13 0)")), Value::boolean(1));

    host.feed(pointerEvent(event_kind::MouseUp, 110, 60));
    EXPECT_EQ(velPerform(control("A"), Value::string("Track"), read("(list 10 10 0 1)")), Value::boolean(1));
    host.feed({pointerEvent(event_kind::MouseDrag, 0, 0), pointerEvent(event_kind::MouseUp, 0, 0)});
    EXPECT_EQ(velPerform(control("A"), Value::string("Track"), read("(list 10 10 0 1)")), Value::boolean(0));
}

// A form that writes down its life.
class DiaryForm final : public velFormObject {
public:
    DiaryForm(Engine& engine, const Value& data, std::string* diary) : velFormObject(engine, data), diary_(diary) {}
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(Tag::Form, new DiaryForm(engine_, data, diary_));
    }
    Value className() const override { return Value::string("Diario"); }
    void open(const Value& data) override
    {
        note("open", data);
        velFormObject::open(data);
    }
    void afterOpen() override { note("after", Value()); }
    void reopen(const Value& data) override { note("reopen", data); }
    void close() override
    {
        note("close", Value());
        velFormObject::close();
    }
    Value historyState() override { return property("Estado"); }

private:
    void note(const char* what, const Value& data)
    {
        *diary_ += std::string(textOf(name())) + ":" + what + (data.is(Tag::Int) ? "(" + std::to_string(data.asInt()) + ") " : " ");
    }
    std::string* diary_;
};

// A form of the class above with a name and further entries in the notation.
std::string diaryForm(const std::string& name, const std::string& entries = "")
{
    return "(form (\"Class\" \"Diario\") (\"Name\" \"" + name + "\")" + entries + ")";
}

class GoToFormTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        useScratchMediaRoot();
        engine.classes().add(Value::adopt(Tag::Form, new DiaryForm(engine, Value(), &diary)));
        engine.navigation().keepHistory(&history);
    }
    std::string currentName() { return asForm(host.currentForm()) ? asForm(host.currentForm())->targetName() : ""; }

    std::string diary;
    RecordingHistory history;
};

TEST_F(GoToFormTest, FormsComeFromFilesAndTheOneLeftGoesIntoTheHistory)
{
    disc.write("Media/primeira.frm", diaryForm("primeira.frm", " (\"Estado\" 5)"));
    disc.write("Media/segunda.frm", diaryForm("segunda.frm"));
    engine.navigation().goTo(Value::string("primeira.frm"), Value::integer(1), true);
    EXPECT_EQ(currentName(), "primeira.frm");
    EXPECT_TRUE(history.names.empty()) << "nothing was left";
    engine.navigation().goTo(Value::string("segunda.frm"), Value::integer(2), true);
    EXPECT_EQ(currentName(), "segunda.frm");
    EXPECT_EQ(diary, "primeira.frm:open(1) primeira.frm:after primeira.frm:close segunda.frm:open(2) segunda.frm:after ");
    ASSERT_EQ(history.names, std::vector<std::string>{"primeira.frm"});
    EXPECT_EQ(history.states[0], Value::integer(5)) << "with its history state";

    engine.navigation().goTo(Value::string("primeira.frm"), Value(), false);
    EXPECT_EQ(history.names.size(), 1u);
}

TEST_F(GoToFormTest, ANameLoadingToANameIsLoadedOnceMoreAndTheCurrentFormIsReopenedNeitherClosedNorRecorded)
{
    config().putGlobal("Inicio", Value::string("Tela"));
    config().putGlobal("Tela", read(diaryForm("Tela")));
    engine.navigation().goTo(Value::string("Inicio"), Value(), true);
    EXPECT_EQ(currentName(), "Tela");
    diary.clear();
    engine.navigation().goTo(Value::string("Tela"), Value::integer(9), true);
    EXPECT_EQ(diary, "Tela:reopen(9) ");
    EXPECT_TRUE(history.names.empty());
}

TEST_F(GoToFormTest, OnlyTheBooleanFalseKeepsAFormOutOfTheHistory)
{
    const std::pair<const char*, bool> cases[] = {{"", true}, {" (\"Include In History\" 0)", true},
        {" (\"Include In History\" true)", true}, {" (\"Include In History\" false)", false},
        {" (\"Include In History\" \"false\")", true}};
    for (const auto& [entry, recorded] : cases) {
        engine.navigation().goTo(read(diaryForm("Origem", entry)), Value(), true);
        history.names.clear();
        engine.navigation().goTo(read(diaryForm("Destino")), Value(), true);
        EXPECT_EQ(history.names.size(), recorded ? 1u : 0u) << entry;
    }
}

TEST_F(GoToFormTest, AFormThatCannotBeFoundIsReported)
{
    config().putGlobal("Tela", read(diaryForm("Tela")));
    engine.navigation().goTo(Value::string("Tela"), Value(), true);
    engine.navigation().goTo(Value::string("nenhuma.frm"), Value(), true);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(host.currentForm().isNil());
    EXPECT_EQ(diary, "Tela:open Tela:after Tela:close ");
    config().putGlobal("Tabela", read("(table (\"Class\" \"Diario\"))"));
    engine.navigation().goTo(Value::string("Tabela"), Value(), true);
    EXPECT_EQ(errors().size(), 1u) << "a table is no form either";
}

TEST_F(GoToFormTest, AClickedControlOpensItsTargetFormAndRecordsTheScreen)
{
    config().putGlobal("Segunda", read(diaryForm("Segunda")));
    engine.navigation().goTo(read(diaryForm("Primeira", " (\"Control List\" (list (control (\"Class\" \"B\") (\"Hot Spot\" (rect 0 0 10 10)) "
                                        "(\"Target Form\" \"Segunda\")) (control (\"Class\" \"B\") "
                                        "(\"Hot Spot\" (rect 20 0 10 10)))))")),
             Value(), true);
    Value first = host.currentForm();
    for (auto [x, target] : {std::pair{25, "Primeira"}, std::pair{5, "Segunda"}}) { // no target, then a target
        host.feed(pointerEvent(event_kind::MouseUp, x, 5));
        asForm(first)->onMouseDown(pointerEvent(event_kind::MouseDown, x, 5));
        EXPECT_EQ(currentName(), target);
    }
    EXPECT_EQ(history.names, std::vector<std::string>{"Primeira"});
}

TEST_F(GoToFormTest, ACompiledFormOpensLikeItsText)
{
    Value form = read(diaryForm("Compilada", " (\"Resource Table\" (table (\"Control List\" (list (control "
                                             "(\"Class\" \"B\") (\"Name\" \"OK\"))))))"));
    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(form, &ok);
    ASSERT_TRUE(ok);
    disc.write("Media/compilada.vel", std::string(bytes.begin(), bytes.end()));
    engine.navigation().goTo(Value::string("compilada.vel"), Value(), true);
    ASSERT_EQ(currentName(), "Compilada");
    EXPECT_FALSE(asForm(host.currentForm())->findControl(Value::string("OK")).isNil());
}

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
    host.feed({pointerEvent(event_kind::MouseDown, 120, 115), pointerEvent(event_kind::MouseUp, 121, 116)});
    EXPECT_TRUE(runDialog(engine, dialog(), Value()).isNil());
    EXPECT_TRUE(host.fedAll());
    expectBackToTheScreen();

    host.feed({keyEvent('a'), keyEvent(27)});
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
        EXPECT_EQ((std::vector<uint32_t>{pixel(100, 80), pixel(299, 179), pixel(99, 80), pixel(300, 180), shownPixel(150, 120)}),
                  (std::vector<uint32_t>{kRed, kRed, kGreen, kGreen, kRed}));
        EXPECT_FALSE(screenControl->isActive()) << "the screen was deactivated";
    };
    // A press in the drag rect without a move leaves it in place; then one pixel left and one below (outside),
    // the bottom-left corner (inside, on no control) and the far corner (inside).
    host.feed({pointerEvent(event_kind::MouseDown, 150, 85), pointerEvent(event_kind::MouseUp, 150, 85),
               pointerEvent(event_kind::MouseDown, 99, 80), pointerEvent(event_kind::MouseDown, 100, 181),
               pointerEvent(event_kind::MouseDown, 100, 180), pointerEvent(event_kind::MouseDown, 300, 180),
               keyEvent(27)});
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
    // Grabbed at (50, 5) of the dialog; a drag to the corner keeps it 10 from the edges.
    host.feed({pointerEvent(event_kind::MouseDown, 150, 85), pointerEvent(event_kind::MouseDrag, 3, 2),
               pointerEvent(event_kind::MouseDrag, 400, 300), pointerEvent(event_kind::MouseUp, 400, 300),
               keyEvent(27)});
    // Opened again, it starts from its Origin X and Origin Y.
    host.feed({pointerEvent(event_kind::MouseDown, 150, 85), pointerEvent(event_kind::MouseDrag, 700, 500),
               pointerEvent(event_kind::MouseUp, 700, 500), keyEvent(27)});
    runDialog(engine, d, Value());
    runDialog(engine, d, Value());
    ASSERT_EQ(origins.size(), 2u);
    EXPECT_EQ(origins[0], std::make_pair(350, 295));
    EXPECT_EQ(origins[1], std::make_pair(630 - 50, 470 - 5));
    expectBackToTheScreen();
}

TEST_F(DialogTest, MovedToAnotherScaleTheScreenAndTheDialogOverItAreDrawnAgain)
{
    Value held = host.drawing().context(); // taken before the move, used after it
    watch = [&] {
        engine.rescaleScreen(3);
        EXPECT_EQ(host.drawing().scale(), 3);
        // Real pixels now: the dialog's first and last, and one beside each.
        EXPECT_EQ((std::vector<uint32_t>{pixel(300, 240), pixel(899, 539), pixel(299, 240), pixel(900, 539),
                                         shownPixel(450, 360)}),
                  (std::vector<uint32_t>{kRed, kRed, kGreen, kGreen, kRed}));
    };
    host.feed(keyEvent(27));
    runDialog(engine, dialog("Vigiado"), Value());
    expectBackToTheScreen();
    for (int y = 0; y < 1440; y += 7)
        for (int x = 0; x < 1920; x += 7)
            ASSERT_EQ(pixel(x, y), kGreen) << x << "," << y;
    ASSERT_EQ(host.drawing().context(), held) << "the same context, at the form's origin (5, 6) again";
    velDrawImage(held, solidImage(10, 10, kRed), 0, 0);
    EXPECT_EQ((std::vector<uint32_t>{pixel(15, 18), pixel(44, 47), pixel(45, 47)}),
              (std::vector<uint32_t>{kRed, kRed, kGreen}));
}

TEST_F(DialogTest, WithoutABackgroundItsSizeComesFromWidthAndHeight)
{
    Value d = read("(form (\"Class\" \"velDialogObject\") (\"Width\" 30) (\"Height\" \"20\") (\"Origin X\" 10) "
                   "(\"Origin Y\" 10) (\"Dialog Beep Sound\" \"Bip\"))");
    host.feed({pointerEvent(event_kind::MouseDown, 41, 20), pointerEvent(event_kind::MouseDown, 40, 30),
               keyEvent(27)});
    runDialog(engine, d, Value());
    EXPECT_EQ(std::make_pair(asDialog(d)->width(), asDialog(d)->height()), std::make_pair(30, 20));
    EXPECT_EQ(beep->plays, 1);
}

class FormOpenTest : public FormTest {
protected:
    Value openForm(const std::string& text)
    {
        Value form = read(text);
        host.setCurrentForm(form);
        if (auto* f = asForm(form))
            f->open(Value());
        return form;
    }
};

TEST_F(FormOpenTest, PropertiesComeFromTheDataThenTheLoadedResourceTable)
{
    config().putGlobal("recursos", read("(table (\"Fundo\" \"fundo.bmp\") (\"Name\" \"escondido\"))"));
    Value v = read("(form (\"Name\" \"Principal\") (\"Resource Table\" \"recursos\"))");
    auto* f = asForm(v);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(textOf(f->name()), "Principal");
    EXPECT_EQ(textOf(asForm(read("(form (\"Width\" 3))"))->name()), "velFormObject") << "named by its class without a Name";
    EXPECT_FALSE(f->hasProperty(Value::string("Fundo"))) << "not loaded yet";
    f->loadResources();
    EXPECT_EQ(textOf(velGet(v, Value::string("Fundo"))), "fundo.bmp");
    EXPECT_EQ(textOf(f->property("Name")), "Principal") << "the data wins";
    EXPECT_NE(asTable(asTable(f->properties())->get("LoadedResourceTable")), nullptr);
    f->setResource(Value::string("Extra"), Value::integer(3));
    EXPECT_EQ(f->property("Extra"), Value::integer(3));
    f->unloadResources();
    EXPECT_FALSE(f->hasProperty(Value::string("Fundo")) || asTable(f->properties())->contains(Value::string("LoadedResourceTable")));
    // A resource table that does not load leaves no LoadedResourceTable behind.
    Value broken = read("(form (\"Resource Table\" \"nenhuma\") (\"LoadedResourceTable\" 1))");
    asForm(broken)->loadResources();
    EXPECT_FALSE(asForm(broken)->hasProperty(Value::string("LoadedResourceTable")));
}

TEST_F(FormOpenTest, AFormWithoutBackgroundTakesTheMediaSizeAndItsOrigin)
{
    config().set("MediaWidth", Value::integer(800));
    Value v = openForm("(form (\"Origin X\" 12) (\"Origin Y\" \"7\"))");
    auto* f = asForm(v);
    EXPECT_EQ((std::vector<int>{f->originX(), f->originY(), velLeft(v), f->width(), f->height()}),
              (std::vector<int>{12, 7, 12, 800, 480}));
    FormPoint p = f->toFormCoordinates({20, 20});
    FormPoint back = f->toSurfaceCoordinates(p);
    EXPECT_EQ((std::vector<int>{p.x, p.y, back.x, back.y}), (std::vector<int>{8, 13, 20, 20}));
}

TEST_F(FormOpenTest, TheBackgroundBecomesTheScreenAndADialogFormIsDrawnOverItAtItsOrigin)
{
    config().putGlobal("Azul", solidImage(200, 100, 0x0000FF));
    Value v = openForm("(form (\"Background Image\" \"Azul\"))");
    EXPECT_EQ(std::make_pair(asForm(v)->width(), asForm(v)->height()), std::make_pair(200, 100));
    EXPECT_EQ(pixel(199, 99), 0x0000FFu);
    EXPECT_EQ(shownPixel(0, 0), 0x0000FFu) << "shown at once";
    EXPECT_EQ(pixel(200, 100), 0u) << "the rest of the screen is the background colour";

    config().putGlobal("Vermelho", solidImage(50, 40, 0xFF0000));
    openForm("(form (\"Background Image\" \"Vermelho\") (\"Dialog\" true) (\"Origin X\" 100) (\"Origin Y\" 60))");
    EXPECT_EQ((std::vector<uint32_t>{pixel(100, 60), pixel(149, 99), pixel(99, 60), pixel(150, 60), pixel(199, 99)}),
              (std::vector<uint32_t>{0xFF0000u, 0xFF0000u, 0x0000FFu, 0x0000FFu, 0x0000FFu})) << "the screen around it stays";
}

TEST_F(FormOpenTest, AutoActivateTakesTheLastBooleanTrueOfTheControlsThatCanActivate)
{
    Value v = openForm("(form (\"Resource Table\" (table)) (\"Control List\" (list "
                       "(control (\"Class\" \"A\") (\"Name\" \"um\") (\"Auto Activate\" true)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"dois\") (\"Auto Activate\" true)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"tres\") (\"Auto Activate\" 1)) "
                       "(control (\"Class\" \"A\") (\"Name\" \"quatro\") (\"Auto Activate\" true) (\"Disabled\" true)))))");
    auto* f = asForm(v);
    ASSERT_EQ(asList(f->controlList())->count(), 4);
    Value active = f->activeControl();
    ASSERT_NE(asControl(active), nullptr);
    EXPECT_EQ(textOf(asControl(active)->property("Name")), "dois");
    EXPECT_TRUE(asControl(active)->isActive()) << "the form's activation activates it";
    EXPECT_FALSE(asControl(f->findControl(Value::string("um")))->isActive());
    EXPECT_TRUE(f->findControl(Value::string("cinco")).isNil());
}

TEST_F(FormOpenTest, ControlsComeFromNamesAndAnythingElseIsSkippedWithAMessage)
{
    Value v = openForm("(form (\"Name\" \"Lista\") (\"Resource Table\" (table (\"OK\" (control (\"Class\" \"A\") "
                       "(\"Name\" \"OK\"))))) (\"Control List\" (list \"OK\" 42 \"Ausente\" "
                       "(control (\"Class\" \"A\") (\"Name\" \"Fim\")))))");
    auto* f = asForm(v);
    ASSERT_NE(asList(f->controlList()), nullptr);
    EXPECT_EQ(asList(f->controlList())->count(), 2);
    EXPECT_FALSE(f->findControl(Value::string("OK")).isNil());
    EXPECT_FALSE(f->findControl(Value::string("Fim")).isNil());
    EXPECT_EQ(errors().size(), 2u) << "42 and Ausente";

    Value odd = openForm("(form (\"Name\" \"Estranha\") (\"Control List\" 5))");
    EXPECT_EQ(asList(asForm(odd)->controlList())->count(), 0);
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(FormOpenTest, RetainResourcesKeepsTheTableAndTheControlsAcrossClose)
{
    const char* text = "(form (\"Resource Table\" (table (\"Control List\" (list (control (\"Class\" \"A\") "
                       "(\"Auto Activate\" true)))))) %s)";
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, text, "(\"Retain Resources\" true)");
    Value kept = openForm(buffer);
    auto* f = asForm(kept);
    Value controls = f->controlList();
    Value active = f->activeControl();
    f->close();
    EXPECT_FALSE(asControl(active)->isActive()) << "closing deactivates";
    EXPECT_TRUE(f->activeControl().isNil());
    EXPECT_NE(f->loadedResourceTable(), Value());
    EXPECT_EQ(f->controlList(), controls);
    f->open(Value());
    EXPECT_EQ(f->controlList(), controls) << "reopened with the same controls";

    std::snprintf(buffer, sizeof buffer, text, "");
    Value dropped = openForm(buffer);
    asForm(dropped)->close();
    EXPECT_TRUE(asForm(dropped)->loadedResourceTable().isNil());
    EXPECT_TRUE(asForm(dropped)->controlList().isNil());
    EXPECT_FALSE(asTable(asForm(dropped)->properties())->contains(Value::string("LoadedResourceTable")));
}

TEST_F(FormOpenTest, EnablingShowingAndActivatingControls)
{
    Value v = openForm("(form (\"Control List\" (list (control (\"Class\" \"A\") (\"Name\" \"a\")) "
                       "(control (\"Class\" \"A\") (\"Name\" \"b\")))))");
    auto* f = asForm(v);
    Value a = f->findControl(Value::string("a"));
    Value b = f->findControl(Value::string("b"));
    f->setActiveControl(a, 1);
    f->setActiveControl(b, 1);
    EXPECT_FALSE(asControl(a)->isActive());
    EXPECT_TRUE(asControl(b)->isActive());
    f->setActiveControl(a, 0);
    EXPECT_EQ(f->activeControl(), b) << "flag 0 on another control changes nothing";

    f->enableControl(b, 0);
    EXPECT_TRUE(f->activeControl().isNil());
    f->setActiveControl(b, 1);
    EXPECT_TRUE(f->activeControl().isNil()) << "a disabled control cannot become active";
    f->enableControl(b, 1);
    f->setActiveControl(a, 1);
    f->showControl(a, 0);
    EXPECT_TRUE(f->activeControl().isNil());
    EXPECT_EQ(std::make_pair(asControl(a)->property("Hidden"), asControl(b)->property("Disabled")),
              std::make_pair(Value::boolean(1), Value::boolean(0)));
    f->showControl(a, 1);
    f->setActiveControl(a, 1);
    asControl(a)->giveUpActivation();
    EXPECT_TRUE(f->activeControl().isNil());

    f->setActiveControl(b, 1);
    asControl(b)->captureMouse(1);
    EXPECT_EQ(f->captureFlag(), 1);
    asControl(a)->captureMouse(0);
    EXPECT_EQ(f->captureFlag(), 1) << "only the active control sets the capture flag";
    EXPECT_EQ(f->setCaptureFlag(0), 1);
}


class ControlTest : public FormTest {
protected:
    Value control(const std::string& entries) { return read("(control " + entries + ")"); }
};

TEST_F(ControlTest, HiddenAndDisabledControlsNeitherActivateNorHelp)
{
    Value hidden = control("(\"Class\" \"X\") (\"Hidden\" true) (\"Help\" \"Ajuda\")");
    Value disabled = control("(\"Class\" \"X\") (\"Disabled\" 1) (\"Help\" \"Ajuda\")");
    Value zero = control("(\"Class\" \"X\") (\"Disabled\" 0) (\"Help\" \"Ajuda\")");
    EXPECT_FALSE(asControl(hidden)->isVisible() || asControl(hidden)->isEnabled()) << "a hidden control is not enabled";
    EXPECT_TRUE(asControl(disabled)->isVisible() && !asControl(disabled)->canActivate());
    EXPECT_TRUE(asControl(hidden)->help().isNil() && asControl(disabled)->help().isNil());
    EXPECT_EQ(textOf(asControl(zero)->help()), "Ajuda");
    // Present properties read through velIntValue and the truth test of their value, absent ones give the fallback.
    EXPECT_EQ(asControl(zero)->getInteger(Value::string("Help"), 7), 0);
    EXPECT_FALSE(asControl(zero)->getTruth(Value::string("Help"), true));
    EXPECT_EQ(asControl(zero)->getInteger(Value::string("Ausente"), 7), 7);
}

TEST_F(ControlTest, TheHotSpotAndTheCursorAreLoadedByNameAndTheHotSpotGivesContainmentAndMeasures)
{
    Value v = control("(\"Class\" \"X\") (\"Hot Spot\" (rect 10 20 30 40))");
    auto* c = asControl(v);
    EXPECT_EQ((std::vector<int>{velLeft(v), velTop(v), velWidth(v), velHeight(v)}), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_TRUE(c->containsPoint(10, 20) && c->containsPoint(39, 59));
    EXPECT_FALSE(c->containsPoint(40, 30) || c->containsPoint(9, 30));

    config().putGlobal("Area", read("(rect 100 100 5 5)"));
    Value named = control("(\"Class\" \"X\") (\"Hot Spot\" \"Area\")");
    EXPECT_TRUE(asControl(named)->containsPoint(102, 104));
    EXPECT_EQ(velWidth(named), 5);
    // A name that loads nothing, or a value that is no region, is no hot spot.
    Value broken = control("(\"Class\" \"X\") (\"Hot Spot\" \"Nenhuma\")");
    EXPECT_FALSE(asControl(broken)->containsPoint(0, 0));
    Value number = control("(\"Class\" \"X\") (\"Hot Spot\" 12)");
    EXPECT_EQ(velHeight(number), 0);

    config().putGlobal("Mao", Cursor::make(CursorKind::Hand));
    Value hand = control("(\"Class\" \"X\") (\"Cursor\" \"Mao\")");
    EXPECT_EQ(cursorKindOf(asControl(hand)->cursor()), CursorKind::Hand);
    EXPECT_EQ(cursorKindOf(asControl(hand)->cursorAt(3, 4)), CursorKind::Hand);
    Value missing = control("(\"Class\" \"X\") (\"Cursor\" \"Nada\")");
    EXPECT_TRUE(asControl(missing)->cursor().isNil());
}

TEST_F(ControlTest, ActionsAnswerAsTheBaseSays)
{
    Value v = control("(\"Class\" \"X\")");
    EXPECT_TRUE(velPerform(v, Value::string("Activate"), Value()).isNil());
    EXPECT_TRUE(asControl(v)->isActive());
    EXPECT_EQ(asControl(v)->property("Active"), Value::boolean(1)) << "stored as a boolean";
    velPerform(v, Value::string("Deactivate"), Value());
    EXPECT_EQ(asControl(v)->property("Active"), Value::boolean(0));

    EXPECT_EQ(velPerform(v, Value::string("Key"), read("(list 13 0)")), Value::boolean(0));
    for (const char* bad : {"(list 13)", "(list \"a\" 0)"})
        EXPECT_TRUE(velPerform(v, Value::string("Key"), read(bad)).isNil()) << bad;
    for (const Value& unknown : {Value::string("Desconhecida"), Value::integer(3)})
        EXPECT_TRUE(velPerform(v, unknown, Value()).isNil());

    EXPECT_TRUE(velPerform(Table::make(), Value::string("Draw"), Value()).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(ControlTest, TheCollectionBuiltinsWorkOnThePropertyTable)
{
    Value v = control("(\"Class\" \"X\") (\"Name\" \"OK\")");
    EXPECT_EQ(textOf(velGet(v, Value::string("Name"))), "OK");
    velPut(v, Value::string("Target Form"), Value::string("segunda.frm"));
    EXPECT_TRUE(velContainsKey(v, Value::string("Target Form")));
    EXPECT_EQ(textOf(asControl(v)->property("Target Form")), "segunda.frm");
    velRemoveKey(v, Value::string("Name"));
    EXPECT_FALSE(asControl(v)->hasProperty(Value::string("Name")));

    velControlObject bare{engine, Value()};
    bare.setInteger(Value::string("N"), 4);
    EXPECT_EQ(bare.getInteger(Value::string("N"), 0), 4);
}

} // namespace
} // namespace vel
