// The articles' sources (disc/title/verbetes/<slug>.txt, docs/article_sources.md): the header lines
// and the body markup, turned into the title's rich-text dialect. Everything here is UTF-8; the
// caller converts to Windows-1252.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::discdata {

struct ArticleSource {
    std::string file;      // for messages
    std::string name;      // "Nome"
    std::string title;     // "Título", the name when absent
    std::string category;  // "Categoria" before " / "
    std::string sub;       // after it, or ""
    std::string country;   // "País": ISO 3166-1 alpha-3, or ""
    std::vector<std::string> seeAlso;
    std::string media;     // "Mídia", or "None"
    std::string body;      // the body markup
};

// Hot text: `shown` underlined, leading to `target` ("jump:VerbForm;Nome", "audio:SOM_la440.wav" ...).
std::string hotText(const std::string& shown, const std::string& target);

// Reads the header and keeps the body; fails naming the file for an unknown or missing header.
ArticleSource parseArticleSource(const std::string& file, std::string_view text);

// Whether a name is an article's (for the links); the expansion fails naming the file otherwise.
using ArticleExists = std::function<bool(const std::string& name)>;

// The body in the rich-text dialect: paragraphs, "== " titles, "|" tables on tab stops, and links
// ([[Nome]], [[texto|Nome]], [[tipo:VALOR|texto]], [[atlas:Mapa|texto]]) as hot text.
std::string expandBody(const ArticleSource& article, const ArticleExists& exists);

// The see-also list as hot text to each article, one a line; "" when there is none.
std::string seeAlsoText(const ArticleSource& article, const ArticleExists& exists);

} // namespace vel::discdata
