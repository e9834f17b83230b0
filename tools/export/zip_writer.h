// A zip archive written entry by entry: each entry stored or deflated, then the central directory and
// the end record. The archive goes to a temporary file beside the target and replaces the target only
// when finish() succeeds; dropping the writer before that removes the temporary, so a failure leaves
// no file. Every entry carries the same DOS time, so the same entries give the same bytes.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vel::exporter {

class ZipWriter {
public:
    enum class Method { Stored, Deflated };

    explicit ZipWriter(std::string target);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Adds an entry named by a UTF-8 path with '/' between folders. A deflated entry that would not get
    // smaller is stored instead. False, the reason in error, for a name that is empty, absolute or
    // already used, for an archive that outgrows the classic format (4 GiB, 65534 entries), or when the
    // temporary cannot be made or written; the archive is then unusable.
    bool add(std::string_view name, std::string_view bytes, Method method, std::string& error);
    // Writes the central directory and the end record and renames the temporary over the target.
    bool finish(std::string& error);

private:
    struct CentralEntry {
        std::string name;
        uint16_t flags = 0;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint32_t compressedSize = 0;
        uint32_t size = 0;
        uint32_t localHeaderOffset = 0;
    };

    static void putEntryFields(std::string& out, const CentralEntry& entry);
    bool open(std::string& error);
    bool fail(std::string reason, std::string& error);
    bool write(std::string_view bytes, std::string& error);

    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool failed_ = false;
    bool finished_ = false;
    uint64_t offset_ = 0;
    std::vector<CentralEntry> entries_;
    std::set<std::string> names_;
};

} // namespace vel::exporter
