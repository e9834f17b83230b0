// The web browser: a page opened by the user's browser ("xdg-open", or the command given),
// started with an argument vector, never through a shell.
#pragma once

#include <string>

namespace vel::platform {

// Starts the browser on the address without waiting for it. Only web and mail addresses are
// passed on, so that data can never hand the command an option or a local file; false otherwise
// or when the command cannot be started.
bool openInBrowser(const std::string& address, const std::string& command = "xdg-open");

// Starts the program (looked up on PATH) with the one argument, never through a shell; false when
// it cannot be started. With `wait` it returns when the program has ended (tests), else at once.
bool startProgram(const std::string& command, const std::string& argument, bool wait = false);

// True for the addresses openInBrowser passes on.
bool isWebAddress(const std::string& address);

} // namespace vel::platform
