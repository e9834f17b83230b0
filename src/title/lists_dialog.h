// The alphabetical list dialogs (ListasDlg: VerbetesDlg, MidiasDlg, RetroDlg, AtlasDlg). The
// argument says what to list and where: "BrowseList" (the identifiers), else the category "SCatID"
// of the database "dbID" (the dialog's own, or the argument's) from its category list file;
// "FullList" or category 0 lists the whole collection; "Selected" the first selection;
// "Background" the dialog's picture; "Origin X"/"Origin Y" plus "Offset X"/"Offset Y" its place, or
// beside the last of "ParentsList" with "UseDefaultPosition". A click in "Lista" answers
// {"Text": the entry} (with "FullList" true and its "Index" for the whole collection); nil otherwise.
#pragma once

#include "title/title_form.h"

namespace vel {

class ListasDlg final : public ListChoiceDialog<ListasDlg> {
public:
    static constexpr const char* kClassName = "ListasDlg";
    static constexpr std::string_view kListName = "Lista";
    using ListChoiceDialog::ListChoiceDialog;

    void open(const Value& data) override;
    Value result() override;


private:
    void place(const Value& data);

    bool fullList_ = false;
};

} // namespace vel
