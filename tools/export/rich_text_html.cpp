#include "export/rich_text_html.h"

#include <cstdio>
#include <set>
#include <vector>

#include "export/html_text.h"
#include "title/title_form.h"
#include "value/data_objects.h"
#include "value/list.h"

namespace vel::exporter {
namespace {

constexpr int32_t kBaseColor = 1; // the parser's "ForeColor" when the request names none
constexpr int32_t kTwipsPerPixel = 15;
constexpr std::size_t kLongestHeading = 120;

struct TabStop {
    bool right = false;
};

class Converter {
public:
    Converter(const RichText& text, RichTextLinks& links) : text_(text), links_(links) {}

    std::string run()
    {
        for (const RichRun& record : text_.runs)
            take(record);
        endParagraph();
        endTable();
        return out_;
    }

private:
    const Font* fontAt(int32_t index) const
    {
        const auto* fonts = text_.fonts.as<ValueList>();
        if (!fonts || index < 0 || index >= fonts->count())
            return nullptr;
        return fonts->at(index).as<Font>();
    }

    void take(const RichRun& r)
    {
        switch (r.code) {
        case kRunFormat:
            font_ = r.numbers[0];
            fore_ = r.numbers[1];
            back_ = r.numbers[2];
            setAlignment(r.numbers[3]);
            break;
        case kRunText:
        case kRunStrikeText: addText(text_.textOf(r), false, {}); break;
        case kRunCharacter: {
            const char c = static_cast<char>(r.numbers[0]);
            addText(std::string_view(&c, 1), false, {});
            break;
        }
        case kRunHotText:
        case kRunHotTextInStrike: addText(text_.textOf(r), true, targetText(r)); break;
        case kRunParagraph: endParagraph(); break;
        case kRunPage:
            endParagraph();
            endTable();
            out_ += "<hr/>\n";
            break;
        case kRunCentre: setAlignment(1); break;
        case kRunLeft: setAlignment(0); break;
        case kRunRight: setAlignment(2); break;
        case kRunTab:
            cells_.push_back(std::move(cell_));
            cell_.clear();
            lastPicture_ = std::string::npos;
            break;
        case kRunBitmap: addPicture(text_.textOf(r)); break;
        case kRunHotBitmap: linkLastPicture(targetText(r)); break;
        case kRunTabStop:
        case kRunRightTabStop: stops_.push_back({r.code == kRunRightTabStop}); break;
        case kRunParagraphReset:
            stops_.clear();
            alignment_ = 0;
            firstIndent_ = leftIndent_ = box_ = 0;
            break;
        case kRunMarker: addMarker(targetText(r)); break;
        case kRunFirstIndent: firstIndent_ = r.numbers[0]; break;
        case kRunLeftIndent: leftIndent_ = r.numbers[0]; break;
        case kRunBox: box_ = r.numbers[0]; break;
        default: break;
        }
    }

    std::string targetText(const RichRun& r) const
    {
        const Value target = text_.target(r);
        return target.is(Tag::String) ? std::string(textOf(target)) : std::string();
    }

    void setAlignment(int32_t alignment) { alignment_ = alignment >= 0 && alignment <= 2 ? alignment : 0; }

    // A run of text in the current format, inside a link when it is hot and leads somewhere.
    void addText(std::string_view windows1252, bool hot, const std::string& target)
    {
        if (windows1252.empty())
            return;
        const Font* font = fontAt(font_);
        const int32_t style = font ? font->style : 0;
        std::string html = escapeDisc(windows1252);
        bool visible = windows1252.find_first_not_of(" \t\r\n") != std::string_view::npos;
        if (visible) {
            bold_ = bold_ && (style & kStyleBold);
            plainLength_ += windows1252.size();
            visible_ = true;
        }
        const std::string href = hot ? links_.linkFor(target) : std::string();
        if (style & kStyleUnderline && !hot)
            html = "<u>" + html + "</u>";
        if (style & kStyleItalic)
            html = "<i>" + html + "</i>";
        if (style & kStyleBold)
            html = "<b>" + html + "</b>";
        if (!hot) {
            std::string css;
            if (fore_ != kBaseColor && fore_ >= 0)
                css += "color:" + cssColor(fore_) + ";";
            if (back_ >= 0)
                css += "background-color:" + cssColor(back_) + ";";
            if (!css.empty())
                html = "<span style=\"" + css + "\">" + html + "</span>";
        }
        if (!href.empty())
            html = "<a href=\"" + escapeHtml(href) + "\">" + html + "</a>";
        cell_ += html;
    }

    void addPicture(std::string_view name)
    {
        const std::string src = links_.pictureFor(name);
        lastPicture_ = std::string::npos;
        if (src.empty())
            return;
        lastPicture_ = cell_.size();
        cell_ += "<img src=\"" + escapeHtml(src) + "\" alt=\"" + escapeDisc(name) + "\"/>";
        visible_ = true;
        bold_ = false;
    }

    void linkLastPicture(const std::string& target)
    {
        const std::string href = links_.linkFor(target);
        if (lastPicture_ == std::string::npos || lastPicture_ > cell_.size() || href.empty())
            return;
        cell_.insert(lastPicture_, "<a href=\"" + escapeHtml(href) + "\">");
        cell_ += "</a>";
        lastPicture_ = std::string::npos;
    }

    void addMarker(const std::string& name)
    {
        std::string id = "m-" + fileNameFor(name);
        for (int n = 2; !ids_.insert(id).second; ++n)
            id = "m-" + fileNameFor(name) + "-" + std::to_string(n);
        cell_ += "<span id=\"" + id + "\"></span>";
    }

    std::string paragraphStyle() const
    {
        static const char* const kAlign[] = {"", "text-align:center;", "text-align:right;"};
        std::string css = kAlign[alignment_];
        if (leftIndent_ > 0)
            css += "margin-left:" + std::to_string(leftIndent_ / kTwipsPerPixel) + "px;";
        if (firstIndent_ != 0)
            css += "text-indent:" + std::to_string(firstIndent_ / kTwipsPerPixel) + "px;";
        return css;
    }

    void endParagraph()
    {
        if (!cells_.empty()) {
            cells_.push_back(std::move(cell_));
            rows_.push_back({std::move(cells_), stops_});
        } else {
            endTable();
            if (visible_) {
                const char* tag = bold_ && plainLength_ <= kLongestHeading ? "h2" : "p";
                std::string attributes;
                if (const std::string css = paragraphStyle(); !css.empty())
                    attributes += " style=\"" + css + "\"";
                if (box_ > 0)
                    attributes += " class=\"caixa\"";
                out_ += std::string("<") + tag + attributes + ">" + cell_ + "</" + tag + ">\n";
            } else if (!cell_.empty()) {
                out_ += cell_ + "\n"; // markers of an empty line keep their place
            }
        }
        cells_.clear();
        cell_.clear();
        visible_ = false;
        bold_ = true;
        plainLength_ = 0;
        lastPicture_ = std::string::npos;
    }

    void endTable()
    {
        if (rows_.empty())
            return;
        out_ += "<table class=\"tabela\"><tbody>\n";
        for (const Row& row : rows_) {
            out_ += "<tr>";
            for (std::size_t i = 0; i < row.cells.size(); ++i) {
                // The text after the n-th tab stands at the n-th stop.
                const bool right = i > 0 && i - 1 < row.stops.size() && row.stops[i - 1].right;
                out_ += right ? "<td class=\"num\">" : "<td>";
                out_ += row.cells[i];
                out_ += "</td>";
            }
            out_ += "</tr>\n";
        }
        out_ += "</tbody></table>\n";
        rows_.clear();
    }

    struct Row {
        std::vector<std::string> cells;
        std::vector<TabStop> stops;
    };

    const RichText& text_;
    RichTextLinks& links_;
    std::string out_, cell_;
    std::vector<std::string> cells_;
    std::vector<Row> rows_;
    std::vector<TabStop> stops_;
    std::set<std::string> ids_;
    int32_t font_ = 0, fore_ = kBaseColor, back_ = -1, alignment_ = 0;
    int32_t firstIndent_ = 0, leftIndent_ = 0, box_ = 0;
    bool visible_ = false, bold_ = true;
    std::size_t plainLength_ = 0;
    std::size_t lastPicture_ = std::string::npos;
};

} // namespace

std::string cssColor(int32_t colorRef)
{
    const auto c = static_cast<uint32_t>(colorRef);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
}

std::string richTextToHtml(const RichText& text, RichTextLinks& links)
{
    return Converter(text, links).run();
}

bool richTextToHtml(std::string_view rich, RichTextLinks& links, std::string& html)
{
    RichText parsed;
    const Value request = tableOf({{"Type", Value::string("RTF")},
                                   {"Buffer", Value::string(rich)},
                                   {"Font", Font::make(Value::string("Arial"), 10, 0)}});
    if (!parseRichText(request, parsed))
        return false;
    html = richTextToHtml(parsed, links);
    return true;
}

} // namespace vel::exporter
