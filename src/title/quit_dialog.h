// The quit confirmation (QuitDlg): "OKButton" or Enter answers true, "CancelButton" (or Escape)
// false; other keys move between the buttons.
#pragma once

#include "title/title_form.h"

namespace vel {

class QuitDlg final : public Named<QuitDlg, TitleDialog> {
public:
    static constexpr const char* kClassName = "QuitDlg";
    using Named::Named;

    void open(const Value& data) override;
    void keyDown(int32_t keyCode, int32_t flags) override;
    Value result() override { return Value::boolean(confirmed_ ? 1 : 0); }

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    bool confirmed_ = false;
};

} // namespace vel
