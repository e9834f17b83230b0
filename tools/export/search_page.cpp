// The offline search: busca.json holds, for every page of an article, map or medium, its title, its
// address and the words of its text folded as the title's own search folds them (case and accents
// dropped); busca-indice.js is the same index as a script, because a browser refuses to read a JSON
// file beside a page opened from the disk; busca.js is the few lines that look words up in it.
#include <set>

#include "export/disc_content.h"
#include "export/export_run.h"
#include "export/html_text.h"
#include "export/site_pages.h"
#include "title/search_query.h"

namespace vel::exporter {
namespace {

constexpr std::string_view kSearchScript = R"js(// Finds the pages holding every word typed (a word matches the words it begins).
(function () {
  function fold(text) {
    return text.normalize("NFD").replace(/[\u0300-\u036f]/g, "").toLowerCase();
  }
  var form = document.getElementById("busca"), field = document.getElementById("palavras");
  var list = document.getElementById("resultados"), count = document.getElementById("contagem");
  function run() {
    var words = fold(field.value).split(/[^a-z0-9]+/).filter(function (w) { return w; });
    list.textContent = "";
    if (!words.length) { count.textContent = ""; return; }
    var hits = INDICE.filter(function (page) {
      var title = fold(page.titulo);
      return words.every(function (w) {
        return title.indexOf(w) >= 0 || page.palavras.some(function (p) { return p.lastIndexOf(w, 0) === 0; });
      });
    });
    hits.forEach(function (page) {
      var item = document.createElement("li"), link = document.createElement("a");
      link.href = page.endereco;
      link.textContent = page.titulo;
      item.appendChild(link);
      item.appendChild(document.createTextNode(" (" + page.tipo + ")"));
      list.appendChild(item);
    });
    count.textContent = hits.length ? hits.length + (hits.length > 1 ? " p\u00e1ginas encontradas" : " p\u00e1gina encontrada")
                                    : "Nenhuma p\u00e1gina encontrada";
  }
  form.addEventListener("submit", function (event) { event.preventDefault(); run(); });
  field.addEventListener("input", run);
  var asked = /[?&]q=([^&]*)/.exec(location.search);
  if (asked) { field.value = decodeURIComponent(asked[1].replace(/\+/g, " ")); run(); }
})();
)js";

std::string jsonString(std::string_view utf8Text)
{
    std::string out = "\"";
    for (char c : utf8Text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (u < 0x20) {
            static const char* hex = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else if (c == '<')
            out += "\\u003c"; // never "</script>" inside the script twin
        else
            out += c;
    }
    return out + "\"";
}

} // namespace

void writeSearchPage(const SiteContext& site, const SitePlan& plan)
{
    std::string json = "[\n";
    bool first = true;
    const auto add = [&](const PlannedPage& page, std::string_view kind, std::initializer_list<int32_t> textItems) {
        std::set<std::string> words;
        forEachWord(page.title, [&](const std::string& w) { words.insert(w); });
        for (int32_t item : textItems)
            forEachWord(richTextWords(recordText(page.record, item)), [&](const std::string& w) { words.insert(w); });
        json += first ? "" : ",\n";
        first = false;
        json += "{\"titulo\":" + jsonString(utf8(page.title)) + ",\"endereco\":" + jsonString(page.page) +
                ",\"tipo\":" + jsonString(kind) + ",\"palavras\":[";
        bool firstWord = true;
        for (const std::string& w : words) {
            json += (firstWord ? "" : ",") + jsonString(utf8(w));
            firstWord = false;
        }
        json += "]}";
    };
    for (const PlannedPage& p : plan.articles)
        add(p, "verbete", {4, 6});
    for (const PlannedPage& p : plan.maps)
        add(p, "mapa", {6, 7});
    for (const PlannedPage& p : plan.media)
        add(p, "m\xC3\xAD" "dia", {4});
    json += "\n]\n";
    std::string error;
    if (!writeFile(site.out + "/busca.json", json, error))
        site.run.skip("busca.json", error);
    if (!writeFile(site.out + "/busca-indice.js", "var INDICE = " + json + ";\n", error))
        site.run.skip("busca-indice.js", error);
    if (!writeFile(site.out + "/busca.js", kSearchScript, error))
        site.run.skip("busca.js", error);
    const std::string body =
        "<h1>Busca</h1>\n<form id=\"busca\" action=\"#\"><p><label for=\"palavras\">Palavras: </label>"
        "<input type=\"search\" id=\"palavras\" autofocus=\"autofocus\"/> <button type=\"submit\">Buscar</button></p>"
        "</form>\n<noscript><p>A busca precisa de JavaScript. Sem ele, use as listas de "
        "<a href=\"artigos/index.html\">verbetes</a>, do <a href=\"mapas/index.html\">atlas</a> e das "
        "<a href=\"midias/index.html\">m\xC3\xAD" "dias</a>; o \xC3\xADndice da busca est\xC3\xA1 em "
        "<a href=\"busca.json\">busca.json</a>.</p></noscript>\n<p id=\"contagem\"></p>\n<ul id=\"resultados\"></ul>\n"
        "<script src=\"busca-indice.js\"></script>\n";
    site.writePage("busca.html", {"Busca", "", Section::Search, "busca.js"}, body);
    site.run.step("busca.html");
}

} // namespace vel::exporter
