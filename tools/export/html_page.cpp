#include "export/html_page.h"

#include <filesystem>

#include "export/html_text.h"
#include "value/file_replacement.h"

namespace vel::exporter {
namespace {

struct SectionLink {
    Section section;
    const char* href;
    const char* name;
    const char* css;
};

constexpr SectionLink kSections[] = {
    {Section::Home, "index.html", "In\xC3\xAD" "cio", "inicio"},
    {Section::Articles, "artigos/index.html", "Verbetes", "verbetes"},
    {Section::Atlas, "mapas/index.html", "Atlas", "atlas"},
    {Section::Media, "midias/index.html", "M\xC3\xAD" "dias", "midias"},
    {Section::Databank, "dados/index.html", "Banco de dados", "dados"},
    {Section::Timeline, "linha-do-tempo.html", "Linha do tempo", "tempo"},
    {Section::Retro, "retrospectiva.html", "Retrospectiva", "retro"},
    {Section::Quiz, "testes.html", "Testes", "testes"},
    {Section::Search, "busca.html", "Busca", "busca"},
};

constexpr std::string_view kStyle = R"css(/* The exported disc: one colour per section, paper-coloured text areas. */
body { margin: 0; background: #faf7ee; color: #191919; font: 16px/1.5 "Liberation Serif", "Times New Roman", serif; }
nav.secoes { background: #14285a; padding: 0.4em 1em; font-family: "Liberation Sans", Arial, sans-serif; font-size: 14px; }
nav.secoes a { color: #c8d2eb; margin-right: 1em; text-decoration: none; }
nav.secoes a.atual { color: #fff; font-weight: bold; }
body.verbetes nav.secoes { background: #234b8c; }
body.atlas nav.secoes { background: #286e46; }
body.midias nav.secoes { background: #be641e; }
body.dados nav.secoes { background: #5a3c82; }
body.tempo nav.secoes { background: #785028; }
body.retro nav.secoes { background: #962828; }
body.testes nav.secoes { background: #147882; }
main { max-width: 50em; margin: 0 auto; padding: 1em 1.5em 3em; }
main.largo { max-width: none; }
h1 { font-size: 1.8em; margin: 0.3em 0; }
h2 { font-size: 1.3em; }
h3 { font-size: 1.05em; margin: 1.2em 0 0.3em; }
a { color: #234b8c; }
p.caminho { font-family: "Liberation Sans", Arial, sans-serif; font-size: 13px; color: #555; }
figure { margin: 1em 0; }
figure img, figure video { border: 1px solid #333; padding: 6px; background: #d2def0; max-width: 100%; height: auto; }
figcaption, .legenda { font-size: 14px; color: #444; }
figcaption p, .legenda p { margin: 0.2em 0; }
img { max-width: 100%; height: auto; }
figure.com-areas { overflow-x: auto; }
figure.com-areas img { max-width: none; }
table { border-collapse: collapse; margin: 0.8em 0; }
td, th { padding: 0.15em 0.6em; vertical-align: top; text-align: left; }
td.num, th.num { text-align: right; }
div.rolagem { overflow-x: auto; }
table.dados { font-family: "Liberation Sans", Arial, sans-serif; font-size: 13px; }
table.dados th { background: #e1d7f0; cursor: pointer; position: sticky; top: 0; }
table.dados tr:nth-child(even) td { background: #f1ecf7; }
table.tempo td.ano { white-space: nowrap; font-weight: bold; }
.caixa { border: 1px solid #333; padding: 0.5em; }
section.dados-pais { border-top: 1px solid #aaa; margin-top: 1.5em; }
ul.lista { columns: 16em; }
details { margin: 0.5em 0; }
li.certa { font-weight: bold; }
#resultados li { margin: 0.2em 0; }
)css";

} // namespace

std::string sitePage(const PageFrame& frame, std::string_view body)
{
    std::string css = "inicio";
    std::string page = "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\"/>\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>" +
                       escapeHtml(frame.title) + "</title>\n<link rel=\"stylesheet\" href=\"" + frame.root +
                       "estilo.css\"/>\n</head>\n";
    std::string nav = "<nav class=\"secoes\">";
    for (const SectionLink& s : kSections) {
        const bool current = s.section == frame.section;
        if (current)
            css = s.css;
        nav += std::string("<a href=\"") + frame.root + s.href + "\"" + (current ? " class=\"atual\"" : "") + ">" +
               s.name + "</a>";
    }
    nav += "</nav>\n";
    page += "<body class=\"" + css + "\">\n" + nav;
    const bool wide = frame.section == Section::Databank || frame.section == Section::Timeline;
    page += wide ? "<main class=\"largo\">\n" : "<main>\n";
    page += body;
    page += "</main>\n";
    if (!frame.script.empty())
        page += "<script src=\"" + frame.root + frame.script + "\"></script>\n";
    page += "</body>\n</html>\n";
    return page;
}

std::string_view styleSheet()
{
    return kStyle;
}

bool writeFile(const std::string& path, std::string_view bytes, std::string& error)
{
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    return replaceFile(path, bytes, &error);
}

} // namespace vel::exporter
