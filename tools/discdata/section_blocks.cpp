#include "discdata/section_blocks.h"

#include <sstream>

#include "value/list.h"

namespace vel::discdata {

const SourceField* SourceBlock::find(std::string_view name) const
{
    for (const SourceField& field : fields)
        if (field.name == name)
            return &field;
    return nullptr;
}

std::vector<const SourceField*> SourceBlock::all(std::string_view name) const
{
    std::vector<const SourceField*> found;
    for (const SourceField& field : fields)
        if (field.name == name)
            found.push_back(&field);
    return found;
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> splitBars(std::string_view line)
{
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t bar = line.find('|');
        parts.push_back(trimmed(line.substr(0, bar)));
        if (bar == std::string_view::npos)
            return parts;
        line.remove_prefix(bar + 1);
    }
}

// "Name: value" where Name is one of the file's fields.
static bool splitField(const std::string& line, std::initializer_list<std::string_view> fields, std::string& name,
                       std::string& value)
{
    for (std::string_view field : fields)
        if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 && line[field.size()] == ':') {
            name = field;
            value = trimmed(std::string_view(line).substr(field.size() + 1));
            return true;
        }
    return false;
}

SourceFile::SourceFile(fs::path path, std::initializer_list<std::string_view> fields) : path_(std::move(path))
{
    std::istringstream in(readText(path_));
    std::string line;
    int number = 0;
    bool open = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '#')
            continue;
        if (trimmed(line).empty()) {
            open = false;
            continue;
        }
        if (!open) {
            blocks_.push_back({number, {}});
            open = true;
        }
        SourceBlock& block = blocks_.back();
        std::string name;
        std::string value;
        if (splitField(line, fields, name, value)) {
            block.fields.push_back({name, value, number});
        } else if (block.fields.empty()) {
            failAt(number, "a line that names no field (\"Campo: valor\")");
        } else {
            std::string& held = block.fields.back().value;
            held += held.empty() ? trimmed(line) : " " + trimmed(line);
        }
    }
}

std::string whereIn(const fs::path& path, int line) { return path.string() + ":" + std::to_string(line); }

void failIn(const fs::path& path, int line, const std::string& message) { fail(whereIn(path, line) + ": " + message); }

std::string SourceFile::where(int line) const { return whereIn(path_, line); }

void SourceFile::failAt(int line, const std::string& message) const { failIn(path_, line, message); }

const std::string& SourceFile::require(const SourceBlock& block, std::string_view name) const
{
    const SourceField* field = block.find(name);
    if (!field || field->value.empty())
        failAt(block.line, "the record has no \"" + std::string(name) + ":\"");
    return field->value;
}

Value SourceFile::text(const SourceField& field) const { return text1252(field.value, where(field.line)); }

void forEachSourceLine(const fs::path& path, const std::function<void(int number, const std::string& text)>& use)
{
    std::istringstream in(readText(path));
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = trimmed(line);
        if (!text.empty() && text[0] != '#')
            use(number, text);
    }
}

std::string escapedRich(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '{' || c == '}')
            out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::string richParagraphs(const std::vector<const SourceField*>& paragraphs)
{
    std::string out;
    for (const SourceField* paragraph : paragraphs) {
        if (!out.empty())
            out += "\\par\\par ";
        out += escapedRich(paragraph->value);
    }
    return out;
}

Value listOf(std::initializer_list<Value> items)
{
    Value list = ValueList::make(static_cast<int32_t>(items.size()));
    for (const Value& item : items)
        asList(list)->append(item);
    return list;
}

} // namespace vel::discdata
