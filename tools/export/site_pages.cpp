#include "export/site_pages.h"

#include <filesystem>
#include <map>

#include "export/disc_content.h"
#include "export/export_run.h"
#include "export/html_text.h"
#include "export/media_convert.h"
#include "platform/media_path.h"
#include "title/atlas_form.h"
#include "title/quiet_errors.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::exporter {
namespace {

// Items of the records (docs/article_sources.md, docs/atlas_sources.md).
enum ArticleItem { kArticleTitle = 1, kArticleName = 2, kArticleCategory = 3, kArticleText = 4, kArticleSeeAlso = 5,
                   kArticleCountry = 6, kArticleMedia = 8 };
enum MapItem { kMapName = 1, kMapCategory = 2, kMapPicture = 3, kMapCountry = 6, kMapText = 7 };
enum MediaItem { kMediaName = 1, kMediaTitle = 2, kMediaType = 3, kMediaCaption = 4, kMediaFile = 5, kMediaStill = 6,
                 kMediaViewer = 7, kMediaHeading = 8, kMediaArticles = 9 };
enum MediaType { kAnimation = 0, kSound = 1, kFlag = 2, kChronology = 3, kPhotograph = 4, kInfographic = 5,
                 kBook = 6, kMap = 7, kTable = 8, kVideo = 9 };

std::string link(const std::string& from, const std::string& to, std::string_view textHtml)
{
    return "<a href=\"" + escapeHtml(relativeLink(from, to)) + "\">" + std::string(textHtml) + "</a>";
}

std::string trail(const std::string& from, const std::string& indexPage,
                  std::string_view sectionName, std::pair<std::string, std::string> category)
{
    std::string html = "<p class=\"caminho\">" + link(from, indexPage, sectionName);
    if (!category.first.empty())
        html += " \xE2\x80\xBA " + escapeDisc(category.first);
    if (!category.second.empty())
        html += " \xE2\x80\xBA " + escapeDisc(category.second);
    return html + "</p>\n";
}

// The name of a media type ("Tipo<n>" in the media's category list, Windows-1252); empty without one.
std::string mediaTypeName(const SiteContext& site, int32_t type)
{
    const auto* table = site.disc.categoryTable("IDMidLst").as<Table>();
    const Value name = table ? table->get(Value::string("Tipo" + std::to_string(type))) : Value();
    return name.is(Tag::String) ? std::string(textOf(name)) : std::string();
}

std::string section(std::string_view headingHtml, const std::string& html, std::string_view css = {})
{
    if (html.empty())
        return {};
    std::string out = css.empty() ? "<section>" : "<section class=\"" + std::string(css) + "\">";
    return out + "<h2>" + std::string(headingHtml) + "</h2>\n" + html + "</section>\n";
}

// A picture: `alt` its text for who cannot see it, `captionHtml` under it (none when empty); linked
// to a page when `linkTo` is given, or with the hot areas of `areasHtml` (the <area> elements of an
// image map) over it.
std::string figure(const std::string& from, const std::string& picture, std::string_view alt,
                   const std::string& captionHtml, const std::string& linkTo = {}, const std::string& areasHtml = {})
{
    std::string img = "<img src=\"" + escapeHtml(relativeLink(from, picture)) + "\" alt=\"" + escapeHtml(alt) +
                      "\"" + (areasHtml.empty() ? "" : " usemap=\"#areas\"") + "/>";
    if (!linkTo.empty())
        img = "<a href=\"" + escapeHtml(relativeLink(from, linkTo)) + "\">" + img + "</a>";
    if (!areasHtml.empty())
        img += "<map name=\"areas\" id=\"areas\">" + areasHtml + "</map>";
    // An image map's areas are in the picture's pixels: that picture is never scaled down.
    std::string html = (areasHtml.empty() ? "<figure>" : "<figure class=\"com-areas\">") + img;
    if (!captionHtml.empty())
        html += "<figcaption>" + captionHtml + "</figcaption>";
    return html + "</figure>\n";
}

bool isPictureType(int32_t type)
{
    return type == kFlag || type == kMap || type == kPhotograph;
}

// The picture that shows a medium: the viewer's for flags, maps and photographs, the screen's
// picture for an infographic, the still of a movie.
std::string mediaPictureName(const Value& record)
{
    const int32_t type = recordInteger(record, kMediaType);
    if (isPictureType(type) && !recordText(record, kMediaViewer).empty())
        return recordText(record, kMediaViewer);
    if (type == kInfographic)
        return recordText(record, kMediaFile) + ".bmp";
    const std::string still = recordText(record, kMediaStill);
    return still;
}

// The hot areas of an infographic whose names lead to maps (a political map's states or countries):
// "Areas <file>" of the atlas's category list gives (map name, x, y, width, height) in screen
// pixels, from where the screen shows the picture (InfosForm). Each area whose
// map the site has becomes an <area> over the picture; empty when none does.
std::string infographicAreas(const SiteContext& site, const std::string& from, std::string_view file,
                             const std::string& picture)
{
    const auto* table = site.disc.categoryTable("ATCatLst").as<Table>();
    const List* areas = table ? asList(table->get(Value::string("Areas " + std::string(file)))) : nullptr;
    const int left = InfosForm::pictureLeft(site.pictures.size(picture).width), top = InfosForm::kPictureTop;
    std::string html;
    for (int32_t i = 0; areas && i < areas->count(); ++i) {
        const Value area = areas->get(i);
        const std::string name = recordText(area, 0), to = site.map.map(name);
        const int x = recordInteger(area, 1, 0) - left, y = recordInteger(area, 2, 0) - top;
        const int width = recordInteger(area, 3, 0), height = recordInteger(area, 4, 0);
        if (to.empty() || width <= 0 || height <= 0)
            continue;
        html += "<area shape=\"rect\" coords=\"" + std::to_string(x) + "," + std::to_string(y) + "," +
                std::to_string(x + width) + "," + std::to_string(y + height) + "\" href=\"" +
                escapeHtml(relativeLink(from, to)) + "\" alt=\"" + escapeDisc(name) + "\"/>";
    }
    return html;
}

} // namespace

bool SiteContext::writePage(const std::string& path, const PageFrame& frame, std::string_view body) const
{
    std::string error;
    if (writeFile(out + "/" + path, sitePage(frame, body), error))
        return true;
    run.skip(path, error);
    return false;
}

std::string PageLinks::linkFor(std::string_view target)
{
    const std::string to = site_.map.target(target);
    if (site_.book)
        return to.rfind("artigos/", 0) == 0 ? chapterId(to) + ".xhtml" : std::string();
    // Hot text that leads to the page it is on (a sound's "Ouvir" under its own player) stays text.
    return to.empty() || to == from_ ? std::string() : relativeLink(from_, to);
}

std::string PageLinks::pictureFor(std::string_view name)
{
    const std::string picture = site_.pictures.picture(name);
    return picture.empty() ? std::string() : relativeLink(from_, picture);
}

std::string articleTitle(const Value& record)
{
    std::string title = recordText(record, kArticleTitle);
    title = title.substr(0, title.find('{'));
    while (!title.empty() && title.back() == ' ')
        title.pop_back();
    return title.empty() ? recordText(record, kArticleName) : title;
}

std::string recordHtml(const SiteContext& site, const std::string& page, const Value& record, int32_t item,
                       std::string_view what)
{
    return richHtml(site, page, recordText(record, item), what);
}

std::string richHtml(const SiteContext& site, const std::string& page, std::string_view rich, std::string_view what)
{
    if (rich.empty())
        return {};
    PageLinks links(site, page);
    std::string html;
    QuietErrors quiet;
    if (!richTextToHtml(rich, links, html) || quiet.any()) {
        site.run.skip(page + " (" + std::string(what) + ")", quiet.any() ? utf8(quiet.firstReport()) : "not rich text");
        return {};
    }
    return html;
}

SitePlan planSite(const SiteContext& site)
{
    SitePlan plan;
    const auto read = [&](std::string_view archive, std::string_view what, auto&& place) {
        const int32_t count = site.disc.count(archive);
        for (int32_t n = 0; n < count; ++n) {
            std::string damage;
            Value record = site.disc.record(archive, n, &damage);
            if (record.isNil()) {
                site.run.skip(std::string(what) + " " + std::to_string(n), utf8(damage));
                continue;
            }
            place(n, record);
        }
    };
    read("Verbetes", "verbete", [&](int32_t n, const Value& record) {
        const std::string name = recordText(record, kArticleName);
        if (name.empty())
            return site.run.skip("verbete " + std::to_string(n), "the record has no name");
        plan.articles.push_back({n, record, site.map.addArticle(name), articleTitle(record),
                                 recordInteger(record, kArticleCategory, 0)});
    });
    read("Atlas", "mapa", [&](int32_t n, const Value& record) {
        const std::string name = recordText(record, kMapName);
        if (name.empty())
            return site.run.skip("mapa " + std::to_string(n), "the record has no name");
        plan.maps.push_back({n, record, site.map.addMap(name), name, recordInteger(record, kMapCategory, 0)});
    });
    read("Midias", "m\xC3\xAD" "dia", [&](int32_t n, const Value& record) {
        const std::string name = recordText(record, kMediaName);
        if (name.empty())
            return site.run.skip("m\xC3\xAD" "dia " + std::to_string(n), "the record has no name");
        std::string title = recordText(record, kMediaTitle);
        plan.media.push_back({n, record, site.map.addMedia(name, recordText(record, kMediaFile)),
                              title.empty() ? name : title, recordInteger(record, kMediaType, -1)});
    });
    return plan;
}

std::string chapterId(std::string_view page)
{
    const std::size_t slash = page.rfind('/'), dot = page.rfind('.');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    return "v-" + std::string(page.substr(start, dot == std::string_view::npos || dot < start ? page.npos : dot - start));
}

std::string articleBody(const SiteContext& site, const SitePlan& plan, const PlannedPage& article)
{
    const Value& r = article.record;
    const std::string from = site.book ? chapterId(article.page) + ".xhtml" : article.page;
    std::string body = "<h1>" + escapeDisc(article.title) + "</h1>\n";
    // The medium that illustrates the article, shown as its picture and leading to its page.
    const std::string mediaFile = recordText(r, kArticleMedia);
    if (!mediaFile.empty() && mediaFile != "None") {
        const std::string mediaPage = site.map.mediaByFile(mediaFile);
        for (const PlannedPage& m : plan.media)
            if (m.page == mediaPage && !mediaPage.empty()) {
                const std::string pictureName = mediaPictureName(m.record);
                const std::string picture = pictureName.empty() ? std::string() : site.pictures.picture(pictureName);
                if (!picture.empty())
                    body += figure(from, picture, utf8(m.title), escapeDisc(m.title), site.book ? std::string() : mediaPage);
                break;
            }
    }
    body += recordHtml(site, from, r, kArticleText, "texto");
    body += section("Dados do pa\xC3\xADs", recordHtml(site, from, r, kArticleCountry, "dados do pa\xC3\xADs"),
                    "dados-pais");
    body += section("Veja tamb\xC3\xA9m", recordHtml(site, from, r, kArticleSeeAlso, "veja tamb\xC3\xA9m"));
    return body;
}

void writeArticlePage(const SiteContext& site, const SitePlan& plan, const PlannedPage& article)
{
    const std::string& page = article.page;
    const std::string body = trail(page, "artigos/index.html", "Verbetes",
                                   site.disc.categoryNames("IDCatLst", article.group)) +
                             articleBody(site, plan, article);
    site.writePage(page, {utf8(article.title), "../", Section::Articles, {}}, body);
    site.run.step(page);
}

void writeMapPage(const SiteContext& site, const PlannedPage& map)
{
    const Value& r = map.record;
    const std::string& page = map.page;
    std::string body = trail(page, "mapas/index.html", "Atlas", site.disc.categoryNames("ATCatLst", map.group));
    body += "<h1>" + escapeDisc(map.title) + "</h1>\n";
    if (const std::string pictureName = recordText(r, kMapPicture); !pictureName.empty())
        if (const std::string picture = site.pictures.picture(pictureName); !picture.empty())
            body += figure(page, picture, utf8(map.title), escapeDisc(map.title));
    body += section("Dados", recordHtml(site, page, r, kMapCountry, "dados"), "dados-pais");
    body += recordHtml(site, page, r, kMapText, "texto");
    site.writePage(page, {utf8(map.title), "../", Section::Atlas, {}}, body);
    site.run.step(page);
}

namespace {

// A movie or sound converted into midias/arquivos/; its path from the root, or empty (reported).
std::string convertedMedia(const SiteContext& site, const PlannedPage& media, const std::string& file,
                           std::string_view extension)
{
    const std::string what = "m\xC3\xAD" "dia " + utf8(media.title);
    if (file.empty()) {
        site.run.skip(what, "its file is not on the disc");
        return {};
    }
    // Named after the disc's file, whose own extension ("SOM_la440.wav") gives way to the new one.
    const std::string made = site.map.uniquePath(
        "midias/arquivos", std::filesystem::path(recordText(media.record, kMediaFile)).stem().string(), extension);
    std::string error;
    const std::string target = site.out + "/" + made;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    const std::string_view kind = platform::extensionOf(file);
    bool written;
    if (extension == ".webm")
        written = convertMovie(file, target, error);
    else if (kind == "mid" || kind == "MID" || kind == "rmi" || kind == "RMI")
        written = renderMidiToWav(file, target, error);
    else
        written = convertSound(file, target, error);
    if (!written) {
        site.run.skip(what, error);
        return {};
    }
    return made;
}

} // namespace

void writeMediaPage(const SiteContext& site, const PlannedPage& media)
{
    const Value& r = media.record;
    const std::string& page = media.page;
    const int32_t type = media.group;
    std::string body = trail(page, "midias/index.html", "M\xC3\xAD" "dias", {mediaTypeName(site, type), {}});
    body += "<h1>" + escapeDisc(media.title) + "</h1>\n";
    // The caption is rich text; shown under the medium, or on its own when the medium shows nothing.
    const std::string alt = utf8(media.title);
    const std::string caption = richHtml(site, page, recordText(r, kMediaCaption), "legenda");
    bool captionShown = false;
    const auto figcaption = [&] {
        captionShown = true;
        return caption.empty() ? std::string() : "<figcaption>" + caption + "</figcaption>";
    };
    const std::string fileName = recordText(r, kMediaFile);
    if (type == kAnimation || type == kVideo) {
        const std::string still = recordText(r, kMediaStill);
        const std::string poster = still.empty() ? std::string() : site.pictures.picture(still);
        const std::string movie =
            site.convertMedia ? convertedMedia(site, media, site.disc.movieFile(fileName), ".webm") : std::string();
        if (!movie.empty()) {
            body += "<figure><video controls=\"controls\" preload=\"metadata\" src=\"" +
                    escapeHtml(relativeLink(page, movie)) + "\"";
            if (!poster.empty())
                body += " poster=\"" + escapeHtml(relativeLink(page, poster)) + "\"";
            body += ">O navegador n\xC3\xA3o mostra v\xC3\xAD" "deos.</video>" + figcaption() + "</figure>\n";
        } else if (!poster.empty()) {
            captionShown = true;
            body += figure(page, poster, alt, caption);
        }
    } else if (type == kSound) {
        const std::string sound =
            site.convertMedia ? convertedMedia(site, media, site.disc.soundFile(fileName), ".wav") : std::string();
        if (!sound.empty())
            body += "<figure><audio controls=\"controls\" src=\"" + escapeHtml(relativeLink(page, sound)) +
                    "\">O navegador n\xC3\xA3o toca sons.</audio>" + figcaption() + "</figure>\n";
    } else if (type == kChronology || type == kBook || type == kTable) {
        if (const std::string heading = recordText(r, kMediaHeading); !heading.empty() && heading != media.title)
            body += "<h2>" + escapeDisc(heading) + "</h2>\n";
    } else if (const std::string pictureName = mediaPictureName(r); !pictureName.empty()) {
        if (const std::string picture = site.pictures.picture(pictureName); !picture.empty()) {
            captionShown = true;
            body += figure(page, picture, alt, caption, {},
                           type == kInfographic ? infographicAreas(site, page, fileName, picture) : std::string());
        }
    }
    if (!captionShown && !caption.empty())
        body += "<div class=\"legenda\">" + caption + "</div>\n";
    if (type == kChronology || type == kBook || type == kTable)
        body += recordHtml(site, page, r, kMediaViewer, "texto");
    body += section("Verbetes que a usam", recordHtml(site, page, r, kMediaArticles, "verbetes"));
    site.writePage(page, {utf8(media.title), "../", Section::Media, {}}, body);
    site.run.step(page);
}

void writeCollectionIndexes(const SiteContext& site, const SitePlan& plan)
{
    // Each collection grouped by its category (or type) in number order, entries in disc order.
    const auto write = [&](const std::vector<PlannedPage>& pages, const std::string& index, std::string_view title,
                           Section kind, const std::function<std::string(int32_t)>& groupName) {
        std::map<int32_t, std::vector<const PlannedPage*>> groups;
        for (const PlannedPage& p : pages)
            groups[p.group].push_back(&p);
        std::string body = "<h1>" + escapeHtml(title) + "</h1>\n";
        for (const auto& [group, members] : groups) {
            std::string name = groupName(group);
            body += "<h2>" + (name.empty() ? std::string("Outros") : escapeHtml(name)) + "</h2>\n<ul class=\"lista\">\n";
            for (const PlannedPage* p : members)
                body += "<li>" + link(index, p->page, escapeDisc(p->title)) + "</li>\n";
            body += "</ul>\n";
        }
        site.writePage(index, {std::string(title), "../", kind, {}}, body);
        site.run.step(index);
    };
    const auto categoryName = [&](std::string_view file) {
        return [&site, file](int32_t group) {
            const auto [name, sub] = site.disc.categoryNames(file, group);
            return sub.empty() ? utf8(name) : utf8(name) + " \xE2\x80\x94 " + utf8(sub);
        };
    };
    write(plan.articles, "artigos/index.html", "Verbetes", Section::Articles, categoryName("IDCatLst"));
    write(plan.maps, "mapas/index.html", "Atlas", Section::Atlas, categoryName("ATCatLst"));
    write(plan.media, "midias/index.html", "M\xC3\xAD" "dias", Section::Media,
          [&](int32_t type) { return utf8(mediaTypeName(site, type)); });
}

} // namespace vel::exporter
