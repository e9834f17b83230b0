// The subcommands of the `vel` data tool. Each takes the arguments after its own name and returns the
// process exit status: 0 success, 1 something asked for is absent inside a readable file, 2 the file
// itself is missing, unreadable or malformed (or the command line is wrong).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vel::tool {

using Args = std::span<char* const>;

int runPrint(Args args);
int runCompile(Args args);
int runArchive(Args args);
int runIndex(Args args);
int runImage(Args args);
int runRtf(Args args);
int runSearch(Args args);
int runExport(Args args);

// Prints "vel: " + message on standard error.
void complain(std::string_view message);

// While one lives, the reports of the value, index and image code, which know no file names, name
// this file.
class ReadingFile {
public:
    explicit ReadingFile(const std::string& path);
    ~ReadingFile();
    ReadingFile(const ReadingFile&) = delete;
    ReadingFile& operator=(const ReadingFile&) = delete;

private:
    const std::string* outer_;
};

} // namespace vel::tool
