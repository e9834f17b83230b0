// Section "ajuda": the title's help topics (ORVA.hlp, the control library's help file, straight into
// the disc), the text about the Internet link (SIntrnet.dat) and the credits' roll (Creditos.dat),
// from disc/title/ajuda/ (docs/section_sources.md). The credits name the libraries the program
// links and the data packages the disc is made from: the generator reads scripts/setup.sh and
// disc/title/npm-packages.txt so that the roll cannot forget one, and takes the artwork credits of
// disc/title/midias/CREDITOS.txt when that file is there.
#include <algorithm>
#include <sstream>

#include "controls/rtf_parser.h"
#include "discdata/section_blocks.h"
#include "discdata/sections.h"
#include "discgen/discgen.h"
#include "platform/canvas.h"
#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/list.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::discdata {
namespace {

void makeTopics(const Context& context)
{
    const SourceFile file(context.source / "ajuda" / "topicos.txt", {"Título", "Texto"});
    Value topics = Table::make(32);
    int32_t number = 0;
    for (const SourceBlock& block : file.blocks()) {
        const std::string where = file.where(block.line);
        file.require(block, "Texto");
        std::string text;
        for (const SourceField* paragraph : block.all("Texto"))
            text += (text.empty() ? "" : "\n\n") + paragraph->value;
        Value topic = Table::make(4);
        asTable(topic)->put("Title", text1252(file.require(block, "Título"), where));
        asTable(topic)->put("Text", text1252(text, where));
        asTable(topics)->put(Value::integer(number++), topic);
    }
    writeValueSource(context.disc / "ORVA.hlp", topics);
}

void makeInternet(const Context& context)
{
    const SourceFile file(context.source / "ajuda" / "internet.txt", {"Texto"});
    std::vector<const SourceField*> paragraphs;
    for (const SourceBlock& block : file.blocks())
        for (const SourceField* field : block.all("Texto"))
            paragraphs.push_back(field);
    if (paragraphs.empty())
        fail(file.path().string() + ": no \"Texto:\"");
    writeArchiveSource(context, "SIntrnet.dat", listOf({text1252(richParagraphs(paragraphs), file.path().string())}));
}

// The Debian packages scripts/setup.sh installs.
std::vector<std::string> setupPackages(const fs::path& script)
{
    const std::string text = readText(script);
    const std::size_t start = text.find("packages=(");
    const std::size_t end = text.find(')', start);
    if (start == std::string::npos || end == std::string::npos)
        fail(script.string() + ": no packages=( ... ) list");
    std::istringstream words(text.substr(start + 10, end - start - 10));
    std::vector<std::string> packages;
    for (std::string word; words >> word;)
        packages.push_back(word);
    return packages;
}

class Roll {
public:
    explicit Roll(std::string where) : where_(std::move(where)), lines_(ValueList::make(128)) {}
    // Level 0 the title, 1 a heading, 2 a line.
    void add(int32_t level, const std::string& text)
    {
        asList(lines_)->append(listOf({Value::integer(level), text1252(text, where_)}));
    }
    const Value& lines() const { return lines_; }

private:
    std::string where_;
    Value lines_;
};

// The picture the credits screen rolls ("creditos_rolo.bmp"), painted from the lines of Creditos.dat
// so that the roll on screen and the list the export shows are one list: the title large, headings
// in gold, lines in the panel's light ink, each wrapped to the screen's window.
void paintRoll(const Context& context, const Value& lines)
{
    constexpr int kWidth = 520, kMargin = 24, kIndent = 16;
    struct Style {
        int32_t size, style, gapBefore, advance;
        uint32_t ink;
    };
    static const Style kStyles[] = {{28, kStyleBold, 0, 44, 0xFAF7EE},
                                    {16, kStyleBold, 16, 28, 0xD8A838},
                                    {11, 0, 0, 20, 0xE6ECFA}};
    const auto fontOf = [](const Style& style) {
        return DrawingSurface::fontSpecFor(Font::make(Value::string("Times New Roman"), style.size, style.style));
    };
    const List* list = asList(lines);
    // First the lines as they will stand (wrapped), then the picture of their height.
    struct Placed {
        const Style* style;
        std::string text;
        int x, y;
    };
    std::vector<Placed> placed;
    platform::Canvas measuring(1, 1);
    int y = 16;
    for (int32_t i = 0; list && i < list->count(); ++i) {
        const List* line = asList(list->get(i));
        if (!line || line->count() < 2)
            continue;
        const Style& style = kStyles[std::clamp(line->getInt(0), 0, 2)];
        measuring.setFont(fontOf(style));
        y += style.gapBefore;
        std::string rest(textOf(line->get(1)));
        int x = kMargin;
        while (!rest.empty()) {
            std::size_t cut = rest.size();
            while (measuring.measure(rest.substr(0, cut)).width > kWidth - x - kMargin) {
                const std::size_t space = rest.rfind(' ', cut - 1);
                if (space == std::string::npos || space == 0)
                    break;
                cut = space;
            }
            placed.push_back({&style, rest.substr(0, cut), x, y});
            y += style.advance;
            rest = cut < rest.size() ? rest.substr(cut + 1) : std::string();
            x = kMargin + kIndent;
        }
    }
    platform::Canvas canvas(kWidth, y + 16);
    canvas.fill({0, 0, kWidth, y + 16}, 0x0E1A2A);
    for (const Placed& p : placed) {
        canvas.setFont(fontOf(*p.style));
        canvas.drawText(p.x, p.y, p.text, p.style->ink, -1);
    }
    if (!discgen::writeBitmap(context.disc / "creditos_rolo.bmp", canvas.pixels()))
        fail((context.disc / "creditos_rolo.bmp").string() + ": cannot be written");
}

void makeCredits(const Context& context)
{
    const SourceFile file(context.source / "ajuda" / "creditos.txt",
                          {"Título", "Seção", "Linha", "Pacote", "Dados", "Mídia"});
    const fs::path root = context.source.parent_path().parent_path();
    const std::vector<std::string> installed = setupPackages(root / "scripts" / "setup.sh");
    Roll roll(file.path().string());
    for (const SourceBlock& block : file.blocks())
        for (const SourceField& field : block.fields) {
            if (field.name == "Título") {
                roll.add(0, field.value);
            } else if (field.name == "Seção") {
                roll.add(1, field.value);
            } else if (field.name == "Linha") {
                roll.add(2, field.value);
            } else if (field.name == "Pacote") {
                // "debian-package | what it is | licence": the package must be one the build installs.
                const std::vector<std::string> parts = splitBars(field.value);
                if (parts.size() != 3)
                    file.failAt(field.line, "a package line is \"package | name | licence\"");
                if (std::find(installed.begin(), installed.end(), parts[0]) == installed.end())
                    file.failAt(field.line, "scripts/setup.sh does not install " + parts[0]);
                roll.add(2, parts[1] + " (" + parts[0] + ") - " + parts[2]);
            } else if (field.name == "Dados") {
                roll.add(1, field.value);
                std::istringstream list(readText(context.source / "npm-packages.txt"));
                for (std::string line; std::getline(list, line);) {
                    if (line.empty() || line[0] == '#')
                        continue;
                    std::istringstream words(line);
                    std::string package;
                    std::string licence;
                    std::string what;
                    words >> package >> licence;
                    std::getline(words, what);
                    roll.add(2, package + " - " + licence + " - " + trimmed(what));
                }
            } else if (field.name == "Mídia") {
                const fs::path media = context.source / "midias" / "CREDITOS.txt";
                if (!fs::exists(media))
                    continue;
                roll.add(1, field.value);
                std::istringstream list(readText(media));
                for (std::string line; std::getline(list, line);)
                    if (!trimmed(line).empty() && line[0] != '#')
                        roll.add(2, trimmed(line));
            }
        }
    writeArchiveSource(context, "Creditos.dat", listOf({roll.lines()}));
    paintRoll(context, roll.lines());
}

} // namespace

void makeHelp(const Context& context)
{
    makeTopics(context);
    makeInternet(context);
    makeCredits(context);
}

} // namespace vel::discdata
