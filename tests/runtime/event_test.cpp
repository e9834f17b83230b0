// Events: what the window's key and pointer messages post, the queue (limit, merges, discards, close
// requests), fetching with masks, waits, idle work and re-entrant pumps, the timer, scripted runs, and
// the services beside the loop: caret, clipboard, help and the current directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "runtime/caret.h"
#include "runtime/clipboard.h"
#include "runtime/current_directory.h"
#include "runtime/event_queue.h"
#include "runtime/event_test_support.h"
#include "runtime/framework_timer.h"
#include "runtime/help.h"
#include "runtime/input_translator.h"
#include "runtime/script_runner.h"
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

TEST_F(EventFetchTest, IdleWorkRunsOnlyWhenNoMessageIsThereOrItIsDueAndWhatItPostsEndsTheWait)
{
    // A sound planned to end at 1200: the fetch sleeps until then, not in short ticks.
    int idleRuns = 0;
    bool playing = true;
    queue.setIdleWork([&]() -> uint32_t {
        ++idleRuns;
        EventRecord ended;
        ended.kind = event_kind::MediaNotification, ended.time = static_cast<int32_t>(clock.now());
        if (playing && clock.now() < 1200)
            return 1200 - clock.now();
        if (std::exchange(playing, false))
            queue.post(ended);
        return platform::NothingDue;
    });
    source.push(characterMessage('a'));
    EXPECT_EQ(queue.next(event_kind::KeyDown, 50).detail, 'a');
    EXPECT_EQ(idleRuns, 0);

    EventRecord e = queue.next(event_kind::MediaNotification, -1);
    EXPECT_EQ(std::make_tuple(e.kind, e.time, clock.now(), idleRuns),
              std::make_tuple(event_kind::MediaNotification, 1200, 1200u, 2));
    // Nothing due: one wait without limit (the test source's is a second) until the key comes.
    source.pushAt(4000, characterMessage('k'));
    EXPECT_EQ(queue.next(event_kind::KeyDown, -1).detail, 'k');
    EXPECT_EQ(idleRuns, 5);
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
    caret.hide(), caret.focusLost(), caret.focusGained();
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
    EXPECT_FALSE(clipboard.putImage(dib, 0));
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

namespace vk = platform::vk;
namespace ks = platform::keystate;

// One message, after the clock has moved on by `after` milliseconds.
struct Step {
    MessageKind kind;
    int a = 0, b = 0; // key or character; or the pointer's x and y
    uint32_t state = 0;
    uint32_t after = 0;
};
Step press(int key, uint32_t state = 0) { return {MessageKind::KeyDown, key, 0, state}; }
Step release(int key, uint32_t state = 0) { return {MessageKind::KeyUp, key, 0, state}; }
Step type(int character, uint32_t state = 0) { return {MessageKind::Character, character, 0, state}; }
Step move(int x, int y, uint32_t after = 0) { return {MessageKind::MouseMove, x, y, 0, after}; }
Step down(int x, int y, uint32_t after = 0) { return {MessageKind::LeftDown, x, y, 0, after}; }
Step up(int x, int y, uint32_t after = 0) { return {MessageKind::LeftUp, x, y, 0, after}; }

constexpr int32_t kAny = -1;
struct Posted {
    int32_t kind, detail, modifiers = kAny;
};

class InputTest : public testing_support::VirtualClockTest {
protected:
    void feed(const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            clock.advance(s.after);
            platform::Message m = testing_support::message(s.kind);
            m.time = clock.now();
            m.state = s.state;
            if (s.kind == MessageKind::KeyDown || s.kind == MessageKind::KeyUp)
                m.virtualKey = s.a;
            else if (s.kind == MessageKind::Character)
                m.character = s.a;
            else
                m.x = s.a, m.y = s.b;
            translator->translate(m);
        }
    }
    void fresh() { translator = std::make_unique<InputTranslator>(queue, &caret); }
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

    EventQueue queue{clock};
    Caret caret{clock};
    std::unique_ptr<InputTranslator> translator = std::make_unique<InputTranslator>(queue, &caret);
};

TEST_F(InputTest, KeysPostTheirCodesAndModifiers)
{
    const uint32_t alt = ks::Alt, ctrl = ks::Control, shift = ks::Shift;
    const int32_t Down = event_kind::KeyDown, Up = event_kind::KeyUp;
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Posted> expected;
    } cases[] = {
        {"Alt pressed and released alone posts only its key up",
         {press(vk::Menu, alt), press(vk::Menu, alt), release(vk::Menu)},
         {{Up, 65536 * 24, 0}}},
        {"Alt with a letter posts the capital and types nothing",
         {press(vk::Menu, alt), press('F', alt), type('f', alt), release('F', alt), release(vk::Menu)},
         {{Down, 'F', modifier::Alt}}},
        {"Ctrl+C gives the letter, then the control character",
         {press(vk::Control, ctrl), press('C', ctrl), type(3, ctrl), release('C', ctrl), release(vk::Control)},
         {{Down, 'C', modifier::Ctrl}, {Down, 3, modifier::Ctrl}, {Up, 3}}},
        {"Ctrl with a digit posts the digit; with punctuation or space nothing",
         {press(vk::Control, ctrl), press('7', ctrl), press(0xBA, ctrl), press(vk::Space, ctrl)},
         {{Down, '7'}}},
        {"plain keys post through their characters",
         {press(vk::Shift, shift), press('A', shift), type(0xC7, shift), release('A', shift), release('A', shift),
          release(vk::Shift), press(vk::Return), type('\r'), release(vk::Return), press(vk::Escape), type(27),
          press(vk::Tab), type('\t'), press(vk::Back), type(8)},
         {{Down, 0xC7, modifier::Shift}, {Up, 0xC7}, {Down, 13, 0}, {Up, 13}, {Down, 27}, {Down, 9}, {Down, 8}}},
        {"special keys give multiples of 65536 whatever the modifiers",
         {press(vk::F1), press(vk::F12), press(vk::Delete), press(vk::Next), press(vk::Down), press(vk::Left, shift | ctrl)},
         {{Down, 65536}, {Down, 65536 * 12}, {Down, 65536 * 14}, {Down, 65536 * 19}, {Down, 65536 * 23},
          {Down, 65536 * 20, modifier::Shift | modifier::Ctrl}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        feed(c.steps);
        std::vector<EventRecord> events = posted();
        ASSERT_EQ(events.size(), c.expected.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            const Posted& x = c.expected[i];
            EXPECT_EQ(std::make_tuple(events[i].kind, events[i].detail, x.modifiers == kAny ? x.modifiers : events[i].modifiers),
                      std::make_tuple(x.kind, x.detail, x.modifiers)) << i;
        }
    }
}

TEST_F(InputTest, PressesCountUpWhenQuickAndNearWithAnExclusiveTimeAndInclusiveDistance)
{
    const uint32_t limit = InputTranslator::DoubleClickMilliseconds;
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<int32_t> counts;
    } cases[] = {
        {"quick presses at nearly the same point",
         {down(100, 100), up(100, 100, 60), down(102, 99, 150), up(102, 99, 60), down(98, 103, 150),
          up(98, 103, 60), down(101, 101, 150), up(101, 101)},
         {1, 2, 3, 4}},
        {"slow, too far right, too far up",
         {down(50, 50, 1000), up(50, 50), down(50, 50, 1000), up(50, 50), down(50, 50, 100), up(50, 50),
          down(55, 50, 100), up(55, 50), down(55, 45, 100), up(55, 45), down(55, 45, 100), up(55, 45)},
         {1, 1, 2, 1, 1, 2}},
        {"the limits",
         {down(10, 10, 1000), up(10, 10), down(14, 6, limit - 1), up(14, 6), down(14, 6, limit), up(14, 6),
          down(9, 6, 10)},
         {1, 2, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        feed(c.steps);
        std::vector<int32_t> counts;
        for (const auto& e : posted(event_kind::MouseDown))
            counts.push_back(e.detail);
        EXPECT_EQ(counts, c.counts);
    }
}

TEST_F(InputTest, MovesMergeIntoOneMouseOverAndAMoveInPlaceIsIgnored)
{
    for (int i = 0; i < 500; ++i)
        feed({move(i % 640, i / 3, 1)});
    auto events = posted();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_tuple(events[0].kind, events[0].x, events[0].y, events[0].time),
              std::make_tuple(event_kind::MouseOver, 499, 499 / 3, 1500));
    feed({move(499, 499 / 3)});
    EXPECT_TRUE(posted().empty());
    feed({down(30, 30), move(30, 30)});
    EXPECT_EQ(posted().size(), 1u) << "the press alone";
}

TEST_F(InputTest, MovingWithTheButtonDownDragsTheReleaseEndsTheCaptureAndKeysCarryThePointer)
{
    feed({up(3, 3), down(20, 20)}); // a release without a press in the window posts nothing
    EXPECT_TRUE(translator->captured());
    EXPECT_EQ(translator->modifiers(), modifier::LeftButton);
    feed({move(25, 21), move(700, -5), up(700, -5)}); // outside the window: still the window's while captured
    EXPECT_FALSE(translator->captured());
    feed({move(600, 5), up(600, 5)});
    // Drags are not merged: a tracking control sees every step.
    using Seen = std::tuple<int32_t, int, int, int32_t>;
    const int32_t Left = modifier::LeftButton;
    std::vector<Seen> seen;
    for (const EventRecord& e : posted())
        seen.emplace_back(e.kind, e.x, e.y, e.modifiers);
    EXPECT_EQ(seen, (std::vector<Seen>{{event_kind::MouseDown, 20, 20, Left}, {event_kind::MouseDrag, 25, 21, Left},
                                       {event_kind::MouseDrag, 700, -5, Left}, {event_kind::MouseUp, 700, -5, 0},
                                       {event_kind::MouseOver, 600, 5, 0}}));
    feed({move(40, 41), {MessageKind::RightDown, 40, 41}, type('w')});
    auto keys = posted(event_kind::KeyDown);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(Seen(keys[0].kind, keys[0].x, keys[0].y, keys[0].modifiers), Seen(event_kind::KeyDown, 40, 41, modifier::RightButton))
        << "keys carry the pointer and the buttons";
}

TEST_F(InputTest, LosingTheFocusForgetsTheHeldModifiersAndOtherMessagesAreLeftToTheWindow)
{
    caret.show(5, 6, 2, 14);
    feed({press(vk::Menu, ks::Alt), {MessageKind::FocusLost}});
    EXPECT_FALSE(caret.visible());
    EXPECT_EQ(translator->modifiers(), 0);
    feed({{MessageKind::FocusGained}, release(vk::Menu)});
    EXPECT_TRUE(caret.visible());
    auto kinds = [&] {
        std::vector<int32_t> out;
        for (const EventRecord& e : posted())
            out.push_back(e.kind);
        return out;
    };
    EXPECT_EQ(kinds(), (std::vector<int32_t>{event_kind::Deactivated, event_kind::Activated}));
    for (int i = 0; i < 60; ++i)
        feed({type('a')});
    feed({{MessageKind::CloseRequest}});
    EXPECT_EQ(kinds(), std::vector<int32_t>{event_kind::CloseRequest}) << "a close request gets through a full queue";

    for (auto kind : {MessageKind::Expose, MessageKind::Quit, MessageKind::None}) {
        platform::Message m = testing_support::message(kind);
        EXPECT_FALSE(translator->translate(m));
    }
    EXPECT_EQ(queue.size(), 0);
}

using platform::Message;

std::vector<Message> drain(ScriptRunner& runner, int limit = 1000)
{
    std::vector<Message> out;
    Message m;
    for (int i = 0; i < limit && !runner.finished(); ++i)
        if (runner.poll(m))
            out.push_back(m);
    return out;
}

TEST(ScriptRunnerTest, ClicksAndKeysBecomeMessages)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("# a comment\nclick 10 20\n\nkey Ctrl+C\nkey Enter\n", error)) << error;
    std::vector<Message> m = drain(runner);
    using K = MessageKind;
    std::vector<K> kinds;
    for (const Message& x : m)
        kinds.push_back(x.kind);
    // Ctrl down, C down, character 3, C up, Ctrl up; Enter types a carriage return; the end asks the program to close.
    EXPECT_EQ(kinds, (std::vector<K>{K::MouseMove, K::LeftDown, K::LeftUp, K::KeyDown, K::KeyDown, K::Character, K::KeyUp,
                                     K::KeyUp, K::KeyDown, K::Character, K::KeyUp, K::CloseRequest}));
    ASSERT_EQ(m.size(), 12u);
    EXPECT_EQ(std::make_pair(m[1].x, m[1].y), std::make_pair(10, 20));
    EXPECT_EQ((std::vector<int>{m[3].virtualKey, m[4].virtualKey, m[5].character, m[7].virtualKey, m[9].character}),
              (std::vector<int>{platform::vk::Control, 'C', 3, platform::vk::Control, 13}));
    EXPECT_TRUE(m[4].state & platform::keystate::Control);
    EXPECT_TRUE(runner.finished() && !runner.failed());
}

TEST(ScriptRunnerTest, KeyNames)
{
    const struct {
        const char* name;
        std::size_t count; // 0: refused
        int typed;         // the character typed, 0 for none
    } cases[] = {{"F5", 2, 0}, {"Shift+a", 5, 'a'}, {"\xc3\xa7", 3, 0xE7} /* UTF-8 in the script */, {"Alt+F", 4, 0},
                 {"Hyper", 0, 0}, {"F13", 0, 0}};
    for (const auto& c : cases) {
        std::vector<Message> m;
        EXPECT_EQ(ScriptRunner::keyMessages(c.name, m), c.count > 0) << c.name;
        EXPECT_EQ(m.size(), c.count) << c.name;
        int typed = 0;
        for (const Message& x : m)
            typed = x.kind == MessageKind::Character ? x.character : typed;
        EXPECT_EQ(typed, c.typed) << c.name;
    }
}
TEST(ScriptRunnerTest, WaitMovesTheClockInSmallSteps)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("wait 1000\nclick 1 1\n", error));
    Message m;
    int polls = 0;
    while (!runner.poll(m))
        ++polls;
    EXPECT_GE(clock.now(), 1000u);
    EXPECT_LE(clock.now(), 1002u);
    EXPECT_GE(polls, 100); // the program gets many looks at the clock on the way
    EXPECT_EQ(m.kind, MessageKind::MouseMove);
}

TEST(ScriptRunnerTest, BadScriptsAreRefusedBeforeRunningAndSayWhere)
{
    platform::VirtualClock clock;
    const struct {
        const char* script;
        const char* says;
    } cases[] = {{"click 1\n", "line 1"},
                 {"wait 10\njump 3\n", "line 2: unknown command 'jump'"},
                 {"wait -5\n", "line 1"},
                 {"key NoSuchKey\n", "line 1"}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ScriptRunner(clock, {}).loadText(c.script, error)) << c.script;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ScriptRunner(clock, {}).load("/nonexistent/script", error));
}
TEST(ScriptRunnerTest, ExpectFormAndShotFailuresStopTheRun)
{
    platform::VirtualClock clock;
    std::vector<std::string> shots;
    ScriptRunner::Hooks hooks;
    hooks.currentFormName = [] { return std::string("MainForm"); };
    hooks.shot = [&](const std::string& path) {
        shots.push_back(path);
        return path != "/bad.png";
    };
    ScriptRunner runner(clock, hooks);
    std::string error;
    ASSERT_TRUE(runner.loadText("expect-form MainForm\nshot a.png\nexpect-form Other\nshot b.png\n", error));
    std::vector<Message> m = drain(runner);
    EXPECT_TRUE(runner.failed());
    EXPECT_NE(runner.failure().find("line 3"), std::string::npos) << runner.failure();
    EXPECT_NE(runner.failure().find("'MainForm'"), std::string::npos);
    EXPECT_EQ(shots, std::vector<std::string>{"a.png"}); // nothing after the failure runs
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().kind, MessageKind::CloseRequest);

    ScriptRunner broken(clock, hooks);
    ASSERT_TRUE(broken.loadText("shot /bad.png\n", error));
    drain(broken);
    EXPECT_TRUE(broken.failed());
}

TEST(ScriptRunnerTest, AProgramThatWillNotCloseFailsTheRun)
{
    platform::VirtualClock clock;
    ScriptRunner runner(clock, {});
    std::string error;
    ASSERT_TRUE(runner.loadText("", error));
    Message m;
    ASSERT_TRUE(runner.poll(m));
    EXPECT_EQ(m.kind, MessageKind::CloseRequest);
    for (int i = 0; i < 5000 && !runner.failed(); ++i)
        EXPECT_FALSE(runner.poll(m));
    EXPECT_TRUE(runner.failed());
}

} // namespace
} // namespace vel
