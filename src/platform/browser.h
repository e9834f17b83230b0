// The web browser: a page opened by the user's browser ("xdg-open", or the command given),
// started with an argument vector, never through a shell.
#pragma once

#include <string>

namespace vel::platform {

// Starts the browser on the address without waiting for it. Only web and mail addresses are
// passed on, so that data can never hand the command an option or a local file; false otherwise
// or when the command cannot be started.
bool openInBrowser(const std::string& address, const std::string& command = "xdg-open");

// True for the addresses openInBrowser passes on.
bool isWebAddress(const std::string& address);

} // namespace vel::platform
