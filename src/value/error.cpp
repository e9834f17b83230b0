#include "value/error.h"

#include <cstdlib>
#include <string>

#include "value/string.h"
#include "value/value.h"

namespace vel {

namespace {
ErrorHandler errorHandler = nullptr;
ExitHandler exitHandler = nullptr;
} // namespace

ErrorHandler setErrorHandler(ErrorHandler handler)
{
    ErrorHandler previous = errorHandler;
    errorHandler = handler;
    return previous;
}

ExitHandler setExitHandler(ExitHandler handler)
{
    ExitHandler previous = exitHandler;
    exitHandler = handler;
    return previous;
}

void fatalExit()
{
    if (exitHandler)
        exitHandler(-1);
    std::_Exit(-1 & 0xff);
}

namespace {
// An error that the handler (or its absence) makes fatal: the exit handler decides, and when it
// returns the caller carries on with its fallback. Without one the process ends here.
void errorExit()
{
    if (!exitHandler)
        std::_Exit(-1 & 0xff);
    exitHandler(-1);
}
} // namespace

void velError(const Value& message)
{
    if (!errorHandler)
        return errorExit();
    int answer = message.is(Tag::String) ? errorHandler(message)
                                         : errorHandler(Value::string("Bogus argument passed to velError()"));
    if (answer != 0)
        errorExit();
}

void velError(std::string_view message)
{
    velError(Value::string(message));
}

void badArgument(std::string_view signature, int argument)
{
    std::string text = "Bad type for argument ";
    text += std::to_string(argument);
    text += " of ";
    text += signature;
    text += ".";
    velError(text);
}

} // namespace vel
