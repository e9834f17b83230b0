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
    Value movie = movieFromFile(path);
    EXPECT_FALSE(velPlay(movie, -1, -1, false));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Unrecognized movie file type: XYZ");
    expectInert(movie, movies(), queue(), surface());
    EXPECT_EQ(notices.size(), 1u) << "a failed movie stays quiet";

    Value noExtension = movieFromFile(clips().directory() + "/noextension");
    EXPECT_FALSE(asMovie(noExtension)->open());
    EXPECT_EQ(notices.back(), "Unrecognized movie file type: ");
    // The extension given wins over the path's.
    EXPECT_TRUE(asMovie(movieFromFile(path, "mpg"))->open());
}

TEST_F(MovieTest, FilesThatAreNotWhatTheirNamesSayStayFailed)
{
    paintForm(0xFF0000);
    struct Case {
        std::string path;
    } cases[] = {
        {clips().write("text.avi", "This is no movie at all, only a few words of text.\n")},
        {clips().write("text.mpg", std::string(4000, 'x'))},
        {clips().write("empty.mpg", "")},
        {clips().copy(clips().mpeg(), "mpeg.avi")},  // the AVI device reads AVI files only
        {clips().copy(clips().wav(), "sound.mpg")},  // a container with no pictures
        {clips().directory() + "/missing.avi"},
        {clips().directory()},                       // a directory, named as if a movie
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        notices.clear();
        Value movie = movieFromFile(c.path, c.path == clips().directory() ? "avi" : "");
        EXPECT_FALSE(asMovie(movie)->open());
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0], "Cannot instantiate movie: " + c.path);
        expectInert(movie, movies(), queue(), surface());
        EXPECT_EQ(notices.size(), 1u);
        EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 0) << "a movie that never opened holds no device";
        EXPECT_EQ(movieDeviceUseCount("MPEGVideo"), 0);
    }
}

TEST_F(MovieTest, AFileCutInItsHeaderStaysFailed)
{
    for (const std::string& whole : {clips().aviJpeg(), clips().aviVideo1(), clips().mpeg()}) {
        for (size_t bytes : {size_t(4), size_t(12), size_t(64), size_t(200)}) {
            std::string ext = whole.substr(whole.size() - 3);
            std::string path = clips().cut(whole, bytes, "head" + std::to_string(bytes) + "." + ext);
            SCOPED_TRACE(path);
            notices.clear();
            Value movie = movieFromFile(path);
            EXPECT_FALSE(velPlay(movie, -1, -1, false));
            ASSERT_EQ(notices.size(), 1u);
            EXPECT_EQ(notices[0], "Cannot instantiate movie: " + path);
            EXPECT_FALSE(velPlay(movie, -1, -1, false));
            EXPECT_EQ(notices.size(), 1u);
        }
    }
}

TEST_F(MovieTest, AFileCutInItsPicturesPlaysWhatIsThereAndEnds)
{
    for (const std::string& whole : {clips().aviJpeg(), clips().mpeg()}) {
        std::string ext = whole.substr(whole.size() - 3);
        size_t half = static_cast<size_t>(std::filesystem::file_size(whole) / 2);
        std::string path = clips().cut(whole, half, "half." + ext);
        SCOPED_TRACE(path);
        Value movie = movieFromFile(path);
        const uint32_t start = clock().now();
        if (!velPlay(movie, -1, -1, false)) {
            // Refused at open is as good, provided it says so.
            ASSERT_EQ(notices.size(), 1u);
            notices.clear();
            continue;
        }
        EXPECT_EQ(notification(nextNotification()).second, "ended");
        EXPECT_LT(clock().now() - start, 1000u) << "ends where the pictures do";
        EXPECT_GT(asMovie(movie)->position(), 0);
        EXPECT_TRUE(notices.empty());
    }
}

TEST_F(MovieTest, DamagedPicturesNeitherCrashNorHang)
{
    // Bytes overwritten through the middle of each file, at a few strides: whatever still decodes is
    // shown, and the movie ends.
    for (const std::string& whole : {clips().aviJpeg(), clips().aviVideo1(), clips().mpeg()}) {
        std::ifstream in(whole, std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t stride : {size_t(7), size_t(61), size_t(997)}) {
            std::string damaged = data;
            for (size_t i = damaged.size() / 4; i < damaged.size(); i += stride)
                damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
            std::string ext = whole.substr(whole.size() - 3);
            std::string path = clips().write("damaged" + std::to_string(stride) + "." + ext, damaged);
            SCOPED_TRACE(path);
            notices.clear();
            Value movie = movieFromFile(path);
            if (!velPlay(movie, -1, -1, false)) {
                EXPECT_EQ(notices.size(), 1u);
                continue;
            }
            EventRecord e = nextNotification(20000);
            EXPECT_EQ(notification(e).second, "ended");
            EXPECT_FALSE(velIsPlaying(movie));
        }
    }
}

TEST_F(MovieTest, TheProfileNamesDeviceTypesBeforeTheBuiltInOnes)
{
    EXPECT_EQ(movieDeviceType("avi"), "AVIVideo");
    EXPECT_EQ(movieDeviceType("Mpeg"), "MPEGVideo");
    EXPECT_EQ(movieDeviceType("wav"), "");

    std::string profile = clips().write("ORVA.ini", "[VELENVIRONMENT]\nShowIntro=0\n[mci extensions]\n"
                                                    "flc=AnimationDevice\nAvi=MPEGVideo\nmov=\n");
    movies().resetDeviceTypes(profile);
    EXPECT_EQ(movieDeviceType("FLC"), "AnimationDevice");
    EXPECT_EQ(movieDeviceType("avi"), "MPEGVideo");
    EXPECT_EQ(movieDeviceType("mov"), "MPEGVideo") << "an empty entry leaves the built-in one";

    // Played through the device the profile names: the MPEG device reads the AVI file as well.
    Value avi = movieFromFile(clips().aviVideo1());
    EXPECT_TRUE(velPlay(avi, -1, -1, true));
    EXPECT_EQ(asMovie(avi)->deviceType(), "MPEGVideo");

    // A device type this machine does not have cannot be opened.
    config().set("ShowVideoErrors", 1);
    std::string path = clips().write("cartoon.flc", "FLIC");
    Value movie = movieFromFile(path);
    EXPECT_FALSE(velPlay(movie, -1, -1, false));
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "MCI error (100): open AnimationDevice");
    EXPECT_EQ(notices[1], "Cannot initialize video subsystem with this MCI driver: AnimationDevice");
    EXPECT_EQ(movieDeviceUseCount("AnimationDevice"), 0);
    EXPECT_FALSE(velPlay(movie, -1, -1, false));
    EXPECT_EQ(notices.size(), 2u);
}

} // namespace
} // namespace vel
