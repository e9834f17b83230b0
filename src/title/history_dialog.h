// The history dialog (HistoryDlg): the screens of the navigation history by their titles, the most
// recent first, the current one selected. A click on an entry closes the dialog with the table
// {"Jump Form", "Jump Table", "Jump Index"} of that entry (Jump Index counts from the oldest);
// closed otherwise, nil.
#pragma once

#include <vector>

#include "title/title_form.h"

namespace vel {

class HistoryDlg final : public Named<HistoryDlg, TitleDialog> {
public:
    static constexpr const char* kClassName = "HistoryDlg";
    using Named::Named;

    void open(const Value& data) override;
    Value result() override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    // The text that shows the entry in the list.
    Value entryText(const Value& formName, const Value& data) const;

    struct Shown {
        Value name, data;
        int32_t index; // in the history, from the oldest
    };
    // The entries as listed, newest first.
    std::vector<Shown> shown_;
    bool chosen_ = false;
};

} // namespace vel
