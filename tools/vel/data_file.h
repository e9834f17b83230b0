// Reading the title's data files for the tool: whole files as bytes, which kind a file is, and text
// notation parsed element by element.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "value/value.h"

namespace vel::tool {

enum class FileKind { Archive, Encoded, Text };

// The file's bytes, or nothing (after a message) when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);
// Archives begin with the magic; a file of text notation holds no control bytes but tab, CR and LF,
// and a ".vel" name is always binary; anything else is one encoded value.
FileKind classify(const std::string& path, const std::string& bytes);
// Every top-level element of a text.
std::vector<Value> parseAll(const std::string& text);
// Writes bytes to path through a temporary name, so a failure never leaves half a file.
bool writeWholeFile(const std::string& path, const std::string& bytes);

} // namespace vel::tool
