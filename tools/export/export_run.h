// What one export keeps while it runs: the progress shown on standard error (items done, total,
// elapsed time), the items skipped with the reason (a damaged record or picture never stops the
// export), and the pictures converted for its pages, each once.
#pragma once

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "export/media_convert.h"
#include "export/site_map.h"

namespace vel::exporter {

class DiscContent;

class ExportRun {
public:
    // progress: where the progress lines go (nullptr: nowhere); a terminal gets one line rewritten,
    // anything else a line a second and the last one.
    explicit ExportRun(std::FILE* progress);

    void start(int total);
    // One item done (or skipped); the label names it in the progress line.
    void step(std::string_view label);
    void finish();
    // An item that could not be exported: reported on the progress stream at once and kept.
    void skip(std::string_view item, std::string_view reason);

    const std::vector<std::string>& skipped() const { return skipped_; }
    int done() const { return done_; }
    int total() const { return total_; }
    double seconds() const;

private:
    void show(bool last);

    std::FILE* progress_;
    bool terminal_ = false;
    int total_ = 0, done_ = 0;
    std::chrono::steady_clock::time_point started_, shown_;
    std::vector<std::string> skipped_;
};

// The disc's pictures converted into a folder, each on first use: bitmaps (RLE or not) as PNG,
// JPEG photographs copied as they are.
class PictureStore {
public:
    PictureStore(const DiscContent& disc, std::string outRoot, ExportRun& run);
    // The picture's path from the out folder ("imagens/mapa_bra.png"); empty when the disc lacks it
    // or it does not convert (reported once as a skipped item).
    std::string picture(std::string_view discName);
    // Every picture converted, by its path from the out folder.
    const std::map<std::string, std::string>& converted() const { return byFile_; }
    // The size of a picture converted, by its path from the out folder; 0 x 0 for any other.
    PictureSize size(const std::string& path) const;

private:
    const DiscContent& disc_;
    std::string outRoot_;
    ExportRun& run_;
    std::map<std::string, std::string> byName_; // disc name (lower case) -> path, "" when it failed
    std::map<std::string, std::string> byFile_; // path -> the disc file it came from
    std::map<std::string, PictureSize> sizes_;  // path -> its size
    UniquePaths paths_;
};

} // namespace vel::exporter
