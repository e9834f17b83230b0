// The exported site's page frame: every page is UTF-8 HTML5 in lang="pt-BR", written in the XML
// syntax (closed void elements, quoted attributes) so that an XML parser reads it as well as a
// browser, with the style sheet and a bar of the site's sections. Nothing needs a script to be read.
#pragma once

#include <string>
#include <string_view>

namespace vel::exporter {

// The sections of the site, each with its colour in the style sheet.
enum class Section { Home, Articles, Atlas, Media, Databank, Timeline, Retro, Quiz, Search };

struct PageFrame {
    std::string title;     // UTF-8, not escaped
    std::string root;      // the way from the page to the site's root: "" or "../"
    Section section = Section::Home;
    std::string script;    // a script file, relative to the root, loaded at the end; none when empty
};

// The whole page around the body (ready HTML).
std::string sitePage(const PageFrame& frame, std::string_view body);

// The style sheet of the site and the book ("estilo.css").
std::string_view styleSheet();

// Writes bytes to path through a temporary name, making the folders above it; false, the reason in
// error, when it cannot.
bool writeFile(const std::string& path, std::string_view bytes, std::string& error);

} // namespace vel::exporter
