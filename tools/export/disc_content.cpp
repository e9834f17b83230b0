#include "export/disc_content.h"

#include "index/title_indexes.h"
#include "platform/media_path.h"
#include "title/quiet_errors.h"
#include "runtime/resources.h"
#include "title/title_app.h"
#include "value/buffer.h"
#include "value/encoding.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::exporter {
namespace {

constexpr std::string_view kArchives[] = {"Verbetes", "Midias", "Atlas"};

// A name the disc's records give for a file: one name in one folder, never a path.
bool plainName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos &&
           name != "." && name != "..";
}

// The file `name` in the disc's folder `folder` (both found without regard to case); empty when absent.
std::string fileIn(const std::string& root, std::string_view folder, std::string_view name)
{
    const std::string path = findFileIgnoringCase(findFileIgnoringCase(root, folder), name);
    return platform::isFile(path) ? path : std::string();
}

} // namespace

bool DiscContent::open(const std::string& disc, std::string& error)
{
    root_ = disc;
    if (!platform::isDirectory(disc)) {
        error = disc + ": not a folder";
        return false;
    }
    data_ = findFileIgnoringCase(disc, "DAT");
    bool any = false;
    for (std::string_view name : kArchives) {
        Value archive = platform::isDirectory(data_) ? openTitleArchive(data_, name) : Value();
        any = any || !archive.isNil();
        archives_.emplace_back(std::string(name), archive);
    }
    if (!any)
        error = disc + ": not a disc of the title (no DAT/Verbetes.dat, DAT/Midias.dat or DAT/Atlas.dat that opens)";
    return any;
}

std::string DiscContent::rootFile(std::string_view name) const
{
    if (!plainName(name))
        return {};
    for (const std::string& directory : {root_, data_}) {
        std::string path = findFileIgnoringCase(directory, name);
        if (platform::isFile(path))
            return path;
        if (platform::extensionOf(name).empty()) {
            path = findFileIgnoringCase(directory, std::string(name) + ".bmp");
            if (platform::isFile(path))
                return path;
        }
    }
    return {};
}

std::string DiscContent::movieFile(std::string_view name) const
{
    if (!plainName(name))
        return {};
    const std::string file = platform::extensionOf(name).empty() ? std::string(name) + ".avi" : std::string(name);
    const std::string path = fileIn(root_, "Movies", file);
    return path.empty() ? rootFile(file) : path;
}

std::string DiscContent::soundFile(std::string_view name) const
{
    if (!plainName(name))
        return {};
    for (const char* extension : {"", ".wav", ".mid", ".rmi"}) {
        // A name without an extension is not tried as it is: the root's look-up would take a picture
        // of that name ("<name>.bmp") for it.
        if (!*extension && platform::extensionOf(name).empty())
            continue;
        const std::string file = std::string(name) + extension;
        if (std::string path = fileIn(root_, "Sounds", file); !path.empty())
            return path;
        if (std::string path = rootFile(file); !path.empty())
            return path;
    }
    return {};
}

Value DiscContent::archive(std::string_view name) const
{
    for (const auto& [archiveName, archive] : archives_)
        if (archiveName == name)
            return archive;
    return Value();
}

int32_t DiscContent::count(std::string_view name) const
{
    return archiveCount(archive(name));
}

Value DiscContent::record(std::string_view name, int32_t number, std::string* damage) const
{
    return archiveRecord(archive(name), number, damage);
}

int32_t archiveCount(const Value& archive)
{
    const Archive* a = asArchive(archive);
    return a ? a->count() : 0;
}

Value archiveItem(const Value& archive, int32_t number, std::string* damage)
{
    const Archive* a = asArchive(archive);
    if (!a || number < 0 || number >= a->count())
        return Value();
    QuietErrors quiet;
    Value item = a->get(number);
    if (!quiet.any())
        return item;
    if (damage)
        *damage = quiet.firstReport();
    return Value();
}

Value archiveRecord(const Value& archive, int32_t number, std::string* damage)
{
    std::string reported;
    Value item = archiveItem(archive, number, &reported);
    if (asList(item))
        return item;
    if (damage && number >= 0 && number < archiveCount(archive))
        *damage = reported.empty() ? std::string("the record is not a list") : reported;
    return Value();
}

Value DiscContent::rootArchive(std::string_view name) const
{
    const std::string path = rootFile(name);
    if (path.empty())
        return Value();
    QuietErrors quiet;
    Value archive = Archive::open(Value::string(path), false);
    return quiet.any() || !asArchive(archive) ? Value() : archive;
}

std::string DiscContent::titleName() const
{
    const std::string path = rootFile("global.vel");
    QuietErrors quiet;
    const Value bytes = path.empty() ? Value() : readFile(path);
    const Buffer* buffer = asBuffer(bytes);
    const Value global = buffer ? decodeFromBytes(buffer->bytes(), static_cast<std::size_t>(buffer->length())) : Value();
    const auto* table = global.as<Table>();
    const Value title = table ? table->get(Value::string("Title")) : Value();
    return title.is(Tag::String) && !textOf(title).empty() ? std::string(textOf(title)) : std::string("Orvale");
}

Value DiscContent::categoryTable(std::string_view file) const
{
    for (const auto& [name, table] : categoryTables_)
        if (name == file)
            return table;
    Value table;
    Value archive = rootArchive(std::string(file) + ".DTT");
    if (const Archive* a = asArchive(archive); a && a->count() > 0) {
        QuietErrors quiet;
        Value first = a->get(0);
        if (!quiet.any() && first.as<Table>())
            table = first;
    }
    categoryTables_.emplace_back(std::string(file), table);
    return table;
}

std::pair<std::string, std::string> DiscContent::categoryNames(std::string_view file, int32_t category) const
{
    const auto* table = categoryTable(file).as<Table>();
    if (!table || category < 0)
        return {};
    const Value entry = table->get(Value::string("Cat" + std::to_string(category)));
    return {recordText(entry, 0), recordText(entry, 1)};
}

std::string recordText(const Value& record, int32_t item)
{
    const List* list = asList(record);
    if (!list || item < 0 || item >= list->count())
        return {};
    const Value value = list->get(item);
    return value.is(Tag::String) ? std::string(textOf(value)) : std::string();
}

int32_t recordInteger(const Value& record, int32_t item, int32_t otherwise)
{
    const List* list = asList(record);
    if (!list || item < 0 || item >= list->count())
        return otherwise;
    const Value value = list->get(item);
    return value.is(Tag::Int) ? velIntValue(value) : otherwise;
}

} // namespace vel::exporter
