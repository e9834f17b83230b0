#include "export/zip_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include "platform/text_encoding.h"
#include "value/file_replacement.h"

namespace vel::exporter {

namespace {

constexpr uint32_t localHeaderSignature = 0x04034b50;
constexpr uint32_t centralHeaderSignature = 0x02014b50;
constexpr uint32_t endRecordSignature = 0x06054b50;
constexpr uint16_t methodStored = 0;
constexpr uint16_t methodDeflated = 8;
constexpr uint16_t flagUtf8Name = 1 << 11;
// 1980-01-01 00:00:00, the first moment DOS dates can say: a fixed time keeps the bytes reproducible.
constexpr uint16_t dosTime = 0;
constexpr uint16_t dosDate = (0 << 9) | (1 << 5) | 1;
// Made by Unix (3) under version 2.0 of the format, so the external attributes are Unix permissions.
constexpr uint16_t versionMadeBy = (3 << 8) | 20;
constexpr uint32_t regularFileReadable = 0100644u << 16;
// Sizes and offsets of 0xFFFFFFFF and counts of 0xFFFF mean "see the Zip64 record", which this
// writer does not make.
constexpr uint64_t largestClassicValue = 0xFFFFFFFEu;
constexpr std::size_t mostClassicEntries = 0xFFFE;
// Deflated in one call, an entry's worst-case output must fit zlib's 32-bit counts; larger ones are stored.
constexpr std::size_t largestDeflatedEntry = 0xF0000000u;

void put16(std::string& out, uint16_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void put32(std::string& out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value & 0xFFFF));
    put16(out, static_cast<uint16_t>(value >> 16));
}

uint16_t versionNeeded(uint16_t method)
{
    return method == methodDeflated ? 20 : 10;
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Why the name cannot be an entry's, or "" when it can: a relative path of non-empty segments that
// never climbs out of the archive's root.
std::string nameProblem(std::string_view name)
{
    if (name.empty())
        return "an entry with no name";
    if (name.front() == '/')
        return "the entry name \"" + std::string(name) + "\" is absolute";
    if (!platform::isValidUtf8(name))
        return "the entry name \"" + std::string(name) + "\" is not UTF-8";
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        std::string_view segment = name.substr(start, slash == std::string_view::npos ? name.npos : slash - start);
        if (segment.empty() || segment == "." || segment == ".." || segment.find('\\') != segment.npos ||
            segment.find('\0') != segment.npos)
            return "the entry name \"" + std::string(name) + "\" is not a plain relative path";
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return {};
}

// Raw deflate (no zlib header), as zip entries hold it; false when zlib fails.
bool deflateRaw(std::string_view bytes, std::string& out)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return status == Z_STREAM_END;
}

} // namespace

ZipWriter::ZipWriter(std::string target) : target_(std::move(target)) {}

ZipWriter::~ZipWriter()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

bool ZipWriter::fail(std::string reason, std::string& error)
{
    failed_ = true;
    error = std::move(reason);
    return false;
}

bool ZipWriter::open(std::string& error)
{
    std::string reason;
    temporary_ = createTemporaryBeside(target_, &reason);
    if (temporary_.empty())
        return fail(reason, error);
    descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor_ < 0)
        return fail("cannot open " + temporary_ + ": " + std::strerror(errno), error);
    return true;
}

bool ZipWriter::write(std::string_view bytes, std::string& error)
{
    if (!writeAll(descriptor_, bytes.data(), bytes.size()))
        return fail("cannot write " + target_ + ": " + std::strerror(errno), error);
    offset_ += bytes.size();
    return true;
}


// The fields the local header and the central directory share, from "version needed" to the
// name's length.
void ZipWriter::putEntryFields(std::string& out, const CentralEntry& entry)
{
    put16(out, versionNeeded(entry.method));
    put16(out, entry.flags);
    put16(out, entry.method);
    put16(out, dosTime);
    put16(out, dosDate);
    put32(out, entry.crc);
    put32(out, entry.compressedSize);
    put32(out, entry.size);
    put16(out, static_cast<uint16_t>(entry.name.size()));
}

bool ZipWriter::add(std::string_view name, std::string_view bytes, Method method, std::string& error)
{
    if (failed_ || finished_)
        return fail("the archive " + target_ + " can take no more entries", error);
    if (std::string problem = nameProblem(name); !problem.empty())
        return fail(problem, error);
    if (!names_.insert(std::string(name)).second)
        return fail("two entries named \"" + std::string(name) + "\"", error);
    if (name.size() > std::numeric_limits<uint16_t>::max())
        return fail("the entry name \"" + std::string(name.substr(0, 64)) + "...\" is too long", error);
    if (entries_.size() >= mostClassicEntries || bytes.size() > largestClassicValue || offset_ > largestClassicValue)
        return fail("the archive " + target_ + " grows beyond what a zip without Zip64 holds", error);
    if (descriptor_ < 0 && !open(error))
        return false;

    CentralEntry entry;
    entry.name = std::string(name);
    entry.flags = isAscii(name) ? 0 : flagUtf8Name;
    entry.crc = static_cast<uint32_t>(
        crc32_z(crc32_z(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
    entry.size = static_cast<uint32_t>(bytes.size());
    entry.localHeaderOffset = static_cast<uint32_t>(offset_);

    std::string deflated;
    std::string_view data = bytes;
    entry.method = methodStored;
    if (method == Method::Deflated && !bytes.empty() && bytes.size() <= largestDeflatedEntry) {
        if (!deflateRaw(bytes, deflated))
            return fail("cannot compress \"" + entry.name + "\"", error);
        if (deflated.size() < bytes.size()) {
            entry.method = methodDeflated;
            data = deflated;
        }
    }
    entry.compressedSize = static_cast<uint32_t>(data.size());

    std::string header;
    put32(header, localHeaderSignature);
    putEntryFields(header, entry);
    put16(header, 0); // no extra field: readers of "mimetype" look for its content at offset 38
    header += entry.name;
    if (!write(header, error) || !write(data, error))
        return false;
    entries_.push_back(std::move(entry));
    return true;
}

bool ZipWriter::finish(std::string& error)
{
    if (failed_ || finished_)
        return fail("the archive " + target_ + " cannot be finished", error);
    if (descriptor_ < 0 && !open(error))
        return false;
    const uint64_t directoryOffset = offset_;
    std::string directory;
    for (const CentralEntry& entry : entries_) {
        put32(directory, centralHeaderSignature);
        put16(directory, versionMadeBy);
        putEntryFields(directory, entry);
        put16(directory, 0); // extra field
        put16(directory, 0); // comment
        put16(directory, 0); // disk where the entry starts
        put16(directory, 0); // internal attributes
        put32(directory, regularFileReadable);
        put32(directory, entry.localHeaderOffset);
        directory += entry.name;
    }
    if (directoryOffset > largestClassicValue || directory.size() > largestClassicValue ||
        directoryOffset + directory.size() > largestClassicValue)
        return fail("the archive " + target_ + " grows beyond what a zip without Zip64 holds", error);
    std::string end;
    put32(end, endRecordSignature);
    put16(end, 0); // this disk
    put16(end, 0); // the disk where the directory starts
    put16(end, static_cast<uint16_t>(entries_.size()));
    put16(end, static_cast<uint16_t>(entries_.size()));
    put32(end, static_cast<uint32_t>(directory.size()));
    put32(end, static_cast<uint32_t>(directoryOffset));
    put16(end, 0); // comment
    if (!write(directory, error) || !write(end, error))
        return false;

    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (::close(descriptor) != 0)
        return fail("cannot write " + target_ + ": " + std::strerror(errno), error);
    std::string reason;
    std::string temporary;
    temporary.swap(temporary_); // commitTemporary removes it itself when it fails
    if (!commitTemporary(temporary, target_, &reason))
        return fail(reason, error);
    finished_ = true;
    return true;
}

} // namespace vel::exporter
