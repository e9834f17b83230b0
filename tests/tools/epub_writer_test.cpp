// The EPUB writer and its zip container: what epubcheck and a zip reader make of the book, the
// package and navigation documents, reproducible bytes, and refusals that leave no file behind.
#include <gtest/gtest.h>

#include <cairo.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "export/epub_writer.h"
#include "export/zip_writer.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using namespace vel::exporter;
using vel::testing_support::runProcess;
using vel::testing_support::ScratchDirectory;

std::string pngPicture()
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 6, 4);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.1, 0.5, 0.2);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* out, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

// Three chapters in two categories, the second category's chapter between the first's two; a picture,
// a style sheet and text that needs escaping.
EpubBook sampleBook()
{
    EpubBook book;
    book.title = "Enciclopédia & Atlas <Brasil>";
    book.identifier = "vel-title-disc-1";
    book.modified = "2026-12-07T00:00:00Z";
    book.creator = "Equipe \"Orva\"";
    book.styleSheet = "body { font-family: serif; }\nimg { max-width: 100%; }\n";
    book.chapters = {
        {"brasil", "Brasil", "Geografia",
         "<h1>Brasil</h1>\n<p><img src=\"images/mapa.png\" alt=\"Mapa\"/></p>\n<p>Ver <a "
         "href=\"clima.xhtml\">Clima</a>.</p>"},
        {"colônia", "Colônia & Império", "História", "<h1>Colônia &amp; Império</h1>\n<p>Texto.</p>"},
        {"clima", "Clima", "Geografia", "<h1>Clima</h1>\n<p>Ver <a href=\"brasil.xhtml\">Brasil</a>.</p>"},
    };
    book.resources = {{"images/mapa.png", "image/png", pngPicture()}};
    return book;
}

uint32_t read16(const std::string& bytes, std::size_t at)
{
    return static_cast<uint8_t>(bytes.at(at)) | static_cast<uint8_t>(bytes.at(at + 1)) << 8;
}

uint32_t read32(const std::string& bytes, std::size_t at)
{
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

struct ZipEntry {
    std::string name;
    uint32_t flags = 0;
    uint32_t method = 0;
    std::string bytes;
};

// A zip read the way an unzipper does: the end record, the central directory, then each local header
// and its data, inflated and held against the CRC and size the directory gives.
std::vector<ZipEntry> readZip(const std::string& zip)
{
    std::vector<ZipEntry> entries;
    EXPECT_GE(zip.size(), 22u);
    if (zip.size() < 22)
        return entries;
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(read32(zip, end), 0x06054b50u);
    const uint32_t count = read16(zip, end + 10);
    std::size_t at = read32(zip, end + 16);
    EXPECT_EQ(at + read32(zip, end + 12), end);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(read32(zip, at), 0x02014b50u);
        ZipEntry entry;
        entry.flags = read16(zip, at + 8);
        entry.method = read16(zip, at + 10);
        const uint32_t crc = read32(zip, at + 16), packed = read32(zip, at + 20), size = read32(zip, at + 24);
        const uint32_t nameLength = read16(zip, at + 28);
        const std::size_t local = read32(zip, at + 42);
        entry.name = zip.substr(at + 46, nameLength);
        at += 46 + nameLength + read16(zip, at + 30) + read16(zip, at + 32);

        EXPECT_EQ(read32(zip, local), 0x04034b50u) << entry.name;
        EXPECT_EQ(read16(zip, local + 6), entry.flags) << entry.name;
        EXPECT_EQ(read32(zip, local + 14), crc) << entry.name;
        EXPECT_EQ(zip.substr(local + 30, read16(zip, local + 26)), entry.name);
        const std::string data = zip.substr(local + 30 + read16(zip, local + 26) + read16(zip, local + 28), packed);
        if (entry.method == 0) {
            entry.bytes = data;
        } else {
            EXPECT_EQ(entry.method, 8u) << entry.name;
            entry.bytes.resize(size);
            z_stream stream{};
            inflateInit2(&stream, -15);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
            stream.avail_in = static_cast<uInt>(data.size());
            stream.next_out = reinterpret_cast<Bytef*>(entry.bytes.data());
            stream.avail_out = size;
            EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END) << entry.name;
            inflateEnd(&stream);
        }
        EXPECT_EQ(entry.bytes.size(), size) << entry.name;
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(entry.bytes.data()), static_cast<uInt>(entry.bytes.size())),
                  crc)
            << entry.name;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::map<std::string, std::string> contentsOf(const std::vector<ZipEntry>& entries)
{
    std::map<std::string, std::string> out;
    for (const ZipEntry& entry : entries)
        out[entry.name] = entry.bytes;
    return out;
}

// Asserts the pieces appear in text in this order.
void expectInOrder(const std::string& text, const std::vector<std::string>& pieces)
{
    std::size_t at = 0;
    for (const std::string& piece : pieces) {
        const std::size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << "\"" << piece << "\" missing or out of order in:\n" << text;
        at = found + piece.size();
    }
}

std::size_t filesIn(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class EpubWriterTest : public ::testing::Test {
protected:
    ScratchDirectory dir;

    std::string write(const EpubBook& book, const std::string& name = "book.epub")
    {
        std::string error;
        EXPECT_TRUE(writeEpub(book, dir / name, error)) << error;
        return dir.read(name);
    }
};

TEST_F(EpubWriterTest, PassesEpubcheck)
{
    if (!fs::exists("/usr/bin/epubcheck") || !vel::testing_support::haveProgram("java"))
        GTEST_SKIP() << "epubcheck or java is not installed";
    write(sampleBook());
    const auto checked = runProcess({"java", "-jar", "/usr/bin/epubcheck", dir / "book.epub"});
    EXPECT_EQ(checked.status, 0) << checked.output;
    EXPECT_EQ(checked.output.find("ERROR"), std::string::npos) << checked.output;
    EXPECT_EQ(checked.output.find("FATAL"), std::string::npos) << checked.output;
}

TEST_F(EpubWriterTest, MimetypeOpensTheArchiveStoredWithoutExtraField)
{
    const std::string zip = write(sampleBook());
    ASSERT_GT(zip.size(), 58u);
    EXPECT_EQ(read32(zip, 0), 0x04034b50u);
    EXPECT_EQ(read16(zip, 8), 0u);  // stored
    EXPECT_EQ(read16(zip, 26), 8u); // name length
    EXPECT_EQ(read16(zip, 28), 0u); // extra field length
    EXPECT_EQ(zip.substr(30, 8), "mimetype");
    EXPECT_EQ(zip.substr(38, 20), "application/epub+zip");
    EXPECT_EQ(read32(zip, 18), 20u); // compressed size
}

TEST_F(EpubWriterTest, EveryEntryReadsBackWithItsCrc)
{
    const EpubBook book = sampleBook();
    const std::vector<ZipEntry> entries = readZip(write(book));
    std::vector<std::string> names;
    for (const ZipEntry& entry : entries) {
        names.push_back(entry.name);
        // Only the non-ASCII names say they are UTF-8.
        EXPECT_EQ((entry.flags & 0x800) != 0, entry.name == "OEBPS/colônia.xhtml") << entry.name;
    }
    const std::vector<std::string> expected = {
        "mimetype",           "META-INF/container.xml", "OEBPS/content.opf",   "OEBPS/nav.xhtml",
        "OEBPS/toc.ncx",      "OEBPS/style.css",        "OEBPS/brasil.xhtml",  "OEBPS/colônia.xhtml",
        "OEBPS/clima.xhtml",  "OEBPS/images/mapa.png"};
    EXPECT_EQ(names, expected);
    auto contents = contentsOf(entries);
    EXPECT_EQ(contents["OEBPS/images/mapa.png"], book.resources[0].bytes);
    EXPECT_EQ(contents["OEBPS/style.css"], book.styleSheet);
    EXPECT_EQ(entries.at(0).method, 0u);
    EXPECT_EQ(entries.at(2).method, 8u); // text shrinks, so it is deflated

    // An unzipper that owes nothing to this code agrees.
    if (vel::testing_support::haveProgram("python3")) {
        const auto tested = runProcess({"python3", "-m", "zipfile", "-t", dir / "book.epub"});
        EXPECT_EQ(tested.status, 0) << tested.output;
    }
}

TEST_F(EpubWriterTest, DocumentsDescribeTheBook)
{
    auto contents = contentsOf(readZip(write(sampleBook())));
    expectInOrder(contents["META-INF/container.xml"], {"full-path=\"OEBPS/content.opf\""});

    const std::string& opf = contents["OEBPS/content.opf"];
    expectInOrder(opf, {"unique-identifier=\"book-id\"", "<dc:identifier id=\"book-id\">urn:uuid:",
                        "<dc:title>Enciclopédia &amp; Atlas &lt;Brasil&gt;</dc:title>",
                        "<dc:language>pt-BR</dc:language>", "<dc:creator>Equipe &quot;Orva&quot;</dc:creator>",
                        "<meta property=\"dcterms:modified\">2026-12-07T00:00:00Z</meta>", "properties=\"nav\"",
                        "href=\"toc.ncx\"", "href=\"style.css\"", "href=\"col%C3%B4nia.xhtml\"",
                        "href=\"images/mapa.png\" media-type=\"image/png\"", "<spine toc=\"ncx\">",
                        "idref=\"c-brasil\"", "idref=\"c-colônia\"", "idref=\"c-clima\"", "</spine>"});
    // urn:uuid:xxxxxxxx-xxxx-4xxx-[89ab]xxx-xxxxxxxxxxxx
    const std::size_t uuid = opf.find("urn:uuid:") + 9;
    const std::string text = opf.substr(uuid, 36);
    EXPECT_EQ(text[8], '-');
    EXPECT_EQ(text[14], '4');
    EXPECT_NE(std::string("89ab").find(text[19]), std::string::npos) << text;
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef-"), std::string::npos) << text;
    expectInOrder(contents["OEBPS/toc.ncx"], {"<meta name=\"dtb:uid\" content=\"urn:uuid:" + text + "\"/>"});

    // Categories in the order of their first chapter, chapters in book order inside them.
    expectInOrder(contents["OEBPS/nav.xhtml"],
                  {"<nav epub:type=\"toc\"", "<li><a href=\"brasil.xhtml\">Geografia</a>", "<ol>",
                   "<a href=\"brasil.xhtml\">Brasil</a>", "<a href=\"clima.xhtml\">Clima</a>", "</ol>",
                   "<li><a href=\"col%C3%B4nia.xhtml\">História</a>", "<ol>",
                   "<a href=\"col%C3%B4nia.xhtml\">Colônia &amp; Império</a>", "</ol>", "</nav>"});
    expectInOrder(contents["OEBPS/toc.ncx"],
                  {"playOrder=\"1\"", "<text>Geografia</text>", "playOrder=\"1\"", "<text>Brasil</text>",
                   "playOrder=\"3\"", "<text>Clima</text>", "</navPoint>\n</navPoint>", "playOrder=\"2\"",
                   "<text>História</text>"});

    expectInOrder(contents["OEBPS/colônia.xhtml"],
                  {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<!DOCTYPE html>",
                   "xmlns=\"http://www.w3.org/1999/xhtml\"", "xmlns:epub=\"http://www.idpf.org/2007/ops\"",
                   "lang=\"pt-BR\" xml:lang=\"pt-BR\"", "<title>Colônia &amp; Império</title>",
                   "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>", "<body>",
                   "<h1>Colônia &amp; Império</h1>", "</body>"});
}

TEST_F(EpubWriterTest, LooseChaptersAndPlainBooks)
{
    // A chapter without a category is a line of its own; one without a title shows its id; a book
    // without a style sheet links none.
    EpubBook book = sampleBook();
    book.styleSheet.clear();
    book.chapters.push_back({"anexo", "", "", "<p>Anexo.</p>"});
    auto contents = contentsOf(readZip(write(book)));
    expectInOrder(contents["OEBPS/nav.xhtml"],
                  {"História", "</ol>\n</li>\n<li><a href=\"anexo.xhtml\">anexo</a></li>"});
    EXPECT_EQ(contents.count("OEBPS/style.css"), 0u);
    EXPECT_EQ(contents["OEBPS/content.opf"].find("style.css"), std::string::npos);
    EXPECT_EQ(contents["OEBPS/anexo.xhtml"].find("<link"), std::string::npos);
    expectInOrder(contents["OEBPS/anexo.xhtml"], {"<title>anexo</title>"});
}

TEST_F(EpubWriterTest, PicturesAreStoredAndTextDeflated)
{
    EpubBook book = sampleBook();
    const std::string repetitive(5000, 'x');
    book.resources = {{"a.jpg", "image/jpeg", repetitive}, {"b.svg", "image/svg+xml", repetitive},
                      {"c.mp3", "audio/mpeg", repetitive}, {"d.css", "text/css", repetitive}};
    std::map<std::string, uint32_t> methods;
    for (const ZipEntry& entry : readZip(write(book)))
        methods[entry.name] = entry.method;
    EXPECT_EQ(methods["OEBPS/a.jpg"], 0u);
    EXPECT_EQ(methods["OEBPS/b.svg"], 8u);
    EXPECT_EQ(methods["OEBPS/c.mp3"], 0u);
    EXPECT_EQ(methods["OEBPS/d.css"], 8u);
}

TEST_F(EpubWriterTest, SameBookGivesSameBytes)
{
    const std::string first = write(sampleBook(), "first.epub");
    EXPECT_EQ(write(sampleBook(), "second.epub"), first);
    EpubBook other = sampleBook();
    other.identifier = "vel-title-disc-2";
    const std::string changed = write(other, "other.epub");
    EXPECT_NE(contentsOf(readZip(changed))["OEBPS/content.opf"], contentsOf(readZip(first))["OEBPS/content.opf"]);
}

TEST_F(EpubWriterTest, RefusedBooksLeaveNoFile)
{
    struct Case {
        const char* what;
        std::function<void(EpubBook&)> spoil;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"no chapter", [](EpubBook& b) { b.chapters.clear(); }, "no chapter"},
        {"empty id", [](EpubBook& b) { b.chapters[1].id.clear(); }, "no id"},
        {"id with a space", [](EpubBook& b) { b.chapters[1].id = "a b"; }, "not an XML name"},
        {"id with a colon", [](EpubBook& b) { b.chapters[1].id = "a:b"; }, "not an XML name"},
        {"id starting with a digit", [](EpubBook& b) { b.chapters[1].id = "1a"; }, "not an XML name"},
        {"id as a path", [](EpubBook& b) { b.chapters[1].id = "../a"; }, "not an XML name"},
        {"repeated id", [](EpubBook& b) { b.chapters[2].id = "brasil"; }, "repeated"},
        {"id of the navigation", [](EpubBook& b) { b.chapters[2].id = "nav"; }, "repeated"},
        {"absolute resource", [](EpubBook& b) { b.resources[0].path = "/etc/passwd"; }, "absolute"},
        {"climbing resource", [](EpubBook& b) { b.resources[0].path = "images/../../x.png"; }, ".."},
        {"resource over a chapter", [](EpubBook& b) { b.resources[0].path = "Clima.xhtml"; }, "another file"},
        {"resource over the style sheet", [](EpubBook& b) { b.resources[0].path = "style.css"; }, "another file"},
        {"resource with a colon", [](EpubBook& b) { b.resources[0].path = "images/a:b.png"; }, "cannot have"},
        {"resource ending in a dot", [](EpubBook& b) { b.resources[0].path = "images/mapa."; }, "ends with"},
        {"resource inside a chapter", [](EpubBook& b) { b.resources[0].path = "clima.xhtml/mapa.png"; }, "folder"},
        {"resource without a type", [](EpubBook& b) { b.resources[0].mediaType.clear(); }, "media type"},
        {"no modification time", [](EpubBook& b) { b.modified.clear(); }, "modification time"},
        {"local modification time", [](EpubBook& b) { b.modified = "2026-12-07T00:00:00"; }, "modification time"},
        {"no title", [](EpubBook& b) { b.title.clear(); }, "no title"},
        {"body not UTF-8", [](EpubBook& b) { b.chapters[0].body = "S\xe3o"; }, "not UTF-8"},
    };
    for (const Case& c : cases) {
        EpubBook book = sampleBook();
        c.spoil(book);
        std::string error;
        EXPECT_FALSE(writeEpub(book, dir / "book.epub", error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(filesIn(dir.path()), 0u) << c.what;
    }
    std::string error;
    EXPECT_FALSE(writeEpub(sampleBook(), dir / "missing/book.epub", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(filesIn(dir.path()), 0u);
}

TEST(EpubWriterZip, EntriesNamesAndFailures)
{
    ScratchDirectory dir;
    const std::string target = dir / "a.zip";
    std::string error;
    {
        ZipWriter zip(target);
        ASSERT_TRUE(zip.add("plain.txt", std::string(4000, 'a'), ZipWriter::Method::Deflated, error)) << error;
        ASSERT_TRUE(zip.add("mapa/coração.txt", "x", ZipWriter::Method::Deflated, error)) << error;
        ASSERT_TRUE(zip.add("empty", "", ZipWriter::Method::Deflated, error)) << error;
        EXPECT_EQ(filesIn(dir.path()), 1u); // the temporary only
        ASSERT_TRUE(zip.finish(error)) << error;
    }
    const std::vector<ZipEntry> entries = readZip(dir.read("a.zip"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].method, 8u); // shrinks
    EXPECT_EQ(entries[0].bytes, std::string(4000, 'a'));
    EXPECT_EQ(entries[0].flags, 0u);
    EXPECT_EQ(entries[1].method, 0u); // a byte would grow, so it is stored
    EXPECT_EQ(entries[1].flags, 0x800u);
    EXPECT_EQ(entries[2].bytes, "");
    EXPECT_EQ(filesIn(dir.path()), 1u);

    // Bad names fail the archive; the old target stays as it was and the temporary goes.
    const std::string before = dir.read("a.zip");
    for (std::string name : {"", "/abs", "a/../b", "a//b", "./a", "a\\b", "dup", "\xff"}) {
        ZipWriter zip(target);
        ASSERT_TRUE(zip.add("dup", "first", ZipWriter::Method::Stored, error)) << error;
        error.clear();
        EXPECT_FALSE(zip.add(name, "second", ZipWriter::Method::Stored, error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_FALSE(zip.finish(error)) << name;
    }
    EXPECT_EQ(dir.read("a.zip"), before);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

} // namespace
