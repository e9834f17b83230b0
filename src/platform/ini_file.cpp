#include "platform/ini_file.h"

#include <fstream>
#include <iterator>

namespace vel::platform {

namespace {

std::string_view trimmed(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char foldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

IniFile IniFile::parse(std::string_view text)
{
    IniFile file;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Section* current = nullptr;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimmed(text.substr(position, end - position));
        position = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            std::string_view name = trimmed(line.substr(1, close - 1));
            current = nullptr;
            for (Section& s : file.sections_)
                if (sameNameIgnoringCase(s.name, name))
                    current = &s;
            if (!current) {
                file.sections_.push_back({std::string(name), {}});
                current = &file.sections_.back();
            }
            continue;
        }
        std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos)
            continue;
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (key.empty())
            continue;
        // The profile functions drop one pair of quotes around a value.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > kValueLimit)
            value = value.substr(0, kValueLimit);
        bool seen = false;
        for (const auto& entry : current->entries)
            seen = seen || sameNameIgnoringCase(entry.first, key);
        if (!seen)
            current->entries.emplace_back(std::string(key), std::string(value));
    }
    return file;
}

std::optional<IniFile> IniFile::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::size_t>(size) > kFileLimit)
        return std::nullopt;
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size))
        return std::nullopt;
    return parse(text);
}

IniFile::Entries IniFile::section(std::string_view name) const
{
    for (const Section& s : sections_)
        if (sameNameIgnoringCase(s.name, name))
            return s.entries;
    return {};
}

std::optional<std::string> IniFile::value(std::string_view sectionName, std::string_view key) const
{
    for (const Section& s : sections_) {
        if (!sameNameIgnoringCase(s.name, sectionName))
            continue;
        for (const auto& entry : s.entries)
            if (sameNameIgnoringCase(entry.first, key))
                return entry.second;
    }
    return std::nullopt;
}

} // namespace vel::platform
