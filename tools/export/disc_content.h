// What the export reads from a disc of the title, through the title's own readers: the data archives
// ("Verbetes", "Midias", "Atlas") and look-up files of the data folder, the category lists, and the
// sections' files at the disc's root (timeline, retrospective, quiz, the data bank's databases). A
// file that is missing or damaged is absent here, and every record is read on its own, so one
// damaged record costs one page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace vel::exporter {

class DiscContent {
public:
    // Opens the disc's folder; false, the reason in error, when it holds none of the title's data
    // archives (not a disc of the title).
    bool open(const std::string& disc, std::string& error);

    const std::string& root() const { return root_; }
    // The file of that name at the disc's root or in its data folder, found without regard to case;
    // empty when there is none. Pictures named without an extension are looked for as ".bmp" too.
    std::string rootFile(std::string_view name) const;
    std::string movieFile(std::string_view name) const;
    // A sound by the name its hot text gives: in "Sounds/", where the title plays it from, then at
    // the root; tried as given (when it has an extension), then with ".wav", ".mid" and ".rmi".
    std::string soundFile(std::string_view name) const;

    // The archives' sizes and their records: a list, or nil for a missing or damaged record (the
    // report, if any, in damage()).
    int32_t count(std::string_view archive) const;
    Value record(std::string_view archive, int32_t number, std::string* damage = nullptr) const;

    // The category list file's table ("IDCatLst", "ATCatLst", "IDMidLst", "RTCatLst", "CVSbCatL",
    // "CTstCatL"): nil when the file is missing or damaged.
    Value categoryTable(std::string_view file) const;
    // "Cat<n>"'s name and sub-category name in that file; empty when it has none.
    std::pair<std::string, std::string> categoryNames(std::string_view file, int32_t category) const;

    // The title's name ("Title" in the disc's global table); "Orvale" when the disc does not say.
    std::string titleName() const;

    // A data file at the root (timeline, retrospective, quiz) as an archive; nil when missing or damaged.
    Value rootArchive(std::string_view name) const;

private:
    Value archive(std::string_view name) const;

    std::string root_, data_;
    std::vector<std::pair<std::string, Value>> archives_;
    mutable std::vector<std::pair<std::string, Value>> categoryTables_;
};

// The archive's item count (0 for nil); its item n read with reports kept, nil when there is none or
// it does not decode (the report in *damage); the same when the item must be a list (a record).
int32_t archiveCount(const Value& archive);
Value archiveItem(const Value& archive, int32_t number, std::string* damage = nullptr);
Value archiveRecord(const Value& archive, int32_t number, std::string* damage = nullptr);

// Item i of a record as text (Windows-1252); empty when it is missing or not a string.
std::string recordText(const Value& record, int32_t item);
// Item i of a record as an integer; `otherwise` when it is missing or not a number.
int32_t recordInteger(const Value& record, int32_t item, int32_t otherwise = -1);

} // namespace vel::exporter
