// Replacing a file whole or not at all: the new contents go to a temporary file with a unique name
// in the target's folder, reach the disk, and are renamed over the target; the folder is synced so
// the rename itself survives a power loss. A failure at any step removes the temporary and leaves
// the target as it was. Failures answer false with the step and the system's reason in *error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vel {

// The whole replacement: write receives the temporary's descriptor and answers whether it wrote
// everything it meant to.
bool replaceFile(const std::string& target, const std::function<bool(int descriptor)>& write,
                 std::string* error = nullptr);
bool replaceFile(const std::string& target, std::string_view bytes, std::string* error = nullptr);

// The two halves, for writers that open the file by name themselves (a PDF library, say).
// An empty file under a unique name beside target, with the target's permissions when it exists;
// its path, or "" on failure.
std::string createTemporaryBeside(const std::string& target, std::string* error = nullptr);
// Syncs temporary, renames it over target and syncs the folder; on failure temporary is removed.
bool commitTemporary(const std::string& temporary, const std::string& target, std::string* error = nullptr);

// Writes all of bytes to a descriptor, resuming after interruptions; false on any failure (errno set).
bool writeAll(int descriptor, const void* bytes, std::size_t length);

} // namespace vel
