#include "title/internet_open.h"

#include <filesystem>
#include <system_error>

#include "platform/browser.h"
#include "platform/headless.h"
#include "runtime/engine.h"
#include "value/string.h"

#include <cctype>

namespace vel {

namespace {

constexpr std::string_view kPageName = "ORVA.htm";

void removeTemporaryFiles(const BrowserChoice& choice)
{
    std::error_code ignored;
    for (std::string_view name : {std::string_view(choice.shortcutName), kPageName})
        if (!name.empty() && name.find('/') == std::string_view::npos && name != "." && name != "..")
            std::filesystem::remove(std::filesystem::path(choice.directory) / std::string(name), ignored);
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// A local page for a browser started directly: the path without "file:", never an option.
std::string localPath(std::string_view url)
{
    std::string_view path = url.substr(5);
    return path.empty() || path.front() == '-' ? std::string() : std::string(path);
}

} // namespace

BrowserOutcome openAddress(const std::string& url, const BrowserChoice& choice)
{
    const bool local = startsWith(url, "file:");
    const std::string direct = local ? localPath(url) : url;
    if ((!local && !platform::isWebAddress(url)) || direct.empty())
        return BrowserOutcome::Refused;
    removeTemporaryFiles(choice);
    BrowserOutcome outcome = BrowserOutcome::None;
    if (platform::startProgram(choice.association, url, choice.wait))
        outcome = BrowserOutcome::Association;
    else if (platform::startProgram(choice.browser, direct, choice.wait))
        outcome = BrowserOutcome::Browser;
    removeTemporaryFiles(choice);
    return outcome;
}

namespace {

std::string setting(Engine& engine, std::string_view key)
{
    Value v = engine.configuration().get(key);
    if (!v.is(Tag::String))
        v = engine.configuration().global(Value::string(key));
    return v.is(Tag::String) ? std::string(textOf(v)) : std::string();
}

} // namespace

bool canOpenBrowser()
{
    return !platform::headless();
}

std::string homePageAddress(Engine& engine)
{
    return setting(engine, "URLHomePage");
}

BrowserChoice browserChoice(Engine& engine)
{
    BrowserChoice choice;
    choice.directory = engine.moduleDirectory();
    choice.shortcutName = setting(engine, "TempUrlFileName");
    choice.browser = setting(engine, "WebBrowser");
    return choice;
}

bool openHomePage(Engine& engine, std::string_view url, const BrowserChoice& choice)
{
    switch (openAddress(std::string(url), choice)) {
    case BrowserOutcome::Association:
        if (!choice.browser.empty())
            engine.configuration().set("WebBrowser", Value::string(""), true);
        return true;
    case BrowserOutcome::Browser: return true;
    case BrowserOutcome::None: {
        const std::string message = setting(engine, "MsgNoBrowserInstalled");
        engine.notice(message.empty() ? "Nenhum navegador foi encontrado." : message);
        return false;
    }
    case BrowserOutcome::Refused: return false;
    }
    return false;
}

} // namespace vel
