// Opening an address in the reader's web browser. The desktop's association (xdg-open) is tried
// first; when it cannot be started, the browser command remembered in "WebBrowser". Either is
// started with the address as its one argument, never through a shell, so nothing in the address
// is ever read as a command. The Windows title handed the browser an Internet shortcut
// ("TempUrlFileName") or found it through a made-up HTML page ("ORVA.htm") in the program's
// folder; xdg-open needs neither, so none is written here, and one left there by an older run is
// removed before and after.
#pragma once

#include <string>
#include <string_view>

namespace vel {

class Engine;

struct BrowserChoice {
    std::string directory;    // the program's folder, where the temporary files lived
    std::string shortcutName; // "TempUrlFileName"
    std::string association = "xdg-open";
    std::string browser; // "WebBrowser"; empty: none remembered
    bool wait = false;   // wait for the started program to end (tests)
};

enum class BrowserOutcome {
    Association, // the desktop's association took the address
    Browser,     // the remembered browser command did
    None,        // neither could be started
    Refused,     // no web, mail or local file address: nothing was tried
};

BrowserOutcome openAddress(const std::string& url, const BrowserChoice& choice);

// A headless run opens nothing outside the program.
bool canOpenBrowser();

// "URLHomePage": the configuration's, else the title's global entry.
std::string homePageAddress(Engine& engine);

// The choice the engine's settings make: the program's folder, "TempUrlFileName", "WebBrowser".
BrowserChoice browserChoice(Engine& engine);

// The title's "Acionar a Internet": the address opened as above. The association's success forgets
// "WebBrowser" (persistently); with neither, the reader is shown "MsgNoBrowserInstalled". True
// when a browser was started.
bool openHomePage(Engine& engine, std::string_view url, const BrowserChoice& choice);

} // namespace vel
