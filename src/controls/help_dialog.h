// The help file's topics in the program's own dialog. The old help format (WinHelp) is not read
// here; a help file written as a table in the text notation is (docs/help_topics.md): each key a
// context number, each value a table of "Title" and "Text". A topic opens at its context number; a
// negative one, or one the file lacks, opens the contents, the list of titles. A text written in the
// rich-text dialect of the articles (it holds a control word such as \par or \b) is laid out by a
// text view; any other is plain text, broken into lines at spaces.
#pragma once

#include <cstdint>
#include <string>

#include "controls/library_dialog.h"

namespace vel {

// The topics table of a help file; nil with the reason, for the reader, when it cannot be read.
Value readHelpTopics(const std::string& path, std::string& why);

class HelpDialog final : public velLibraryDialog {
public:
    // Centred on the screen, showing the topic of that context number from the table.
    HelpDialog(Engine& engine, const Value& topics, int32_t context);

    Value createInstance(const Value& data) const override;
    void draw() override;
    // A click on the dialog closes it, as Escape does; one on the rich text goes to its view.
    void mouseDown(int32_t x, int32_t y) override;

    const std::string& title() const { return title_; }
    const std::string& text() const { return text_; }
    // The text view that shows a rich text; nil for a plain one.
    const Value& textView() const { return textView_; }

    struct Topic {
        std::string title, text;
    };

private:
    HelpDialog(Engine& engine, const Topic& topic);

    std::string title_, text_;
    Value textView_;
};

} // namespace vel
