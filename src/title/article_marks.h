// The reader's marked articles: one list of article numbers for the whole run, kept in the file
// "MARKLIST.DTT" in the program's directory (an archive whose only item is the list, made with room
// for 100 items). The list is read once; every change rewrites the file through a temporary name
// renamed over it, so a crash never leaves half a file. A missing, damaged or truncated file gives
// no marks and is written afresh. An empty list is kept as nil.
#pragma once

#include <cstdint>
#include <string>

#include "value/value.h"

namespace vel {

class Engine;

class ArticleMarks {
public:
    static constexpr int32_t kDirectoryCapacity = 100;
    static constexpr const char* kFileName = "MARKLIST.DTT";

    // The run's marks, kept in the engine's globals, the file in the program's directory.
    explicit ArticleMarks(Engine& engine);
    // The marks of another file (a test's); each file's list is read once a run.
    ArticleMarks(Engine& engine, std::string path);

    // Nil or a list of article numbers.
    const Value& list();
    bool empty() { return list().isNil(); }
    bool contains(int32_t article);
    void add(int32_t article);
    void remove(int32_t article);
    const std::string& path() const { return path_; }

private:
    void load();
    bool save();

    void keep(const Value& list);

    Engine& engine_;
    std::string path_;
    Value list_;
};

} // namespace vel
