#include "export/epub_writer.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "platform/media_path.h"
#include "export/html_text.h"
#include "export/zip_writer.h"
#include "platform/text_encoding.h"

namespace vel::exporter {

namespace {

// Everything but the "mimetype" entry sits in this folder, beside the package document.
const std::string contentFolder = "OEBPS/";
const std::string styleSheetFile = "style.css";
const std::string navigationFile = "nav.xhtml";
const std::string ncxFile = "toc.ncx";
const std::string packageFile = "content.opf";

const char* const xmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// --- What a book must be before anything is written -------------------------------------------

bool isNameStart(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c)
{
    return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// An XML name without colons, as the package document's id attributes need.
bool isXmlName(std::string_view text)
{
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = platform::decodeUtf8(text, i, c);
        if (length == 0 || !(i == 0 ? isNameStart(c) : isNameChar(c)))
            return false;
        i += length;
    }
    return true;
}

// "CCYY-MM-DDThh:mm:ssZ", the only form the package's dcterms:modified accepts.
bool isUtcTimestamp(std::string_view text)
{
    static const std::string_view shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool ok = shape[i] == 'd' ? text[i] >= '0' && text[i] <= '9' : text[i] == shape[i];
        if (!ok)
            return false;
    }
    return true;
}

std::string resourcePathProblem(const EpubResource& resource)
{
    const std::string& path = resource.path;
    const std::string quoted = "the resource \"" + path + "\"";
    if (path.empty())
        return "a resource with no path";
    if (path.front() == '/')
        return quoted + " has an absolute path";
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string segment = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (segment == "..")
            return quoted + " climbs out of the book with \"..\"";
        if (segment.empty() || segment == ".")
            return quoted + " has an empty or \".\" folder";
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    if (!platform::isValidUtf8(path))
        return quoted + " is not UTF-8";
    // The characters the container format forbids in file names, which readers may refuse.
    const std::string_view forbidden = "\"*:<>?\\|\x7F";
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || forbidden.find(c) != std::string_view::npos)
            return quoted + " has a character file names in a book cannot have";
    if (path.back() == '.')
        return quoted + " ends with '.'";
    if (resource.mediaType.empty())
        return quoted + " has no media type";
    return {};
}

// Why the book cannot be written, or "" when it can. Checked whole before the file is created.
std::string bookProblem(const EpubBook& book)
{
    if (book.chapters.empty())
        return "the book has no chapter";
    if (book.title.empty())
        return "the book has no title";
    if (book.language.empty())
        return "the book has no language";
    if (!isUtcTimestamp(book.modified))
        return "the book's modification time \"" + book.modified + "\" is not of the form 2026-12-07T00:00:00Z";
    for (const std::string* text : {&book.title, &book.language, &book.identifier, &book.creator, &book.styleSheet})
        if (!platform::isValidUtf8(*text))
            return "the book's metadata or style sheet is not UTF-8";

    // Every file of the book, compared the way a case-blind file system would see them.
    std::set<std::string> files = {platform::lowerAscii(packageFile), platform::lowerAscii(navigationFile), platform::lowerAscii(ncxFile)};
    if (!book.styleSheet.empty())
        files.insert(platform::lowerAscii(styleSheetFile));
    for (const EpubChapter& chapter : book.chapters) {
        if (chapter.id.empty())
            return "a chapter has no id";
        if (!isXmlName(chapter.id))
            return "the chapter id \"" + chapter.id + "\" is not an XML name";
        if (!platform::isValidUtf8(chapter.title) || !platform::isValidUtf8(chapter.category) ||
            !platform::isValidUtf8(chapter.body))
            return "the chapter \"" + chapter.id + "\" is not UTF-8";
        if (!files.insert(platform::lowerAscii(chapter.id + ".xhtml")).second)
            return "the chapter id \"" + chapter.id + "\" is repeated or names one of the book's own files";
    }
    for (const EpubResource& resource : book.resources) {
        if (std::string problem = resourcePathProblem(resource); !problem.empty())
            return problem;
        if (!files.insert(platform::lowerAscii(resource.path)).second)
            return "the resource \"" + resource.path + "\" has the path of another file of the book";
    }
    // A file and a folder of the same name cannot both be unpacked.
    for (const EpubResource& resource : book.resources)
        for (std::size_t slash = resource.path.find('/'); slash != std::string::npos;
             slash = resource.path.find('/', slash + 1))
            if (files.count(platform::lowerAscii(resource.path.substr(0, slash))))
                return "the resource \"" + resource.path + "\" lies in a folder that is also a file of the book";
    return {};
}

// --- Names and links ------------------------------------------------------------------------------

// A stable urn:uuid for the book: a 128-bit FNV-1a hash of its identifier (or, without one, of its
// title and chapter ids), laid out as a version 4 UUID with the hash standing in for the random bits.
std::string bookUuid(const EpubBook& book)
{
    std::string source = book.identifier;
    if (source.empty()) {
        source = book.title;
        for (const EpubChapter& chapter : book.chapters)
            source += '\0' + chapter.id;
    }
    // FNV-1a over 128 bits kept as two halves; the prime is 2^88 + 0x13B.
    uint64_t high = 0x6C62272E07BB0142ull, low = 0x62B821756295C58Dull;
    for (char c : source) {
        low ^= static_cast<unsigned char>(c);
        const uint64_t lowPart = (low & 0xFFFFFFFFu) * 0x13B, highPart = (low >> 32) * 0x13B;
        const uint64_t product = lowPart + (highPart << 32);
        high = high * 0x13B + (highPart >> 32) + (product < lowPart ? 1 : 0) + (low << 24);
        low = product;
    }
    uint8_t bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<uint8_t>(high >> (56 - 8 * i));
        bytes[8 + i] = static_cast<uint8_t>(low >> (56 - 8 * i));
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
    static const char* hex = "0123456789abcdef";
    std::string out = "urn:uuid:";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        out += hex[bytes[i] >> 4];
        out += hex[bytes[i] & 15];
    }
    return out;
}

// A path inside the book as a relative URL: each segment percent-escaped, then made safe for an attribute.
std::string hrefOf(std::string_view path)
{
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        out += escapeUrl(path.substr(start, slash == std::string_view::npos ? path.npos : slash - start));
        if (slash == std::string_view::npos)
            break;
        out += '/';
        start = slash + 1;
    }
    return escapeHtml(out);
}

std::string chapterFile(const EpubChapter& chapter)
{
    return chapter.id + ".xhtml";
}

// Chapter ids are taken as they are, behind a prefix none of the book's own manifest ids has.
std::string manifestId(const EpubChapter& chapter)
{
    return "c-" + chapter.id;
}

// A chapter's or a category's name as a reader sees it; never empty, as table-of-contents links need text.
std::string titleOf(const EpubChapter& chapter)
{
    return escapeHtml(chapter.title.empty() ? chapter.id : chapter.title);
}

// The manifest properties a chapter's markup calls for.
std::string chapterProperties(const EpubChapter& chapter)
{
    std::string out;
    auto mark = [&](bool present, const char* property) {
        if (!present)
            return;
        if (!out.empty())
            out += ' ';
        out += property;
    };
    const std::string& body = chapter.body;
    mark(body.find("<math") != std::string::npos, "mathml");
    mark(body.find("src=\"http:") != std::string::npos || body.find("src=\"https:") != std::string::npos,
         "remote-resources");
    mark(body.find("<script") != std::string::npos, "scripted");
    mark(body.find("<svg") != std::string::npos, "svg");
    return out;
}

// Pictures, sound and video already compressed: deflating them again costs time and gains nothing.
bool isCompressedMedia(std::string_view mediaType)
{
    const bool picture = mediaType.starts_with("image/") && mediaType != "image/svg+xml" && mediaType != "image/bmp";
    return picture || mediaType.starts_with("audio/") || mediaType.starts_with("video/");
}

// --- The table of contents ------------------------------------------------------------------------

// One line of the table: a category with its chapters, or a chapter that has no category.
struct TocEntry {
    std::string category;
    std::vector<std::size_t> chapters; // indexes into the book's chapters
};

// Categories in the order their first chapter comes, each with its chapters in the book's order.
std::vector<TocEntry> tableOfContents(const EpubBook& book)
{
    std::vector<TocEntry> entries;
    for (std::size_t i = 0; i < book.chapters.size(); ++i) {
        const std::string& category = book.chapters[i].category;
        auto found = std::find_if(entries.begin(), entries.end(), [&](const TocEntry& entry) {
            return !category.empty() && entry.category == category;
        });
        if (found == entries.end())
            entries.push_back({category, {i}});
        else
            found->chapters.push_back(i);
    }
    return entries;
}

// --- The documents ---------------------------------------------------------------------------------

std::string containerDocument()
{
    return std::string(xmlDeclaration) +
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" +
           contentFolder + packageFile +
           "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

std::string packageDocument(const EpubBook& book, const std::string& uuid)
{
    const std::string language = escapeHtml(book.language);
    std::string out = xmlDeclaration;
    out += "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"book-id\" xml:lang=\"" +
           language + "\">\n";
    out += "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    out += "    <dc:identifier id=\"book-id\">" + uuid + "</dc:identifier>\n";
    out += "    <dc:title>" + escapeHtml(book.title) + "</dc:title>\n";
    out += "    <dc:language>" + language + "</dc:language>\n";
    if (!book.creator.empty())
        out += "    <dc:creator>" + escapeHtml(book.creator) + "</dc:creator>\n";
    out += "    <meta property=\"dcterms:modified\">" + book.modified + "</meta>\n";
    out += "  </metadata>\n  <manifest>\n";
    out += "    <item id=\"nav\" href=\"" + navigationFile +
           "\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n";
    out += "    <item id=\"ncx\" href=\"" + ncxFile + "\" media-type=\"application/x-dtbncx+xml\"/>\n";
    if (!book.styleSheet.empty())
        out += "    <item id=\"css\" href=\"" + styleSheetFile + "\" media-type=\"text/css\"/>\n";
    for (const EpubChapter& chapter : book.chapters) {
        out += "    <item id=\"" + escapeHtml(manifestId(chapter)) + "\" href=\"" + hrefOf(chapterFile(chapter)) +
               "\" media-type=\"application/xhtml+xml\"";
        if (std::string properties = chapterProperties(chapter); !properties.empty())
            out += " properties=\"" + properties + "\"";
        out += "/>\n";
    }
    for (std::size_t i = 0; i < book.resources.size(); ++i) {
        const EpubResource& resource = book.resources[i];
        out += "    <item id=\"r-" + std::to_string(i + 1) + "\" href=\"" + hrefOf(resource.path) +
               "\" media-type=\"" + escapeHtml(resource.mediaType) + "\"/>\n";
    }
    out += "  </manifest>\n  <spine toc=\"ncx\">\n";
    for (const EpubChapter& chapter : book.chapters)
        out += "    <itemref idref=\"" + escapeHtml(manifestId(chapter)) + "\"/>\n";
    out += "  </spine>\n</package>\n";
    return out;
}

// The start of an XHTML document in the book's language, up to and including <head>.
std::string xhtmlStart(const EpubBook& book)
{
    const std::string language = escapeHtml(book.language);
    return std::string(xmlDeclaration) +
           "<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" lang=\"" +
           language + "\" xml:lang=\"" + language + "\">\n<head>\n<meta charset=\"UTF-8\"/>\n";
}

std::string navigationDocument(const EpubBook& book, const std::vector<TocEntry>& toc)
{
    auto link = [&](std::size_t chapter, const std::string& text) {
        return "<a href=\"" + hrefOf(chapterFile(book.chapters[chapter])) + "\">" + text + "</a>";
    };
    const std::string title = escapeHtml(book.title);
    std::string out = xhtmlStart(book);
    out += "<title>" + title + "</title>\n</head>\n<body>\n";
    out += "<nav epub:type=\"toc\" id=\"toc\">\n<h1>" + title + "</h1>\n<ol>\n";
    for (const TocEntry& entry : toc) {
        if (entry.category.empty()) {
            out += "<li>" + link(entry.chapters.front(), titleOf(book.chapters[entry.chapters.front()])) + "</li>\n";
            continue;
        }
        out += "<li>" + link(entry.chapters.front(), escapeHtml(entry.category)) + "\n<ol>\n";
        for (std::size_t chapter : entry.chapters)
            out += "<li>" + link(chapter, titleOf(book.chapters[chapter])) + "</li>\n";
        out += "</ol>\n</li>\n";
    }
    out += "</ol>\n</nav>\n</body>\n</html>\n";
    return out;
}

std::string ncxDocument(const EpubBook& book, const std::vector<TocEntry>& toc, const std::string& uuid)
{
    int pointNumber = 0;
    // A category points at its first chapter and so shares that chapter's place in the reading order.
    auto navPoint = [&](std::size_t chapter, const std::string& label, bool close) {
        std::string point = "<navPoint id=\"p" + std::to_string(++pointNumber) + "\" playOrder=\"" +
                            std::to_string(chapter + 1) + "\"><navLabel><text>" + label +
                            "</text></navLabel><content src=\"" + hrefOf(chapterFile(book.chapters[chapter])) +
                            "\"/>";
        return point + (close ? "</navPoint>\n" : "\n");
    };
    const bool grouped = std::any_of(toc.begin(), toc.end(), [](const TocEntry& e) { return !e.category.empty(); });
    std::string out = xmlDeclaration;
    out += "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"" +
           escapeHtml(book.language) + "\">\n<head>\n";
    out += "<meta name=\"dtb:uid\" content=\"" + uuid + "\"/>\n";
    out += "<meta name=\"dtb:depth\" content=\"" + std::string(grouped ? "2" : "1") + "\"/>\n";
    out += "<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n";
    out += "</head>\n<docTitle><text>" + escapeHtml(book.title) + "</text></docTitle>\n<navMap>\n";
    for (const TocEntry& entry : toc) {
        if (entry.category.empty()) {
            out += navPoint(entry.chapters.front(), titleOf(book.chapters[entry.chapters.front()]), true);
            continue;
        }
        out += navPoint(entry.chapters.front(), escapeHtml(entry.category), false);
        for (std::size_t chapter : entry.chapters)
            out += navPoint(chapter, titleOf(book.chapters[chapter]), true);
        out += "</navPoint>\n";
    }
    out += "</navMap>\n</ncx>\n";
    return out;
}

std::string chapterDocument(const EpubBook& book, const EpubChapter& chapter)
{
    std::string out = xhtmlStart(book);
    out += "<title>" + titleOf(chapter) + "</title>\n";
    if (!book.styleSheet.empty())
        out += "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + styleSheetFile + "\"/>\n";
    out += "</head>\n<body>\n" + chapter.body + "\n</body>\n</html>\n";
    return out;
}

} // namespace

bool writeEpub(const EpubBook& book, const std::string& path, std::string& error)
{
    if (std::string problem = bookProblem(book); !problem.empty()) {
        error = problem;
        return false;
    }
    const std::string uuid = bookUuid(book);
    const std::vector<TocEntry> toc = tableOfContents(book);
    using Method = ZipWriter::Method;

    ZipWriter zip(path);
    auto add = [&](const std::string& name, std::string_view bytes) {
        return zip.add(name, bytes, Method::Deflated, error);
    };
    // Readers recognise the book by "mimetype" at the very start, uncompressed.
    if (!zip.add("mimetype", "application/epub+zip", Method::Stored, error) ||
        !add("META-INF/container.xml", containerDocument()) ||
        !add(contentFolder + packageFile, packageDocument(book, uuid)) ||
        !add(contentFolder + navigationFile, navigationDocument(book, toc)) ||
        !add(contentFolder + ncxFile, ncxDocument(book, toc, uuid)))
        return false;
    if (!book.styleSheet.empty() && !add(contentFolder + styleSheetFile, book.styleSheet))
        return false;
    for (const EpubChapter& chapter : book.chapters)
        if (!add(contentFolder + chapterFile(chapter), chapterDocument(book, chapter)))
            return false;
    for (const EpubResource& resource : book.resources)
        if (!zip.add(contentFolder + resource.path, resource.bytes,
                     isCompressedMedia(resource.mediaType) ? Method::Stored : Method::Deflated, error))
            return false;
    return zip.finish(error);
}

} // namespace vel::exporter
