// The pages of the exported site. planSite reads every record once and places its page in the site
// map (so that links can be resolved before any page exists); the write functions then make the
// pages: one per article, map and medium with the index of each, the data bank, the timeline, the
// retrospective, the quiz, the search page and the home page. Each page is one progress item; a
// record that does not read is reported and skipped.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/html_page.h"
#include "export/rich_text_html.h"
#include "export/site_map.h"
#include "value/value.h"

namespace vel::exporter {

class DiscContent;
class ExportRun;
class PictureStore;

struct PlannedPage {
    int32_t number = 0;
    Value record;
    std::string page; // from the root
    std::string title; // Windows-1252, plain
    int32_t group = 0; // the category (articles, maps) or the type (media)
};

struct SitePlan {
    std::vector<PlannedPage> articles, maps, media;
};

struct SiteContext {
    const DiscContent& disc;
    SiteMap& map;
    PictureStore& pictures;
    ExportRun& run;
    std::string out; // the site's folder
    bool convertMedia = true;
    // Pages for the book: an article links only to other articles, each a chapter "<id>.xhtml" at
    // the book's root, and pictures lead to nothing.
    bool book = false;

    // Writes the page (path from the root); a failure is a skipped item.
    bool writePage(const std::string& path, const PageFrame& frame, std::string_view body) const;
};

// Links and pictures of a text shown on the page at `from` (a path from the root).
class PageLinks final : public RichTextLinks {
public:
    PageLinks(const SiteContext& site, std::string from) : site_(site), from_(std::move(from)) {}
    std::string linkFor(std::string_view target) override;
    std::string pictureFor(std::string_view name) override;

private:
    const SiteContext& site_;
    std::string from_;
};

// The chapter of the book that holds the article whose page is this ("artigos/brasil.html" ->
// "v-brasil"): an XML name, as the book's ids must be.
std::string chapterId(std::string_view page);

// The article's content below its trail: its title, the picture of its medium, its text, its
// country data and its see-also list.
std::string articleBody(const SiteContext& site, const SitePlan& plan, const PlannedPage& article);

// The article's plain title: item 1 up to any rich-text mark, else its name.
std::string articleTitle(const Value& record);

SitePlan planSite(const SiteContext& site);

// One step (a progress item) each.
void writeArticlePage(const SiteContext& site, const SitePlan& plan, const PlannedPage& article);
void writeMapPage(const SiteContext& site, const PlannedPage& map);
void writeMediaPage(const SiteContext& site, const PlannedPage& media);
// The index pages of the three collections.
void writeCollectionIndexes(const SiteContext& site, const SitePlan& plan);

// The sections' pages (section_pages.cpp).
void writeDatabankPages(const SiteContext& site);
void writeTimelinePage(const SiteContext& site);
void writeRetroPage(const SiteContext& site);
void writeQuizPage(const SiteContext& site);
void writeHomePage(const SiteContext& site, const SitePlan& plan);
// busca.html, busca.json, busca-indice.js and busca.js (search_page.cpp).
void writeSearchPage(const SiteContext& site, const SitePlan& plan);

// The rich text of a record's item as HTML for the page; empty when it is empty or does not parse
// (a text that does not parse is reported, and its page goes on without it).
std::string recordHtml(const SiteContext& site, const std::string& page, const Value& record, int32_t item,
                       std::string_view what);
std::string richHtml(const SiteContext& site, const std::string& page, std::string_view rich, std::string_view what);

} // namespace vel::exporter
