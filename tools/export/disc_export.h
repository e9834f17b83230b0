// vel export: a disc of the title as a static web site, or its articles as an EPUB 3 book. Both read
// the disc through the title's own readers and show their progress and skipped items through the
// run; a damaged item never stops them.
#pragma once

#include <string>

namespace vel::exporter {

class ExportRun;

struct SiteOptions {
    bool media = true; // convert movies and sounds (pictures are always converted)
};

// Writes the site into the folder out (made when missing; files already there are replaced). False,
// the reason in error, when the disc is not one of the title or the folder cannot be made; the items
// skipped are in run.skipped().
bool exportSite(const std::string& disc, const std::string& out, const SiteOptions& options, ExportRun& run,
                std::string& error);

// Writes the articles, with their pictures, as an EPUB 3 book at path, one chapter an article and a
// table of contents by category. False, the reason in error, when the disc is not one of the title or
// the book cannot be written.
bool exportEpub(const std::string& disc, const std::string& path, ExportRun& run, std::string& error);

} // namespace vel::exporter
