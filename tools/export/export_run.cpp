#include "export/export_run.h"

#include <filesystem>
#include <unistd.h>

#include "export/disc_content.h"
#include "export/html_page.h"
#include "export/html_text.h"
#include "export/media_convert.h"
#include "platform/media_path.h"

namespace vel::exporter {

ExportRun::ExportRun(std::FILE* progress) : progress_(progress)
{
    terminal_ = progress_ && isatty(fileno(progress_));
    started_ = shown_ = std::chrono::steady_clock::now();
}

void ExportRun::start(int total)
{
    total_ = total;
    done_ = 0;
    started_ = shown_ = std::chrono::steady_clock::now();
}

double ExportRun::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void ExportRun::step(std::string_view label)
{
    ++done_;
    if (!progress_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (terminal_ || now - shown_ >= std::chrono::seconds(1)) {
        shown_ = now;
        if (terminal_)
            std::fprintf(progress_, "\r\033[K");
        std::fprintf(progress_, "%d/%d  %.1f s  %.*s%s", done_, total_, seconds(), static_cast<int>(label.size()),
                     label.data(), terminal_ ? "" : "\n");
        std::fflush(progress_);
    }
}

void ExportRun::finish()
{
    if (!progress_)
        return;
    if (terminal_)
        std::fprintf(progress_, "\r\033[K");
    std::fprintf(progress_, "%d/%d  %.1f s  done; %zu skipped\n", done_, total_, seconds(), skipped_.size());
    std::fflush(progress_);
}

void ExportRun::skip(std::string_view item, std::string_view reason)
{
    std::string line = std::string(item) + ": " + std::string(reason);
    if (progress_) {
        std::fprintf(progress_, "%sskipped %s\n", terminal_ ? "\r\033[K" : "", line.c_str());
        std::fflush(progress_);
    }
    skipped_.push_back(std::move(line));
}

PictureStore::PictureStore(const DiscContent& disc, std::string outRoot, ExportRun& run)
    : disc_(disc), outRoot_(std::move(outRoot)), run_(run)
{
}

std::string PictureStore::picture(std::string_view discName)
{
    const std::string key = platform::lowerAscii(discName);
    if (const auto it = byName_.find(key); it != byName_.end())
        return it->second;
    std::string& path = byName_[key];
    const std::string file = disc_.rootFile(discName);
    const std::string what = "imagem " + utf8(discName);
    if (file.empty()) {
        run_.skip(what, "not on the disc");
        return path;
    }
    // As in the title, a ".jpg" is a photograph and anything else a bitmap.
    const bool photograph = platform::lowerAscii(platform::extensionOf(file)) == "jpg";
    const std::string made =
        paths_.take("imagens", std::filesystem::path(file).stem().string(), photograph ? ".jpg" : ".png");
    std::string error;
    const std::string target = outRoot_ + "/" + made;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    PictureSize size;
    const bool written =
        photograph ? copyPhotograph(file, target, error, &size) : writePictureAsPng(file, target, error, &size);
    if (!written) {
        run_.skip(what, error);
        return path;
    }
    byFile_[made] = file;
    sizes_[made] = size;
    return path = made;
}

PictureSize PictureStore::size(const std::string& path) const
{
    const auto it = sizes_.find(path);
    return it == sizes_.end() ? PictureSize{} : it->second;
}

} // namespace vel::exporter
