// vel: prints, checks, converts and builds the data files of the title.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "commands.h"
#include "data_file.h"
#include "value/error.h"
#include "value/string.h"

namespace {

// The file the command is reading, for reports that arrive through the error handler.
const std::string* readingFile = nullptr;

int printAndFail(const vel::Value& message)
{
    const std::string text = vel::tool::quoted(vel::textOf(message));
    vel::tool::complain(readingFile ? *readingFile + ": " + text : text);
    std::fflush(nullptr);
    std::_Exit(2);
}

void exitBadInput(int)
{
    std::fflush(nullptr);
    std::_Exit(2);
}

constexpr const char* kUsage = "usage: vel print FILE...\n"
                               "       vel compile IN OUT\n"
                               "       vel archive create OUT IN | compact FILE | count FILE | get FILE N\n"
                               "       vel index create|put|get|keys|values|count|verify|dump|recover FILE ...\n"
                               "       vel image FILE OUT.png\n"
                               "       vel rtf FILE [--font FACE SIZE STYLE]   (the file's text as it is, not wrapped)\n"
                               "       vel search DISC QUERY [--category NAME]...   (the article search's hits)\n"
                               "       vel export DISC OUT [--no-media]   (the disc as a static web site)\n"
                               "       vel export --epub DISC OUT.epub     (its articles as an EPUB 3 book)\n"
                               "       vel help | --help | --version\n"
                               "exit status: 0 done; 1 what was asked for is not in the file (export: an item was\n"
                               "skipped); 2 the file is missing, unreadable or malformed, or the command line is\n"
                               "wrong\n";

} // namespace

namespace vel::tool {

void complain(std::string_view message)
{
    std::fprintf(stderr, "vel: %.*s\n", static_cast<int>(message.size()), message.data());
}

ReadingFile::ReadingFile(const std::string& path) : outer_(readingFile)
{
    readingFile = &path;
}

ReadingFile::~ReadingFile()
{
    readingFile = outer_;
}

} // namespace vel::tool

int main(int argc, char** argv)
{
    vel::setErrorHandler(printAndFail);
    vel::setExitHandler(exitBadInput);
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string_view command = argv[1];
    vel::tool::Args args(argv + 2, static_cast<std::size_t>(argc - 2));
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::puts("vel " VEL_VERSION);
        return 0;
    }
    if (command == "print")
        return vel::tool::runPrint(args);
    if (command == "compile")
        return vel::tool::runCompile(args);
    if (command == "archive")
        return vel::tool::runArchive(args);
    if (command == "index")
        return vel::tool::runIndex(args);
    if (command == "image")
        return vel::tool::runImage(args);
    if (command == "rtf")
        return vel::tool::runRtf(args);
    if (command == "search")
        return vel::tool::runSearch(args);
    if (command == "export")
        return vel::tool::runExport(args);
    vel::tool::complain("unknown command: " + vel::tool::quoted(command) + " (vel help lists the commands)");
    return 2;
}
