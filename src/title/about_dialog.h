// The about box (SobreDlg): what its data shows, closed by its "OKButton" or Escape.
#pragma once

#include "title/title_form.h"

namespace vel {

class SobreDlg final : public Named<SobreDlg, TitleDialog> {
public:
    static constexpr const char* kClassName = "SobreDlg";
    using Named::Named;

protected:
    bool handleAction(std::string_view name, const Value&) override
    {
        if (name != "OKButton")
            return false;
        end();
        return true;
    }
};

} // namespace vel
