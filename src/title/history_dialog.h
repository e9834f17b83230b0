// The history dialog (HistoryDlg): the screens of the navigation history by their titles, the most
// recent first, the current one selected. A click on an entry closes the dialog with the table
// {"Jump Form", "Jump Table", "Jump Index"} of that entry (Jump Index counts from the oldest);
// closed otherwise, nil.
#pragma once

#include <vector>

#include "title/title_form.h"

namespace vel {

class HistoryDlg final : public ListChoiceDialog<HistoryDlg> {
public:
    static constexpr const char* kClassName = "HistoryDlg";
    static constexpr std::string_view kListName = "History List";
    using ListChoiceDialog::ListChoiceDialog;

    void open(const Value& data) override;
    Value result() override;


private:
    // The text that shows the entry in the list.
    Value entryText(const Value& formName, const Value& data) const;

    struct Shown {
        Value name, data;
        int32_t index; // in the history, from the oldest
    };
    // The entries as listed, newest first.
    std::vector<Shown> shown_;
};

} // namespace vel
