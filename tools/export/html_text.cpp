#include "export/html_text.h"

#include "platform/text_encoding.h"
#include "title/search_query.h"

namespace vel::exporter {

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (u < 0x20 && c != '\t' && c != '\n' && c != '\r')
                break;
            if (u == 0x7F)
                break;
            out += c;
        }
    }
    return out;
}

std::string utf8(std::string_view windows1252)
{
    return platform::utf8FromWindows1252(windows1252);
}

std::string escapeDisc(std::string_view windows1252)
{
    return escapeHtml(utf8(windows1252));
}

std::string fileNameFor(std::string_view windows1252)
{
    std::string out;
    for (char c : windows1252) {
        const std::string folded = foldWord(std::string_view(&c, 1));
        if (!folded.empty())
            out += folded;
        else if (c == '-' || c == '_')
            out += c;
        else if (out.empty() || out.back() != '_')
            out += '_';
        if (out.size() >= 80)
            break;
    }
    while (out.size() > 1 && out.back() == '_')
        out.pop_back();
    return out.empty() ? std::string("_") : out;
}

std::string escapeUrl(std::string_view text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~')
            out += c;
        else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

} // namespace vel::exporter
