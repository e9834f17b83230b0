// `vel export` on the title's sample disc: every article, map and medium has its page, every page
// parses as XML (the pages are written in HTML's XML syntax), every href and src leads to a file
// (and every "#id" to an element) of the export, and the book passes epubcheck. A damaged disc
// loses only its damaged items, each named, and the status says so.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "export/disc_content.h"
#include "value/list.h"
#include "value/table.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using vel::testing_support::runProcess;
using vel::testing_support::ScratchDirectory;

const std::string kDisc = (fs::path(VEL_BIN_DIR).parent_path() / "disc").string();
const std::string kVel = std::string(VEL_BIN_DIR) + "/vel";

void countError(void* errors, const char*, ...)
{
    ++*static_cast<int*>(errors);
}

// One page read by libxml2: its links and the ids it defines.
struct Page {
    bool wellFormed = false;
    std::string lang;
    std::vector<std::string> links; // every href, src, poster and usemap
    std::set<std::string> ids;
    int areas = 0; // hot areas of image maps
};

void walk(xmlNode* node, Page& page)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        page.areas += xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("area"));
        for (const char* attribute : {"href", "src", "poster", "usemap", "id"})
            if (xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(attribute))) {
                const std::string text = reinterpret_cast<const char*>(value);
                xmlFree(value);
                if (std::string_view(attribute) == "id")
                    page.ids.insert(text);
                else
                    page.links.push_back(text);
            }
        walk(node->children, page);
    }
}

Page readPage(const std::string& path)
{
    Page page;
    int errors = 0;
    xmlSetGenericErrorFunc(&errors, countError);
    xmlDoc* doc = xmlReadFile(path.c_str(), "utf-8", XML_PARSE_NONET);
    xmlSetGenericErrorFunc(nullptr, nullptr);
    if (!doc)
        return page;
    page.wellFormed = errors == 0;
    xmlNode* root = xmlDocGetRootElement(doc);
    if (xmlChar* lang = xmlGetProp(root, reinterpret_cast<const xmlChar*>("lang"))) {
        page.lang = reinterpret_cast<const char*>(lang);
        xmlFree(lang);
    }
    walk(root, page);
    xmlFreeDoc(doc);
    return page;
}

std::string urlDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else
            out += text[i];
    return out;
}

// The export of the sample disc, made once for the suite.
class ExportSite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        out_ = new ScratchDirectory;
        const auto run = runProcess({kVel, "export", kDisc, out_->path() + "/site"});
        status_ = run.status;
        output_ = run.output;
    }
    static void TearDownTestSuite()
    {
        delete out_;
        out_ = nullptr;
    }
    static std::string site() { return out_->path() + "/site"; }

    static ScratchDirectory* out_;
    static int status_;
    static std::string output_;
};

ScratchDirectory* ExportSite::out_ = nullptr;
int ExportSite::status_ = -1;
std::string ExportSite::output_;

TEST_F(ExportSite, EveryRecordHasItsPageAndNothingIsSkipped)
{
    EXPECT_EQ(status_, 0) << output_;
    EXPECT_NE(output_.find("done; 0 skipped"), std::string::npos) << output_;
    EXPECT_EQ(output_.find("skipped "), std::string::npos) << output_;
    vel::exporter::DiscContent disc;
    std::string error;
    ASSERT_TRUE(disc.open(kDisc, error)) << error;
    for (const auto& [archive, folder] : {std::pair{"Verbetes", "artigos"}, {"Atlas", "mapas"}, {"Midias", "midias"}}) {
        std::size_t pages = 0;
        for (const auto& entry : fs::directory_iterator(site() + "/" + folder))
            pages += entry.path().extension() == ".html" && entry.path().filename() != "index.html";
        EXPECT_GT(disc.count(archive), 0) << archive;
        EXPECT_EQ(pages, static_cast<std::size_t>(disc.count(archive))) << archive;
    }
    for (const char* page : {"index.html", "busca.html", "busca.json", "busca-indice.js", "busca.js", "estilo.css",
                             "linha-do-tempo.html", "retrospectiva.html", "testes.html", "dados/index.html"})
        EXPECT_TRUE(fs::is_regular_file(site() + "/" + page)) << page;
}

TEST_F(ExportSite, PagesParseAndEveryLinkLeadsToAFileOfTheExport)
{
    std::map<std::string, Page> pages;
    for (const auto& entry : fs::recursive_directory_iterator(site()))
        if (entry.path().extension() == ".html")
            pages[fs::relative(entry.path(), site()).string()] = readPage(entry.path().string());
    ASSERT_GT(pages.size(), 100u);
    int links = 0;
    for (const auto& [name, page] : pages) {
        EXPECT_TRUE(page.wellFormed) << name;
        EXPECT_EQ(page.lang, "pt-BR") << name;
        for (const std::string& link : page.links) {
            ASSERT_EQ(link.find("://"), std::string::npos) << name << " links outside: " << link;
            const std::size_t hash = link.find('#');
            const std::string file = urlDecoded(link.substr(0, hash));
            const fs::path target = file.empty() ? fs::path(site()) / name
                                                 : (fs::path(site()) / name).parent_path() / file;
            EXPECT_TRUE(fs::is_regular_file(target)) << name << " -> " << link;
            if (hash != std::string::npos && fs::is_regular_file(target)) {
                const std::string targetName = fs::relative(fs::weakly_canonical(target), site()).string();
                const auto found = pages.find(targetName);
                ASSERT_NE(found, pages.end()) << name << " -> " << link;
                EXPECT_TRUE(found->second.ids.count(link.substr(hash + 1))) << name << " -> " << link;
            }
            ++links;
        }
    }
    EXPECT_GT(links, 1000);

    // The political maps' names lead to their maps, as on the screen: one hot area a place of the
    // disc's list (every place has its map on the sample disc), each checked above as a link.
    vel::exporter::DiscContent disc;
    std::string error;
    ASSERT_TRUE(disc.open(kDisc, error)) << error;
    const auto* table = disc.categoryTable("ATCatLst").as<vel::Table>();
    ASSERT_NE(table, nullptr);
    for (const auto& [file, page] : {std::pair{"brpolit", "midias/brasil_divisao_politica.html"},
                                     {"mupolit", "midias/mundo_divisao_politica.html"}}) {
        const vel::List* areas = vel::asList(table->get(vel::Value::string(std::string("Areas ") + file)));
        ASSERT_NE(areas, nullptr) << file;
        EXPECT_GT(areas->count(), 20) << file;
        EXPECT_EQ(pages[page].areas, areas->count()) << page;
    }
}


TEST(ExportBook, TheSampleDiscsArticlesPassEpubcheck)
{
    ScratchDirectory scratch;
    const std::string book = scratch.path() + "/orva.epub";
    const auto made = runProcess({"sh", "-c", kVel + " export --epub " + kDisc + " " + book + " 2>&1"});
    ASSERT_EQ(made.status, 0) << made.output;
    // One chapter an article, every article's picture packed.
    const auto listed = runProcess({"python3", "-m", "zipfile", "-l", book});
    vel::exporter::DiscContent disc;
    std::string error;
    ASSERT_TRUE(disc.open(kDisc, error));
    std::size_t chapters = 0;
    for (std::size_t at = 0; (at = listed.output.find(".xhtml ", at)) != std::string::npos; ++at)
        ++chapters;
    EXPECT_EQ(chapters, static_cast<std::size_t>(disc.count("Verbetes")) + 1); // and the navigation
    EXPECT_NE(listed.output.find("OEBPS/imagens/band_bra.png"), std::string::npos);
    if (!fs::exists("/usr/bin/epubcheck") || !vel::testing_support::haveProgram("java"))
        GTEST_SKIP() << "epubcheck or java is not installed";
    const auto checked = runProcess({"sh", "-c", "java -jar /usr/bin/epubcheck " + book + " 2>&1"});
    EXPECT_EQ(checked.status, 0) << checked.output;
    EXPECT_NE(checked.output.find("0 fatals / 0 errors"), std::string::npos) << checked.output;
}

// A copy of the disc (links to its files) with a damaged article record, a truncated map picture and
// no timeline: those three are named and skipped, everything else is exported, and the status is 1.
TEST(ExportDamagedDisc, SkipsOnlyTheDamagedItemsAndSaysSo)
{
    ScratchDirectory scratch;
    const fs::path disc = fs::path(scratch.path()) / "disc";
    fs::create_directories(disc / "DAT");
    for (const auto& entry : fs::directory_iterator(kDisc)) {
        const std::string name = entry.path().filename().string();
        if (name == "DAT" || name == "TimeLine.dat" || name == "MAPA_BRA.bmp")
            continue;
        fs::create_symlink(entry.path(), disc / name);
    }
    for (const auto& entry : fs::directory_iterator(fs::path(kDisc) / "DAT"))
        fs::copy_file(entry.path(), disc / "DAT" / entry.path().filename());
    {
        std::fstream verbetes(disc / "DAT" / "Verbetes.dat", std::ios::in | std::ios::out | std::ios::binary);
        verbetes.seekp(8); // the first item's tag
        verbetes.put(static_cast<char>(0xEE));
    }
    std::ifstream original(fs::path(kDisc) / "MAPA_BRA.bmp", std::ios::binary);
    std::string head(200, '\0');
    original.read(head.data(), 200);
    scratch.write("disc/MAPA_BRA.bmp", head);

    const auto run = runProcess({"sh", "-c", kVel + " export " + disc.string() + " " + scratch.path() + "/site --no-media 2>&1"});
    EXPECT_EQ(run.status, 1) << run.output;
    for (const char* named : {"skipped verbete 0:", "skipped imagem MAPA_BRA.bmp:", "skipped linha do tempo:"})
        EXPECT_NE(run.output.find(named), std::string::npos) << named << "\n" << run.output;
    EXPECT_NE(run.output.find("3 item(s) skipped"), std::string::npos) << run.output;
    vel::exporter::DiscContent content;
    std::string error;
    ASSERT_TRUE(content.open(kDisc, error));
    std::size_t articles = 0;
    for (const auto& entry : fs::directory_iterator(scratch.path() + "/site/artigos"))
        articles += entry.path().filename() != "index.html";
    EXPECT_EQ(articles, static_cast<std::size_t>(content.count("Verbetes") - 1));
    const std::string brasil = scratch.read("site/mapas/brasil.html");
    EXPECT_NE(brasil.find("Bras\xC3\xADlia"), std::string::npos); // the page, without its picture
    EXPECT_EQ(brasil.find("<img"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(scratch.path() + "/site/linha-do-tempo.html"));
}

TEST(ExportCommand, RefusesWhatItCannotUse)
{
    ScratchDirectory scratch;
    const std::string file = scratch.write("file", "x");
    for (const std::string& arguments :
         {std::string("export"), "export " + kDisc, "export --bogus " + kDisc + " " + scratch.path() + "/o",
          "export " + scratch.path() + " " + scratch.path() + "/o", "export /no/such/disc " + scratch.path() + "/o",
          "export " + kDisc + " " + file + "/o", "export --epub --no-media " + kDisc + " " + scratch.path() + "/b.epub",
          "export --epub " + kDisc + " " + scratch.path(), "export --epub " + kDisc + " " + scratch.path() + "/no/b.epub"}) {
        const auto run = runProcess({"sh", "-c", kVel + " " + arguments + " 2>&1"});
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find("vel: "), std::string::npos) << arguments;
        EXPECT_EQ(run.output.find("done;"), std::string::npos) << arguments; // refused before any work
    }
}

} // namespace
