#include "runtime/event_queue.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/message.h"
#include "runtime/framework_timer.h"
#include "value/error.h"

namespace vel {

struct EventQueue::Node {
    EventRecord event;
    Node* previous = nullptr;
    Node* next = nullptr;
};

namespace {
// Without a message source nothing can arrive while the fetch sleeps: it looks again this often.
constexpr uint32_t SourcelessTick = 10;

EventRecord nullEvent(platform::Clock& clock)
{
    EventRecord event;
    event.time = static_cast<int32_t>(clock.now());
    return event;
}
} // namespace

EventQueue::EventQueue(platform::Clock& clock, int32_t limit)
    : clock_(clock), limit_(std::clamp(limit, 1, MaxLimit)), nodes_(new Node[limit_])
{
    for (int32_t i = limit_ - 1; i >= 0; --i) {
        nodes_[i].next = free_;
        free_ = &nodes_[i];
    }
}

EventQueue::~EventQueue() = default;

int EventQueue::post(const EventRecord& event)
{
    // A kindless record would match no mask and hold its slot for good.
    if (event.kind == event_kind::Null)
        return 0;
    if (event.kind == event_kind::MouseOver || event.kind == event_kind::Timer) {
        for (Node* node = head_; node; node = node->next) {
            if (node->event.kind == event.kind) {
                node->event = event;
                ++posts_;
                return 1;
            }
        }
    }
    if (!free_)
        return 0;
    Node* node = free_;
    free_ = node->next;
    node->event = event;
    node->previous = tail_;
    node->next = nullptr;
    if (tail_)
        tail_->next = node;
    else
        head_ = node;
    tail_ = node;
    ++size_;
    ++posts_;
    return 1;
}

int EventQueue::postCloseRequest(const EventRecord& event)
{
    if (post(event))
        return 1;
    discard(event_kind::All);
    if (post(event))
        return 1;
    fatalExit();
}

void EventQueue::discard(int32_t mask)
{
    Node* node = head_;
    while (node) {
        Node* following = node->next;
        if (node->event.kind & mask) {
            unlink(node);
            release(node);
        }
        node = following;
    }
}

void EventQueue::unlink(Node* node)
{
    if (node->previous)
        node->previous->next = node->next;
    else
        head_ = node->next;
    if (node->next)
        node->next->previous = node->previous;
    else
        tail_ = node->previous;
    --size_;
}

void EventQueue::release(Node* node)
{
    // Drops the record's values now rather than when the slot is next used.
    node->event = EventRecord{};
    node->previous = nullptr;
    node->next = free_;
    free_ = node;
}

EventRecord EventQueue::next(int32_t mask, int32_t wait)
{
    platform::Clock& clock = clock_;
    if (!fetched_) {
        fetched_ = true;
        return nullEvent(clock);
    }
    const uint32_t start = clock.now();
    bool pumped = false;
    for (;;) {
        for (Node* node = head_; node; node = node->next) {
            if (node->event.kind & mask) {
                EventRecord event = std::move(node->event);
                unlink(node);
                release(node);
                return event;
            }
        }
        uint32_t span = platform::NothingDue;
        if (wait >= 0) {
            uint32_t elapsed = clock.now() - start;
            // At least one round of pumping, so that a caller polling with no wait still sees input.
            if (pumped && elapsed >= static_cast<uint32_t>(wait))
                return nullEvent(clock);
            uint32_t remaining = elapsed < static_cast<uint32_t>(wait) ? static_cast<uint32_t>(wait) - elapsed : 0;
            span = std::min(span, remaining);
        }
        pumpOne(span);
        pumped = true;
    }
}

void EventQueue::pumpOne(uint32_t span)
{
    if (timer_ && timer_->check(*this))
        return;
    platform::Message message;
    if (source_ && source_->poll(message)) {
        if (dispatch_)
            dispatch_(message);
        return;
    }
    const uint64_t postsBefore = posts_;
    if (idleWork_)
        span = std::min(span, idleWork_());
    if (posts_ != postsBefore || span == 0)
        return;
    if (timer_ && timer_->active())
        span = std::min(span, timer_->untilDue());
    if (source_)
        source_->wait(span == platform::NothingDue ? -1 : static_cast<int>(std::min<uint32_t>(span, INT32_MAX)));
    else
        clock_.sleep(std::min(span, SourcelessTick));
}

} // namespace vel
