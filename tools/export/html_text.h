// Text made safe for HTML and XHTML: the disc's Windows-1252 text turned into UTF-8 with the five
// characters that mean markup escaped, and the small pieces every exported page shares.
#pragma once

#include <string>
#include <string_view>

namespace vel::exporter {

// UTF-8 text escaped for an element's content or a quoted attribute: & < > " ' as references, and
// the control characters XML forbids dropped (tab, line feed and carriage return are kept).
std::string escapeHtml(std::string_view utf8);
// Windows-1252 text from the disc, as UTF-8, escaped.
std::string escapeDisc(std::string_view windows1252);
// The disc's Windows-1252 text as UTF-8, not escaped.
std::string utf8(std::string_view windows1252);

// A file name for a page or picture made from a name of the disc (Windows-1252): letters in lower
// case without their accents, digits, '-' and '_' kept, other runs '_', at most 80 bytes; never empty.
std::string fileNameFor(std::string_view windows1252);

// A URL path segment escaped (%XX for whatever is not unreserved), for names used in links.
std::string escapeUrl(std::string_view utf8);

} // namespace vel::exporter
