#include "controls/help_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "controls/text_view.h"
#include "runtime/engine.h"
#include "runtime/resources.h"
#include "runtime/surface.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr int32_t kWidth = 480, kHeight = 320;
constexpr int32_t kPaper = 0xE6F5FA;  // a pale cream, as a colour reference
constexpr int32_t kInk = 0x3C1C14;    // a dark blue
constexpr int kMargin = 16;
// How WinHelp files begin.
constexpr unsigned char kWinHelpMagic[] = {0x3F, 0x5F, 0x03, 0x00};

std::string entryText(const Value& topic, const char* key)
{
    Table* t = asTable(topic);
    Value v = t ? t->get(Value::string(key)) : Value();
    return v.is(Tag::String) ? std::string(textOf(v)) : std::string();
}

// Where the topic's text goes, in the dialog's coordinates.
constexpr platform::Rect kTextArea{kMargin, 48, kWidth - kMargin, kHeight - 36};

// A control word of the rich-text dialect: a backslash and a letter.
bool isRichText(std::string_view text)
{
    for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 2))
        if (at + 1 < text.size() && std::isalpha(static_cast<unsigned char>(text[at + 1])))
            return true;
    return false;
}

Value dialogData(Engine& engine, const HelpDialog::Topic& topic)
{
    Value data = Table::make();
    Table* t = asTable(data);
    t->put(Value::string("Width"), Value::integer(kWidth));
    t->put(Value::string("Height"), Value::integer(kHeight));
    t->put(Value::string("Origin X"), Value::integer(std::max(0, (engine.configuration().mediaWidth() - kWidth) / 2)));
    t->put(Value::string("Origin Y"), Value::integer(std::max(0, (engine.configuration().mediaHeight() - kHeight) / 2)));
    if (isRichText(topic.text)) {
        Value view = Table::make();
        Table* v = asTable(view);
        v->put(Value::string("Name"), Value::string("Texto"));
        v->put(Value::string("Hot Spot"),
               Region::rectangle(kTextArea.left, kTextArea.top, kTextArea.right, kTextArea.bottom));
        v->put(Value::string("Font"), Font::make(Value::string("Arial"), 10, 0));
        v->put(Value::string("ForegroundColor"), Value::integer(kInk));
        v->put(Value::string("BackgroundColor"), Value::integer(kPaper));
        v->put(Value::string("Text"), Value::string(topic.text));
        Value controls = ValueList::make(1);
        asValueList(controls)->append(Value::adopt(Tag::Control, new TextView(engine, view)));
        t->put(Value::string("Control List"), controls);
    }
    return data;
}

HelpDialog::Topic topicFor(const Value& topics, int32_t context)
{
    Table* t = asTable(topics);
    Value topic = t && context >= 0 ? t->get(Value::integer(context)) : Value();
    if (asTable(topic))
        return {entryText(topic, "Title"), entryText(topic, "Text")};
    // The contents: every topic's title, in the order of their context numbers.
    HelpDialog::Topic contents{"Conte\xFA" "do da ajuda", {}};
    std::vector<std::pair<int32_t, std::string>> titles;
    for (int32_t slot = t ? t->firstIndex() : -1; slot >= 0; slot = t->nextIndex(slot))
        if (t->keyRef(slot).is(Tag::Int))
            titles.emplace_back(t->keyRef(slot).asInt(), entryText(t->valueRef(slot), "Title"));
    std::sort(titles.begin(), titles.end());
    for (const auto& [number, title] : titles)
        contents.text += title + "\n";
    return contents;
}

} // namespace

Value readHelpTopics(const std::string& path, std::string& why)
{
    Value held = readFile(path);
    Buffer* file = asBuffer(held);
    if (!file) {
        why = "N\xE3o h\xE1 arquivo de ajuda em " + path;
        return Value();
    }
    std::string_view bytes(reinterpret_cast<const char*>(file->bytes()), static_cast<std::size_t>(file->length()));
    if (bytes.size() >= sizeof kWinHelpMagic && std::memcmp(bytes.data(), kWinHelpMagic, sizeof kWinHelpMagic) == 0) {
        why = "A ajuda est\xE1 no formato antigo do Windows, que este programa n\xE3o l\xEA: " + path;
        return Value();
    }
    // Only a table is taken for topics: other text is not read as notation at all.
    std::size_t start = bytes.find_first_not_of(" \t\r\n");
    while (start != std::string_view::npos && bytes[start] == ';') {
        std::size_t end = bytes.find('\n', start);
        start = end == std::string_view::npos ? end : bytes.find_first_not_of(" \t\r\n", end);
    }
    Value topics = start != std::string_view::npos && bytes.substr(start, 6) == "(table" ? parseText(bytes) : Value();
    if (!asTable(topics)) {
        why = "O arquivo de ajuda n\xE3o traz t\xF3picos leg\xEDveis: " + path;
        return Value();
    }
    return topics;
}

HelpDialog::HelpDialog(Engine& engine, const Value& topics, int32_t context)
    : HelpDialog(engine, topicFor(topics, context))
{
}

HelpDialog::HelpDialog(Engine& engine, const Topic& topic)
    : velLibraryDialog(engine, dialogData(engine, topic)), title_(topic.title), text_(topic.text)
{
    if (const List* controls = asList(property("Control List")); controls && controls->count() > 0)
        textView_ = controls->get(0);
}

Value HelpDialog::createInstance(const Value&) const
{
    return Value::adopt(Tag::Form, new HelpDialog(engine_, Value(), -1));
}

void HelpDialog::draw()
{
    DrawingSurface* s = engine_.surface();
    if (!s)
        return;
    s->setOrigin(originX_, originY_);
    s->fill({0, 0, width_, height_}, kPaper);
    s->rectangle({0, 0, width_, height_}, kInk, 2);
    s->setTextColor(kInk);
    s->setTextBackground(-1);
    s->selectFont(Font::make(Value::string("Arial"), 14, 2));
    s->textOut(kMargin, 12, title_);
    s->selectFont(Font::make(Value::string("Arial"), 8, 1));
    s->textOut(kMargin, height_ - 24, "Esc ou um clique fecha a ajuda.");
    if (textView_.isNil()) {
        s->selectFont(Font::make(Value::string("Arial"), 10, 0));
        s->drawTextInRect(kTextArea, text_, text_format::WordBreak);
    } else {
        drawControls();
    }
}

void HelpDialog::mouseDown(int32_t x, int32_t y)
{
    if (velControlObject* view = asControl(textView_);
        view && view->containsPoint(x - originX_, y - originY_)) {
        velLibraryDialog::mouseDown(x, y);
        return;
    }
    if (x >= originX_ && y >= originY_ && x <= originX_ + width_ && y <= originY_ + height_)
        end();
}

} // namespace vel
