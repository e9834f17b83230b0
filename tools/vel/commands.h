// The subcommands of the `vel` data tool. Each takes the arguments after its own name and returns the
// process exit status: 0 success, 1 something asked for is absent, 2 bad input.
#pragma once

#include <span>
#include <string_view>

namespace vel::tool {

using Args = std::span<char* const>;

int runPrint(Args args);
int runCompile(Args args);
int runArchive(Args args);
int runIndex(Args args);
int runImage(Args args);

// Prints "vel: " + message on standard error.
void complain(std::string_view message);

} // namespace vel::tool
