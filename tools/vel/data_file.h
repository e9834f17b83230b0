// Reading the title's data files for the tool: whole files as bytes, which kind a file is, and the
// values a file holds. Every refusal names the file and says why (the system's reason where there is
// one) before it returns nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel::tool {

enum class FileKind { Archive, Encoded, Text };

// Whether path names a readable file with something in it: not missing, not a folder, not empty.
bool checkReadable(const std::string& path);
// Whether a new file can be made at path: nothing is there yet and its folder exists.
bool checkCreatable(const std::string& path);
// The file's bytes, under the same checks; an empty file passes where it means something (an empty text).
std::optional<std::string> readWholeFile(const std::string& path, bool emptyIsRead = false);
// Archives begin with the magic; a file of text notation holds no control bytes but tab, CR and LF,
// and a ".vel" name is always binary; anything else is one encoded value.
FileKind classify(const std::string& path, const std::string& bytes);
// Every top-level element of a text.
std::vector<Value> parseAll(const std::string& text);
// The one value of a text; what holds none or more than one is refused, and `what` names it.
std::optional<Value> parseOne(const std::string& text, const std::string& what);
// The one value in text notation in a file.
std::optional<Value> readOneValue(const std::string& path);
// The one encoded value that is the whole of bytes; bytes left after it are refused.
std::optional<Value> decodeWhole(const std::string& path, const std::string& bytes);
// Writes bytes to path through a temporary name, so a failure never leaves half a file.
bool writeWholeFile(const std::string& path, const std::string& bytes);
// A whole argument that is a decimal number from 0 to the largest 32-bit one.
bool parseNonNegative(const char* text, int32_t& out);
// At most about 200 bytes of input for a message, then an ellipsis.
std::string quoted(std::string_view input);

} // namespace vel::tool
