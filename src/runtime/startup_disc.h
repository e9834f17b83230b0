// Which disc a start opens: the one the command line names, else the configured one, else the sample
// disc lying beside the program (the build's or an installation's). A folder without the start-up form
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
};

// Where a sample disc may lie, for a program in programDirectory: the build's <dir>/../disc-demo and
// an installation's <dir>/../share/orva/disc-demo.
std::vector<std::string> sampleDiscPlaces(const std::string& programDirectory);

// Reads the configuration as a start does (moduleDirectory holds the profile file, the options give
// the command-line settings) and decides. A disc named on the command line or in the settings is
// never swapped for the sample.
StartupDisc chooseStartupDisc(const ProgramOptions& options, const std::string& moduleDirectory,
                              const std::vector<std::string>& samplePlaces);

} // namespace vel
