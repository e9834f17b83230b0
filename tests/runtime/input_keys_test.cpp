#include <gtest/gtest.h>

#include <vector>

#include "runtime/caret.h"
#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "runtime/input_translator.h"

namespace vel {
namespace {

using platform::MessageKind;
using testing_support::characterMessage;
using testing_support::keyMessage;
namespace vk = platform::vk;
namespace ks = platform::keystate;

class InputKeysTest : public testing_support::VirtualClockTest {
protected:
    void feed(const platform::Message& m)
    {
        platform::Message stamped = m;
        stamped.time = clock.now();
        EXPECT_TRUE(translator.translate(stamped));
    }
    void press(int key, uint32_t state = 0) { feed(keyMessage(MessageKind::KeyDown, key, state)); }
    void release(int key, uint32_t state = 0) { feed(keyMessage(MessageKind::KeyUp, key, state)); }
    void type(int character, uint32_t state = 0) { feed(characterMessage(character, state)); }

    std::vector<EventRecord> posted()
    {
        std::vector<EventRecord> out;
        while (queue.size() > 0) {
            EventRecord e = queue.next(event_kind::All, 0); // the queue's first fetch is null
            if (e.kind != event_kind::Null)
                out.push_back(e);
        }
        return out;
    }

    EventQueue queue;
    Caret caret;
    InputTranslator translator{queue, &caret};
};

TEST_F(InputKeysTest, FiftyOneKeyPressesWithoutAFetchLoseTheLast)
{
    for (int i = 0; i < 51; ++i) {
        press('A' + i % 26);
        type('a' + i % 26);
        release('A' + i % 26);
    }
    auto events = posted();
    ASSERT_EQ(events.size(), 50u);
    // Key downs and key ups share the fifty records: twenty-five presses fit whole.
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, i % 2 == 0 ? event_kind::KeyDown : event_kind::KeyUp);
        EXPECT_EQ(events[i].detail, 'a' + static_cast<int32_t>(i / 2) % 26);
    }
}

TEST_F(InputKeysTest, FiftyOneCharactersFillTheQueueAndTheLastIsDropped)
{
    for (int i = 0; i < 51; ++i)
        type(i < 50 ? 'x' : 'y');
    auto events = posted();
    ASSERT_EQ(events.size(), 50u);
    for (const auto& e : events)
        EXPECT_EQ(e.detail, 'x');
}

TEST_F(InputKeysTest, AltPressedAndReleasedAlonePostsOnlyItsKeyUp)
{
    press(vk::Menu, ks::Alt);
    press(vk::Menu, ks::Alt); // auto-repeat
    EXPECT_EQ(translator.modifiers(), modifier::Alt);
    release(vk::Menu);
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, event_kind::KeyUp);
    EXPECT_EQ(events[0].detail, 65536 * 24);
    EXPECT_EQ(events[0].modifiers, 0);
}

TEST_F(InputKeysTest, AltWithALetterPostsTheCapitalAndNoAltUp)
{
    press(vk::Menu, ks::Alt);
    press('F', ks::Alt);
    type('f', ks::Alt); // characters typed with Alt held are not posted
    release('F', ks::Alt);
    release(vk::Menu);
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, event_kind::KeyDown);
    EXPECT_EQ(events[0].detail, 'F');
    EXPECT_EQ(events[0].modifiers, modifier::Alt);
}

TEST_F(InputKeysTest, CtrlCGivesTheLetterThenTheControlCharacter)
{
    press(vk::Control, ks::Control);
    press('C', ks::Control);
    type(3, ks::Control);
    release('C', ks::Control);
    release(vk::Control);
    auto events = posted();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, event_kind::KeyDown);
    EXPECT_EQ(events[0].detail, 67);
    EXPECT_EQ(events[1].kind, event_kind::KeyDown);
    EXPECT_EQ(events[1].detail, 3);
    EXPECT_EQ(events[0].modifiers, modifier::Ctrl);
    EXPECT_EQ(events[1].modifiers, modifier::Ctrl);
    EXPECT_EQ(events[2].kind, event_kind::KeyUp);
    EXPECT_EQ(events[2].detail, 3);
    EXPECT_EQ(translator.modifiers(), 0);
}

TEST_F(InputKeysTest, CtrlWithADigitPostsTheDigitButPunctuationPostsNothing)
{
    press(vk::Control, ks::Control);
    press('7', ks::Control);
    press(0xBA, ks::Control); // a punctuation key
    press(vk::Space, ks::Control);
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].detail, '7');
}

TEST_F(InputKeysTest, PlainKeysPostOnlyThroughTheirCharacters)
{
    press(vk::Shift, ks::Shift);
    press('A', ks::Shift);
    EXPECT_EQ(queue.size(), 0);
    type(0xC7, ks::Shift); // a capital C cedilla from the layout
    release('A', ks::Shift);
    release('A', ks::Shift); // nothing pending any more
    release(vk::Shift);
    press(vk::Return);
    type('\r');
    release(vk::Return);
    press(vk::Escape);
    type(27);
    press(vk::Tab);
    type('\t');
    press(vk::Back);
    type(8);
    auto events = posted();
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].detail, 0xC7);
    EXPECT_EQ(events[0].modifiers, modifier::Shift);
    EXPECT_EQ(events[1].kind, event_kind::KeyUp);
    EXPECT_EQ(events[1].detail, 0xC7);
    EXPECT_EQ(events[2].detail, 13);
    EXPECT_EQ(events[2].modifiers, 0);
    EXPECT_EQ(events[3].kind, event_kind::KeyUp);
    EXPECT_EQ(events[4].detail, 27);
    EXPECT_EQ(events[5].detail, 9);
    EXPECT_EQ(events[6].detail, 8);
}

TEST_F(InputKeysTest, SpecialKeysGiveMultiplesOf65536WhateverTheModifiers)
{
    const struct {
        int key;
        int32_t multiple;
    } keys[] = {{vk::F1, 1},      {vk::F1 + 4, 5},   {vk::F12, 12},  {vk::Insert, 13}, {vk::Delete, 14},
                {vk::Home, 15},   {vk::End, 16},     {vk::Prior, 18}, {vk::Next, 19},  {vk::Left, 20},
                {vk::Right, 21},  {vk::Up, 22},      {vk::Down, 23}};
    for (const auto& k : keys)
        press(k.key);
    press(vk::Left, ks::Shift | ks::Control);
    auto events = posted();
    ASSERT_EQ(events.size(), std::size(keys) + 1);
    for (std::size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(events[i].kind, event_kind::KeyDown);
        EXPECT_EQ(events[i].detail, 65536 * keys[i].multiple) << i;
    }
    EXPECT_EQ(events.back().detail, 65536 * 20);
    EXPECT_EQ(events.back().modifiers, modifier::Shift | modifier::Ctrl);
}

TEST_F(InputKeysTest, LosingTheFocusForgetsTheLastKeyAndTheHeldModifiers)
{
    caret.show(5, 6, 2, 14);
    press(vk::Menu, ks::Alt);
    feed(testing_support::message(MessageKind::FocusLost));
    EXPECT_FALSE(caret.visible());
    EXPECT_EQ(translator.modifiers(), 0);
    feed(testing_support::message(MessageKind::FocusGained));
    EXPECT_TRUE(caret.visible());
    release(vk::Menu);
    auto events = posted();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, event_kind::Deactivated);
    EXPECT_EQ(events[1].kind, event_kind::Activated);
}

TEST_F(InputKeysTest, NonInputMessagesAreLeftToTheWindow)
{
    for (auto kind : {MessageKind::Expose, MessageKind::Quit, MessageKind::None}) {
        platform::Message m = testing_support::message(kind);
        EXPECT_FALSE(translator.translate(m));
    }
    EXPECT_EQ(queue.size(), 0);
}

TEST_F(InputKeysTest, CloseRequestGetsThroughAFullQueue)
{
    for (int i = 0; i < 60; ++i)
        type('a');
    feed(testing_support::message(MessageKind::CloseRequest));
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, event_kind::CloseRequest);
}

} // namespace
} // namespace vel
