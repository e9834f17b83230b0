// The title's look-up files, registered under fixed names and opened read-only from its data
// directory. Asking for a name gives a fresh read-only index, or nil for a name that is unknown or
// whose file was not an index when it was registered.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel::index {
class PageCache;
}

namespace vel {

struct TitleIndexFile {
    const char* archiveFirst; // archives opened just before this entry's group, comma-separated; or null
    const char* name;
    const char* file;
};

class TitleIndexes {
public:
    TitleIndexes() = default;
    // The indexes it gives keep their pages in the cache given (the engine's).
    explicit TitleIndexes(index::PageCache& cache) : cache_(&cache) {}

    // The names and files in registration order.
    static std::span<const TitleIndexFile> table();

    // Registers the whole table from dataDirectory. openArchive, when given, is called with each
    // archive name at the point its group begins.
    void registerAll(const std::string& dataDirectory,
                     const std::function<void(std::string_view archive)>& openArchive = {});
    // Opens the file once; records it only when it is an index. True when recorded.
    bool registerName(std::string_view name, const std::string& path);
    Value get(std::string_view name) const;
    bool has(std::string_view name) const;

private:
    std::vector<std::pair<std::string, std::string>> recorded_;
    index::PageCache* cache_ = nullptr;
};

// The file in the directory whose name matches without regard to case (disc file systems ignore
// case); the plain joined path when none does.
std::string findFileIgnoringCase(const std::string& directory, std::string_view name);

} // namespace vel
