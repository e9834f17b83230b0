#include "data_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands.h"
#include "value/encoding.h"
#include "value/file_replacement.h"
#include "value/reader.h"
#include "value/stream.h"

namespace vel::tool {

namespace {

constexpr std::size_t kQuoteLimit = 200;

void complainSystem(const std::string& what, const std::string& path, int error)
{
    complain(what + " " + path + ": " + std::strerror(error));
}

// An open descriptor for a readable file with something in it, or -1 after the message.
int openInput(const std::string& path, off_t& size, bool emptyIsRead = false)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        complainSystem("cannot open", path, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        complainSystem("cannot read", path, errno);
    } else if (S_ISDIR(info.st_mode)) {
        complain(path + " is a directory");
    } else if (S_ISREG(info.st_mode) && info.st_size == 0 && !emptyIsRead) {
        complain(path + " is empty");
    } else {
        size = info.st_size;
        return fd;
    }
    ::close(fd);
    return -1;
}

} // namespace

bool checkReadable(const std::string& path)
{
    off_t size = 0;
    const int fd = openInput(path, size);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool checkCreatable(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        complainSystem("cannot create", path, EEXIST);
        return false;
    }
    if (errno != ENOENT) {
        complainSystem("cannot create", path, errno);
        return false;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        folder = ".";
    const int error = ::stat(folder.c_str(), &info) != 0 ? errno : (S_ISDIR(info.st_mode) ? 0 : ENOTDIR);
    if (error != 0)
        complainSystem("cannot create", path, error);
    return error == 0;
}

std::optional<std::string> readWholeFile(const std::string& path, bool emptyIsRead)
{
    off_t size = 0;
    const int fd = openInput(path, size, emptyIsRead);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            complainSystem("cannot read", path, errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (bytes.empty() && !emptyIsRead) {
        complain(path + " is empty");
        return std::nullopt;
    }
    return bytes;
}

FileKind classify(const std::string& path, const std::string& bytes)
{
    if (bytes.compare(0, 4, "0VEL") == 0)
        return FileKind::Archive;
    if (path.size() >= 4 && (path.ends_with(".vel") || path.ends_with(".VEL")))
        return FileKind::Encoded;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return FileKind::Encoded;
    }
    return FileKind::Text;
}

std::vector<Value> parseAll(const std::string& text)
{
    std::vector<Value> values;
    Reader reader(text);
    while (reader.moreElements())
        values.push_back(reader.read());
    return values;
}

std::optional<Value> parseOne(const std::string& text, const std::string& what)
{
    std::vector<Value> values = parseAll(text);
    if (values.size() == 1)
        return values.front();
    complain(what + (values.empty() ? ": no value in it" : " holds " + std::to_string(values.size()) +
                                                               " values; one is expected"));
    return std::nullopt;
}

std::optional<Value> readOneValue(const std::string& path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        return std::nullopt;
    return parseOne(*bytes, path);
}

std::optional<Value> decodeWhole(const std::string& path, const std::string& bytes)
{
    Value source = MemoryStream::overBytes(bytes.data(), static_cast<int64_t>(bytes.size()), false);
    MemoryStream* stream = source.as<MemoryStream>();
    bool failed = false;
    Value value = decode(*stream, &failed);
    if (failed)
        return std::nullopt;
    if (const int64_t end = stream->tell(); end < stream->size()) {
        complain(path + ": " + std::to_string(stream->size() - end) + " bytes follow the value at offset " +
                 std::to_string(end));
        return std::nullopt;
    }
    return value;
}

bool writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::string reason;
    if (replaceFile(path, bytes, &reason))
        return true;
    complain(reason);
    return false;
}

bool parseNonNegative(const char* text, int32_t& out)
{
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > INT32_MAX)
        return false;
    out = static_cast<int32_t>(n);
    return true;
}

std::string quoted(std::string_view input)
{
    if (input.size() <= kQuoteLimit)
        return std::string(input);
    return std::string(input.substr(0, kQuoteLimit)) + "...";
}

} // namespace vel::tool
