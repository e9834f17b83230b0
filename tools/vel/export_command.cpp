// vel export DISC OUT [--no-media]: the disc as a static web site in the folder OUT.
// vel export --epub DISC OUT.epub: its articles as an EPUB 3 book.
// Progress and skipped items go to standard error; the status is 0 when everything was exported, 1
// when some item was skipped (each is named), 2 when the disc or the output cannot be used.
#include <string>
#include <string_view>

#include "commands.h"
#include "export/disc_export.h"
#include "export/export_run.h"
#include "title/quiet_errors.h"

namespace vel::tool {

int runExport(Args args)
{
    constexpr const char* kExportUsage = "usage: vel export DISC OUT [--no-media] | vel export --epub DISC OUT.epub";
    bool epub = false, media = true;
    std::vector<std::string> paths;
    for (char* const argument : args) {
        const std::string_view a = argument;
        if (a == "--epub")
            epub = true;
        else if (a == "--no-media")
            media = false;
        else if (a.starts_with("--")) {
            complain(kExportUsage);
            return 2;
        } else
            paths.emplace_back(a);
    }
    if (paths.size() != 2 || (epub && !media)) {
        complain(kExportUsage);
        return 2;
    }
    // A damaged item is skipped and named, never the end of the export: reports are counted, not fatal.
    QuietErrors quiet;
    exporter::ExportRun run(stderr);
    std::string error;
    const bool ok = epub ? exporter::exportEpub(paths[0], paths[1], run, error)
                         : exporter::exportSite(paths[0], paths[1], {media}, run, error);
    if (!ok) {
        complain(error);
        return 2;
    }
    if (!run.skipped().empty()) {
        complain(std::to_string(run.skipped().size()) + " item(s) skipped");
        return 1;
    }
    return 0;
}

} // namespace vel::tool
