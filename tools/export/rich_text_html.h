// The title's rich text as HTML that is also well-formed XML (so one conversion serves the web pages
// and the EPUB book). Read through the title's own parser (controls/rtf_parser.h):
//   bold, italic, underline    <b>, <i>, <u> around each run;
//   colours                    a style, for text whose colour is not the text's own;
//   paragraphs                 <p>, aligned and indented as written; a short paragraph wholly in bold
//                              is a section's title (<h2>), as the articles write them;
//   tab-aligned lines          consecutive lines with tabs become one <table>, a cell per tab stop, a
//                              right-aligned stop giving a right-aligned cell;
//   bitmaps                    <img>, from the page's own place for the picture;
//   hot text and hot bitmaps   <a href>, when the page knows where the target leads; otherwise the
//                              text stays plain, never a broken link;
//   markers                    an empty element with an id ("m-" and the marker's name);
//   page breaks                <hr/>; boxed paragraphs the class "caixa".
#pragma once

#include <string>
#include <string_view>

#include "controls/rtf_parser.h"

namespace vel::exporter {

// Where a text's links and pictures lead, decided by the page that shows it.
class RichTextLinks {
public:
    virtual ~RichTextLinks() = default;
    // The href (UTF-8) of hot text whose target (Windows-1252) is this; empty when it leads nowhere the
    // export holds: the text is then shown plain.
    virtual std::string linkFor(std::string_view target) = 0;
    // The src (UTF-8) of the bitmap named so; empty when there is none: the picture is left out.
    virtual std::string pictureFor(std::string_view name) = 0;
};

// The parsed text as HTML.
std::string richTextToHtml(const RichText& text, RichTextLinks& links);
// The disc's rich text (Windows-1252) parsed and converted; false when the parser refuses it (the
// parser's report goes to the error handler).
bool richTextToHtml(std::string_view rich, RichTextLinks& links, std::string& html);

// A colour reference of the title (red in the low byte) as "#rrggbb".
std::string cssColor(int32_t colorRef);

} // namespace vel::exporter
