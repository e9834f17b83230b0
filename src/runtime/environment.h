// The application's environment: the table every part reads its settings from, filled from built-in
// defaults, the registry files, the profile file and the command line, later layers winning; and the
// media root and file look-up built on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/value.h"

namespace vel {

// The tables of the one application object. The application registers itself; every look-up below
// reads the registered tables, and yields nil (or the default) when none are registered.
struct ApplicationTables {
    Value environment;
    // Keys written with the persist option, and whether any were since the flag was last cleared.
    Value persistentSettings;
    bool settingsChanged = false;
    Value globals;
};

// Registers (nullptr unregisters); an absent environment table is created empty.
void registerApplicationTables(ApplicationTables* tables);
ApplicationTables* registeredApplicationTables();

namespace environment {

Value get(std::string_view key);
Value get(std::string_view key, const Value& fallback);
// The value as an integer, or the default when absent or of a type (or text) that is no number.
int32_t getInteger(std::string_view key, int32_t fallback);
// Non-zero is true; also "true"/"false", "yes"/"no", "on"/"off" in any case. Other text: the default.
bool getTruth(std::string_view key, bool fallback);
void set(std::string_view key, const Value& value, bool persist = false);
void set(std::string_view key, int32_t value, bool persist = false);
void putGlobal(std::string_view key, const Value& value);
void putGlobal(const Value& key, const Value& value);

} // namespace environment

// The framework's defaults, put unconditionally into the environment table.
void setEnvironmentDefaults();

// Keys read with a default at the point of use; nothing is stored when they are absent.
std::string sourceDisk();                 // SourceDisk, ""
std::string startupForm();                // StartupForm, "startup.frm"
int32_t mediaWidth();                     // MediaWidth, 640
int32_t mediaHeight();                    // MediaHeight, 480
int32_t eventLimit();                     // EventLimit, 50
bool resourceFatal();                     // ResourceFatal, 0
bool traceFileOpens();                    // TraceFileOpens, 0
bool fullInstall();                       // FullInstall, 0

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

// The registry layer, the profile layer, the command-line settings, then the disc path mirror.
void readConfigurationLayers(const ConfigurationSources& sources);
// CDROMPATH and SourceDisk: whichever one is present gives the other its value.
void mirrorDiscPath();

// Directory, backslash, name; the name alone when the directory is empty or the name is absolute
// (leading backslash or drive letter); the directory alone when the name is empty.
std::string joinPath(std::string_view directory, std::string_view name);

// SourceDisk joined with MediaPath, as configured.
std::string mediaRootSetting();
// The media root on this machine.
std::string mediaRoot();

// Finds a file by name across the search path named by its extension (the environment key such as
// "jpg"); directories separated by ";" are tried in order. Returns the path on this machine, whether
// or not a file is there.
std::string findFile(std::string_view name, std::string_view extension = {});

// Shows the look-up's "not found" notice (Windows-1252 text, the product title as caption). The
// application installs one that uses its message box; by default the text goes to standard error.
using FileNoticeHook = void (*)(std::string_view text);
FileNoticeHook setFileNoticeHook(FileNoticeHook hook);

// The product title and the short name of the profile file.
inline constexpr std::string_view kProductTitle = "Orvale Vanta";
inline constexpr std::string_view kProfileName = "ORVA.ini";

} // namespace vel
