// The export's rich text to HTML on arbitrary bytes: whatever the text holds, the HTML must parse as
// XML inside one element, and only the elements the converter writes may appear (text of the disc
// never becomes markup).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "export/html_text.h"
#include "export/rich_text_html.h"
#include "fuzz_support.h"

namespace {

class EveryLink final : public vel::exporter::RichTextLinks {
public:
    // Half the targets lead somewhere, with characters that need escaping in an attribute (the
    // pages give UTF-8 addresses).
    std::string linkFor(std::string_view target) override
    {
        return target.size() % 2 ? "a\"<&'" + vel::exporter::utf8(target) : std::string();
    }
    std::string pictureFor(std::string_view name) override
    {
        return name.empty() ? std::string() : "p<" + vel::exporter::utf8(name);
    }
};

void quiet(void*, const char*, ...) {}

bool onlyKnownElements(xmlNode* node)
{
    static const std::set<std::string> known = {"div", "p", "h2", "b", "i", "u", "span", "a", "img", "table",
                                                "tbody", "tr", "td", "hr"};
    for (; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE &&
            (!known.count(reinterpret_cast<const char*>(node->name)) || !onlyKnownElements(node->children)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    vel::fuzzing::installHandlers();
    static const bool silenced = [] {
        xmlSetGenericErrorFunc(nullptr, quiet);
        return true;
    }();
    (void)silenced;
    EveryLink links;
    std::string html;
    if (!vel::exporter::richTextToHtml(std::string_view(reinterpret_cast<const char*>(data), size), links, html))
        return 0;
    const std::string document = "<div>" + html + "</div>";
    xmlDoc* doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, "utf-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc || !onlyKnownElements(xmlDocGetRootElement(doc)))
        std::abort();
    xmlFreeDoc(doc);
    return 0;
}
