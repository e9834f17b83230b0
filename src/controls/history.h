// The navigation history behind the "GoBack" and "GoForward" buttons: the screens visited, oldest
// first, each an entry [form name, data], and the index of the one shown. Going to a form records
// the screen it opens (navigation.h tells it); going back and forward open an entry again with the
// data it was shown with. One history serves the whole program: History::of finds it on an engine.
#pragma once

#include <cstdint>

#include "runtime/navigation.h"
#include "value/value.h"

namespace vel {

class Engine;

class History final : public NavigationHistory {
public:
    static constexpr int32_t kMaxEntries = 200;

    explicit History(Engine& engine);
    // The engine's history, made and handed to its navigation on first use.
    static History& of(Engine& engine);

    // The entries, oldest first; the index is -1 while there are none.
    const Value& list() const { return list_; }
    int32_t index() const { return index_; }
    int32_t count() const;

    // A new entry after the current one (the entries ahead of it go); nothing when the current entry
    // is that screen with that data already. Only the last 200 entries are kept.
    void historyAdd(const Value& formName, const Value& data);
    // One entry back; with `truncate` the entries ahead of it go.
    void historyBack(bool truncate);
    // Shows the entry at that index, which becomes the current one; nothing when there is none.
    void historyGo(int32_t index);
    void historyForward() { historyGo(index_ + 1); }
    bool canGoBack() const;
    bool canGoForward() const;
    // The current form's "GoBack" and "GoForward" controls, disabled when they cannot move, redrawn.
    void updateHistoryButtons();

    void record(const Value& formName, const Value& historyState) override;
    void opened(const Value& formName, const Value& data, bool recorded) override;

private:
    Value entry(int32_t index) const;
    void truncateAfter(int32_t index);
    // Goes to the entry's form without recording, making it current.
    void show(int32_t index);
    // The shown form's history state, kept in its entry for when it is shown again.
    void keepShownState();

    Engine& engine_;
    Value list_;
    int32_t index_ = -1;
    // False while the form shown was opened without being recorded: going back then returns to the
    // current entry itself.
    bool showingEntry_ = false;
    Value shownName_, shownData_;
    // Set while a move opens its entry, so that the opening is not taken for a new visit.
    bool moving_ = false;
};

} // namespace vel
