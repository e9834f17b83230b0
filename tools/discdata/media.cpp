// The section "midias": the flags, the charts, the videos and animations, and the media records of the
// "Midias" archive with its six look-up files and the lists by type (IDMidLst). The maps and thematic
// maps are drawn by the section "atlas"; their records are made here, by the same names.
// docs/atlas_sources.md says what each file holds.
#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "discdata/articles_markup.h"
#include "discdata/atlas_data.h"
#include "discdata/flags.h"
#include "discdata/infographics.h"
#include "discdata/media_movies.h"
#include "discdata/sections.h"
#include "discgen/art_kinds.h"
#include "discgen/discgen.h"
#include "platform/text_encoding.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::discdata {

namespace {

// The ten media types, by number; their list is category number + 1 of IDMidLst.
const char* const kTypeNames[10] = {"Animações", "Sons",      "Bandeiras", "Cronologias", "Fotografias",
                                    "Infográficos", "Livros", "Mapas",     "Tabelas",     "Vídeos"};

struct Media {
    std::string name;  // item 1, UTF-8, unique among all media
    std::string title; // item 2
    int type = 1;      // item 3
    std::string caption; // item 4, rich text
    std::string file;  // item 5: the movie or infographic (and the key of MDB_FNAME for every item)
    std::string still; // item 6: picture of the clip control; empty for none
    std::string shown; // item 7: picture or text for the viewer
    std::string heading; // item 8: title of the book and table viewers
};


// The articles of disc/title/verbetes, parsed.
std::vector<ArticleSource> readArticles(const Context& context)
{
    std::vector<ArticleSource> articles;
    const fs::path folder = context.source / "verbetes";
    if (!fs::is_directory(folder))
        return articles;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".txt")
            articles.push_back(parseArticleSource(entry.path().string(), readText(entry.path())));
    return articles;
}

// The articles that use each media file: the "Mídia:" line of an article and its media links.
std::map<std::string, std::set<std::string>> usesByFile(const std::vector<ArticleSource>& articles)
{
    static const std::regex mediaLink(R"(\[\[(anim|bandeira|crono|foto|info|livro|mapa|tabela|video|audio):([^\]|]+))");
    std::map<std::string, std::set<std::string>> uses;
    for (const ArticleSource& article : articles) {
        if (article.media != "None")
            uses[article.media].insert(article.name);
        for (std::sregex_iterator it(article.body.begin(), article.body.end(), mediaLink), end; it != end; ++it)
            uses[(*it)[2].str()].insert(article.name);
    }
    return uses;
}

// Books, chronologies and tables: h-content's texts, typed by their name's prefix.
void addTexts(const Context& context, const ArticleExists& exists, std::vector<Media>& all)
{
    const fs::path folder = context.source / "midias" / "textos";
    if (!fs::is_directory(folder))
        return;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        const std::string stem = path.stem().string();
        Media m;
        m.type = stem.rfind("CRONO_", 0) == 0 ? 3 : stem.rfind("LIVRO_", 0) == 0 ? 6 : stem.rfind("TAB_", 0) == 0 ? 8 : -1;
        if (m.type < 0)
            fail(path.string() + ": a text's name begins with CRONO_, LIVRO_ or TAB_");
        std::istringstream lines(readText(path));
        std::string title, caption, line, body;
        std::getline(lines, title);
        std::getline(lines, caption);
        auto after = [&](std::string& text, const char* key) {
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            if (text.rfind(key, 0) != 0)
                fail(path.string() + ": the first two lines are \"T\xC3\xADtulo: ...\" and \"Legenda: ...\"");
            text = text.substr(text.find_first_not_of(' ', std::string_view(key).size()));
        };
        after(title, "T\xC3\xADtulo:");
        after(caption, "Legenda:");
        while (std::getline(lines, line))
            body += line + "\n";
        m.name = title;
        m.title = title;
        m.heading = title;
        m.caption = caption;
        m.file = stem;
        ArticleSource text;
        text.file = path.string();
        text.name = title;
        text.body = body;
        m.shown = expandBody(text, exists);
        all.push_back(std::move(m));
    }
}

// The sounds of midias/sons.tbl, made into the disc's Sounds/ (where the title's "audio" hot text plays
// from), each with a record of type 1 whose caption ends with the hot text that plays it and whose
// still is the loudspeaker of atlas.media.tbl.
void addSounds(const Context& context, std::vector<Media>& all)
{
    const fs::path path = context.source / "midias" / "sons.tbl";
    if (!fs::is_regular_file(path))
        return;
    const Value table = parseText(readText(path));
    const Table* sounds = asTable(table);
    if (!sounds)
        fail(path.string() + ": does not hold a table of sounds");
    const fs::path folder = context.disc / "Sounds";
    std::error_code error;
    fs::create_directories(folder, error);
    for (int32_t slot = sounds->firstIndex(); slot >= 0; slot = sounds->nextIndex(slot)) {
        const std::string file(textOf(sounds->keyRef(slot)));
        const Value& entry = sounds->valueRef(slot);
        const std::string where = path.string() + ": " + file, kind = discgen::textField(entry, "Kind");
        const std::string title = platform::utf8FromWindows1252(discgen::textField(entry, "Title"));
        const std::string caption = platform::utf8FromWindows1252(discgen::textField(entry, "Caption"));
        if (title.empty() || caption.empty())
            fail(where + ": a sound has a \"Title\" and a \"Caption\"");
        const bool made = kind == "tone"     ? discgen::makeTone(folder / file, entry)
                          : kind == "tune"   ? discgen::makeTune(folder / file, entry)
                          : kind == "speech" ? discgen::makeSpeech(folder / file, entry)
                                             : false;
        if (!made)
            fail(where + ": cannot make the sound (its \"Kind\" is \"tone\", \"tune\" or \"speech\")");
        all.push_back({title, title, 1, caption + "\\par " + hotText("Ouvir", "audio:" + file), file, "som_imagem.bmp",
                       "", ""});
    }
}

Value text(const std::string& utf8, const std::string& where)
{
    return utf8.empty() ? Value() : text1252(utf8, where);
}

} // namespace

void makeMedia(const Context& context)
{
    const std::vector<Country> countries = readCountries(context);
    // The credits of the sources, as the disc's texts are written.
    const fs::path credits = context.source / "midias" / "CREDITOS.txt";
    {
        std::ofstream out(context.disc / "CREDITOS.txt", std::ios::binary);
        out << to1252(readText(credits), credits.string());
        if (!out)
            fail((context.disc / "CREDITOS.txt").string() + ": cannot write");
    }
    makeFlags(context, countries);
    makeCharts(context, countries);
    std::vector<Media> all;
    for (const Country& c : countries) {
        const std::string flag = flagFile(c);
        all.push_back({c.name + " (bandeira)", c.name, 2, "Bandeira nacional: " + c.name + ".", flag, flag + ".bmp", flag + ".bmp", ""});
        const std::string map = "MAPA_" + c.iso3;
        all.push_back({c.name + " (mapa)", c.name, 7, "Mapa: " + c.name + ", com a capital e os pa\xC3\xADses vizinhos.", map,
                       map + ".bmp", map + ".bmp", ""});
    }
    all.push_back({"Estados Unidos, costa leste (mapa)", "Estados Unidos, costa leste", 7,
                   "A costa leste dos Estados Unidos.", "MAPA_USA_LESTE", "MAPA_USA_LESTE.bmp", "MAPA_USA_LESTE.bmp", ""});
    all.push_back({"Federa\xC3\xA7\xC3\xA3o Russa, parte ocidental (mapa)", "Federa\xC3\xA7\xC3\xA3o Russa, parte ocidental", 7,
                   "A parte europeia da Federa\xC3\xA7\xC3\xA3o Russa.", "MAPA_RUS_OESTE", "MAPA_RUS_OESTE.bmp",
                   "MAPA_RUS_OESTE.bmp", ""});
    for (const auto* list : {&thematicMaps(), &charts()})
        for (const Infographic& info : *list)
            all.push_back({info.title, info.title, 5, info.caption, info.name, info.name + ".bmp", "", ""});
    addSounds(context, all);
    for (const Movie& movie : makeMovies(context))
        all.push_back({movie.title, movie.title, movie.animation ? 0 : 9, movie.caption, movie.file, movie.file + ".bmp", "", ""});
    const std::vector<ArticleSource> articles = readArticles(context);
    std::set<std::string> articleNames;
    for (const ArticleSource& article : articles)
        articleNames.insert(article.name);
    addTexts(context, [&](const std::string& name) { return articleNames.count(name) > 0; }, all);

    std::sort(all.begin(), all.end(), [](const Media& a, const Media& b) {
        return to1252(a.name, "media name") < to1252(b.name, "media name");
    });
    const auto uses = usesByFile(articles);
    Value items = ValueList::make(static_cast<int32_t>(all.size()));
    Value listId = Table::make(256), idList = Table::make(256), idList2 = Table::make(256), nameFile = Table::make(256),
          fileNumber = Table::make(256), fileName = Table::make(256);
    std::vector<std::vector<std::string>> byType(10);
    std::set<std::string> names, files;
    for (std::size_t n = 0; n < all.size(); ++n) {
        const Media& m = all[n];
        const std::string where = "media " + m.file;
        if (!names.insert(m.name).second || !files.insert(m.file).second)
            fail(where + ": two media share the name \"" + m.name + "\" or the file");
        ArticleSource users; // the using articles, listed as a see-also list is
        users.file = where;
        if (auto at = uses.find(m.file); at != uses.end())
            users.seeAlso.assign(at->second.begin(), at->second.end());
        const Value number = Value::integer(static_cast<int32_t>(n));
        Value record = ValueList::make(10);
        List* r = asList(record);
        r->append(number); // its place in the full list, which is in name order
        r->append(text1252(m.name, where));
        r->append(text(m.title, where));
        r->append(Value::integer(m.type));
        r->append(text1252(m.caption, where));
        r->append(text(m.file, where));
        r->append(text(m.still, where));
        r->append(text(m.shown, where));
        r->append(text(m.heading, where));
        r->append(text(seeAlsoText(users, [](const std::string&) { return true; }), where));
        asList(items)->append(record);
        const Value name = text1252(m.name, where), file = text1252(m.file, where);
        asTable(listId)->put(name, number);
        asTable(idList)->put(name, number);
        asTable(idList2)->put(number, name);
        asTable(nameFile)->put(name, file);
        asTable(fileNumber)->put(file, number);
        asTable(fileName)->put(file, name);
        byType[static_cast<std::size_t>(m.type)].push_back(m.name);
    }
    writeArchiveSource(context, "DAT/Midias.dat", items);
    writeIndexSource(context, "DAT/MDBLstID.IDX", listId);
    writeIndexSource(context, "DAT/MDBIDLst.IDX", idList);
    writeIndexSource(context, "DAT/MDBIDLt2.IDX", idList2);
    writeIndexSource(context, "DAT/MDBName.IDX", nameFile);
    writeIndexSource(context, "DAT/MDBNList.IDX", fileNumber);
    writeIndexSource(context, "DAT/MDBFName.IDX", fileName);

    Value table = Table::make(16);
    auto category = [&](const std::string& name, const std::vector<std::string>& members) {
        Value list = ValueList::make(static_cast<int32_t>(members.size()) + 1);
        for (const std::string& member : members)
            asList(list)->append(text1252(member, "media list"));
        Value record = ValueList::make(3);
        asList(record)->append(text1252(name, "media list"));
        asList(record)->append(Value::string(""));
        asList(record)->append(list);
        return record;
    };
    std::vector<std::string> everything;
    for (const Media& m : all)
        everything.push_back(m.name);
    asTable(table)->put("Cat0", category("Todas as m\xC3\xAD" "dias", everything));
    for (int type = 0; type < 10; ++type) {
        asTable(table)->put("Cat" + std::to_string(type + 1), category(kTypeNames[type], byType[static_cast<std::size_t>(type)]));
        asTable(table)->put("Tipo" + std::to_string(type), text1252(kTypeNames[type], "media type"));
    }
    Value archive = ValueList::make(1);
    asList(archive)->append(table);
    writeArchiveSource(context, "IDMidLst.DTT", archive);
}

} // namespace vel::discdata
