// Edit fields: what typing, pasting, setting and leaving do to the text, and typed accents arriving
// in Windows-1252.
#include <gtest/gtest.h>

#include "controls/number_format.h"
#include "controls/text_field.h"
#include "controls_test_support.h"
#include "field_test_support.h"
#include "platform/message.h"
#include "platform/text_encoding.h"
#include "runtime/caret.h"
#include "runtime/clipboard.h"
#include "runtime/event_test_support.h"
#include "runtime/input_translator.h"

namespace vel {
namespace {

constexpr int32_t Shift = modifier::Shift, Ctrl = modifier::Ctrl;

class TextFieldTest : public testing_support::FieldTest {
protected:
    TextField& field(const std::string& data)
    {
        TextField& f = make<TextField>("(\"Hot Spot\" (rect 10 10 200 24)) " + data);
        f.activate();
        return f;
    }
    static void type(TextField& f, std::string_view text)
    {
        for (unsigned char c : text)
            f.key(c, 0);
    }
    static std::string text(TextField& f) { return textIn(f.property("StringValue")); }
    bool beeped()
    {
        const bool playing = !engine.playback().wave().playing().isNil();
        engine.playback().wave().stopAny();
        return playing;
    }
};

TEST_F(TextFieldTest, TypingRespectsFilterLengthBoundsAndWidth)
{
    const std::string wide(60, 'W');
    struct Case {
        const char* data;
        const char* typed;
        const char* kept;
    } cases[] = {
        {"(\"MaxLength\" 3)", "abcd", "abc"},
        {"(\"Filter\" \"0123456789\")", "1a2", "12"},
        // Past the maximum no more digits can come back; short of the minimum they still may.
        {"(\"Filter\" \"0123456789\") (\"MinValue\" 10) (\"MaxValue\" 500)", "7505", "75"},
        {"(\"MinValue\" -20) (\"MaxValue\" 100)", "-25", "-2"},
        {"(\"MinValue\" 10)", "5", "5"},
        {"", wide.c_str(), nullptr},
        {"(\"Scrollable\" true)", wide.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        TextField& f = field(c.data);
        type(f, c.typed);
        if (c.kept)
            EXPECT_EQ(text(f), c.kept) << c.data;
        else if (std::string(c.data).empty())
            EXPECT_LT(text(f).size(), 30u) << "a field that does not scroll takes what fits";
        else
            EXPECT_EQ(text(f).size(), 60u) << "a scrolling field takes it all";
    }
    TextField& f = field("(\"MaxLength\" 1)");
    beeped();
    type(f, "a");
    EXPECT_FALSE(beeped());
    type(f, "b");
    EXPECT_TRUE(beeped()) << "a refused key beeps";
}

TEST_F(TextFieldTest, LeavingClampsToTheBoundsAndAppliesTheFormat)
{
    struct Case {
        const char* data;
        const char* text;
        const char* left;
    } cases[] = {
        {"(\"MinValue\" 10) (\"MaxValue\" 100)", "5", "10"},
        {"(\"MinValue\" 10) (\"MaxValue\" 100)", "150", "100"},
        {"(\"MinValue\" 10)", "", ""},
        {"(\"Format\" \"%ld\")", "3.7", "3"},
        {"(\"Format\" \"%.2lf\")", "2", "2.00"},
        {"(\"Format\" \"R$ %5.1lf\") (\"MaxValue\" 10)", "12.25", "R$  10.0"},
    };
    for (const Case& c : cases) {
        TextField& f = field(c.data);
        f.setProperty(Value::string("StringValue"), Value::string(c.text));
        f.deactivate();
        EXPECT_EQ(text(f), c.left) << c.data << " " << c.text;
    }
    // A pattern with another conversion, or more than one, is refused before it reaches printf.
    for (const char* pattern : {"%d", "%ld %s", "%lf%%%lf", "%99999ld"}) {
        TextField& f = field(std::string("(\"Format\" \"") + pattern + "\")");
        f.setProperty(Value::string("StringValue"), Value::string("42"));
        f.perform(Value::string("deactivate"), Value());
        EXPECT_EQ(text(f), "42") << pattern;
        EXPECT_EQ(errors(), std::vector<std::string>{std::string("Format type not allowed: ") + pattern});
    }
}

TEST_F(TextFieldTest, SetTextAndReplaceSelHonourTheLimits)
{
    TextField& f = field("(\"Format\" \"%ld\") (\"MaxValue\" 100) (\"MaxLength\" 4)");
    EXPECT_TRUE(isTrue(f.perform(Value::string("setText"), Value::string("42.9"))));
    EXPECT_EQ(text(f), "42");
    EXPECT_EQ(f.edit().selected(), "42");
    EXPECT_FALSE(isTrue(f.perform(Value::string("setText"), Value::string("150"))));
    EXPECT_FALSE(isTrue(f.perform(Value::string("replaceSel"), Value::string("12345"))));
    EXPECT_EQ(text(f), "42");
    EXPECT_TRUE(beeped());
    f.perform(Value::string("replaceSel"), Value::string("7"));
    EXPECT_EQ(textIn(f.perform(Value::string("getText"), Value())), "7");
}

TEST_F(TextFieldTest, EditingKeysAndTheClipboard)
{
    TextField& f = field("(\"MaxLength\" 12)");
    type(f, "ol\xE1 mundo");
    f.key(key_code::Home, 0);
    for (int i = 0; i < 3; ++i)
        f.key(key_code::Right, Shift);
    f.key('X', Ctrl); // the key message of Ctrl+X types nothing
    f.key(24, Ctrl);
    EXPECT_EQ(text(f), " mundo");
    EXPECT_EQ(platform::utf8FromWindows1252(engine.clipboard().getText().value_or("")), "olá");
    f.key(key_code::End, 0);
    f.key(22, Ctrl);
    f.key(8, 0);
    f.key(key_code::Home, 0);
    f.key(key_code::Delete, 0);
    EXPECT_EQ(text(f), "mundool");
    // A paste that would pass the length is refused whole; one line of a longer text is taken.
    clipboardPutText(engine.clipboard(), Value::string("123456"));
    f.key(22, Ctrl);
    EXPECT_EQ(text(f), "mundool");
    EXPECT_TRUE(beeped());
    clipboardPutText(engine.clipboard(), Value::string("12\r\nxyz"));
    f.key(22, Ctrl);
    EXPECT_EQ(text(f), "12mundool");
    // Letters never reach a numeric field by the clipboard either.
    TextField& digits = field("(\"Filter\" \"0123456789\")");
    clipboardPutText(engine.clipboard(), Value::string("4a"));
    digits.key(22, Ctrl);
    EXPECT_EQ(text(digits), "");
}

TEST_F(TextFieldTest, NotifiesTheFormOnEnterOrOnEveryKey)
{
    TextField& quiet = field("(\"MaxValue\" 100)");
    EXPECT_FALSE(quiet.key('9', 0));
    EXPECT_TRUE(quiet.key(13, 0));
    quiet.setProperty(Value::string("StringValue"), Value::string("250"));
    EXPECT_TRUE(quiet.key(13, 0));
    EXPECT_EQ(text(quiet), "100") << "Enter hands the form a text inside the bounds";
    TextField& eager = field("(\"NotifyOnEachKey\" true)");
    EXPECT_TRUE(eager.key('a', 0));
    EXPECT_FALSE(eager.key(27, 0)) << "Escape is the form's";
}

TEST_F(TextFieldTest, TypedAccentsArriveInWindows1252)
{
    // What the window's text input gives (after dead keys and AltGr have composed it) goes through
    // the input translator to the field.
    TextField& f = field("");
    InputTranslator input(host.events());
    for (char c : platform::windows1252FromUtf8("ção ü €"))
        input.translate(testing_support::characterMessage(static_cast<unsigned char>(c)));
    for (int i = 0; i < 16; ++i)
        if (EventRecord e = host.events().next(event_kind::KeyDown, 0); e.kind)
            f.key(e.detail, e.modifiers);
    EXPECT_EQ(text(f), "\xE7\xE3o \xFC \x80");
}

class CaretTest : public testing_support::ControlsTest {};

TEST_F(CaretTest, BlinksOnTheClockIsLitAfterEachKeyAndStopsWhenItsFormIsGone)
{
    openForm("(control (\"Class\" \"TextField\") (\"Name\" \"F\") (\"Hot Spot\" (rect 10 10 200 24)))");
    form()->setActiveControl(form()->findControl(Value::string("F")), 1);
    auto& f = control<TextField>("F");
    const Caret& caret = *engine.caret();
    auto lit = [&] { return pixel(caret.rect().left, caret.rect().top + 2) != 0xFFFFFFu; };
    auto turn = [&] { clock().advance(Caret::BlinkMilliseconds), engine.idleWork(); };
    f.key('a', 0);
    for (bool expected : {true, false, true, false, true}) {
        EXPECT_EQ(lit(), expected);
        turn();
    }
    f.key('b', 0);
    EXPECT_TRUE(lit()) << "a key shows the caret at once, whatever the phase";
    host.setCurrentForm(Value());
    turn();
    EXPECT_FALSE(caret.shown()) << "a field whose form is no longer on screen gives the caret up";
}

TEST_F(TextFieldTest, MouseSelectsByDragAndDoubleClick)
{
    TextField& f = field("");
    f.perform(Value::string("setText"), Value::string("palavra"));
    during({at(event_kind::MouseDrag, 300, 17), at(event_kind::MouseUp, 300, 17)}, [&] { return f.track(12, 17, 0, 1); });
    EXPECT_EQ(f.edit().selected(), "palavra");
    during({at(event_kind::MouseUp, 12, 17)}, [&] { return f.track(12, 17, 0, 1); });
    EXPECT_FALSE(f.edit().hasSelection());
    during({at(event_kind::MouseUp, 12, 17)}, [&] { return f.track(12, 17, 0, 2); });
    EXPECT_EQ(f.edit().selected(), "palavra");
}

} // namespace
} // namespace vel
