// The application's environment: the table every part reads its settings from, filled from built-in
// defaults, the registry files, the profile file and the command line, later layers winning; and the
// media root and file look-up built on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/value.h"

namespace vel {

// The application's tables.
struct ApplicationTables {
    Value environment;
    // Keys written with the persist option, and whether any were since the flag was last cleared.
    Value persistentSettings;
    bool settingsChanged = false;
    Value globals;
};

// Shows a notice (Windows-1252 text).
using NoticeFunction = std::function<void(std::string_view text)>;

// Where the layers come from on this machine.
struct ConfigurationSources {
    // Read in order, each with a [Preferences] section; missing files are skipped.
    std::vector<std::string> registryFiles;
    // ORVA.ini with its VELENVIRONMENT section.
    std::string profileFile;
    // Command-line settings, applied last, in order.
    std::vector<std::pair<std::string, std::string>> overrides;
};

// /etc/xdg/orva/registry.ini, $XDG_CONFIG_HOME/orva/registry.ini, and ORVA.ini in the module directory.
ConfigurationSources standardConfigurationSources(const std::string& moduleDirectory);

// Directory, backslash, name; the name alone when the directory is empty or the name is absolute
// (leading backslash or drive letter); the directory alone when the name is empty.
std::string joinPath(std::string_view directory, std::string_view name);

class Configuration {
public:
    // notice shows the file look-up's "not found" notice; without one it goes to standard error.
    explicit Configuration(NoticeFunction notice = {});

    ApplicationTables& tables() { return tables_; }
    const Value& globals() const { return tables_.globals; }
    // The globals entry of that name, or nil.
    Value global(const Value& name) const;

    Value get(std::string_view key) const;
    Value get(std::string_view key, const Value& fallback) const;
    // The value as an integer, or the default when absent or of a type (or text) that is no number.
    int32_t getInteger(std::string_view key, int32_t fallback) const;
    // Non-zero is true; also "true"/"false", "yes"/"no", "on"/"off" in any case. Other text: the default.
    bool getTruth(std::string_view key, bool fallback) const;
    void set(std::string_view key, const Value& value, bool persist = false);
    void set(std::string_view key, int32_t value, bool persist = false);
    void putGlobal(std::string_view key, const Value& value);
    void putGlobal(const Value& key, const Value& value);

    // The framework's defaults, put unconditionally into the environment table.
    void setDefaults();
    // The registry layer, the profile layer, the command-line settings, then the disc path mirror.
    void readLayers(const ConfigurationSources& sources);
    // CDROMPATH and SourceDisk: whichever one is present gives the other its value.
    void mirrorDiscPath();

    // Keys read with a default at the point of use; nothing is stored when they are absent.
    std::string sourceDisk() const;  // SourceDisk, ""
    std::string startupForm() const; // StartupForm, "startup.frm"
    int32_t mediaWidth() const;      // MediaWidth, 640
    int32_t mediaHeight() const;     // MediaHeight, 480
    int32_t eventLimit() const;      // EventLimit, 50
    bool resourceFatal() const;      // ResourceFatal, 0
    bool traceFileOpens() const;     // TraceFileOpens, 0
    bool fullInstall() const;        // FullInstall, 0

    // SourceDisk joined with MediaPath, as configured.
    std::string mediaRootSetting() const;
    // The media root on this machine.
    std::string mediaRoot() const;
    // Finds a file by name across the search path named by its extension (the environment key such
    // as "jpg"); directories separated by ";" are tried in order. Returns the path on this machine,
    // whether or not a file is there.
    std::string findFile(std::string_view name, std::string_view extension = {}) const;

private:
    void putString(std::string_view key, std::string_view value);
    std::string stringSetting(std::string_view key, std::string_view fallback) const;
    int32_t positiveSetting(std::string_view key, int32_t fallback) const;

    ApplicationTables tables_;
    NoticeFunction notice_;
};

// The product title and the short name of the profile file.
inline constexpr std::string_view kProductTitle = "Orvale Vanta";
inline constexpr std::string_view kProfileName = "ORVA.ini";

} // namespace vel
