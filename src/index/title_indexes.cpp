#include "index/title_indexes.h"

#include <algorithm>
#include <filesystem>

#include "index/value_index.h"

namespace vel {
namespace {

// The pairing of MDB_NAMELIST with MDBName.IDX and MDB_FNAME with MDBNList.IDX is the title's own.
constexpr TitleIndexFile kTable[] = {
    {"Verbetes", "VDB_LISTID", "VDBLstID.IDX"},
    {nullptr, "VDB_NAMELIST", "VDBNList.IDX"},
    {nullptr, "VDB_IDLIST", "VDBIDLst.IDX"},
    {nullptr, "VDB_NAME", "VDBName.IDX"},
    {nullptr, "MDB_LISTID", "MDBLstID.IDX"},
    {nullptr, "MDB_FNAMELIST", "MDBFName.IDX"},
    {nullptr, "MDB_NAMELIST", "MDBName.IDX"},
    {nullptr, "MDB_FNAME", "MDBNList.IDX"},
    {nullptr, "MDB_IDLIST", "MDBIDLst.IDX"},
    {nullptr, "MDB_IDLIST2", "MDBIDLt2.IDX"},
    {"Midias,Atlas", "DBL_NAMELIST", "ATNamLst.IDX"},
    {nullptr, "DBL_IDLIST", "ATIDList.IDX"},
};

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

std::span<const TitleIndexFile> TitleIndexes::table() { return kTable; }

std::string findFileIgnoringCase(const std::string& directory, std::string_view name)
{
    std::filesystem::path joined = std::filesystem::path(directory) / std::string(name);
    std::error_code ec;
    if (std::filesystem::exists(joined, ec))
        return joined.string();
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec))
        if (sameIgnoringCase(entry.path().filename().string(), name))
            return entry.path().string();
    return joined.string();
}

void TitleIndexes::registerAll(const std::string& dataDirectory,
                               const std::function<void(std::string_view)>& openArchive)
{
    for (const TitleIndexFile& t : kTable) {
        if (t.archiveFirst && openArchive) {
            std::string_view list = t.archiveFirst;
            while (!list.empty()) {
                std::size_t comma = list.find(',');
                openArchive(list.substr(0, comma));
                list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            }
        }
        registerName(t.name, findFileIgnoringCase(dataDirectory, t.file));
    }
}

bool TitleIndexes::registerName(std::string_view name, const std::string& path)
{
    if (!ValueIndex::isIndexFile(path))
        return false;
    for (auto& [n, p] : recorded_)
        if (n == name) {
            p = path;
            return true;
        }
    recorded_.emplace_back(std::string(name), path);
    return true;
}

bool TitleIndexes::has(std::string_view name) const
{
    return std::any_of(recorded_.begin(), recorded_.end(), [&](const auto& r) { return r.first == name; });
}

Value TitleIndexes::get(std::string_view name) const
{
    for (const auto& [n, p] : recorded_) {
        if (n != name)
            continue;
        if (!ValueIndex::isIndexFile(p))
            return Value();
        return cache_ ? ValueIndex::make(p, false, false, *cache_) : ValueIndex::make(p, false, false);
    }
    return Value();
}

} // namespace vel
