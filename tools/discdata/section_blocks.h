// The readable sources of the curiosities, quiz, timeline, retrospective, agenda and help: UTF-8
// text in blocks of "Campo: valor" lines, one block per record, blocks separated by blank lines,
// "#" starting a comment line. A line that does not start with one of the file's field names and
// ":" continues the field above it (joined with a space), so that long texts can be wrapped, colons
// and all. docs/section_sources.md describes each file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "discdata/discdata.h"

namespace vel::discdata {

struct SourceField {
    std::string name;
    std::string value;
    int line = 0;
};

struct SourceBlock {
    int line = 0; // the block's first line
    std::vector<SourceField> fields;

    // The first field of that name; nullptr when the block has none.
    const SourceField* find(std::string_view name) const;
    // Every field of that name, in order (repeated fields: options, paragraphs).
    std::vector<const SourceField*> all(std::string_view name) const;
};

class SourceFile {
public:
    // `fields`: the names this file's records may use.
    SourceFile(fs::path path, std::initializer_list<std::string_view> fields);

    const fs::path& path() const { return path_; }
    const std::vector<SourceBlock>& blocks() const { return blocks_; }
    // "file:line" for messages.
    std::string where(int line) const;
    [[noreturn]] void failAt(int line, const std::string& message) const;
    // The field's value; fails naming the file, the block's line and the field when it is missing
    // or empty.
    const std::string& require(const SourceBlock& block, std::string_view name) const;
    // The field converted to Windows-1252 (the disc's text).
    Value text(const SourceField& field) const;

private:
    fs::path path_;
    std::vector<SourceBlock> blocks_;
};

// "file:line" for messages about a source, and the failure that names it.
std::string whereIn(const fs::path& path, int line);
[[noreturn]] void failIn(const fs::path& path, int line, const std::string& message);

// Splits "a | b | c" at the bars, each part trimmed.
std::vector<std::string> splitBars(std::string_view line);
std::string trimmed(std::string_view text);

// The lines of a one-entry-a-line source (timeline, agenda), trimmed, without blank and "#" lines,
// with their numbers.
void forEachSourceLine(const fs::path& path, const std::function<void(int number, const std::string& text)>& use);

// Plain text made safe for the rich-text views: "\\", "{" and "}" escaped.
std::string escapedRich(std::string_view text);
// Paragraphs of plain source text as the rich text the disc's views show: "\", "{" and "}"
// escaped, paragraphs separated by an empty line ("\par\par ").
std::string richParagraphs(const std::vector<const SourceField*>& paragraphs);

// A list value built from values, for records.
Value listOf(std::initializer_list<Value> items);

} // namespace vel::discdata

namespace vel::discdata {

// The generators of these sections (entered in kSections).
void makeCurio(const Context& context);
void makeTimeline(const Context& context);
void makeRetro(const Context& context);
void makeAgenda(const Context& context);
void makeHelp(const Context& context);

} // namespace vel::discdata
