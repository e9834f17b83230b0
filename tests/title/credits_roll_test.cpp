#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace vel {
namespace {

std::string sourceFile(const std::string& path)
{
    std::ifstream in(std::string(VEL_SOURCE_DIR) + "/" + path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The roll is drawn from the screens' picture descriptions: every data package the disc is built
// from, and every library the program links, must be named there with its licence.
TEST(CreditsRoll, NamesEveryDataPackageAndLibrary)
{
    const std::string roll = sourceFile("disc/title/secoes.media.tbl");
    const std::string packages = sourceFile("disc/title/npm-packages.txt");
    const std::string setup = sourceFile("scripts/setup.sh");
    ASSERT_FALSE(packages.empty());
    std::istringstream lines(packages);
    int listed = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string name = line.substr(0, line.find('@', 1));
        EXPECT_NE(roll.find("(list \"" + name + ": "), std::string::npos) << name;
        ++listed;
    }
    EXPECT_GT(listed, 0);
    const struct {
        const char* package;
        const char* credited;
    } libraries[] = {{"libsdl2-dev", "SDL 2"},          {"libcairo2-dev", "cairo"},
                     {"libjpeg62-turbo-dev", "libjpeg-turbo"}, {"libavcodec-dev", "FFmpeg"},
                     {"libfluidsynth-dev", "FluidSynth"}, {"libespeak-ng-dev", "eSpeak NG"},
                     {"timgm6mb-soundfont", "TimGM6mb"},  {"fonts-liberation", "Liberation"}};
    for (const auto& l : libraries) {
        EXPECT_NE(setup.find(l.package), std::string::npos) << l.package << " is no longer installed";
        EXPECT_NE(roll.find(l.credited), std::string::npos) << l.credited;
    }
}

} // namespace
} // namespace vel
