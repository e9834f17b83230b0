// An EPUB 3 book written from chapters that are ready XHTML, with their pictures and a style sheet:
// the zip container (the "mimetype" entry first and stored, the rest deflated), META-INF/container.xml,
// the package document, the navigation document (a table of contents grouped by category, in the
// order the chapters are given) and an NCX for older readers. The result passes epubcheck.
#pragma once

#include <string>
#include <vector>

namespace vel::exporter {

struct EpubChapter {
    std::string id;       // unique, an XML name: the chapter's file is "<id>.xhtml"
    std::string title;    // UTF-8
    std::string category; // UTF-8: the table of contents' group
    std::string body;     // UTF-8 XHTML, the content of <body>; links to other chapters as "<id>.xhtml"
};

struct EpubResource {
    std::string path;      // inside the book beside the chapters, such as "images/MAPA_BRA.png"
    std::string mediaType; // "image/png", "image/jpeg", "text/css"
    std::string bytes;
};

struct EpubBook {
    std::string title;      // UTF-8
    std::string language = "pt-BR";
    std::string identifier; // stable for the same content: the book's urn:uuid is a hash of it
                            // (without one, of the title and the chapter ids)
    std::string modified;   // UTC, exactly "2026-12-07T00:00:00Z" in form
    std::string creator;
    std::string styleSheet; // CSS linked from every chapter as "style.css"; none when empty
    std::vector<EpubChapter> chapters;
    std::vector<EpubResource> resources;
};

// Writes the book; false, the reason in error, when it cannot. The book is checked whole before any
// file is made: it needs a chapter, a title, a language and a modification time of the form above;
// chapter ids must be XML names without colons, unique even ignoring ASCII case, and not "nav"; resource
// paths relative, without "." or ".." folders or characters file names in a book cannot have, each
// with a media type and none over another file of the book; all text UTF-8. A chapter without a
// title shows its id; chapters without a category stand alone in the table of contents. The book is
// written beside path and renamed over it when complete, so a failure never leaves a half-written book.
bool writeEpub(const EpubBook& book, const std::string& path, std::string& error);

} // namespace vel::exporter
