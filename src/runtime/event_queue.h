// The event queue: a fixed number of preallocated records, queued in arrival order, and the fetch
// that the main loop, modal dialogs and control tracking all take their events from.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/event.h"

namespace vel {

namespace platform {
class Clock;
struct Message;
class MessageSource;
} // namespace platform

class FrameworkTimer;
class InputTranslator;

class EventQueue {
public:
    static constexpr int32_t DefaultLimit = 50;

    // limit is `EventLimit`; kept between 1 and MaxLimit so a close request can always be queued
    // and a bad setting cannot ask for unbounded memory.
    // The fetch's waits and the events' times are on the clock.
    explicit EventQueue(platform::Clock& clock, int32_t limit = DefaultLimit);
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    static constexpr int32_t MaxLimit = 65536;

    int32_t limit() const { return limit_; }
    int32_t size() const { return size_; }

    // 1 when queued (mouse-over and timer events overwrite a queued one of their kind), 0 when the
    // queue is full and the event is dropped.
    int post(const EventRecord& event);
    // A close request must not be lost: when the queue is full it is emptied and the post tried
    // again; if even that fails the program ends through the exit handler.
    int postCloseRequest(const EventRecord& event);
    // Removes every queued event whose kind has a bit in mask.
    void discard(int32_t mask);

    // What the fetch pumps: the messages' source, the translation of each message (the input
    // translator, or the window passing to it), the work to do when no message is there (the
    // sound-end check) and the framework timer to check.
    void setMessageSource(platform::MessageSource* source) { source_ = source; }
    void setDispatcher(std::function<void(const platform::Message&)> dispatch) { dispatch_ = std::move(dispatch); }
    // The idle work answers how many milliseconds may pass before it has to run again, or
    // platform::NothingDue: the fetch then sleeps until a message comes or the timer is due, so
    // an idle program does not wake at all.
    void setIdleWork(std::function<uint32_t()> work) { idleWork_ = std::move(work); }
    void setTimer(FrameworkTimer* timer) { timer_ = timer; }
    // The translator registers itself, so that events made outside it (the timer's) carry the
    // pointer position and modifier bits as well.
    void setInput(const InputTranslator* input) { input_ = input; }
    const InputTranslator* input() const { return input_; }

    // The first queued event whose kind has a bit in mask; otherwise pumps messages until one
    // arrives or wait milliseconds pass on the clock (-1: no limit), then gives the null
    // event. The very first call gives the null event at once. Handlers may call it again from
    // inside (nested loops).
    EventRecord next(int32_t mask, int32_t wait);

private:
    struct Node;

    Node* take();
    void unlink(Node* node);
    void release(Node* node);
    void pumpOne(uint32_t span);

    platform::Clock& clock_;
    int32_t limit_;
    int32_t size_ = 0;
    std::unique_ptr<Node[]> nodes_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    Node* free_ = nullptr;
    bool fetched_ = false;
    uint64_t posts_ = 0; // lets the fetch see that idle work posted something

    platform::MessageSource* source_ = nullptr;
    std::function<void(const platform::Message&)> dispatch_;
    std::function<uint32_t()> idleWork_;
    FrameworkTimer* timer_ = nullptr;
    const InputTranslator* input_ = nullptr;
};

} // namespace vel
