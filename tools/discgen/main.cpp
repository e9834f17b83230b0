// discgen: builds a disc from its readable sources, so that they hold no opaque media:
//
//   discgen SOURCE-DIRECTORY OUTPUT-DIRECTORY
//
// The pictures, sounds, tunes and movies are made from SOURCE/media.tbl and every SOURCE/*.media.tbl (tables
// in the text notation, one entry per file; several tables let a disc keep its shared look apart from what is
// particular to one screen); global.tbl is compiled to global.vel; the other forms, tables and lists, and
// the help file, are copied as they are.
//
// Each media entry names its "Kind": "picture", "tone", "tune", "movie", "screen", "button", "icon",
// "palette" or "speech"; docs/disc_media.md gives every kind's keys.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "discgen/art_kinds.h"
#include "discgen/discgen.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace {

using namespace vel;
using namespace vel::discgen;
namespace fs = std::filesystem;

int failOnError(const Value& message)
{
    std::fprintf(stderr, "discgen: %s\n", textOf(message).data());
    std::exit(2);
}

struct MediaKind {
    const char* name;
    bool (*make)(const fs::path& target, const Value& entry);
};

constexpr MediaKind kKinds[] = {
    {"picture", makePicture}, {"screen", makeScreen},   {"button", makeButton},
    {"icon", makeIcon},       {"palette", makePalette}, {"tone", makeTone},
    {"speech", makeSpeech},   {"tune", makeTune},
};

bool knownKind(const std::string& kind)
{
    return kind == "movie" || std::any_of(std::begin(kKinds), std::end(kKinds), [&](const MediaKind& k) { return kind == k.name; });
}

// A movie may take its soundtrack from another entry of the same table.
bool makeOne(const std::string& kind, const fs::path& target, const Value& entry, const Value& files)
{
    if (kind == "movie")
        return makeMovie(target, entry, files);
    for (const MediaKind& k : kKinds)
        if (kind == k.name)
            return k.make(target, entry);
    return false;
}

// Makes every file media.tbl describes; the count made, or -1.
int makeMedia(const fs::path& description, const fs::path& out)
{
    std::ifstream in(description, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "discgen: cannot read %s\n", description.c_str());
        return -1;
    }
    std::stringstream text;
    text << in.rdbuf();
    Value table = parseText(text.str());
    Table* files = asTable(table);
    if (!files) {
        std::fprintf(stderr, "discgen: %s does not hold a table of files\n", description.c_str());
        return -1;
    }
    int made = 0;
    for (int32_t slot = files->firstIndex(); slot >= 0; slot = files->nextIndex(slot)) {
        std::string name(textOf(files->keyRef(slot)));
        const Value& entry = files->valueRef(slot);
        std::string kind(textOf(field(entry, "Kind")));
        fs::path target = out / name;
        if (!knownKind(kind)) {
            std::fprintf(stderr, "discgen: %s: unknown kind '%s'\n", name.c_str(), kind.c_str());
            return -1;
        }
        const bool ok = makeOne(kind, target, entry, table);
        if (!ok) {
            std::fprintf(stderr, "discgen: cannot make %s\n", target.c_str());
            return -1;
        }
        ++made;
    }
    return made;
}

// "media.tbl", or a name ending in ".media.tbl".
bool isMediaTable(const fs::path& path)
{
    const std::string name = path.filename().string();
    const std::string suffix = ".media.tbl";
    return name == "media.tbl" || (name.size() > suffix.size() && name.ends_with(suffix));
}

// The global table is read from its notation once here, so the title starts from the encoded copy.
bool compileGlobals(const fs::path& source, const fs::path& target)
{
    std::ifstream in(source, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(parseText(text.str()), &ok);
    if (ok)
        writeBytes(target, bytes);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    setErrorHandler(failOnError);
    if (argc != 3 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: discgen SOURCE-DIRECTORY OUTPUT-DIRECTORY\n");
        return 2;
    }
    const fs::path source(argv[1]), out(argv[2]);
    std::error_code error;
    fs::create_directories(out, error);
    // Sorted, so that a name two tables describe is always made by the same one.
    std::vector<fs::path> sources;
    for (const fs::directory_entry& file : fs::directory_iterator(source))
        sources.push_back(file.path());
    std::sort(sources.begin(), sources.end());
    int made = 0;
    for (const fs::path& path : sources) {
        if (!isMediaTable(path))
            continue;
        const int count = makeMedia(path, out);
        if (count < 0)
            return 2;
        made += count;
    }
    for (const fs::path& path : sources) {
        const std::string ext = path.extension().string(), name = path.filename().string();
        if (isMediaTable(path) || (ext != ".frm" && ext != ".tbl" && ext != ".lst" && ext != ".hlp"))
            continue;
        bool ok = name == "global.tbl" ? compileGlobals(path, out / "global.vel")
                                       : fs::copy_file(path, out / name, fs::copy_options::overwrite_existing, error);
        if (!ok) {
            std::fprintf(stderr, "discgen: cannot bring %s into %s\n", path.c_str(), out.c_str());
            return 2;
        }
        ++made;
    }
    std::printf("discgen: %d files in %s\n", made, out.c_str());
    return 0;
}
