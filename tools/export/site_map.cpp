#include "export/site_map.h"

#include "export/html_text.h"
#include "platform/media_path.h"

namespace vel::exporter {
namespace {

constexpr std::string_view kMediaKinds[] = {"anim", "audio", "bandeira", "crono", "foto", "info",
                                            "livro", "mapa", "tabela", "video"};

std::string found(const std::map<std::string, std::string>& pages, std::string_view key)
{
    const auto it = pages.find(std::string(key));
    return it == pages.end() ? std::string() : it->second;
}

// File names are matched as the title matches them on disc: without regard to case.
std::string fileKey(std::string_view name)
{
    return platform::lowerAscii(name);
}

} // namespace

std::string UniquePaths::take(std::string_view folder, std::string_view windows1252, std::string_view extension)
{
    const std::string stem = std::string(folder) + "/" + fileNameFor(windows1252);
    const int uses = ++taken_[stem];
    return uses == 1 ? stem + std::string(extension) : stem + "-" + std::to_string(uses) + std::string(extension);
}

std::string SiteMap::uniquePath(std::string_view folder, std::string_view windows1252, std::string_view extension)
{
    return paths_.take(folder, windows1252, extension);
}

std::string SiteMap::addArticle(std::string_view name)
{
    return articles_[std::string(name)] = uniquePath("artigos", name, ".html");
}

std::string SiteMap::addMap(std::string_view name)
{
    return maps_[std::string(name)] = uniquePath("mapas", name, ".html");
}

std::string SiteMap::addMedia(std::string_view name, std::string_view fileName)
{
    std::string path = uniquePath("midias", name, ".html");
    mediaNames_[std::string(name)] = path;
    if (!fileName.empty())
        mediaFiles_.emplace(fileKey(fileName), path);
    return path;
}

std::string SiteMap::article(std::string_view name) const { return found(articles_, name); }
std::string SiteMap::map(std::string_view name) const { return found(maps_, name); }
std::string SiteMap::mediaByFile(std::string_view fileName) const { return found(mediaFiles_, fileKey(fileName)); }
std::string SiteMap::mediaByName(std::string_view name) const { return found(mediaNames_, name); }

std::string SiteMap::target(std::string_view target) const
{
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos)
        return {};
    const std::string_view kind = target.substr(0, colon), rest = target.substr(colon + 1);
    if (kind == "jump") {
        const std::size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos)
            return {};
        const std::string_view form = rest.substr(0, semicolon), name = rest.substr(semicolon + 1);
        if (form == "VerbForm")
            return article(name);
        if (form == "AtlasForm")
            return map(name);
        return {};
    }
    for (std::string_view mediaKind : kMediaKinds)
        if (kind == mediaKind)
            return mediaByFile(rest);
    return {};
}

std::string relativeLink(std::string_view from, std::string_view to)
{
    std::string link;
    for (char c : from)
        if (c == '/')
            link += "../";
    return link + std::string(to);
}

} // namespace vel::exporter
