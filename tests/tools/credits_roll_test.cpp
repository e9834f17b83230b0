// The credits: the roll's lines (Creditos.dat) name every data package the disc is built from and
// every library the program links, and the picture the credits screen rolls is painted from those
// same lines, as wide as the screen's window and as tall as they need.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "export/disc_content.h"
#include "value/archive.h"
#include "value/list.h"
#include "value/string.h"

namespace {

const std::string kDisc = std::string(VEL_BIN_DIR) + "/../disc";

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

uint32_t little32(const std::string& bytes, std::size_t at)
{
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = n << 8 | static_cast<unsigned char>(bytes[at + i]);
    return n;
}

TEST(CreditsRoll, NamesEveryDataPackageAndLibraryAndIsPaintedFromItsLines)
{
    vel::exporter::DiscContent disc;
    std::string error;
    ASSERT_TRUE(disc.open(kDisc, error)) << error;
    const vel::Value archive = disc.rootArchive("Creditos.dat");
    ASSERT_TRUE(vel::asArchive(archive));
    const vel::Value lines = vel::asArchive(archive)->get(0);
    ASSERT_TRUE(vel::asList(lines));
    std::string roll;
    int32_t headings = 0;
    for (int32_t i = 0; i < vel::asList(lines)->count(); ++i) {
        roll += vel::exporter::recordText(vel::asList(lines)->get(i), 1) + "\n";
        headings += vel::exporter::recordInteger(vel::asList(lines)->get(i), 0) < 2;
    }

    std::istringstream packages(fileText(std::string(VEL_SOURCE_DIR) + "/disc/title/npm-packages.txt"));
    int listed = 0;
    for (std::string line; std::getline(packages, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string name = line.substr(0, line.find_first_of(" \t"));
        EXPECT_NE(roll.find("\n" + name + " - "), std::string::npos) << name;
        ++listed;
    }
    EXPECT_GT(listed, 0);
    const std::string setup = fileText(std::string(VEL_SOURCE_DIR) + "/scripts/setup.sh");
    const struct {
        const char* package;
        const char* credited;
    } libraries[] = {{"libsdl2-dev", "SDL 2"},          {"libcairo2-dev", "cairo"},
                     {"libjpeg62-turbo-dev", "libjpeg-turbo"}, {"libavcodec-dev", "FFmpeg"},
                     {"libfluidsynth-dev", "FluidSynth"}, {"libespeak-ng-dev", "eSpeak NG"},
                     {"zlib1g-dev", "zlib"},              {"timgm6mb-soundfont", "TimGM6mb"},
                     {"fonts-liberation", "Liberation"}};
    for (const auto& l : libraries) {
        EXPECT_NE(setup.find(l.package), std::string::npos) << l.package << " is no longer installed";
        EXPECT_NE(roll.find(l.credited), std::string::npos) << l.credited;
        EXPECT_NE(roll.find(std::string("(") + l.package + ")"), std::string::npos) << l.package;
    }

    // The picture: as wide as the window of the credits screen, and at least a line's height for
    // every line (headings and the title take more).
    const std::string picture = fileText(disc.rootFile("creditos_rolo.bmp"));
    ASSERT_GT(picture.size(), 54u);
    EXPECT_EQ(picture.substr(0, 2), "BM");
    EXPECT_EQ(little32(picture, 18), 520u);
    const uint32_t height = little32(picture, 22);
    const int32_t count = vel::asList(lines)->count();
    EXPECT_GE(height, static_cast<uint32_t>(20 * count + 8 * headings));
    EXPECT_LT(height, static_cast<uint32_t>(60 * count));
}

} // namespace
