// Going from one form to another: go to form replaces the current form of an engine, and the
// screen it leaves goes into the navigation history when one is kept.
#pragma once

#include "value/value.h"

namespace vel {

class Engine;

// Where go to form records the screen it leaves; the control library's navigation history fills it.
class NavigationHistory {
public:
    virtual ~NavigationHistory() = default;
    virtual void record(const Value& formName, const Value& historyState) = 0;
};

class Navigation {
public:
    explicit Navigation(Engine& engine) : engine_(engine) {}

    // nullptr: nothing is recorded.
    void keepHistory(NavigationHistory* history) { history_ = history; }
    NavigationHistory* history() const { return history_; }

    // Replaces the current form: records the one left in the history when asked, reopens it when it
    // is the one asked for, or closes it and opens the new one. "Cannot find form named '...'" when
    // the specification gives no form.
    void goTo(const Value& specification, const Value& data, bool recordHistory);

private:
    Engine& engine_;
    NavigationHistory* history_ = nullptr;
};

} // namespace vel
