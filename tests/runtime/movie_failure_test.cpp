// Movies that cannot play: unknown extensions, files that are not what their names say, files cut
// short, and the MCI error report. Each says so once, then stays failed and does nothing.
#include "movie_test_support.h"

#include "value/builtins.h"

namespace vel {
namespace {

using movie_test::MovieTest;

// Everything a failed movie is asked answers "no", draws nothing and posts nothing.
void expectInert(const Value& movie, Movies& movies, EventQueue& queue, DrawingSurface& surface)
{
    Movie* m = asMovie(movie);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->failed());
    EXPECT_FALSE(velPlay(movie, 0, -1, true) || velIsPlaying(movie) || velShow(movie) || velHide(movie) ||
                 velMove(movie, 10, 10) || velSetSize(movie, 20, 20) || m->showAndPlay(0, 0, 100, 100) ||
                 m->seek(3) || m->pause());
    EXPECT_EQ(m->position(), -1);
    EXPECT_EQ(velCount(movie) + velWidth(movie), 0);
    velStop(movie);
    m->close();
    EXPECT_EQ(queue.size(), 0);
    EXPECT_FALSE(movies.anyPlaying());
    EXPECT_EQ(surface.frame().pixels().row(5)[5] & 0xFFFFFF, 0x0000FFu);
}

TEST_F(MovieTest, AnUnknownExtensionIsRefusedOnce)
{
    paintForm(0xFF0000); // blue
    std::string path = clips().copy(clips().mpeg(), "clip.xyz");
    Value movie = movies().open(path);
    EXPECT_FALSE(velPlay(movie, -1, -1, false));
    EXPECT_EQ(notices, std::vector<std::string>{"Unrecognized movie file type: XYZ"});
    expectInert(movie, movies(), queue(), surface());
    EXPECT_EQ(notices.size(), 1u) << "a failed movie stays quiet";

    Value noExtension = movies().open(clips().directory() + "/noextension");
    EXPECT_FALSE(asMovie(noExtension)->open());
    EXPECT_EQ(notices.back(), "Unrecognized movie file type: ");
    EXPECT_TRUE(asMovie(movies().open(path, "mpg"))->open());
}

TEST_F(MovieTest, FilesThatAreNotWhatTheirNamesSayOrAreCutInTheirHeaderStayFailed)
{
    paintForm(0xFF0000);
    std::vector<std::string> paths = {
        clips().write("text.avi", "This is no movie at all, only a few words of text.\n"),
        clips().write("text.mpg", std::string(4000, 'x')),
        clips().write("empty.mpg", ""),
        clips().copy(clips().mpeg(), "mpeg.avi"), // the AVI device reads AVI files only
        clips().copy(clips().wav(), "sound.mpg"), // a container with no pictures
        clips().directory() + "/missing.avi",
        clips().directory(),                      // a directory, named as if a movie
    };
    for (const std::string& whole : {clips().aviJpeg(), clips().aviVideo1(), clips().mpeg()})
        for (size_t bytes : {size_t(4), size_t(12), size_t(64), size_t(200)})
            paths.push_back(clips().cut(whole, bytes, "head" + std::to_string(bytes) + whole.substr(whole.size() - 4)));
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        notices.clear();
        Value movie = movies().open(path, path == clips().directory() ? "avi" : "");
        EXPECT_FALSE(asMovie(movie)->open());
        EXPECT_EQ(notices, std::vector<std::string>{"Cannot instantiate movie: " + path});
        expectInert(movie, movies(), queue(), surface());
        EXPECT_EQ(notices.size(), 1u);
        EXPECT_EQ(movies().deviceUseCount("AVIVideo") + movies().deviceUseCount("MPEGVideo"), 0)
            << "a movie that never opened holds no device";
    }
}

// Cut through the pictures, or bytes overwritten through the middle at a few strides: whatever still
// decodes is shown, and the movie ends (or is refused at open, saying so).
TEST_F(MovieTest, DamagedOrCutPicturesNeitherCrashNorHang)
{
    for (const std::string& whole : {clips().aviJpeg(), clips().aviVideo1(), clips().mpeg()}) {
        std::ifstream in(whole, std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string ext = whole.substr(whole.size() - 4);
        std::vector<std::string> paths = {clips().write("half" + ext, data.substr(0, data.size() / 2))};
        for (size_t stride : {size_t(7), size_t(61), size_t(997)}) {
            std::string damaged = data;
            for (size_t i = damaged.size() / 4; i < damaged.size(); i += stride)
                damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
            paths.push_back(clips().write("damaged" + std::to_string(stride) + ext, damaged));
        }
        for (const std::string& path : paths) {
            SCOPED_TRACE(path);
            notices.clear();
            Value movie = movies().open(path);
            const uint32_t start = clock().now();
            if (!velPlay(movie, -1, -1, false)) {
                EXPECT_EQ(notices.size(), 1u);
                continue;
            }
            EXPECT_EQ(notification(nextNotification(20000)).second, "ended");
            EXPECT_FALSE(velIsPlaying(movie));
            if (path == paths[0]) {
                EXPECT_LT(clock().now() - start, 1000u) << "ends where the pictures do";
                EXPECT_TRUE(notices.empty());
            }
        }
    }
}

TEST_F(MovieTest, TheProfileNamesDeviceTypesBeforeTheBuiltInOnes)
{
    EXPECT_EQ(movies().deviceType("avi"), "AVIVideo");
    EXPECT_EQ(movies().deviceType("Mpeg"), "MPEGVideo");
    EXPECT_EQ(movies().deviceType("wav"), "");

    std::string profile = clips().write("ORVA.ini", "[VELENVIRONMENT]\nShowIntro=0\n[mci extensions]\n"
                                                    "flc=AnimationDevice\nAvi=MPEGVideo\nmov=\n");
    movies().resetDeviceTypes(profile);
    EXPECT_EQ(movies().deviceType("FLC"), "AnimationDevice");
    EXPECT_EQ(movies().deviceType("avi"), "MPEGVideo");
    EXPECT_EQ(movies().deviceType("mov"), "MPEGVideo") << "an empty entry leaves the built-in one";

    // Played through the device the profile names: the MPEG device reads the AVI file as well.
    Value avi = movies().open(clips().aviVideo1());
    EXPECT_TRUE(velPlay(avi, -1, -1, true));
    EXPECT_EQ(asMovie(avi)->deviceType(), "MPEGVideo");

    config().set("ShowVideoErrors", 1);
    std::string path = clips().write("cartoon.flc", "FLIC");
    Value movie = movies().open(path);
    EXPECT_FALSE(velPlay(movie, -1, -1, false));
    EXPECT_EQ(notices, (std::vector<std::string>{"MCI error (100): open AnimationDevice",
                                                "Cannot initialize video subsystem with this MCI driver: AnimationDevice"}));
    EXPECT_EQ(movies().deviceUseCount("AnimationDevice"), 0);
}

} // namespace
} // namespace vel
