// The event queue: its limit, the kinds merged where they stand, discards, close requests, and
// the values events carry.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"

namespace vel {
namespace {

class EventQueueTest : public testing_support::VirtualClockTest {
protected:
    static EventRecord record(int32_t kind, int32_t detail = 0, int32_t x = 0)
    {
        EventRecord e;
        e.kind = kind, e.detail = detail, e.x = x;
        return e;
    }
    // The details of everything queued, in order, taken without pumping anything.
    static std::vector<int32_t> drain(EventQueue& queue)
    {
        std::vector<int32_t> out;
        while (queue.size() > 0) {
            EventRecord e = queue.next(event_kind::All, 0); // the queue's first fetch is null
            if (e.kind != event_kind::Null)
                out.push_back(e.kind == event_kind::MouseOver ? -e.x : e.detail);
        }
        return out;
    }
};

TEST_F(EventQueueTest, TheLimitDropsWhatComesAfterItAndTakenRecordsAreReused)
{
    EventQueue queue(clock);
    EXPECT_EQ(queue.limit(), 50);
    std::vector<int32_t> posted;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(queue.post(record(event_kind::KeyDown, i * 1000 + 7)), 1) << i;
        posted.push_back(i * 1000 + 7);
    }
    EXPECT_EQ(queue.post(record(event_kind::KeyDown, 999)), 0);
    EXPECT_EQ(queue.post(record(event_kind::MouseDown, 1)), 0);
    EXPECT_EQ(drain(queue), posted);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(queue.post(record(event_kind::KeyUp, i)), 1);
    EXPECT_EQ(queue.post(record(event_kind::KeyUp, 50)), 0);

    for (auto [asked, limit] : {std::pair{0, 1}, std::pair{-7, 1}, std::pair{INT_MAX, EventQueue::MaxLimit}})
        EXPECT_EQ(EventQueue(clock, asked).limit(), limit) << asked;
    EXPECT_EQ(EventQueue(clock, 3).post(record(event_kind::Null)), 0) << "no mask could take a kindless record";
}

TEST_F(EventQueueTest, MouseOverAndTimerAreOverwrittenWhereTheyStandEvenOnAFullQueue)
{
    EventQueue queue(clock);
    for (const EventRecord& e : {record(event_kind::KeyDown, 1), record(event_kind::MouseOver, 0, 10),
                                 record(event_kind::Timer, 7), record(event_kind::KeyDown, 2)})
        queue.post(e);
    EXPECT_EQ(queue.post(record(event_kind::MouseOver, 0, 30)), 1);
    EXPECT_EQ(queue.post(record(event_kind::Timer, 8)), 1);
    EXPECT_EQ(queue.post(record(event_kind::MouseOver, 0, 50)), 1);
    EXPECT_EQ(drain(queue), (std::vector<int32_t>{1, -50, 8, 2}));

    EventQueue full(clock, 2);
    full.post(record(event_kind::MouseOver, 0, 1));
    full.post(record(event_kind::KeyDown, 1));
    EXPECT_EQ(full.post(record(event_kind::MouseOver, 0, 2)), 1);
    EXPECT_EQ(full.post(record(event_kind::Timer)), 0);
    EXPECT_EQ(full.post(record(event_kind::MouseDrag, 0, 3)), 0);
    EXPECT_EQ(drain(full), (std::vector<int32_t>{-2, 1}));
}

TEST_F(EventQueueTest, DiscardRemovesTheMaskedKindsAndEveryQueueReleasesTheValuesItHeld)
{
    EventQueue queue(clock, 6);
    Value text = Value::string("kept by the event");
    EventRecord carrying = record(event_kind::ObjectMessage);
    carrying.value1 = text;
    for (const EventRecord& e : {record(event_kind::MouseDown, 1), carrying, record(event_kind::KeyDown, 2),
                                 record(event_kind::MouseUp, 3), record(event_kind::KeyDown, 4)})
        queue.post(e);
    EXPECT_EQ(text.object()->referenceCount(), 3);
    queue.discard(event_kind::MouseDown | event_kind::MouseUp | event_kind::ObjectMessage);
    EXPECT_EQ(text.object()->referenceCount(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(queue.post(record(event_kind::KeyUp, 10 + i)), 1);
    EXPECT_EQ(queue.post(record(event_kind::KeyUp, 99)), 0);
    queue.discard(0);
    EXPECT_EQ(drain(queue), (std::vector<int32_t>{2, 4, 10, 11, 12, 13}));

    // A taken event hands its values to the caller: none stay in the queue.
    queue.post(carrying);
    queue.post(record(event_kind::KeyDown));
    EventRecord taken = queue.next(event_kind::ObjectMessage, 0);
    EXPECT_EQ(taken.value1, text);
    carrying = EventRecord{};
    EXPECT_EQ(text.object()->referenceCount(), 2);
    queue.discard(event_kind::All);
    EXPECT_EQ(queue.size(), 0);
}

TEST_F(EventQueueTest, CloseRequestOnAFullQueueEmptiesItAndIsQueued)
{
    EventQueue queue(clock);
    for (int i = 0; i < 50; ++i)
        queue.post(record(event_kind::KeyDown, i));
    EXPECT_EQ(queue.post(record(event_kind::CloseRequest, -1)), 0);
    EXPECT_EQ(queue.postCloseRequest(record(event_kind::CloseRequest, -1)), 1);
    EXPECT_EQ(drain(queue), std::vector<int32_t>{-1});
    // With room to spare nothing is thrown away.
    queue.post(record(event_kind::KeyDown, 5));
    EXPECT_EQ(queue.postCloseRequest(record(event_kind::CloseRequest)), 1);
    EXPECT_EQ(queue.size(), 2);
}

} // namespace
} // namespace vel
