#include "data_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "commands.h"
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
    std::string temporary = path + ".tmp" + std::to_string(getpid());
    FILE* out = std::fopen(temporary.c_str(), "wb");
    bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out)
        ok = std::fclose(out) == 0 && ok;
    if (ok)
        ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
        complain("cannot write " + path);
    }
    return ok;
}

} // namespace vel::tool
