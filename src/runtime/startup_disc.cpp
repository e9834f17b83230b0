#include "runtime/startup_disc.h"

#include <filesystem>

#include "platform/media_path.h"
#include "runtime/environment.h"

namespace vel {

namespace fs = std::filesystem;

namespace {

std::string shown(const std::string& path)
{
    std::error_code ignored;
    fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), ignored);
    return absolute.lexically_normal().string();
}

bool holdsTitle(const std::string& root) { return platform::isFile(platform::pathUnder(root, kTitleDiscMark)); }

// Empty when the folder holds the title or the start-up form; otherwise what is wrong with it.
std::string whyNoDisc(const std::string& root, const std::string& form)
{
    std::error_code error;
    const std::string folder = root.empty() ? std::string(".") : root;
    if (!fs::exists(folder, error))
        return shown(folder) + " does not exist";
    if (!platform::isDirectory(folder))
        return shown(folder) + " is not a folder";
    if (!holdsTitle(root) && !platform::isFile(platform::pathUnder(root, form)))
        return shown(folder) + " holds neither the title's '" + kTitleDiscMark + "' nor the start-up form '" + form +
               "'";
    return {};
}

} // namespace

std::vector<std::string> sampleDiscPlaces(const std::string& programDirectory)
{
    if (programDirectory.empty())
        return {};
    fs::path program(programDirectory);
    std::vector<std::string> places;
    for (const char* place : {"../disc", "../disc-demo", "../share/orva/disc", "../share/orva/disc-demo"})
        places.push_back((program / place).lexically_normal().string());
    return places;
}

StartupDisc chooseStartupDisc(const ProgramOptions& options, const std::string& moduleDirectory,
                              const std::vector<std::string>& samplePlaces)
{
    Configuration configuration;
    configuration.setDefaults();
    ConfigurationSources sources = standardConfigurationSources(moduleDirectory);
    sources.overrides = commandLineSettings(options);
    configuration.readLayers(sources);

    StartupDisc disc;
    const std::string form = configuration.startupForm();
    std::string problem = whyNoDisc(configuration.mediaRoot(), form);
    if (problem.empty()) {
        disc.title = holdsTitle(configuration.mediaRoot());
        return disc;
    }
    const std::string how = "give the disc's folder, the one that holds '" + form + "': orva DIR (or orva --media DIR)";
    if (options.media) {
        disc.problem = problem + "; " + how;
        return disc;
    }
    if (!configuration.sourceDisk().empty()) {
        disc.problem = problem + " (the disc the settings name in SourceDisk); " + how;
        return disc;
    }
    std::string places;
    for (const std::string& place : samplePlaces) {
        if (whyNoDisc(place, form).empty()) {
            disc.sample = place;
            disc.title = holdsTitle(place);
            return disc;
        }
        places += (places.empty() ? "" : " or ") + place;
    }
    disc.problem = "no disc to open: " + problem + ", and no sample disc is in " +
                   (places.empty() ? std::string("the program's folder") : places) + "; " + how;
    return disc;
}

} // namespace vel
