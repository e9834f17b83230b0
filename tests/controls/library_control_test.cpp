// The library base: property reads, the hand cursor, the help action, rollover and the sound effect.
#include <gtest/gtest.h>

#include "controls_test_support.h"
#include "runtime/resources.h"
#include "value/list.h"

namespace vel {
namespace {

class LibraryControlTest : public testing_support::ControlsTest {
protected:
    // A control holding the table entries given.
    velLibraryControl& make(const std::string& data)
    {
        value = Value::adopt(Tag::Control, new velLibraryControl(engine, read("(table " + data + ")")));
        return *static_cast<velLibraryControl*>(value.object());
    }
    Value value;
};

TEST_F(LibraryControlTest, PropertiesHelpAndCursor)
{
    config().putGlobal("Sete", Value::integer(7));
    velLibraryControl& c = make("(\"A\" \"12\") (\"B\" 1.5) (\"C\" 4) (\"Help\" \"Ajuda\")");
    c.setProperty(Value::string("R"), ResourceReference::make(engine.resources(), Value::string("Sete")));
    const std::pair<const char*, int32_t> cases[] = {{"A", -1}, {"B", -1}, {"C", 4}, {"R", 7}, {"Absent", -1}};
    for (auto [key, expected] : cases)
        EXPECT_EQ(c.integer(key, -1), expected) << key;
    EXPECT_EQ(cursorKindOf(c.cursor()), CursorKind::Hand);
    EXPECT_EQ(textOf(c.perform(Value::string("getHelpString"), Value())), "Ajuda");
}

TEST_F(LibraryControlTest, RolloverDrawsAtTheHotSpotAndLeavingDrawsTheScreenBack)
{
    velLibraryControl& c = make("(\"Hot Spot\" (rect 10 20 60 70))");
    c.setProperty(Value::string("RolloverImage"), solidImage(8, 8, 0xFF0000));
    c.mouseEnter(12, 22);
    EXPECT_EQ(shownPixel(17, 27), 0xFF0000u);
    c.mouseLeave(Value(), 0, 0);
    EXPECT_EQ(shownPixel(10, 20), kScreen);
}

TEST_F(LibraryControlTest, SoundNamesAreCompletedAndOnlyTheEndOfItsOwnSoundStopsIt)
{
    velLibraryControl& c = make("");
    EXPECT_EQ(c.playSound(Value::string("bip.x"), 0), 0) << "a name with a dot is used as it is";
    ASSERT_EQ(c.playSound(Value::string("bip"), 0), 1);
    Value own = engine.playback().wave().playing();
    for (const Value& media : {Value::string("other"), own}) {
        Value notice = ValueList::make();
        asList(notice)->append(media);
        asList(notice)->append(Value::string("ended"));
        EXPECT_TRUE(c.isSoundPlaying());
        c.dataEvent(notice, Value());
    }
    EXPECT_FALSE(c.isSoundPlaying());
    ASSERT_EQ(c.playSound(Value::string("bip.wav"), 0), 1);
    clock().advance(500);
    engine.playback().wave().checkEnd();
    EXPECT_FALSE(c.isSoundPlaying()) << "an end that reached no control is an end all the same";
    config().set("SoundEffects", Value::integer(0));
    EXPECT_EQ(c.playSound(Value::string("bip.wav"), 0), 0);
}

} // namespace
} // namespace vel
