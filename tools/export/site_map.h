// Where each thing of the disc lands in the exported site, decided before any page is written so
// that every link can be checked against it: articles under "artigos/", maps under "mapas/", media
// under "midias/", pictures under "imagens/", converted movies and sounds under "midias/arquivos/".
// File names come from the disc's names (html_text.h fileNameFor), made unique within their folder.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vel::exporter {

// Paths made from a disc's names, unique in their folder: folder + "/" + fileNameFor(name), with
// "-2", "-3" ... before the extension after the first.
class UniquePaths {
public:
    std::string take(std::string_view folder, std::string_view windows1252, std::string_view extension);

private:
    std::map<std::string, int> taken_;
};

class SiteMap {
public:
    // Registers a page; gives its path from the site's root ("artigos/brasil.html").
    std::string addArticle(std::string_view name);
    std::string addMap(std::string_view name);
    // A medium, by its name (item 1) and its file name (item 5), which links use.
    std::string addMedia(std::string_view name, std::string_view fileName);

    // The page of an article, map or medium by name (Windows-1252, compared without regard to case
    // for files); empty when the site has none.
    std::string article(std::string_view name) const;
    std::string map(std::string_view name) const;
    std::string mediaByFile(std::string_view fileName) const;
    std::string mediaByName(std::string_view name) const;

    // Where a hot link's target leads, from the root: "jump:VerbForm;Name" an article,
    // "jump:AtlasForm;Name" a map, "<kind>:<file>" (anim, audio, bandeira, crono, foto, info, livro,
    // mapa, tabela, video) a medium; empty for anything else or a page the site lacks.
    std::string target(std::string_view target) const;

    // A path unique in its folder for a file made from a disc's name: folder + "/" + name + extension.
    std::string uniquePath(std::string_view folder, std::string_view windows1252, std::string_view extension);

private:
    std::map<std::string, std::string> articles_, maps_, mediaFiles_, mediaNames_;
    UniquePaths paths_;
};

// The way from a page at `from` (a path from the root) to `to` (also from the root).
std::string relativeLink(std::string_view from, std::string_view to);

} // namespace vel::exporter
