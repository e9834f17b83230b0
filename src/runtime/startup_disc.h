// Which disc a start opens: the one the command line names, else the configured one, else the sample
// disc lying beside the program (the build's or an installation's: the title's before the demo's),
// and whether the title runs it. A disc is the title's when it holds the main screen's definition
// ("MainForm.vel", in any letter case); any other disc needs the start-up form. A folder with neither
// is refused before anything starts, saying what was looked for where and how to name a disc.
#pragma once

#include <string>
#include <vector>

#include "runtime/command_line.h"

namespace vel {

struct StartupDisc {
    // The sample disc to open as if given with --media; empty: the media root as configured.
    std::string sample;
    // Why no disc can be opened, for the user; empty when one can.
    std::string problem;
    // The disc holds the title: the title's application runs it.
    bool title = false;
};

// The file that makes a disc the title's.
inline constexpr const char* kTitleDiscMark = "MainForm.vel";

// Where a sample disc may lie, for a program in programDirectory, in the order they are tried: the
// build's <dir>/../disc and <dir>/../disc-demo, then an installation's <dir>/../share/orva/disc and
// <dir>/../share/orva/disc-demo.
std::vector<std::string> sampleDiscPlaces(const std::string& programDirectory);

// Reads the configuration as a start does (moduleDirectory holds the profile file, the options give
// the command-line settings) and decides. A disc named on the command line or in the settings is
// never swapped for the sample.
StartupDisc chooseStartupDisc(const ProgramOptions& options, const std::string& moduleDirectory,
                              const std::vector<std::string>& samplePlaces);

} // namespace vel
