// The event queue: its limit, the kinds merged where they stand, discards and close requests; fetching
// with masks and waits, idle work, a pump entered again from inside, and the timer; the small services
// beside the event loop: caret, clipboard, help and the current directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clipboard.h"
#include "platform/headless.h"
#include "runtime/caret.h"
#include "runtime/clipboard.h"
#include "runtime/current_directory.h"
#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "runtime/framework_timer.h"
#include "runtime/help.h"
#include "runtime/input_translator.h"
#include "value/buffer.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {
namespace {

using platform::MessageKind;
using testing_support::characterMessage;
using testing_support::FakeMessageSource;
using testing_support::pointerMessage;

class EventFetchTest : public testing_support::VirtualClockTest {
protected:
    void SetUp() override
    {
        VirtualClockTest::SetUp();
        queue.setMessageSource(&source);
        queue.setDispatcher([this](const platform::Message& m) { translator.translate(m); });
        queue.setTimer(&timer);
        EXPECT_EQ(queue.next(event_kind::All, -1).kind, event_kind::Null);
    }

    FakeMessageSource source{clock};
    EventQueue queue{clock};
    InputTranslator translator{queue};
    FrameworkTimer timer{clock};
};

TEST_F(EventFetchTest, AWaitEndsAtItsDeadlineOrWhenAMatchingMessageArrives)
{
    EventRecord e = queue.next(event_kind::KeyDown, 100);
    EXPECT_EQ(std::make_tuple(e.kind, e.time, clock.now()), std::make_tuple(event_kind::Null, 1100, 1100u));
    // A message of another kind does not end the wait; it stays queued.
    source.pushAt(1130, pointerMessage(MessageKind::MouseMove, 5, 5));
    EXPECT_EQ(queue.next(event_kind::KeyDown, 250).kind, event_kind::Null);
    EXPECT_EQ(std::make_pair(clock.now(), queue.size()), std::make_pair(1350u, 1));
    source.pushAt(1390, characterMessage('x'));
    e = queue.next(event_kind::KeyDown, 100);
    EXPECT_EQ(std::make_tuple(e.detail, e.time, clock.now()), std::make_tuple(int32_t('x'), 1390, 1390u));
    // No wait still pumps what is there without letting time pass; no limit pumps until it comes.
    source.push(characterMessage('q'));
    EXPECT_EQ(queue.next(event_kind::KeyDown, 0).detail, 'q');
    EXPECT_EQ(queue.next(event_kind::KeyDown, 0).kind, event_kind::Null);
    EXPECT_EQ(clock.now(), 1390u);
    source.pushAt(5000, characterMessage('z'));
    EXPECT_EQ(queue.next(event_kind::KeyDown, -1).detail, 'z');
    EXPECT_EQ(clock.now(), 5000u);

    EventQueue fresh(clock); // its very first fetch is null, even with events waiting
    EventRecord key;
    key.kind = event_kind::KeyDown;
    fresh.post(key);
    EXPECT_EQ(fresh.next(event_kind::All, -1).kind, event_kind::Null);
    EXPECT_EQ(fresh.next(event_kind::All, -1).kind, event_kind::KeyDown);
    EXPECT_EQ(fresh.next(event_kind::All, 75).kind, event_kind::Null) << "without a source it waits on the clock";
    EXPECT_EQ(clock.now(), 5075u);
}

TEST_F(EventFetchTest, TheMaskPicksTheFirstMatchingEventAndLeavesTheRest)
{
    source.push(pointerMessage(MessageKind::MouseMove, 1, 2));
    source.push(characterMessage('a'));
    source.push(pointerMessage(MessageKind::LeftDown, 1, 2));
    source.push(characterMessage('b'));
    EXPECT_EQ(queue.next(event_kind::KeyDown | event_kind::MouseUp, -1).detail, 'a');
    EXPECT_EQ(queue.size(), 1); // the mouse over; the rest is still at the source
    EXPECT_EQ(queue.next(event_kind::MouseDown, -1).kind, event_kind::MouseDown);
    EXPECT_EQ(queue.next(event_kind::All, -1).kind, event_kind::MouseOver);
    EXPECT_EQ(queue.next(event_kind::All, -1).detail, 'b');
}

TEST_F(EventFetchTest, IdleWorkRunsOnlyWhenNoMessageIsThereAndWhatItPostsEndsTheWait)
{
    int idleRuns = 0;
    queue.setIdleWork([&] {
        ++idleRuns;
        EventRecord ended;
        ended.kind = event_kind::MediaNotification, ended.time = static_cast<int32_t>(clock.now());
        if (clock.now() >= 1200)
            queue.post(ended);
    });
    source.push(characterMessage('a'));
    EXPECT_EQ(queue.next(event_kind::KeyDown, 50).detail, 'a');
    EXPECT_EQ(idleRuns, 0);

    EventRecord e = queue.next(event_kind::MediaNotification, -1);
    EXPECT_EQ(std::make_tuple(e.kind, e.time, clock.now()), std::make_tuple(event_kind::MediaNotification, 1200, 1200u));
    EXPECT_GT(idleRuns, 1);
}

TEST_F(EventFetchTest, ADispatcherMayFetchFromInsideThePump)
{
    // A message handled at once (as the window's native messages are) runs a nested loop of its own.
    std::vector<int32_t> nested;
    queue.setDispatcher([&](const platform::Message& m) {
        if (m.kind == MessageKind::Expose) {
            for (int i = 0; i < 2; ++i)
                nested.push_back(queue.next(event_kind::KeyDown, -1).detail);
            return;
        }
        translator.translate(m);
    });
    source.push(characterMessage('1'));
    source.push(testing_support::message(MessageKind::Expose));
    for (int c : {'2', '3', '4'})
        source.push(characterMessage(c));
    EXPECT_EQ(queue.next(event_kind::MouseDown, 0).kind, event_kind::Null); // pumps the '1' only
    EXPECT_EQ(queue.next(event_kind::KeyDown, -1).detail, '1');
    EXPECT_EQ(queue.next(event_kind::KeyDown, -1).detail, '4'); // pumps the Expose: the nested loop takes '2' and '3'
    EXPECT_EQ(nested, (std::vector<int32_t>{'2', '3'}));
}

TEST_F(EventFetchTest, TheTimerFiresOnTheClockNeverPilesUpAndIsReplacedOrKilled)
{
    timer.set(30);
    EXPECT_EQ(queue.next(event_kind::Timer, -1).time, 1030);
    EXPECT_EQ(queue.next(event_kind::Timer, -1).time, 1060);
    // Ten periods without taking a timer event leave one, of the last period that ended.
    EXPECT_EQ(queue.next(event_kind::KeyDown, 300).kind, event_kind::Null);
    EXPECT_EQ(queue.size(), 1);
    EXPECT_EQ(queue.next(event_kind::Timer, 0).time, 1330);

    timer.set(10);
    timer.set(200);
    EXPECT_EQ(queue.next(event_kind::Timer, -1).time, 1560);
    timer.kill();
    EXPECT_FALSE(timer.active());
    EXPECT_EQ(queue.next(event_kind::Timer, 1000).kind, event_kind::Null);
    EXPECT_EQ(queue.size(), 0);
    timer.set(-5); // raised to the shortest period the window system allows
    EXPECT_EQ(timer.interval(), FrameworkTimer::MinimumInterval);
    EXPECT_EQ(queue.next(event_kind::Timer, -1).time, static_cast<int32_t>(2560 + FrameworkTimer::MinimumInterval));

    // Timer events carry the pointer and buttons: a scroll arrow repeating on them asks whether the pointer is still on it.
    source.push(pointerMessage(MessageKind::LeftDown, 30, 40));
    source.push(pointerMessage(MessageKind::MouseMove, 33, 44));
    timer.set(50);
    EXPECT_EQ(queue.next(event_kind::MouseDown, -1).x, 30);
    EventRecord e = queue.next(event_kind::Timer, -1);
    EXPECT_EQ(std::make_tuple(e.x, e.y, e.modifiers), std::make_tuple(33, 44, modifier::LeftButton));
}

TEST_F(EventFetchTest, ATimerOutlivingItsTranslatorStillFires)
{
    EventQueue other(clock);
    FrameworkTimer otherTimer(clock);
    other.setTimer(&otherTimer);
    InputTranslator(other).translate(pointerMessage(MessageKind::MouseMove, 9, 9));
    other.discard(event_kind::All);
    otherTimer.set(20);
    other.next(event_kind::All, 0);
    EventRecord e = other.next(event_kind::Timer, -1);
    EXPECT_EQ(std::make_pair(e.kind, e.x), std::make_pair(event_kind::Timer, 0));
}

class EventQueueTest : public testing_support::VirtualClockTest {
protected:
    static EventRecord record(int32_t kind, int32_t detail = 0, int32_t x = 0)
    {
        EventRecord e;
        e.kind = kind, e.detail = detail, e.x = x;
        return e;
    }
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
    queue.post(record(event_kind::KeyDown, 5));
    EXPECT_EQ(queue.postCloseRequest(record(event_kind::CloseRequest)), 1);
    EXPECT_EQ(queue.size(), 2);
}

class EventServicesTest : public testing_support::VirtualClockTest {
protected:
    void SetUp() override
    {
        VirtualClockTest::SetUp();
        platform::setHeadless(true);
    }
};

TEST_F(EventServicesTest, TheCaretBlinksFromWhenItIsShownAndOnlyWithTheFocus)
{
    Caret caret(clock);
    EXPECT_FALSE(caret.visible() || caret.lit());
    caret.show(10, 20, 0, 16);
    EXPECT_EQ(std::make_tuple(caret.rect().left, caret.rect().width(), caret.rect().height()), std::make_tuple(10, 1, 16));
    std::vector<bool> lit{caret.lit()};
    for (uint32_t step : {Caret::BlinkMilliseconds - 1, 1u, Caret::BlinkMilliseconds})
        clock.advance(step), lit.push_back(caret.lit());
    EXPECT_EQ(lit, (std::vector<bool>{true, true, false, true}));
    caret.focusLost();
    EXPECT_FALSE(caret.visible() || caret.lit());
    clock.advance(Caret::BlinkMilliseconds);
    caret.focusGained();
    EXPECT_TRUE(caret.lit()) << "re-created: lit again at once";
    caret.hide();
    caret.focusLost();
    caret.focusGained();
    EXPECT_FALSE(caret.visible()) << "hidden by the application stays hidden";
}

TEST_F(EventServicesTest, HeadlessClipboardKeepsTextAndImagesInMemory)
{
    platform::Clipboard clipboard;
    const std::string accented = "A\xE7\xE3o \x80 5\x96" "6"; // Ação € 5–6 in Windows-1252
    clipboardPutText(clipboard, Value::string(accented));
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), accented);
    EXPECT_EQ(*clipboard.getText(), accented);

    clipboardPutText(clipboard, Value::integer(5)); // not a string: the clipboard keeps what it had
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), accented);

    const char withNul[] = {'a', 'b', '\0', 'c'};
    clipboardPutText(clipboard, Value::string(withNul, 4));
    EXPECT_EQ(textOf(clipboardGetText(clipboard)), "ab");

    const unsigned char dib[] = {40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0};
    clipboardPutImage(clipboard, Buffer::over(dib, sizeof dib, true));
    EXPECT_TRUE(clipboardGetText(clipboard).isNil());
    auto image = clipboard.getImage();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, std::vector<uint8_t>(dib, dib + sizeof dib));

    clipboardPutImage(clipboard, Value::string("not a bitmap"));
    EXPECT_TRUE(clipboard.getImage().has_value());
    clipboardPutText(clipboard, Value::string(""));
    EXPECT_FALSE(clipboard.getImage().has_value());
    EXPECT_EQ(quotedForm(clipboardGetText(clipboard)), "\"\"");
}

TEST_F(EventServicesTest, HelpSaysItCannotShowAnything)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(helpOpen(Value::string("ORVA.HLP"), 12));
    EXPECT_FALSE(helpOpen(Value::string("ORVA.HLP"), -1));
    helpClose();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ORVA.HLP"), std::string::npos);
    EXPECT_FALSE(helpIsOpen());
}

TEST_F(EventServicesTest, SettingTheCurrentDirectoryGivesThePreviousOne)
{
    namespace fs = std::filesystem;
    const fs::path start = fs::current_path();
    const fs::path target = fs::temp_directory_path() / ("events-cwd-" + std::to_string(getpid()));
    fs::create_directories(target / "sub");

    EXPECT_EQ(textOf(setCurrentDirectory(Value::string(target.string()))), start.string());
    EXPECT_EQ(textOf(setCurrentDirectory(Value::string("sub"))), target.string());
    EXPECT_EQ(fs::current_path(), target / "sub");

    for (const Value& bad : {Value::string("no such directory"), Value::string(""), Value::string(std::string_view("sub\0x", 5)), Value::integer(3)})
        EXPECT_TRUE(setCurrentDirectory(bad).isNil()) << quotedForm(bad);
    EXPECT_EQ(fs::current_path(), target / "sub");

    EXPECT_FALSE(setCurrentDirectory(Value::string(start.string())).isNil());
    EXPECT_EQ(fs::current_path(), start);
    fs::remove_all(target);
}

} // namespace
} // namespace vel
