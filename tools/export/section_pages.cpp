// The data bank, timeline, retrospective, quiz and home pages of the exported site.
#include <cstdio>
#include <map>

#include "export/disc_content.h"
#include "export/export_run.h"
#include "export/html_text.h"
#include "export/site_pages.h"
#include "title/databank_files.h"
#include "title/databank_table.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"

namespace vel::exporter {
namespace {

// The few lines that sort a data table by the column whose heading is clicked; the table reads
// the same without them.
constexpr std::string_view kSortScript = R"js(// Sorts a data table by the clicked column; a second click reverses the order.
document.querySelectorAll("table.dados").forEach(function (table) {
  table.querySelectorAll("th").forEach(function (th, column) {
    th.title = "Ordenar";
    th.addEventListener("click", function () {
      var body = table.tBodies[0], rows = Array.prototype.slice.call(body.rows);
      var down = th.dataset.ordem !== "asc";
      th.dataset.ordem = down ? "asc" : "desc";
      rows.sort(function (a, b) {
        var x = a.cells[column], y = b.cells[column];
        var p = x.dataset.v, q = y.dataset.v, r;
        if (p !== undefined && q !== undefined) r = parseFloat(p) - parseFloat(q);
        else if (p !== undefined || q !== undefined) r = p !== undefined ? -1 : 1;
        else r = x.textContent.localeCompare(y.textContent, "pt-BR");
        return down ? r : -r;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
});
)js";

std::string paragraphs(std::string_view windows1252)
{
    std::string html;
    std::size_t start = 0;
    while (start <= windows1252.size()) {
        std::size_t end = windows1252.find('\n', start);
        if (end == std::string_view::npos)
            end = windows1252.size();
        std::string_view line = windows1252.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(' ') != std::string_view::npos)
            html += "<p>" + escapeDisc(line) + "</p>\n";
        start = end + 1;
    }
    return html;
}

std::string csvField(std::string_view utf8Text)
{
    if (utf8Text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(utf8Text);
    std::string out = "\"";
    for (char c : utf8Text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// A figure as a program reads it: a point before the decimals, no grouping.
std::string plainNumber(double value, int32_t decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals < 0 ? 0 : decimals > 9 ? 9 : decimals, value);
    return text;
}

void writeDatabank(const SiteContext& site, std::string_view dbase2use, std::vector<std::string>& written)
{
    const std::string base(databankFilesFor(dbase2use));
    const std::string what = "banco de dados " + utf8(dbase2use);
    const std::string dat = site.disc.rootFile(base + ".dat"), idx = site.disc.rootFile(base + ".idx"),
                      dtt = site.disc.rootFile(base + ".dtt");
    Databank bank;
    if (dat.empty() || idx.empty() || dtt.empty()) {
        site.run.skip(what, "its files are not on the disc");
        site.run.step(what);
        return;
    }
    if (!bank.load(dat, idx, dtt)) {
        site.run.skip(what, utf8(bank.error()));
        site.run.step(what);
        return;
    }
    // File names are made of letters, digits, '-' and '_': safe in an address as they are.
    const std::string file = fileNameFor(base), page = "dados/" + file + ".html", csv = "dados/" + file + ".csv";
    const std::string name = bank.name().empty() ? utf8(dbase2use) : utf8(bank.name());
    std::string body = "<h1>" + escapeHtml(name) + "</h1>\n<p class=\"caminho\"><a href=\"index.html\">Banco de "
                       "dados</a> \xE2\x80\xBA " + escapeHtml(name) + " \xE2\x80\x94 " +
                       std::to_string(bank.records().size()) + " registros; <a href=\"" + file +
                       ".csv\">os mesmos dados em CSV</a></p>\n";
    body += "<div class=\"rolagem\"><table class=\"dados\"><thead><tr>";
    std::string table = "\xEF\xBB\xBF"; // a mark spreadsheets read as UTF-8
    for (std::size_t i = 0; i < bank.fields().size(); ++i) {
        const DatabankField& field = bank.fields()[i];
        body += std::string(field.numeric ? "<th class=\"num\">" : "<th>") + escapeDisc(field.name) + "</th>";
        table += (i ? "," : "") + csvField(utf8(field.name));
    }
    body += "</tr></thead>\n<tbody>\n";
    table += "\r\n";
    for (const Value& record : bank.records()) {
        body += "<tr>";
        for (std::size_t i = 0; i < bank.fields().size(); ++i) {
            const DatabankField& field = bank.fields()[i];
            const std::optional<double> number = cellNumber(field, record);
            const std::string shown = escapeDisc(formatCell(field, record));
            if (field.numeric && number)
                body += "<td class=\"num\" data-v=\"" + plainNumber(*number, field.decimals) + "\">" + shown + "</td>";
            else
                body += std::string(field.numeric ? "<td class=\"num\">" : "<td>") + shown + "</td>";
            table += i ? "," : "";
            table += field.numeric ? (number ? plainNumber(*number, field.decimals) : std::string())
                                   : csvField(utf8(cellText(field, record)));
        }
        body += "</tr>\n";
        table += "\r\n";
    }
    body += "</tbody></table></div>\n";
    if (bank.notes().is(Tag::String) && !textOf(bank.notes()).empty())
        body += "<h2>Notas</h2>\n" + paragraphs(textOf(bank.notes()));
    if (bank.sources().is(Tag::String) && !textOf(bank.sources()).empty())
        body += "<h2>Fontes</h2>\n" + paragraphs(textOf(bank.sources()));
    std::string error;
    if (!writeFile(site.out + "/" + csv, table, error))
        site.run.skip(csv, error);
    if (site.writePage(page, {name, "../", Section::Databank, "ordenar.js"}, body))
        written.push_back("<li><a href=\"" + file + ".html\">" + escapeHtml(name) +
                          "</a> (" + std::to_string(bank.records().size()) + " registros, <a href=\"" +
                          file + ".csv\">CSV</a>)</li>\n");
    site.run.step(page);
}

// Reads every record of a root archive, reporting the ones that do not read.
std::vector<Value> rootRecords(const SiteContext& site, std::string_view file, std::string_view what)
{
    std::vector<Value> records;
    const Value archive = site.disc.rootArchive(file);
    if (archive.isNil()) {
        site.run.skip(what, utf8(file) + " is missing or damaged");
        return records;
    }
    for (int32_t n = 0; n < archiveCount(archive); ++n) {
        std::string damage;
        if (Value record = archiveRecord(archive, n, &damage); !record.isNil())
            records.push_back(record);
        else
            site.run.skip(std::string(what) + " " + std::to_string(n), utf8(damage));
    }
    return records;
}

} // namespace

void writeDatabankPages(const SiteContext& site)
{
    std::vector<std::string> items;
    std::string error;
    if (!writeFile(site.out + "/ordenar.js", kSortScript, error))
        site.run.skip("ordenar.js", error);
    for (std::string_view bank : {kCountriesDatabank, kStatesDatabank})
        writeDatabank(site, bank, items);
    std::string body = "<h1>Banco de dados</h1>\n<p>Cada tabela pode ser ordenada por uma coluna, com um clique no "
                       "t\xC3\xADtulo dela; os dados tamb\xC3\xA9m est\xC3\xA3o em arquivos CSV.</p>\n<ul>\n";
    for (const std::string& item : items)
        body += item;
    body += "</ul>\n";
    site.writePage("dados/index.html", {"Banco de dados", "../", Section::Databank, {}}, body);
    site.run.step("dados/index.html");
}

void writeTimelinePage(const SiteContext& site)
{
    static const char* const kEras[] = {"Big Bang", "Pr\xC3\xA9-Hist\xC3\xB3ria", "Antiguidade", "Idade M\xC3\xA9" "dia",
                                        "Idade Moderna", "Idade Contempor\xC3\xA2nea"};
    const std::vector<Value> entries = rootRecords(site, "TimeLine.dat", "linha do tempo");
    std::string body = "<h1>Linha do tempo</h1>\n";
    int32_t era = -1;
    bool open = false;
    for (const Value& entry : entries) {
        const int32_t entryEra = recordInteger(entry, 4, 0);
        if (entryEra != era) {
            if (open)
                body += "</tbody></table>\n";
            era = entryEra;
            body += "<h2>" + std::string(era >= 0 && era < 6 ? kEras[era] : "Outras datas") +
                    "</h2>\n<table class=\"tempo\"><tbody>\n";
            open = true;
        }
        body += "<tr><td class=\"ano\">" + escapeDisc(recordText(entry, 2)) + "</td><td>" +
                escapeDisc(recordText(entry, 3)) + "</td></tr>\n";
    }
    if (open)
        body += "</tbody></table>\n";
    site.writePage("linha-do-tempo.html", {"Linha do tempo", "", Section::Timeline, {}}, body);
    site.run.step("linha-do-tempo.html");
}

void writeRetroPage(const SiteContext& site)
{
    const std::vector<Value> articles = rootRecords(site, "RTArtigo.dat", "retrospectiva");
    const Value notes = site.disc.rootArchive("RTNotas.dat");
    const std::string page = "retrospectiva.html";
    // By category, in the order the categories first appear; the headlines listed first.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const Value*>> byCategory;
    for (const Value& a : articles) {
        const std::string category = recordText(a, 2);
        if (!byCategory.count(category))
            order.push_back(category);
        byCategory[category].push_back(&a);
    }
    std::string contents = "<h1>Retrospectiva</h1>\n<nav><ul class=\"lista\">\n", body;
    for (const std::string& category : order) {
        const std::string id = "c-" + fileNameFor(category);
        contents += "<li><a href=\"#" + id + "\">" + escapeDisc(category) + "</a></li>\n";
        body += "<h2 id=\"" + id + "\">" + escapeDisc(category) + "</h2>\n";
        for (const Value* a : byCategory[category]) {
            const int32_t number = recordInteger(*a, 0, -1);
            body += "<article id=\"n" + std::to_string(number) + "\"><h3>" + escapeDisc(recordText(*a, 1)) + "</h3>\n";
            body += recordHtml(site, page, *a, 3, "not\xC3\xAD" "cia " + std::to_string(number));
            const Value note = archiveItem(notes, number);
            if (note.is(Tag::String) && !textOf(note).empty())
                body += "<aside class=\"caixa\">" +
                        richHtml(site, page, textOf(note), "notas " + std::to_string(number)) + "</aside>\n";
            body += "</article>\n";
        }
    }
    contents += "</ul></nav>\n";
    site.writePage(page, {"Retrospectiva", "", Section::Retro, {}}, contents + body);
    site.run.step(page);
}

void writeQuizPage(const SiteContext& site)
{
    const std::vector<Value> questions = rootRecords(site, "DBTestes.dat", "testes");
    const std::vector<Value> facts = rootRecords(site, "DBVSabia.dat", "voc\xC3\xAA sabia");
    std::string body = "<h1>Testes</h1>\n<p>Escolha uma resposta e abra \xE2\x80\x9CResposta\xE2\x80\x9D para "
                       "conferir.</p>\n";
    std::string category;
    int number = 0;
    for (const Value& q : questions) {
        if (recordText(q, 1) != category) {
            category = recordText(q, 1);
            body += "<h2>" + escapeDisc(category) + "</h2>\n";
        }
        const int32_t right = recordInteger(q, 7, -1);
        body += "<section class=\"pergunta\"><h3>" + std::to_string(++number) + ". " + escapeDisc(recordText(q, 2)) +
                "</h3>\n<ol type=\"a\">";
        for (int32_t option = 3; option <= 5; ++option)
            body += "<li>" + escapeDisc(recordText(q, option)) + "</li>";
        body += "</ol>\n<details><summary>Resposta</summary>";
        if (right >= 3 && right <= 5)
            body += "<p><b>" + std::string(1, static_cast<char>('a' + right - 3)) + ") " +
                    escapeDisc(recordText(q, right)) + "</b></p>";
        body += paragraphs(recordText(q, 6)) + "</details></section>\n";
    }
    if (!facts.empty()) {
        body += "<h2>Voc\xC3\xAA sabia?</h2>\n";
        for (const Value& f : facts)
            body += "<h3>" + escapeDisc(recordText(f, 2)) + "</h3>\n" + paragraphs(recordText(f, 3));
    }
    site.writePage("testes.html", {"Testes", "", Section::Quiz, {}}, body);
    site.run.step("testes.html");
}

void writeHomePage(const SiteContext& site, const SitePlan& plan)
{
    std::string body = "<h1>" + escapeDisc(site.disc.titleName()) + "</h1>\n<p>O conte\xC3\xBA" "do do disco, para ler em qualquer "
                       "navegador.</p>\n<ul>\n";
    const auto item = [&](const char* href, const char* name, std::string_view note) {
        body += std::string("<li><a href=\"") + href + "\">" + name + "</a>" + std::string(note) + "</li>\n";
    };
    item("artigos/index.html", "Verbetes", " (" + std::to_string(plan.articles.size()) + ")");
    item("mapas/index.html", "Atlas", " (" + std::to_string(plan.maps.size()) + " mapas)");
    item("midias/index.html", "M\xC3\xAD" "dias", " (" + std::to_string(plan.media.size()) + ")");
    item("dados/index.html", "Banco de dados", "");
    item("linha-do-tempo.html", "Linha do tempo", "");
    item("retrospectiva.html", "Retrospectiva", "");
    item("testes.html", "Testes", "");
    item("busca.html", "Busca", "");
    body += "</ul>\n";
    // The credits roll: its title, headings and lines.
    const Value roll0 = archiveItem(site.disc.rootArchive("Creditos.dat"), 0);
    if (const List* roll = asList(roll0)) {
        body += "<section class=\"creditos\">\n";
        for (int32_t i = 0; i < roll->count(); ++i) {
            const Value line = roll->get(i);
            const int32_t level = recordInteger(line, 0, 2);
            const std::string text = escapeDisc(recordText(line, 1));
            body += level == 0 ? "<h2>" + text + "</h2>\n" : level == 1 ? "<h3>" + text + "</h3>\n" : "<p>" + text + "</p>\n";
        }
        body += "</section>\n";
    }
    site.writePage("index.html", {utf8(site.disc.titleName()), "", Section::Home, {}}, body);
    site.run.step("index.html");
}

} // namespace vel::exporter
