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

// The user's documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents when it
// exists, else the home directory).
std::string documentsDirectory();

// $HOME, or the password database's home directory; "/" as a last resort.
std::string homeDirectory();

// Creates the directory and its missing parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);

} // namespace vel::platform
