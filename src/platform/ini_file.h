// A small reader of INI files, the format of the profile file and of the files that stand in for the
// registry: "[Section]" lines, "key=value" lines, comments after ";" or "#" at the start of a line.
// Section and key names compare without regard to case, as the Windows profile functions do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vel::platform {

class IniFile {
public:
    // Longest value kept, as the profile functions' 8192-byte answer buffer allows.
    static constexpr std::size_t kValueLimit = 8191;
    // Larger files are not configuration; they are refused unread.
    static constexpr std::size_t kFileLimit = 1 << 20;

    using Entries = std::vector<std::pair<std::string, std::string>>;

    static IniFile parse(std::string_view text);
    // Nothing when the file cannot be read or is too large.
    static std::optional<IniFile> load(const std::string& path);

    // The section's keys and values in file order, each key once (its first occurrence); empty when absent.
    Entries section(std::string_view name) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
    struct Section {
        std::string name;
        Entries entries;
    };
    std::vector<Section> sections_;
};

// Comparison of names the way the profile functions do it (ASCII letters fold).
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

} // namespace vel::platform
