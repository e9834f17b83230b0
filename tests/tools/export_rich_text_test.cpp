// The title's rich text as the exported pages' HTML: each construct of the dialect, and hot text
// whose target the export does not hold shown plain rather than as a broken link.
#include <gtest/gtest.h>

#include <string>

#include "export/html_text.h"
#include "export/rich_text_html.h"

namespace {

using vel::exporter::RichTextLinks;

// Links to "Brasil" and the picture "foto.bmp" exist; nothing else does.
class FakeLinks final : public RichTextLinks {
public:
    std::string linkFor(std::string_view target) override
    {
        return target == "jump:VerbForm;Brasil" ? "brasil.html" : target == "bandeira:BAND_BRA" ? "m/b.html" : "";
    }
    std::string pictureFor(std::string_view name) override { return name == "foto.bmp" ? "img/foto.png" : ""; }
};

std::string html(const std::string& rich)
{
    FakeLinks links;
    std::string out;
    EXPECT_TRUE(vel::exporter::richTextToHtml(rich, links, out)) << rich;
    return out;
}

struct Case {
    std::string name;
    std::string rich; // Windows-1252
    std::string html; // UTF-8
};

const Case kCases[] = {
    {"styles", "{\\b negrito} {\\i it\xE1lico} {\\ul sublinhado}\\par",
     "<p><b>negrito</b> <i>it\xC3\xA1lico</i> <u>sublinhado</u></p>\n"},
    {"markup characters escaped", "a < b & c > \"d\" 'e'\\par",
     "<p>a &lt; b &amp; c &gt; &quot;d&quot; &#39;e&#39;</p>\n"},
    {"hex character", "caf\\'e9\\par", "<p>caf\xC3\xA9</p>\n"},
    {"bold line is a heading", "{\\b Hist\xF3ria}\\par texto\\par",
     "<h2><b>Hist\xC3\xB3ria</b></h2>\n<p>texto</p>\n"},
    {"long bold paragraph stays one", "{\\b " + std::string(130, 'x') + "}\\par", "<p><b>" + std::string(130, 'x') + "</b></p>\n"},
    {"empty paragraphs dropped", "um\\par\\par\\par dois\\par", "<p>um</p>\n<p>dois</p>\n"},
    {"alignment", "\\qc centro\\par\\qr direita\\par",
     "<p style=\"text-align:center;\">centro</p>\n<p style=\"text-align:right;\">direita</p>\n"},
    {"indents in pixels", "\\li300\\fi-150 recuo\\par",
     "<p style=\"margin-left:20px;text-indent:-10px;\">recuo</p>\n"},
    {"known hot text", "{\\uldb o Brasil}!\\{jump:VerbForm;Brasil\\}\\par",
     "<p><a href=\"brasil.html\">o Brasil</a></p>\n"},
    {"unknown hot text stays plain", "{\\uldb Marte}!\\{jump:VerbForm;Marte\\} e {\\uldb x}!\\{macro:Beep()\\}\\par",
     "<p>Marte e x</p>\n"},
    {"media link", "{\\uldb bandeira}!\\{bandeira:BAND_BRA\\}\\par", "<p><a href=\"m/b.html\">bandeira</a></p>\n"},
    {"bitmap", "antes {bmc foto.bmp\\} depois\\par",
     "<p>antes <img src=\"img/foto.png\" alt=\"foto.bmp\"/> depois</p>\n"},
    {"missing bitmap left out", "{bmc nada.bmp\\}\\par texto\\par", "<p>texto</p>\n"},
    {"hot bitmap", "{\\uldb {bmc foto.bmp\\}}!\\{jump:VerbForm;Brasil\\}\\par",
     "<p><a href=\"brasil.html\"><img src=\"img/foto.png\" alt=\"foto.bmp\"/></a></p>\n"},
    {"markers are anchors, unique", "{\\uldb marker}!\\{Sa\xFA" "de\\}a\\par{\\uldb marker}!\\{sa\xFA" "de\\}b\\par",
     "<p><span id=\"m-saude\"></span>a</p>\n<p><span id=\"m-saude-2\"></span>b</p>\n"},
    {"tab-aligned lines are a table", "\\pard\\tx2000\\tqr\\tx4000 Pa\xEDs\\tab Capital\\tab 1\\par"
                                      "Chile\\tab Santiago\\tab 2\\par\\pard fim\\par",
     "<table class=\"tabela\"><tbody>\n<tr><td>Pa\xC3\xADs</td><td>Capital</td><td class=\"num\">1</td></tr>\n"
     "<tr><td>Chile</td><td>Santiago</td><td class=\"num\">2</td></tr>\n</tbody></table>\n<p>fim</p>\n"},
    {"page break", "um\\page dois\\par", "<p>um</p>\n<hr/>\n<p>dois</p>\n"},
    {"boxed paragraph", "\\box1 nota\\par", "<p class=\"caixa\">nota</p>\n"},
};

TEST(ExportRichText, EveryConstructBecomesItsHtml)
{
    for (const Case& c : kCases)
        EXPECT_EQ(html(c.rich), c.html) << c.name;
}

TEST(ExportRichText, FileNamesAndEscapes)
{
    using vel::exporter::fileNameFor;
    EXPECT_EQ(fileNameFor("S\xE3o Paulo"), "sao_paulo");
    EXPECT_EQ(fileNameFor("Brasil (bandeira)"), "brasil_bandeira");
    EXPECT_EQ(fileNameFor("..//"), "_");
    EXPECT_EQ(fileNameFor(""), "_");
    EXPECT_EQ(fileNameFor(std::string(200, 'a')).size(), 80u);
    EXPECT_EQ(vel::exporter::escapeHtml(std::string("a\x01" "b\tc", 5)), "ab\tc");
    EXPECT_EQ(vel::exporter::escapeUrl("a b/\xC3\xA9"), "a%20b%2F%C3%A9");
    EXPECT_EQ(vel::exporter::cssColor(0x0000FF), "#ff0000");
}

} // namespace
