#include "title/quit_dialog.h"

namespace vel {

namespace {
constexpr int32_t kEnter = 13;
}

void QuitDlg::open(const Value& data)
{
    confirmed_ = false;
    Named::open(data);
}

void QuitDlg::keyDown(int32_t keyCode, int32_t flags)
{
    if (keyCode != kEnter)
        return Named::keyDown(keyCode, flags);
    confirmed_ = true;
    end();
}

bool QuitDlg::handleAction(std::string_view name, const Value&)
{
    if (name != "OKButton" && name != "CancelButton")
        return false;
    confirmed_ = name == "OKButton";
    end();
    return true;
}

} // namespace vel
