// The atlas's maps as the build drew them (build/disc): each capital's marker lies where the map
// record's placement puts its coordinates, and the world map's plate carrée puts known cities on the
// pixels worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text_encoding.h"
#include "index/title_indexes.h"
#include "runtime/image.h"
#include "value/archive.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace {

using namespace vel;
const std::string kDisc = (std::filesystem::path(VEL_BIN_DIR).parent_path() / "disc").string();

Value mapRecord(const Value& atlas, std::string_view name)
{
    const auto* archive = dynamic_cast<const Archive*>(atlas.object());
    for (int32_t i = 0; archive && i < archive->count(); ++i) {
        Value record = velGet(atlas, i);
        if (textOf(velGet(record, 1)) == name)
            return record;
    }
    return {};
}

double number(const Value& table, const char* key, int item = -1)
{
    Value v = velGet(table, Value::string(key));
    if (item >= 0)
        v = velGet(v, item);
    return velFloatValue(v);
}

// Where the record's placement puts a point of the globe on the picture (its own pixels).
std::pair<double, double> placed(const Value& placement, double lon, double lat)
{
    const double ppd = number(placement, "Pixels Per Degree"), parallel = number(placement, "Standard Parallel");
    return {number(placement, "Width") / 2 + (lon - number(placement, "Centre", 0)) * ppd * std::cos(parallel * M_PI / 180),
            number(placement, "Height") / 2 - (lat - number(placement, "Centre", 1)) * ppd};
}

// The middle of the marker's ink within 6 pixels of (x, y): the capital's red or a city's black ring.
std::pair<double, double> markerNear(const std::string& picture, double x, double y, bool capital)
{
    std::ifstream in(kDisc + "/" + picture, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string b = bytes.str();
    Value image = imageFromBuffer(Buffer::over(b.data(), static_cast<int32_t>(b.size()), true), "bmp");
    if (image.isNil())
        return {-1, -1};
    const Raster raster = asImage(image)->raster();
    double sx = 0, sy = 0, n = 0;
    for (int py = static_cast<int>(y) - 6; py <= static_cast<int>(y) + 6; ++py)
        for (int px = static_cast<int>(x) - 6; px <= static_cast<int>(x) + 6; ++px) {
            if (px < raster.area.left || py < raster.area.top || px >= raster.area.right || py >= raster.area.bottom)
                continue;
            const uint32_t c = raster.pixelAt(px, py);
            const int r = (c >> 16) & 255, g = (c >> 8) & 255, bl = c & 255;
            if (capital ? (r > 150 && g < 90 && bl < 90) : (r + g + bl < 150)) {
                sx += px + 0.5;
                sy += py + 0.5;
                ++n;
            }
        }
    return n ? std::pair(sx / n, sy / n) : std::pair(-1.0, -1.0);
}

TEST(GeoAtlas, CitiesLandOnTheirPixels)
{
    struct Case {
        const char* map;
        const char* city;
        double lon, lat;
        double x, y; // by hand, or -1: the record's placement alone
        bool capital;
    };
    // The world map: 640 / 360 pixels a degree, 0°, 0° in the middle of 640 x 400.
    const Case cases[] = {
        {"Brasil", "Brasília", -47.8828, -15.7939, -1, -1, true},
        {"Portugal", "Lisboa", -9.15, 38.7253, -1, -1, true},
        {"Japão", "Tóquio", 139.6922, 35.6897, -1, -1, true},
        {"Federação Russa, parte ocidental", "Moscou", 37.6178, 55.7558, -1, -1, true},
        {"Mundo: divisão política", "Brasília", -47.8828, -15.7939, 234.9, 228.1, false},
        {"Mundo: divisão política", "Lisboa", -9.15, 38.7253, 303.7, 131.2, false},
        {"Mundo: divisão política", "Tóquio", 139.6922, 35.6897, 568.3, 136.6, false},
    };
    Value atlas = Archive::open(Value::string(kDisc + "/DAT/Atlas.dat"), false);
    ASSERT_FALSE(atlas.isNil());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.map) + ": " + c.city);
        Value record = mapRecord(atlas, platform::windows1252FromUtf8(c.map));
        ASSERT_TRUE(asList(record));
        const auto [x, y] = placed(velGet(record, 4), c.lon, c.lat);
        if (c.x >= 0) {
            EXPECT_NEAR(x, c.x, 2);
            EXPECT_NEAR(y, c.y, 2);
        }
        const auto [mx, my] = markerNear(std::string(textOf(velGet(record, 3))), x, y, c.capital);
        EXPECT_NEAR(mx, x, 2);
        EXPECT_NEAR(my, y, 2);
    }
}

// Every media record names a type the screens know and files that are on the disc, and the file
// look-up leads back to it.
TEST(GeoMedia, EveryRecordsFilesAreOnTheDiscAndFoundByName)
{
    Value media = Archive::open(Value::string(kDisc + "/DAT/Midias.dat"), false);
    ASSERT_FALSE(media.isNil());
    TitleIndexes indexes;
    indexes.registerAll(kDisc + "/DAT");
    const auto* archive = dynamic_cast<const Archive*>(media.object());
    ASSERT_GT(archive->count(), 100);
    int typesSeen = 0;
    for (int32_t n = 0; n < archive->count(); ++n) {
        Value record = velGet(media, n);
        const std::string file(textOf(velGet(record, 5)));
        SCOPED_TRACE(file);
        const int type = velIntValue(velGet(record, 3));
        ASSERT_TRUE(type >= 0 && type <= 9);
        typesSeen |= 1 << type;
        EXPECT_EQ(velIntValue(velGet(indexes.get("MDB_FNAME"), velGet(record, 5))), n);
        EXPECT_EQ(velIntValue(velGet(record, 0)), n);
        for (int item : {6, 7}) {
            if (Value picture = velGet(record, item); type != 3 && type != 6 && type != 8 && !picture.isNil()) {
                EXPECT_TRUE(std::filesystem::is_regular_file(kDisc + "/" + std::string(textOf(picture))));
            }
        }
        if (type == 0 || type == 9) {
            EXPECT_TRUE(std::filesystem::is_regular_file(kDisc + "/Movies/" + file + ".avi"));
        }
        // A sound is played from Sounds/ by the hot text its caption ends with.
        if (type == 1) {
            EXPECT_TRUE(std::filesystem::is_regular_file(kDisc + "/Sounds/" + file));
            EXPECT_NE(std::string(textOf(velGet(record, 4))).find("!\\{audio:" + file + "\\}"), std::string::npos);
        }
    }
    // Animations, sounds, flags, infographics, maps and videos at least.
    EXPECT_EQ(typesSeen & 0b1010100111, 0b1010100111);
}

} // namespace
