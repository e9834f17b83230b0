// vel: prints, checks, converts and builds the data files of the title.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "commands.h"
#include "value/error.h"
#include "value/string.h"

namespace {

int printAndFail(const vel::Value& message)
{
    vel::tool::complain(vel::textOf(message));
    std::fflush(nullptr);
    std::_Exit(2);
}

void exitBadInput(int)
{
    std::fflush(nullptr);
    std::_Exit(2);
}

void usage()
{
    std::fputs("usage: vel print FILE...\n"
               "       vel compile IN OUT\n"
               "       vel archive create OUT IN | compact FILE | count FILE | get FILE N\n"
               "       vel index create|put|get|keys|values|count|verify|dump|recover FILE ...\n"
               "       vel image FILE OUT.png\n",
               stderr);
}

} // namespace

namespace vel::tool {

void complain(std::string_view message)
{
    std::fprintf(stderr, "vel: %.*s\n", static_cast<int>(message.size()), message.data());
}

} // namespace vel::tool

int main(int argc, char** argv)
{
    vel::setErrorHandler(printAndFail);
    vel::setExitHandler(exitBadInput);
    if (argc < 2) {
        usage();
        return 2;
    }
    std::string_view command = argv[1];
    vel::tool::Args args(argv + 2, static_cast<std::size_t>(argc - 2));
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
    usage();
    return 2;
}
