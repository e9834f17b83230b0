// Where the program keeps its own files (preferences, marks, the profile file, help) and where it
// puts what it makes for the user.
#pragma once

#include <string>

namespace vel::platform {

// The folder of the running program file; empty when it cannot be found.
std::string programDirectory();

// The module directory: `home` when given (created if missing); otherwise the program's folder when
// it is writable, as a portable install is; otherwise $XDG_DATA_HOME/orva (~/.local/share/orva),
// created on demand. Empty only when none of these can be had.
std::string moduleDirectory(const std::string& home = {});

// The user's documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents), else the
// home directory, else the current one: always a folder that exists, never one made here.
std::string documentsDirectory();

// The program's cache folder: $XDG_CACHE_HOME/orva, or ~/.cache/orva. Not made here.
std::string cacheDirectory();

// $HOME, or the password database's home directory; "/" as a last resort.
std::string homeDirectory();

// Creates the directory and its missing parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);

} // namespace vel::platform
