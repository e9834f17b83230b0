// discdata: makes one section of the title's disc from its readable sources and the data packages:
//
//   discdata SECTION SOURCE-DIRECTORY DISC-DIRECTORY WORK-DIRECTORY NPM-DIRECTORY
//
// SOURCE is disc/title, DISC the disc being built, WORK the section's scratch folder (its dados/
// becomes the disc's data files, see discdata.h), NPM the unpacked data packages. The build runs it
// once per section, again only when the section's sources change (cmake/title_sections.cmake).
#include <cstdio>
#include <cstring>

#include "discdata/articles.h"
#include "discdata/section_blocks.h"
#include "discdata/databank.h"
#include "discdata/sections.h"

namespace vel::discdata {
namespace {

void listSections(const Context&); // discdata sections . . . . prints their names

// One line per section.
constexpr Section kSections[] = {
    {"sections", listSections},
    {"verbetes", makeArticles},
    {"atlas", makeAtlas},
    {"midias", makeMedia},
    {"curio", makeCurio},
    {"tempo", makeTimeline},
    {"retro", makeRetro},
    {"agenda", makeAgenda},
    {"ajuda", makeHelp},
    {"bdados", makeDatabank},
};

void listSections(const Context&)
{
    for (const Section& section : kSections)
        std::printf("%s\n", section.name);
}

} // namespace
} // namespace vel::discdata

int main(int argc, char** argv)
{
    using namespace vel::discdata;
    if (argc != 6) {
        std::fprintf(stderr, "usage: discdata SECTION SOURCE-DIRECTORY DISC-DIRECTORY WORK-DIRECTORY NPM-DIRECTORY\n");
        return 2;
    }
    const Context context{argv[2], argv[3], argv[4], argv[5]};
    for (const Section& section : kSections)
        if (std::strcmp(section.name, argv[1]) == 0) {
            section.make(context);
            return 0;
        }
    std::fprintf(stderr, "discdata: no section named %s\n", argv[1]);
    return 2;
}
