// The library base: property reads, the hand cursor, the help action, rollover and the sound effect.
#include <gtest/gtest.h>

#include "controls/library_control.h"
#include "runtime/form_test_support.h"
#include "runtime/resources.h"
#include "runtime/sound_test_support.h"
#include "value/list.h"

namespace vel {
namespace {

class LibraryControlTest : public testing_support::FormTest {
protected:
    // A control holding the table entries given.
    velLibraryControl& make(const std::string& data)
    {
        value = Value::adopt(Tag::Control, new velLibraryControl(engine, read("(table " + data + ")")));
        return *static_cast<velLibraryControl*>(value.object());
    }
    Value value;
};

TEST_F(LibraryControlTest, PropertyReadsFollowReferencesAndIntegersFallBack)
{
    config().putGlobal("Sete", Value::integer(7));
    velLibraryControl& c = make("(\"A\" \"12\") (\"B\" 1.5) (\"C\" 4) (\"Hot Spot\" (rect 1 2 30 40))");
    c.setProperty(Value::string("R"), ResourceReference::make(engine.resources(), Value::string("Sete")));
    EXPECT_EQ(c.property("R").asInt(), 7);
    const std::pair<const char*, int32_t> cases[] = {{"A", -1}, {"B", -1}, {"C", 4}, {"R", 7}, {"Absent", -1}};
    for (auto [key, expected] : cases)
        EXPECT_EQ(c.integer(key, -1), expected) << key;
    EXPECT_EQ(cursorKindOf(c.cursor()), CursorKind::Hand);
    EXPECT_EQ(c.hotSpotRect().width(), 30);
}

TEST_F(LibraryControlTest, HelpStringOnlyWhileEnabled)
{
    velLibraryControl& c = make("(\"Help\" \"Ajuda\")");
    EXPECT_EQ(textOf(c.perform(Value::string("getHelpString"), Value())), "Ajuda");
    c.setBoolean(Value::string("Disabled"), 1);
    EXPECT_TRUE(c.perform(Value::string("getHelpString"), Value()).isNil());
}

TEST_F(LibraryControlTest, RolloverDrawsAtTheHotSpotAndLeavingDrawsTheScreenBack)
{
    host.drawing().fill({0, 0, 640, 480}, 0x00FF00);
    velLibraryControl& c = make("(\"Hot Spot\" (rect 10 20 60 70))");
    c.setProperty(Value::string("RolloverImage"), solidImage(8, 8, 0xFF0000));
    c.mouseEnter(12, 22);
    EXPECT_EQ(pixel(10, 20), 0xFF0000u);
    EXPECT_EQ(shownPixel(17, 27), 0xFF0000u);
    EXPECT_EQ(pixel(18, 20), 0x00FF00u);
    c.mouseLeave(Value(), 0, 0);
    EXPECT_EQ(shownPixel(10, 20), 0x00FF00u);
    EXPECT_FALSE(c.rolloverShowing());

    // An explicit place, and a rollover image that does not load: nothing drawn, nothing kept.
    c.setInteger(Value::string("RolloverX"), 100);
    c.mouseEnter(12, 22);
    EXPECT_EQ(pixel(100, 20), 0xFF0000u);
    c.mouseLeave(Value(), 0, 0);
    EXPECT_EQ(pixel(100, 20), 0x00FF00u);
    c.setProperty(Value::string("RolloverImage"), Value::integer(3));
    c.mouseEnter(12, 22);
    EXPECT_FALSE(c.rolloverShowing());
}

Value notice(const Value& media)
{
    Value list = ValueList::make();
    asList(list)->append(media);
    asList(list)->append(Value::string("ended"));
    return list;
}

class LibraryControlSoundTest : public LibraryControlTest {
protected:
    void SetUp() override
    {
        LibraryControlTest::SetUp();
        useScratchMediaRoot();
        engine.mixer().open(platform::AudioMixer::Output::Manual);
        disc.write("Media/bip.wav", testing_support::asText(testing_support::pcm16Wave(
                                        testing_support::sine(2205, 22050, 440), 1, 22050)));
    }
};

TEST_F(LibraryControlSoundTest, NamesAreCompletedAndSoundEffectsSwitchOff)
{
    velLibraryControl& c = make("");
    EXPECT_EQ(c.playSound(Value::string("bip"), 0), 1);
    EXPECT_TRUE(c.isSoundPlaying());
    c.stopSound();
    EXPECT_FALSE(c.isSoundPlaying());
    EXPECT_EQ(c.playSound(Value::string("bip.wav"), 0), 1);
    c.stopSound();
    // A name with a dot is used as it is.
    EXPECT_EQ(c.playSound(Value::string("bip.x"), 0), 0);
    config().set("SoundEffects", Value::integer(0));
    EXPECT_EQ(c.playSound(Value::string("bip"), 0), 0);
    EXPECT_FALSE(c.isSoundPlaying());
}

TEST_F(LibraryControlSoundTest, OnlyTheEndOfItsOwnSoundStopsIt)
{
    velLibraryControl& c = make("");
    ASSERT_EQ(c.playSound(Value::string("bip"), 0), 1);
    Value own = engine.playback().wave().playing();
    c.dataEvent(notice(Value::string("other")), Value());
    EXPECT_TRUE(engine.playback().wave().isPlaying(own.object()));
    c.dataEvent(notice(own), Value());
    EXPECT_FALSE(engine.playback().wave().isPlaying(own.object()));
    EXPECT_FALSE(c.isSoundPlaying());
}

} // namespace
} // namespace vel
