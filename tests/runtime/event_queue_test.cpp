#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "value/string.h"

namespace vel {
namespace {

using testing_support::VirtualClockTest;

class EventQueueTest : public VirtualClockTest {
protected:
    static EventRecord record(int32_t kind, int32_t detail = 0, int32_t x = 0, int32_t y = 0)
    {
        EventRecord e;
        e.kind = kind;
        e.detail = detail;
        e.x = x;
        e.y = y;
        return e;
    }

    // Everything queued, in order, taken without pumping anything.
    static std::vector<EventRecord> drain(EventQueue& queue)
    {
        std::vector<EventRecord> out;
        while (queue.size() > 0) {
            EventRecord e = queue.next(event_kind::All, 0); // the queue's first fetch is null
            if (e.kind != event_kind::Null)
                out.push_back(e);
        }
        return out;
    }
};

TEST_F(EventQueueTest, DefaultLimitDropsTheFiftyFirstEventAndKeepsArrivalOrder)
{
    EventQueue queue;
    EXPECT_EQ(queue.limit(), 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(queue.post(record(event_kind::KeyDown, 'a' + i % 26 + i * 1000)), 1) << i;
    EXPECT_EQ(queue.post(record(event_kind::KeyDown, 999)), 0);
    EXPECT_EQ(queue.post(record(event_kind::MouseDown, 1)), 0);
    auto events = drain(queue);
    ASSERT_EQ(events.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(events[i].detail, 'a' + i % 26 + i * 1000);
    // Taken records go back to the free list: the queue takes a full load again.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(queue.post(record(event_kind::KeyUp, i)), 1);
    EXPECT_EQ(queue.post(record(event_kind::KeyUp, 50)), 0);
}

TEST_F(EventQueueTest, LimitComesFromTheCallerWithinSaneBounds)
{
    EventQueue small(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(small.post(record(event_kind::KeyDown, i)), 1);
    EXPECT_EQ(small.post(record(event_kind::KeyDown, 3)), 0);

    EXPECT_EQ(EventQueue(0).limit(), 1);
    EXPECT_EQ(EventQueue(-7).limit(), 1);
    EXPECT_EQ(EventQueue(INT_MAX).limit(), EventQueue::MaxLimit);
}

TEST_F(EventQueueTest, MouseOverAndTimerAreOverwrittenWhereTheyStand)
{
    EventQueue queue;
    queue.post(record(event_kind::KeyDown, 1));
    queue.post(record(event_kind::MouseOver, 0, 10, 20));
    queue.post(record(event_kind::Timer, 7));
    queue.post(record(event_kind::KeyDown, 2));
    EXPECT_EQ(queue.post(record(event_kind::MouseOver, 0, 30, 40)), 1);
    EXPECT_EQ(queue.post(record(event_kind::Timer, 8)), 1);
    EXPECT_EQ(queue.post(record(event_kind::MouseOver, 0, 50, 60)), 1);
    EXPECT_EQ(queue.size(), 4);

    auto events = drain(queue);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, event_kind::KeyDown);
    EXPECT_EQ(events[1].kind, event_kind::MouseOver);
    EXPECT_EQ(events[1].x, 50);
    EXPECT_EQ(events[1].y, 60);
    EXPECT_EQ(events[2].kind, event_kind::Timer);
    EXPECT_EQ(events[2].detail, 8);
    EXPECT_EQ(events[3].detail, 2);
}

TEST_F(EventQueueTest, MergingWorksOnAFullQueueButOtherKindsAreDropped)
{
    EventQueue queue(2);
    queue.post(record(event_kind::MouseOver, 0, 1, 1));
    queue.post(record(event_kind::KeyDown, 1));
    EXPECT_EQ(queue.post(record(event_kind::MouseOver, 0, 2, 2)), 1);
    EXPECT_EQ(queue.post(record(event_kind::Timer)), 0);
    EXPECT_EQ(queue.post(record(event_kind::MouseDrag, 0, 3, 3)), 0);
    auto events = drain(queue);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].x, 2);
}

TEST_F(EventQueueTest, AKindlessRecordIsRefusedSinceNoMaskCouldTakeIt)
{
    EventQueue queue(1);
    EXPECT_EQ(queue.post(record(event_kind::Null)), 0);
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(queue.post(record(event_kind::KeyDown)), 1);
}

TEST_F(EventQueueTest, DiscardRemovesEveryEventOfTheMaskedKindsAndFreesTheirValues)
{
    EventQueue queue(6);
    Value text = Value::string("kept by the event");
    EventRecord carrying = record(event_kind::ObjectMessage);
    carrying.value1 = text;
    queue.post(record(event_kind::MouseDown, 1));
    queue.post(carrying);
    carrying = EventRecord{};
    queue.post(record(event_kind::KeyDown, 2));
    queue.post(record(event_kind::MouseUp, 3));
    queue.post(record(event_kind::KeyDown, 4));
    EXPECT_EQ(text.object()->referenceCount(), 2);

    queue.discard(event_kind::MouseDown | event_kind::MouseUp | event_kind::ObjectMessage);
    EXPECT_EQ(text.object()->referenceCount(), 1);
    EXPECT_EQ(queue.size(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(queue.post(record(event_kind::KeyUp, 10 + i)), 1);
    EXPECT_EQ(queue.post(record(event_kind::KeyUp, 99)), 0);

    auto events = drain(queue);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0].detail, 2);
    EXPECT_EQ(events[1].detail, 4);
    EXPECT_EQ(events[2].detail, 10);
    EXPECT_EQ(events[5].detail, 13);

    queue.post(record(event_kind::KeyDown));
    queue.discard(0);
    EXPECT_EQ(queue.size(), 1);
    queue.discard(event_kind::All);
    EXPECT_EQ(queue.size(), 0);
}

TEST_F(EventQueueTest, ATakenEventHandsItsValuesToTheCaller)
{
    EventQueue queue;
    Value text = Value::string("notifying object");
    EventRecord e = record(event_kind::MediaNotification);
    e.value1 = text;
    queue.post(e);
    e = EventRecord{};
    queue.next(event_kind::All, 0);
    EventRecord taken = queue.next(event_kind::MediaNotification, 0);
    EXPECT_EQ(taken.kind, event_kind::MediaNotification);
    EXPECT_EQ(taken.value1, text);
    EXPECT_EQ(text.object()->referenceCount(), 2); // ours and the caller's; none left in the queue
}

TEST_F(EventQueueTest, CloseRequestOnAFullQueueEmptiesItAndIsQueued)
{
    EventQueue queue;
    for (int i = 0; i < 50; ++i)
        queue.post(record(event_kind::KeyDown, i));
    EXPECT_EQ(queue.post(record(event_kind::CloseRequest)), 0);
    EXPECT_EQ(queue.postCloseRequest(record(event_kind::CloseRequest)), 1);
    auto events = drain(queue);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, event_kind::CloseRequest);

    // With room to spare nothing is thrown away.
    queue.post(record(event_kind::KeyDown, 5));
    EXPECT_EQ(queue.postCloseRequest(record(event_kind::CloseRequest)), 1);
    EXPECT_EQ(queue.size(), 2);
}

} // namespace
} // namespace vel
