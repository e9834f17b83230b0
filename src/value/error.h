// The one error path. Every failure goes through velError, which asks the installed error handler;
// a nonzero answer (or no handler) ends the process through the exit handler with -1. A zero answer
// lets the caller carry on with its fallback result.
#pragma once

#include <string_view>

namespace vel {

class Value;

using ErrorHandler = int (*)(const Value& message);
using ExitHandler = void (*)(int code);

void velError(const Value& message);
void velError(std::string_view message);
// "Bad type for argument N of SIGNATURE."
void badArgument(std::string_view signature, int argument = 1);

ErrorHandler setErrorHandler(ErrorHandler handler);
ExitHandler setExitHandler(ExitHandler handler);
// Calls the exit handler with -1; when none is installed (or it returns) the process ends with -1.
[[noreturn]] void fatalExit();

} // namespace vel
