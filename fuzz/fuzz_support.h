// What every fuzz target installs before its first input: errors are answered 0, so that every
// fallback path runs, and the latest message is kept for a crash report to show; an exit request
// is ignored or, where a target must never reach a fatal path, aborts the run.
#pragma once

#include <cstdlib>
#include <string>

#include "value/error.h"
#include "value/string.h"

namespace vel::fuzzing {

enum class OnExit { Ignore, Abort };

inline std::string& lastMessage()
{
    static std::string message;
    return message;
}

inline void installHandlers(OnExit onExit = OnExit::Ignore)
{
    static bool installed = [onExit] {
        setErrorHandler([](const Value& message) {
            lastMessage() = std::string(textOf(message));
            return 0;
        });
        if (onExit == OnExit::Abort)
            setExitHandler([](int) { std::abort(); });
        else
            setExitHandler([](int) {});
        return true;
    }();
    (void)installed;
}

} // namespace vel::fuzzing
