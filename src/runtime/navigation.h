// Going from one form to another: go to form replaces the current form of an engine, and the
// screen it leaves goes into the navigation history when one is kept.
#pragma once

#include <memory>

#include "value/value.h"

namespace vel {

class Engine;

// Where go to form records the screens it leaves and opens; the control library's navigation
// history fills it.
class NavigationHistory {
public:
    virtual ~NavigationHistory() = default;
    // The screen left for another one, with the state it wants back when it is shown again.
    virtual void record(const Value& formName, const Value& historyState) = 0;
    // The screen now shown, opened with that data; `recorded` when it goes into the history (the
    // history flag was set and the form does not keep itself out).
    virtual void opened(const Value& formName, const Value& data, bool recorded) {}
};

class Navigation {
public:
    explicit Navigation(Engine& engine) : engine_(engine) {}

    // nullptr: nothing is recorded.
    void keepHistory(NavigationHistory* history)
    {
        history_ = history;
        if (history != owned_.get())
            owned_.reset();
    }
    // The history kept for as long as the engine, or until replaced.
    void keepHistory(std::unique_ptr<NavigationHistory> history)
    {
        owned_ = std::move(history);
        history_ = owned_.get();
    }
    NavigationHistory* history() const { return history_; }

    // Replaces the current form: records the one left in the history when asked, reopens it when it
    // is the one asked for, or closes it and opens the new one. "Cannot find form named '...'" when
    // the specification gives no form.
    void goTo(const Value& specification, const Value& data, bool recordHistory);

private:
    Engine& engine_;
    NavigationHistory* history_ = nullptr;
    std::unique_ptr<NavigationHistory> owned_;
};

} // namespace vel
