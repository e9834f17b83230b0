// The text of a single-line edit field with its caret and selection, apart from any drawing. Positions
// are byte offsets into the Windows-1252 text (one byte, one character). The selection runs between
// the anchor and the caret, in either order.
#pragma once

#include <string>
#include <string_view>

namespace vel {

class EditText {
public:
    const std::string& text() const { return text_; }
    int caret() const { return caret_; }
    int anchor() const { return anchor_; }
    int selectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    int selectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    bool hasSelection() const { return caret_ != anchor_; }
    std::string_view selected() const;

    // A new text with the caret at its end, or all of it selected.
    void setText(std::string_view text, bool selectAll);
    void selectAll();
    // The caret to a position (clamped to the text); with extend the anchor stays.
    void moveTo(int position, bool extend);
    // What replacing the selection would give, so that limits can be checked first.
    std::string replaced(std::string_view insert) const;
    // Replaces the selection; the caret ends after the inserted text.
    void replaceSelection(std::string_view insert);
    // Backspace (the character before the caret) or Delete (the one after), or the selection.
    // False when there was nothing to remove.
    bool erase(bool forward);

private:
    std::string text_;
    int caret_ = 0;
    int anchor_ = 0;
};

} // namespace vel
