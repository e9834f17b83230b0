#include "discdata/articles_markup.h"

#include <algorithm>
#include <array>

#include "discdata/discdata.h"

#include "discdata/section_blocks.h"

namespace vel::discdata {
namespace {

constexpr std::array<std::string_view, 10> kMediaLinks = {"anim", "bandeira", "crono", "foto", "info",
                                                          "livro", "mapa", "tabela", "video", "audio"};

std::vector<std::string> lines(std::string_view text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

// One [[...]] link's hot text.
std::string link(const ArticleSource& article, const std::string& inside, const ArticleExists& exists)
{
    const std::size_t bar = inside.find('|');
    const std::string left = trimmed(inside.substr(0, bar));
    const std::string right = bar == std::string::npos ? std::string() : trimmed(inside.substr(bar + 1));
    const std::size_t colon = left.find(':');
    if (colon != std::string::npos) {
        const std::string type = left.substr(0, colon);
        const std::string value = trimmed(left.substr(colon + 1));
        const std::string shown = right.empty() ? value : right;
        if (type == "atlas")
            return hotText(shown, "jump:AtlasForm;" + value);
        if (std::find(kMediaLinks.begin(), kMediaLinks.end(), type) != kMediaLinks.end())
            return hotText(shown, type + ":" + value);
    }
    const std::string& target = right.empty() ? left : right;
    if (!exists(target))
        fail(article.file + ": the link [[" + inside + "]] names no article");
    return hotText(left, "jump:VerbForm;" + target);
}

std::string expandLinks(const ArticleSource& article, const std::string& text, const ArticleExists& exists)
{
    std::string out;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = text.find("[[", at);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find("]]", open + 2);
        if (close == std::string::npos)
            fail(article.file + ": a link opened with [[ is never closed");
        out.append(text, at, open - at);
        out += link(article, text.substr(open + 2, close - open - 2), exists);
        at = close + 2;
    }
    out.append(text, at, std::string::npos);
    return out;
}

// Table rows "| a | b |" laid on tab stops wide enough for the longest cell of each column.
std::string table(const std::vector<std::vector<std::string>>& rows)
{
    constexpr int kTwipsPerCharacter = 110, kGap = 360;
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths.resize(std::max(widths.size(), c + 1));
            widths[c] = std::max(widths[c], row[c].size());
        }
    std::string out = "\\pard";
    int stop = 0;
    for (std::size_t c = 0; c + 1 < widths.size(); ++c) {
        stop += static_cast<int>(widths[c]) * kTwipsPerCharacter + kGap;
        out += "\\tx" + std::to_string(stop);
    }
    out += " ";
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c == 0 ? "" : "\\tab ") + row[c];
        out += "\\par ";
    }
    return out + "\\pard\\par ";
}

std::vector<std::string> cells(const std::string& line)
{
    std::string_view row = line;
    row.remove_prefix(1);
    if (!row.empty() && row.back() == '|')
        row.remove_suffix(1);
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = row.find('|', start);
        out.push_back(trimmed(row.substr(start, bar == std::string_view::npos ? bar : bar - start)));
        if (bar == std::string_view::npos)
            return out;
        start = bar + 1;
    }
}

} // namespace

std::string hotText(const std::string& shown, const std::string& target)
{
    return "{\\uldb " + shown + "}!\\{" + target + "\\}";
}

ArticleSource parseArticleSource(const std::string& file, std::string_view text)
{
    ArticleSource article;
    article.file = file;
    article.media = "None";
    const std::vector<std::string> all = lines(text);
    std::size_t i = 0;
    for (; i < all.size() && !trimmed(all[i]).empty(); ++i) {
        const std::string& line = all[i];
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            fail(file + ": header line " + std::to_string(i + 1) + " has no \"Nome: valor\" form");
        const std::string key = trimmed(std::string_view(line).substr(0, colon));
        const std::string value = trimmed(std::string_view(line).substr(colon + 1));
        if (key == "Nome") {
            article.name = value;
        } else if (key == "T\xC3\xADtulo") {
            article.title = value;
        } else if (key == "Categoria") {
            const std::size_t slash = value.find('/');
            article.category = trimmed(std::string_view(value).substr(0, slash));
            if (slash != std::string::npos)
                article.sub = trimmed(std::string_view(value).substr(slash + 1));
        } else if (key == "Pa\xC3\xADs") {
            article.country = value;
        } else if (key == "Veja tamb\xC3\xA9m") {
            std::size_t start = 0;
            for (;;) {
                const std::size_t semi = value.find(';', start);
                if (std::string name = trimmed(std::string_view(value).substr(start, semi == std::string::npos ? semi : semi - start)); !name.empty())
                    article.seeAlso.push_back(std::move(name));
                if (semi == std::string::npos)
                    break;
                start = semi + 1;
            }
        } else if (key == "M\xC3\xAD" "dia") {
            article.media = value.empty() ? "None" : value;
        } else {
            fail(file + ": unknown header \"" + key + "\"");
        }
    }
    if (article.name.empty())
        fail(file + ": no \"Nome:\" line");
    if (article.category.empty())
        fail(file + ": no \"Categoria:\" line");
    if (article.title.empty())
        article.title = article.name;
    for (; i < all.size(); ++i)
        article.body += all[i] + "\n";
    return article;
}

std::string expandBody(const ArticleSource& article, const ArticleExists& exists)
{
    std::string out, paragraph;
    std::vector<std::vector<std::string>> rows;
    const auto endParagraph = [&] {
        if (!paragraph.empty())
            out += expandLinks(article, paragraph, exists) + "\\par\\par ";
        paragraph.clear();
        if (!rows.empty())
            out += table(rows);
        rows.clear();
    };
    for (const std::string& raw : lines(article.body)) {
        const std::string line = trimmed(raw);
        if (line.empty()) {
            endParagraph();
        } else if (line.rfind("== ", 0) == 0) {
            endParagraph();
            out += "{\\b " + expandLinks(article, trimmed(line.substr(3)), exists) + "}\\par ";
        } else if (line.front() == '|') {
            if (!paragraph.empty())
                endParagraph();
            std::vector<std::string> row = cells(line);
            for (std::string& cell : row)
                cell = expandLinks(article, cell, exists);
            rows.push_back(std::move(row));
        } else {
            if (!rows.empty())
                endParagraph();
            paragraph += (paragraph.empty() ? "" : " ") + line;
        }
    }
    endParagraph();
    return out;
}

std::string seeAlsoText(const ArticleSource& article, const ArticleExists& exists)
{
    std::string out;
    for (const std::string& name : article.seeAlso) {
        if (!exists(name))
            fail(article.file + ": \"Veja tamb\xC3\xA9m\" names no article \"" + name + "\"");
        out += (out.empty() ? "" : "\\par ") + hotText(name, "jump:VerbForm;" + name);
    }
    return out;
}

} // namespace vel::discdata
