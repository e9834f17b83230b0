#include "data_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "commands.h"
#include "value/file_replacement.h"
#include "value/reader.h"

namespace vel::tool {

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        complain("cannot open " + path);
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
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

bool writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::string reason;
    if (replaceFile(path, bytes, &reason))
        return true;
    complain(reason);
    return false;
}

} // namespace vel::tool
