#include "controls/edit_text.h"

#include <algorithm>

namespace vel {

std::string_view EditText::selected() const
{
    return std::string_view(text_).substr(selectionStart(), selectionEnd() - selectionStart());
}

void EditText::setText(std::string_view text, bool all)
{
    text_.assign(text);
    caret_ = static_cast<int>(text_.size());
    anchor_ = all ? 0 : caret_;
}

void EditText::selectAll()
{
    anchor_ = 0;
    caret_ = static_cast<int>(text_.size());
}

void EditText::moveTo(int position, bool extend)
{
    caret_ = std::clamp(position, 0, static_cast<int>(text_.size()));
    if (!extend)
        anchor_ = caret_;
}

std::string EditText::replaced(std::string_view insert) const
{
    std::string out;
    out.reserve(text_.size() + insert.size());
    out.append(text_, 0, selectionStart());
    out.append(insert);
    out.append(text_, selectionEnd());
    return out;
}

void EditText::replaceSelection(std::string_view insert)
{
    const int start = selectionStart();
    text_.replace(start, selectionEnd() - start, insert);
    caret_ = anchor_ = start + static_cast<int>(insert.size());
}

bool EditText::erase(bool forward)
{
    if (!hasSelection()) {
        if (forward ? caret_ >= static_cast<int>(text_.size()) : caret_ == 0)
            return false;
        anchor_ = forward ? caret_ + 1 : caret_ - 1;
    }
    replaceSelection({});
    return true;
}

} // namespace vel
