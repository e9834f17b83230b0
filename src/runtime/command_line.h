// The program's command line: its own options, and the words left for the application.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/value.h"

namespace vel {

struct ProgramOptions {
    std::optional<std::string> media;  // --media DIR, or the one plain word before "--": the media root
    std::optional<std::string> home;   // --home DIR: the module directory
    std::optional<std::string> script; // --script FILE
    std::vector<std::pair<std::string, std::string>> settings; // --set KEY=VALUE, in order
    bool headless = false;
    bool fullscreen = false;
    bool pixel = false; // --pixel: the media area drawn at its own size and blown up (Sharp=0)
    bool help = false;
    bool version = false;
    int32_t scale = 0; // --scale N; 0 when not given
    // The words after "--", for the application's argument list.
    std::vector<std::string> arguments;
};

// Reads the options after the program name. On a bad option, false with the reason in error.
bool parseProgramOptions(const std::vector<std::string>& words, ProgramOptions& options, std::string& error);
bool parseProgramOptions(int argc, char** argv, ProgramOptions& options, std::string& error);

// What --help prints.
std::string programUsage();

// The settings the options stand for, in the order they win: --media first, then each --set, then
// --pixel.
std::vector<std::pair<std::string, std::string>> commandLineSettings(const ProgramOptions& options);

// The command line split on blanks into a list of strings; an empty line gives an empty list.
Value commandLineList(std::string_view commandLine);
// The application's list: the non-option words as one command line, split the same way.
Value argumentList(const ProgramOptions& options);

} // namespace vel
