// The one path layer between names as the data writes them (backslashes, drive letters, any letter
// case, Windows-1252) and files on this machine. Disc file systems ignore case, so every component is
// looked up without regard to it; a name from the data never leads outside the directory it is taken
// under.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vel::platform {

// A directory or file named in configuration: a drive letter ("D:\...") stands for driveRoot, an
// absolute path is taken as it is, a relative one from the current directory. ".." is honoured here:
// configuration is the user's own.
std::string configuredPath(std::string_view path, std::string_view driveRoot = {});

// A name from the data under root (a path on this machine; empty for the current directory): a drive
// letter or leading separator only says "from the top of root", and ".." stops at root. The real path
// when every component exists, otherwise the components found followed by the rest as written.
std::string pathUnder(std::string_view root, std::string_view name);

// The part of a name's last component after its last ".", as written (separators either way); empty
// when there is none.
std::string_view extensionOf(std::string_view name);
// ASCII letters made small, other bytes as they are: extensions and the names the data compares.
std::string lowerAscii(std::string_view text);

// The directories of a ";"-separated list in configuration, in order, empty entries left out.
std::vector<std::string_view> listedDirectories(std::string_view list);

bool isFile(const std::string& path);
bool isDirectory(const std::string& path);

// A name as the file system here spells it: text already in valid UTF-8 passes unchanged, anything
// else is the disc's Windows-1252.
std::string fileSystemName(std::string_view name);

} // namespace vel::platform
