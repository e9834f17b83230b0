#include <gtest/gtest.h>

#include <vector>

#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "runtime/input_translator.h"

namespace vel {
namespace {

using platform::MessageKind;
using testing_support::pointerMessage;

class InputMouseTest : public testing_support::VirtualClockTest {
protected:
    void feed(MessageKind kind, int x, int y)
    {
        platform::Message m = pointerMessage(kind, x, y);
        m.time = clock.now();
        translator.translate(m);
    }
    // A press and release at a point, after ms milliseconds.
    void clickAfter(uint32_t ms, int x, int y)
    {
        clock.advance(ms);
        feed(MessageKind::LeftDown, x, y);
        clock.advance(60);
        feed(MessageKind::LeftUp, x, y);
    }
    std::vector<EventRecord> posted(int32_t mask = event_kind::All)
    {
        std::vector<EventRecord> out;
        while (queue.size() > 0) {
            EventRecord e = queue.next(event_kind::All, 0); // the queue's first fetch is null
            if (e.kind & mask)
                out.push_back(e);
        }
        return out;
    }
    std::vector<int32_t> clickCounts()
    {
        std::vector<int32_t> counts;
        for (const auto& e : posted(event_kind::MouseDown))
            counts.push_back(e.detail);
        return counts;
    }

    EventQueue queue;
    InputTranslator translator{queue};
};

TEST_F(InputMouseTest, QuickPressesAtNearlyTheSamePointCountUp)
{
    clickAfter(0, 100, 100);
    clickAfter(150, 102, 99);
    clickAfter(150, 98, 103);
    clickAfter(150, 101, 101);
    EXPECT_EQ(clickCounts(), (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(InputMouseTest, ASlowOrDistantPressStartsOver)
{
    clickAfter(0, 50, 50);
    clickAfter(1000, 50, 50); // slow
    clickAfter(100, 50, 50);
    clickAfter(100, 55, 50); // too far to the right
    clickAfter(100, 55, 45); // too far up
    clickAfter(100, 55, 45);
    EXPECT_EQ(clickCounts(), (std::vector<int32_t>{1, 1, 2, 1, 1, 2}));
}

TEST_F(InputMouseTest, TheTimeLimitIsExclusiveAndTheDistanceLimitInclusive)
{
    // Presses 499 ms apart count; 500 ms apart do not. Four pixels each way count; five do not.
    feed(MessageKind::LeftDown, 10, 10);
    feed(MessageKind::LeftUp, 10, 10);
    clock.advance(InputTranslator::DoubleClickMilliseconds - 1);
    feed(MessageKind::LeftDown, 14, 6);
    feed(MessageKind::LeftUp, 14, 6);
    clock.advance(InputTranslator::DoubleClickMilliseconds);
    feed(MessageKind::LeftDown, 14, 6);
    feed(MessageKind::LeftUp, 14, 6);
    clock.advance(10);
    feed(MessageKind::LeftDown, 9, 6);
    EXPECT_EQ(clickCounts(), (std::vector<int32_t>{1, 2, 1, 1}));
}

TEST_F(InputMouseTest, ManyMovesLeaveOneMouseOverWithTheLastPosition)
{
    for (int i = 0; i < 500; ++i) {
        clock.advance(1);
        feed(MessageKind::MouseMove, i % 640, i / 3);
    }
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, event_kind::MouseOver);
    EXPECT_EQ(events[0].x, 499 % 640);
    EXPECT_EQ(events[0].y, 499 / 3);
    EXPECT_EQ(events[0].time, 1500);
}

TEST_F(InputMouseTest, AMoveToWhereThePointerAlreadyIsIsIgnored)
{
    feed(MessageKind::MouseMove, 7, 8);
    EXPECT_EQ(posted().size(), 1u);
    feed(MessageKind::MouseMove, 7, 8);
    EXPECT_TRUE(posted().empty());
    feed(MessageKind::LeftDown, 30, 30);
    feed(MessageKind::MouseMove, 30, 30);
    EXPECT_EQ(posted().size(), 1u); // the press alone
}

TEST_F(InputMouseTest, MovingWithTheButtonDownDragsAndTheReleaseEndsTheCapture)
{
    feed(MessageKind::LeftDown, 20, 20);
    EXPECT_TRUE(translator.captured());
    EXPECT_EQ(translator.modifiers(), modifier::LeftButton);
    feed(MessageKind::MouseMove, 25, 21);
    feed(MessageKind::MouseMove, 700, -5); // outside the window: still the window's while captured
    feed(MessageKind::LeftUp, 700, -5);
    EXPECT_FALSE(translator.captured());
    feed(MessageKind::MouseMove, 600, 5);
    auto events = posted();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, event_kind::MouseDown);
    EXPECT_EQ(events[0].modifiers, modifier::LeftButton);
    // Drags are not merged: a tracking control sees every step.
    EXPECT_EQ(events[1].kind, event_kind::MouseDrag);
    EXPECT_EQ(events[1].x, 25);
    EXPECT_EQ(events[2].kind, event_kind::MouseDrag);
    EXPECT_EQ(events[2].x, 700);
    EXPECT_EQ(events[3].kind, event_kind::MouseUp);
    EXPECT_EQ(events[3].y, -5);
    EXPECT_EQ(events[3].modifiers, 0);
    EXPECT_EQ(events[4].kind, event_kind::MouseOver);
}

TEST_F(InputMouseTest, AReleaseWithoutAPressInTheWindowPostsNothing)
{
    feed(MessageKind::LeftUp, 3, 3);
    feed(MessageKind::LeftDown, 3, 3);
    feed(MessageKind::LeftUp, 3, 3);
    feed(MessageKind::LeftUp, 3, 3);
    auto events = posted();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, event_kind::MouseDown);
    EXPECT_EQ(events[1].kind, event_kind::MouseUp);
}

TEST_F(InputMouseTest, KeysCarryThePointerPositionAndButtonState)
{
    feed(MessageKind::MouseMove, 40, 41);
    feed(MessageKind::RightDown, 40, 41);
    platform::Message m = testing_support::characterMessage('w');
    translator.translate(m);
    auto events = posted(event_kind::KeyDown);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].x, 40);
    EXPECT_EQ(events[0].y, 41);
    EXPECT_EQ(events[0].modifiers, modifier::RightButton);
}

} // namespace
} // namespace vel
