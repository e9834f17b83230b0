#include "export/disc_export.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "export/disc_content.h"
#include "export/epub_writer.h"
#include "export/export_run.h"
#include "export/html_page.h"
#include "export/html_text.h"
#include "export/site_pages.h"

namespace vel::exporter {

bool exportSite(const std::string& disc, const std::string& out, const SiteOptions& options, ExportRun& run,
                std::string& error)
{
    DiscContent content;
    if (!content.open(disc, error))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (!std::filesystem::is_directory(out, ec)) {
        error = out + ": cannot make the folder";
        return false;
    }
    SiteMap map;
    PictureStore pictures(content, out, run);
    SiteContext site{content, map, pictures, run, out, options.media};
    const SitePlan plan = planSite(site);
    // Pages, their three indexes, the two databases and their index, timeline, retrospective, quiz,
    // search and home.
    run.start(static_cast<int>(plan.articles.size() + plan.maps.size() + plan.media.size()) + 11);
    if (!writeFile(out + "/estilo.css", styleSheet(), error))
        return false;
    for (const PlannedPage& article : plan.articles)
        writeArticlePage(site, plan, article);
    for (const PlannedPage& m : plan.maps)
        writeMapPage(site, m);
    for (const PlannedPage& m : plan.media)
        writeMediaPage(site, m);
    writeCollectionIndexes(site, plan);
    writeDatabankPages(site);
    writeTimelinePage(site);
    writeRetroPage(site);
    writeQuizPage(site);
    writeSearchPage(site, plan);
    writeHomePage(site, plan);
    run.finish();
    return true;
}

namespace {

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

bool exportEpub(const std::string& disc, const std::string& path, ExportRun& run, std::string& error)
{
    // A book that could never be written is refused before any work.
    std::error_code ec;
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (std::filesystem::is_directory(target, ec) || !std::filesystem::is_directory(folder, ec)) {
        error = path + (std::filesystem::is_directory(target, ec) ? ": is a folder" : ": its folder does not exist");
        return false;
    }
    DiscContent content;
    if (!content.open(disc, error))
        return false;
    // The pictures are converted into a folder of their own, then packed.
    const std::filesystem::path work =
        std::filesystem::temp_directory_path(ec) / ("vel-epub-" + std::to_string(::getpid()));
    std::filesystem::remove_all(work, ec);
    std::filesystem::create_directories(work, ec);
    SiteMap map;
    PictureStore pictures(content, work.string(), run);
    SiteContext site{content, map, pictures, run, work.string(), false, true};
    const SitePlan plan = planSite(site);
    run.start(static_cast<int>(plan.articles.size()) + 1);

    EpubBook book;
    book.title = utf8(content.titleName()) + ": verbetes";
    book.identifier = "orva-export:" + utf8(content.titleName()) + ":" + std::to_string(plan.articles.size());
    book.modified = today();
    book.creator = utf8(content.titleName());
    book.styleSheet = std::string(styleSheet());
    // Chapters by category (in the categories' order), the articles of each in disc order.
    std::vector<const PlannedPage*> order;
    for (const PlannedPage& article : plan.articles)
        order.push_back(&article);
    std::stable_sort(order.begin(), order.end(),
                     [](const PlannedPage* a, const PlannedPage* b) { return a->group < b->group; });
    for (const PlannedPage* article : order) {
        const auto [category, sub] = content.categoryNames("IDCatLst", article->group);
        std::string body = articleBody(site, plan, *article);
        if (!sub.empty())
            body.insert(body.find("</h1>\n") + 6, "<p class=\"caminho\">" + escapeDisc(category) + " \xE2\x80\xBA " +
                                                      escapeDisc(sub) + "</p>\n");
        book.chapters.push_back({chapterId(article->page), utf8(article->title),
                                 category.empty() ? std::string("Outros") : utf8(category), std::move(body)});
        run.step(article->page);
    }
    for (const auto& [made, source] : pictures.converted())
        book.resources.push_back({made, made.ends_with(".jpg") ? "image/jpeg" : "image/png",
                                  fileBytes(work.string() + "/" + made)});
    const bool written = writeEpub(book, path, error);
    std::filesystem::remove_all(work, ec);
    if (written) {
        run.step(path);
        run.finish();
    }
    return written;
}

} // namespace vel::exporter
