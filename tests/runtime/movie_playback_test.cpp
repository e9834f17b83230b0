// Movies that open and play: their measures, the pictures reaching the presented frame as the clock
// runs, the notifications, and the window operations.
#include "movie_test_support.h"

#include "platform/audio_mixer.h"
#include "runtime/resources.h"
#include "value/builtins.h"

namespace vel {
namespace {

using movie_test::MovieTest;
using movie_test::RecordingSink;
using platform::Rect;

TEST_F(MovieTest, OpensOnFirstUseAndPlaysToTheEndOnTheClock)
{
    struct Case {
        std::string path;
        const char* device;
        int width, height, frames;
    } cases[] = {
        {clips().mpeg(), "MPEGVideo", 160, 120, 25},
        {clips().aviJpeg(), "AVIVideo", 160, 120, 15},
        {clips().aviVideo1(), "AVIVideo", 96, 64, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        paintForm(0xFFFFFF);
        Value movie = movieFromFile(c.path);
        EXPECT_FALSE(asMovie(movie)->opened());
        EXPECT_EQ(velWidth(movie), c.width);
        EXPECT_EQ(velHeight(movie), c.height);
        EXPECT_EQ(asMovie(movie)->deviceType(), c.device);
        EXPECT_NEAR(velCount(movie), c.frames, 1);
        EXPECT_EQ(asMovie(movie)->position(), -1) << "nothing shown yet";
        const uint32_t start = clock().now();
        ASSERT_TRUE(velPlay(movie, -1, -1, false));
        EXPECT_TRUE(velIsPlaying(movie));
        auto [who, word] = notification(nextNotification());
        EXPECT_EQ(word, "ended");
        EXPECT_EQ(who.object(), movie.object());
        // One second of pictures, handed over within a round of the idle work of the end.
        EXPECT_GE(clock().now() - start, 1000u);
        EXPECT_LE(clock().now() - start, 1020u);
        EXPECT_FALSE(anyMoviePlaying());
        // The pictures went to the top-left corner at their own size, and nowhere else.
        EXPECT_NE(pixel(c.width / 2, c.height / 2) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width, c.height / 2) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width / 2, c.height) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width / 2, c.height / 2) >> 24, 0xFFu) << "movie pixels are opaque";
        EXPECT_EQ(asMovie(movie)->position(), velCount(movie) - 1);
        EXPECT_EQ(queue().size(), 0);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(MovieTest, PicturesFollowTheClock)
{
    Value movie = movieFromFile(clips().mpeg());
    Movie* m = asMovie(movie);
    ASSERT_TRUE(m->showAndPlay(100, 50, 320, 240));
    const Rect place = Rect::sized(100, 50, 320, 240);
    EXPECT_EQ(velLeft(movie), 100);
    EXPECT_EQ(velTop(movie), 50);
    EXPECT_EQ(velWidth(movie), 320);
    EXPECT_EQ(m->position(), 0);
    std::vector<uint32_t> first = area(place);

    run(200);
    EXPECT_NEAR(m->position(), 5, 1);
    std::vector<uint32_t> later = area(place);
    EXPECT_NE(first, later) << "the picture moves on";

    run(20); // within the same frame nothing is drawn again
    int32_t held = m->position();
    run(15);
    EXPECT_LE(m->position() - held, 1);

    // A jump of the clock shows the frame due, skipping the ones between.
    clock().advance(400);
    run(1);
    EXPECT_NEAR(m->position(), 15, 1);
    auto [who, word] = notification(nextNotification());
    EXPECT_EQ(word, "ended");
}

TEST_F(MovieTest, StopSaysAbortedOnceAndKeepsThePictureAndASecondPlaySupersedesTheFirst)
{
    Value movie = movieFromFile(clips().aviJpeg());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(300);
    std::vector<uint32_t> shown = area(Rect::sized(0, 0, 160, 120));
    velStop(movie);
    EXPECT_FALSE(velIsPlaying(movie));
    auto [who, word] = notification(nextNotification(0));
    EXPECT_EQ(word, "aborted");
    EXPECT_EQ(who.object(), movie.object());
    velStop(movie); // not playing: nothing to abort
    run(1500);
    EXPECT_EQ(queue().size(), 0);
    EXPECT_EQ(area(Rect::sized(0, 0, 160, 120)), shown);

    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(600);
    ASSERT_TRUE(velPlay(movie, 0, -1, false));
    EXPECT_EQ(asMovie(movie)->position(), 0);
    EXPECT_EQ(notification(nextNotification(0)).second, "aborted");
    const uint32_t restarted = clock().now();
    EXPECT_EQ(notification(nextNotification()).second, "ended");
    EXPECT_GE(clock().now() - restarted, 1000u);
}

TEST_F(MovieTest, PauseHoldsThePictureAndPlayGoesOn)
{
    Value movie = movieFromFile(clips().mpeg());
    Movie* m = asMovie(movie);
    ASSERT_TRUE(m->play(-1, -1, false));
    run(400);
    ASSERT_TRUE(m->pause());
    EXPECT_TRUE(m->isPaused());
    EXPECT_FALSE(m->isPlaying());
    const int32_t held = m->position();
    std::vector<uint32_t> picture = area(Rect::sized(0, 0, 160, 120));
    run(2000);
    EXPECT_EQ(m->position(), held);
    EXPECT_EQ(area(Rect::sized(0, 0, 160, 120)), picture);
    EXPECT_EQ(queue().size(), 0);

    const uint32_t resumed = clock().now();
    ASSERT_TRUE(m->play(-1, -1, false));
    EXPECT_EQ(notification(nextNotification()).second, "ended");
    // What was left of the second, give or take a frame.
    EXPECT_NEAR(double(clock().now() - resumed), 1000.0 - held * 40.0, 60.0);

    // Played on from its end, the movie starts again.
    ASSERT_TRUE(m->play(-1, -1, false));
    EXPECT_LE(m->position(), 1);
    m->stop();
    EXPECT_EQ(notification(nextNotification(0)).second, "aborted");
}

TEST_F(MovieTest, PlaysFromAndToTheFramesAskedAndAWaitingPlayReturnsAtTheEnd)
{
    Value movie = movieFromFile(clips().mpeg());
    Movie* m = asMovie(movie);
    uint32_t start = clock().now();
    ASSERT_TRUE(velPlay(movie, 5, 9, false));
    EXPECT_EQ(m->position(), 5);
    EXPECT_EQ(notification(nextNotification()).second, "ended");
    EXPECT_EQ(m->position(), 9);
    EXPECT_NEAR(double(clock().now() - start), 200.0, 20.0); // frames 5 to 9, 40 ms each
    ASSERT_TRUE(m->seek(20));
    EXPECT_EQ(m->position(), 20);
    ASSERT_TRUE(m->rewind());
    EXPECT_EQ(m->position(), 0);
    EXPECT_FALSE(m->seek(-1));

    start = clock().now();
    ASSERT_TRUE(velPlay(movie, 0, -1, true));
    EXPECT_FALSE(velIsPlaying(movie));
    EXPECT_GE(clock().now() - start, 1000u);
    EXPECT_LE(clock().now() - start, 1100u);
    EXPECT_EQ(notification(nextNotification(0)).second, "ended");
}

TEST_F(MovieTest, HidingAndMovingGiveTheFormItsAreaBackAndNothingOutsideTheSurfaceIsTouched)
{
    paintForm(0x0000FF); // red
    auto red = [this](int x, int y) { return (pixel(x, y) & 0xFFFFFF) == 0xFF0000; };
    Value movie = movieFromFile(clips().aviVideo1());
    ASSERT_TRUE(velShow(movie));
    EXPECT_EQ(asMovie(movie)->position(), 0) << "shown before playing: its first picture";
    EXPECT_FALSE(red(10, 10));
    ASSERT_TRUE(velMove(movie, 200, 100));
    EXPECT_TRUE(red(10, 10));
    EXPECT_FALSE(red(210, 110));
    ASSERT_TRUE(velSetSize(movie, 192, 128));
    EXPECT_FALSE(red(380, 220));
    EXPECT_FALSE(velSetSize(movie, 100000, 10)) << "a size no picture can have";
    EXPECT_EQ(velWidth(movie), 192);
    ASSERT_TRUE(velHide(movie));
    EXPECT_TRUE(red(210, 110) && red(380, 220));

    // Partly off the surface, or larger than it within reason, the visible part is drawn; far larger, nothing.
    const struct {
        int x, y, width, height;
        bool drawn;
    } places[] = {{600, 440, 192, 128, true}, {600, 440, 1000, 700, true}, {600, 440, 2048, 2048, false}};
    for (const auto& p : places) {
        ASSERT_TRUE(velMove(movie, p.x, p.y));
        ASSERT_TRUE(velSetSize(movie, p.width, p.height));
        velShow(movie);
        EXPECT_EQ(red(620, 460), !p.drawn) << p.width;
        EXPECT_TRUE(red(599, 460));
        velHide(movie);
    }
    // The form's origin places it.
    ASSERT_TRUE(velSetSize(movie, 96, 64));
    surface().setOrigin(50, 40);
    ASSERT_TRUE(velMove(movie, 0, 0));
    velShow(movie);
    EXPECT_TRUE(red(49, 39));
    EXPECT_FALSE(red(60, 50));
    EXPECT_EQ(velLeft(movie), 0);
}

TEST_F(MovieTest, AMovieDrawnOverIsRepaintedAndAPausedOneIsNotPlaying)
{
    paintForm(0x0000FF);
    Value movie = movieFromFile(clips().mpeg());
    Movie* m = asMovie(movie);
    ASSERT_TRUE(m->showAndPlay(20, 20, -1, -1));
    run(100);
    ASSERT_TRUE(m->pause());
    EXPECT_FALSE(anyMoviePlaying());
    std::vector<uint32_t> picture = area(Rect::sized(20, 20, 160, 120));
    paintForm(0x0000FF); // the form draws and updates over the movie's area
    EXPECT_EQ(pixel(100, 80) & 0xFFFFFF, 0xFF0000u);
    movies().repaintAll();
    EXPECT_EQ(area(Rect::sized(20, 20, 160, 120)), picture);
    m->stop();
    EXPECT_EQ(notification(nextNotification(0)).second, "aborted");
}

TEST_F(MovieTest, FullScreenFillsTheMediaAreaWhenAskedOrWhenBothSettingsSayIt)
{
    paintForm(0x0000FF);
    Value movie = movieFromFile(clips().aviVideo1());
    ASSERT_TRUE(asMovie(movie)->showAndPlay(10, 10, -1, -1, true));
    EXPECT_EQ(velWidth(movie), 640);
    for (auto [x, y] : {std::pair{0, 0}, {639, 479}})
        EXPECT_NE(pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;
    asMovie(movie)->close();
    for (const char* setting : {"FullScreenVideo", "MaximizeWindow"}) {
        config().set(setting, 1);
        Value other = movieFromFile(clips().aviVideo1());
        ASSERT_TRUE(asMovie(other)->showAndPlay(10, 10, -1, -1));
        EXPECT_EQ(velWidth(other), std::string(setting) == "FullScreenVideo" ? 96 : 640) << setting;
        asMovie(other)->close();
    }
}

TEST_F(MovieTest, SoundGoesToTheSinkAtItsRateAndStopsWithTheMovie)
{
    for (auto [rate, channels] : {std::pair{22050, 1}, {44100, 2}}) {
        for (const std::string& path : {clips().mpeg(), clips().aviJpeg()}) {
            SCOPED_TRACE(path + " at " + std::to_string(rate));
            RecordingSink sink(rate, channels);
            movies().useSoundSink(&sink);
            Value movie = movieFromFile(path);
            ASSERT_TRUE(velPlay(movie, -1, -1, false));
            EXPECT_EQ(notification(nextNotification()).second, "ended");
            EXPECT_EQ(sink.starts, 1);
            EXPECT_EQ(sink.ends, 1) << "at its end the sound queued plays out";
            EXPECT_EQ(sink.stops, 0);
            // About a second of the tone; a sine at ffmpeg's default level is far from silence.
            EXPECT_NEAR(double(sink.samples.size()) / channels, double(rate), rate * 0.1);
            EXPECT_GT(sink.rms(), 1000.0);
        }
    }
    RecordingSink sink(22050, 1), stereo(44100, 2);
    movies().useSoundSink(&sink);
    Value movie = movieFromFile(clips().mpeg());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(300);
    velStop(movie);
    EXPECT_EQ(sink.stops, 1);
    EXPECT_EQ(sink.ends, 0);
    EXPECT_LT(sink.samples.size(), 22050u);
    // A sink of another format than the one the movie opened for is given nothing it would misread.
    sink.samples.clear();
    Value other = movieFromFile(clips().aviJpeg());
    ASSERT_TRUE(asMovie(other)->open());
    movies().useSoundSink(&stereo);
    ASSERT_TRUE(velPlay(other, -1, -1, true));
    EXPECT_TRUE(stereo.samples.empty() && sink.samples.empty());
    // A movie without sound starts no sound.
    RecordingSink silent(22050, 1);
    movies().useSoundSink(&silent);
    velPlay(movieFromFile(clips().aviVideo1()), -1, -1, true);
    EXPECT_EQ(silent.starts, 0);
    movies().useSoundSink(nullptr);
}

TEST_F(MovieTest, TheMixerPlaysTheMovieSound)
{
    platform::AudioMixer& mixer = engine.mixer();
    ASSERT_TRUE(mixer.open(platform::AudioMixer::Output::Manual));
    movies().useSoundSink(&movies().mixerSound());
    Value movie = movieFromFile(clips().aviJpeg());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(200);
    EXPECT_GT(mixer.queuedMovieFrames(), 0u);
    std::vector<float> mixed(2 * 4410);
    mixer.render(mixed.data(), 4410);
    float peak = 0;
    for (float f : mixed)
        peak = std::max(peak, std::abs(f));
    EXPECT_GT(peak, 0.05f) << "the tone, at an eighth of full scale, is far from silence";
    velStop(movie);
    EXPECT_EQ(mixer.queuedMovieFrames(), 0u);
    mixer.close();
}

TEST_F(MovieTest, CloseAllStopsThePlayingLastFirstAndForgetsTheDevices)
{
    Value first = movieFromFile(clips().mpeg());
    Value second = movieFromFile(clips().aviJpeg());
    Value idle = movieFromFile(clips().aviVideo1());
    ASSERT_TRUE(velPlay(first, -1, -1, false));
    ASSERT_TRUE(velPlay(second, -1, -1, false));
    ASSERT_TRUE(asMovie(idle)->open());
    EXPECT_EQ(movieDeviceUseCount("avivideo"), 2) << "each movie open on a device type counts once";
    EXPECT_EQ(movieDeviceUseCount("MPEGVideo"), 1);
    run(100);
    Movie* firstMovie = asMovie(first);
    first = Value(); // the playing list keeps it
    movies().closeAll();
    EXPECT_FALSE(anyMoviePlaying());
    EXPECT_FALSE(velIsPlaying(second));
    EXPECT_FALSE(asMovie(second)->opened());
    auto [last, word1] = notification(nextNotification(0));
    auto [earlier, word2] = notification(nextNotification(0));
    EXPECT_EQ(last.object(), second.object());
    EXPECT_EQ(earlier.object(), firstMovie);
    EXPECT_EQ(word1, "aborted");
    EXPECT_EQ(word2, "aborted");
    EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 0);
    EXPECT_EQ(movieDeviceUseCount("MPEGVideo"), 0);
    // The movie that was not playing keeps its file and still plays.
    EXPECT_TRUE(asMovie(idle)->opened());
    EXPECT_TRUE(velPlay(idle, -1, -1, true));
    // A movie opened since counts in the new table; the older one going does not take from it.
    Value fresh = movieFromFile(clips().aviJpeg());
    ASSERT_TRUE(asMovie(fresh)->open());
    EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 1);
    idle = Value();
    EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 1);
    fresh = Value(); // the last reference: the movie goes and its device with it
    EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 0);
    EXPECT_TRUE(velPlay(second, -1, -1, true)) << "a closed movie opens again on use";
    EXPECT_EQ(movieDeviceUseCount("AVIVideo"), 1);
}

TEST_F(MovieTest, APlayingMovieLivesOnWithoutItsOwner)
{
    Value movie = movieFromFile(clips().aviVideo1());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    Object* playing = movie.object();
    movie = Value();
    auto [who, word] = notification(nextNotification());
    EXPECT_EQ(word, "ended");
    EXPECT_EQ(who.object(), playing);
}

TEST_F(MovieTest, TheLoaderMakesAMovieOfAMovieFile)
{
    Value movie = engine.resources().loadFile(clips().aviVideo1());
    ASSERT_TRUE(movie.is(Tag::Movie));
    EXPECT_EQ(asMovie(movie)->path(), clips().aviVideo1());
    EXPECT_EQ(asMovie(movie)->extension(), "AVI");
}

} // namespace
} // namespace vel
