// Movies that open and play: their measures, the pictures reaching the presented frame as the clock
// runs, the notifications, and the window operations.
#include "movie_test_support.h"

#include <algorithm>
#include <tuple>

#include "platform/audio_mixer.h"
#include "runtime/dialog.h"
#include "runtime/resources.h"
#include "value/builtins.h"

namespace vel {
namespace {

using movie_test::MovieTest;
using movie_test::RecordingSink;
using platform::Rect;

TEST_F(MovieTest, OpensOnFirstUseAndPlaysToTheEndOnTheClock)
{
    struct Case { std::string path; const char* device; int width, height, frames; } cases[] = {
        {clips().mpeg(), "MPEGVideo", 160, 120, 25},
        {clips().aviJpeg(), "AVIVideo", 160, 120, 15},
        {clips().aviVideo1(), "AVIVideo", 96, 64, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        paintForm(0xFFFFFF);
        Value movie = movies().open(c.path);
        EXPECT_FALSE(asMovie(movie)->opened());
        EXPECT_EQ(std::pair(velWidth(movie), velHeight(movie)), std::pair(c.width, c.height));
        EXPECT_EQ(asMovie(movie)->deviceType(), c.device);
        EXPECT_NEAR(velCount(movie), c.frames, 1);
        EXPECT_EQ(asMovie(movie)->position(), -1) << "nothing shown yet";
        const uint32_t start = clock().now();
        ASSERT_TRUE(velPlay(movie, -1, -1, false));
        EXPECT_TRUE(velIsPlaying(movie));
        auto [who, word] = notification(nextNotification());
        EXPECT_EQ(word, "ended");
        EXPECT_EQ(who.object(), movie.object());
        EXPECT_NEAR(double(clock().now() - start), 1010.0, 10.0);
        EXPECT_FALSE(movies().anyPlaying());
        EXPECT_NE(pixel(c.width / 2, c.height / 2) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width, c.height / 2) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width / 2, c.height) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(pixel(c.width / 2, c.height / 2) >> 24, 0xFFu) << "movie pixels are opaque";
        EXPECT_EQ(asMovie(movie)->position(), velCount(movie) - 1);
        EXPECT_EQ(queue().size(), 0);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(MovieTest, StopSaysAbortedOnceAndKeepsThePictureAndASecondPlaySupersedesTheFirst)
{
    Value movie = movies().open(clips().aviJpeg());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(300);
    std::vector<uint32_t> shown = area(Rect::sized(0, 0, 160, 120));
    velStop(movie);
    EXPECT_FALSE(velIsPlaying(movie));
    EXPECT_EQ(notification(nextNotification(0)).second, "aborted");
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

TEST_F(MovieTest, PauseHoldsThePictureRepaintsItAndPlayGoesOn)
{
    Value movie = movies().open(clips().mpeg());
    Movie* m = asMovie(movie);
    ASSERT_TRUE(m->showAndPlay(20, 20, -1, -1));
    run(400);
    ASSERT_TRUE(m->pause());
    EXPECT_TRUE(m->isPaused());
    EXPECT_FALSE(m->isPlaying() || movies().anyPlaying());
    const int32_t held = m->position();
    EXPECT_NEAR(held, 10, 1) << "the pictures follow the clock";
    std::vector<uint32_t> picture = area(Rect::sized(20, 20, 160, 120));
    run(2000);
    EXPECT_EQ(m->position(), held);
    EXPECT_EQ(area(Rect::sized(20, 20, 160, 120)), picture);
    EXPECT_EQ(queue().size(), 0);
    paintForm(0x0000FF); // the form draws over the movie's area
    EXPECT_EQ(pixel(100, 80) & 0xFFFFFF, 0xFF0000u);
    movies().repaintAll();
    EXPECT_EQ(area(Rect::sized(20, 20, 160, 120)), picture);

    const uint32_t resumed = clock().now();
    ASSERT_TRUE(m->play(-1, -1, false));
    EXPECT_EQ(notification(nextNotification()).second, "ended");
    EXPECT_NEAR(double(clock().now() - resumed), 1000.0 - held * 40.0, 60.0);

    ASSERT_TRUE(m->play(-1, -1, false));
    EXPECT_LE(m->position(), 1);
    m->stop();
    EXPECT_EQ(notification(nextNotification(0)).second, "aborted");
}

// A dialog opened over the screen a movie plays on stays above the movie's pictures; a movie played
// in the dialog itself is drawn over it.
TEST_F(MovieTest, ADialogOpenedOverAPlayingMovieStaysOnTop)
{
    paintForm(0x0000FF); // red
    Value movie = movies().open(clips().mpeg());
    Movie* m = asMovie(movie);
    ASSERT_TRUE(m->showAndPlay(20, 20, -1, -1));
    run(200);
    Value props = Table::make();
    asTable(props)->put(Value::string("Origin X"), Value::integer(100));
    asTable(props)->put(Value::string("Origin Y"), Value::integer(60));
    asTable(props)->put(Value::string("Width"), Value::integer(200));
    asTable(props)->put(Value::string("Height"), Value::integer(150));
    Value dialog = Value::adopt(Tag::Form, new velDialogObject(engine, props));
    asDialog(dialog)->open(Value());
    engine.setCurrentForm(dialog);
    for (bool playedInDialog : {false, true}) {
        if (playedInDialog) {
            ASSERT_TRUE(m->play(-1, -1, false));
        }
        run(200);
        EXPECT_NE(pixel(60, 40) & 0xFFFFFF, 0xFF0000u) << "outside the dialog the movie shows";
        const uint32_t dialogPixel = surface().offscreen().pixels().row(100)[150];
        EXPECT_EQ(pixel(150, 100) == dialogPixel, !playedInDialog);
    }
    engine.setCurrentForm(Value());
}

TEST_F(MovieTest, PlaysFromAndToTheFramesAskedAndAWaitingPlayReturnsAtTheEnd)
{
    Value movie = movies().open(clips().mpeg());
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
    EXPECT_NEAR(double(clock().now() - start), 1050.0, 50.0);
    EXPECT_EQ(notification(nextNotification(0)).second, "ended");
}

TEST_F(MovieTest, HidingAndMovingGiveTheFormItsAreaBackAndNothingOutsideTheSurfaceIsTouched)
{
    paintForm(0x0000FF); // red
    auto red = [this](int x, int y) { return (pixel(x, y) & 0xFFFFFF) == 0xFF0000; };
    Value movie = movies().open(clips().aviVideo1());
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
    const struct { int x, y, width, height; bool drawn; } places[] = {
        {600, 440, 192, 128, true}, {600, 440, 1000, 700, true}, {600, 440, 2048, 2048, false}};
    for (const auto& p : places) {
        ASSERT_TRUE(velMove(movie, p.x, p.y));
        ASSERT_TRUE(velSetSize(movie, p.width, p.height));
        velShow(movie);
        EXPECT_EQ(red(620, 460), !p.drawn) << p.width;
        EXPECT_TRUE(red(599, 460));
        velHide(movie);
    }
    ASSERT_TRUE(velSetSize(movie, 96, 64));
    surface().setOrigin(50, 40);
    ASSERT_TRUE(velMove(movie, 0, 0));
    velShow(movie);
    EXPECT_TRUE(red(49, 39));
    EXPECT_FALSE(red(60, 50));
    EXPECT_EQ(velLeft(movie), 0);
}

TEST_F(MovieTest, FullScreenFillsTheMediaAreaWhenAskedOrWhenBothSettingsSayIt)
{
    paintForm(0x0000FF);
    Value movie = engine.resources().loadFile(clips().aviVideo1()); // the loader makes a movie of a movie file
    ASSERT_TRUE(movie.is(Tag::Movie));
    EXPECT_EQ(asMovie(movie)->extension(), "AVI");
    ASSERT_TRUE(asMovie(movie)->showAndPlay(10, 10, -1, -1, true));
    EXPECT_EQ(velWidth(movie), 640);
    for (auto [x, y] : {std::pair{0, 0}, {639, 479}})
        EXPECT_NE(pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;
    asMovie(movie)->close();
    for (const char* setting : {"FullScreenVideo", "MaximizeWindow"}) {
        config().set(setting, 1);
        Value other = movies().open(clips().aviVideo1());
        ASSERT_TRUE(asMovie(other)->showAndPlay(10, 10, -1, -1));
        EXPECT_EQ(velWidth(other), std::string(setting) == "FullScreenVideo" ? 96 : 640) << setting;
        asMovie(other)->close();
    }
}

TEST_F(MovieTest, SoundGoesToTheSinkOrTheMixerAtItsRateAndStopsWithTheMovie)
{
    for (auto [rate, channels] : {std::pair{22050, 1}, {44100, 2}}) {
        for (const std::string& path : {clips().mpeg(), clips().aviJpeg()}) {
            SCOPED_TRACE(path + " at " + std::to_string(rate));
            RecordingSink sink(rate, channels);
            movies().useSoundSink(&sink);
            Value movie = movies().open(path);
            // From the first frame, or on from where a fresh movie stands: the same play.
            ASSERT_TRUE(velPlay(movie, channels == 2 ? 0 : -1, -1, false));
            EXPECT_EQ(asMovie(movie)->position(), 0);
            EXPECT_EQ(notification(nextNotification()).second, "ended");
            EXPECT_EQ(std::tuple(sink.starts, sink.ends, sink.stops), std::tuple(1, 1, 0));
            EXPECT_NEAR(double(sink.samples.size()) / channels, double(rate), rate * 0.1);
            EXPECT_GT(*std::max_element(sink.samples.begin(), sink.samples.end()), 1000) << "far from silence";
        }
    }
    RecordingSink sink(22050, 1), stereo(44100, 2);
    movies().useSoundSink(&sink);
    Value movie = movies().open(clips().mpeg());
    ASSERT_TRUE(velPlay(movie, -1, -1, false));
    run(300);
    velStop(movie);
    EXPECT_EQ(std::pair(sink.stops, sink.ends), std::pair(1, 0));
    EXPECT_LT(sink.samples.size(), 22050u);
    // A sink of another format than the one the movie opened for is given nothing it would misread.
    sink.samples.clear();
    Value other = movies().open(clips().aviJpeg());
    ASSERT_TRUE(asMovie(other)->open());
    movies().useSoundSink(&stereo);
    ASSERT_TRUE(velPlay(other, -1, -1, true));
    EXPECT_TRUE(stereo.samples.empty() && sink.samples.empty());
    RecordingSink silent(22050, 1);
    movies().useSoundSink(&silent);
    velPlay(movies().open(clips().aviVideo1()), -1, -1, true);
    EXPECT_EQ(silent.starts, 0);
    // The mixer's sink gets the sound into the mix, and a stop takes it out.
    platform::AudioMixer& mixer = engine.mixer();
    ASSERT_TRUE(mixer.open(platform::AudioMixer::Output::Manual));
    movies().useSoundSink(&movies().mixerSound());
    Value mixed1 = movies().open(clips().aviJpeg());
    ASSERT_TRUE(velPlay(mixed1, -1, -1, false));
    run(200);
    EXPECT_GT(mixer.queuedMovieFrames(), 0u);
    std::vector<float> mixed(2 * 4410);
    mixer.render(mixed.data(), 4410);
    const auto loudest = [](float a, float b) { return std::abs(a) < std::abs(b); };
    EXPECT_GT(std::abs(*std::max_element(mixed.begin(), mixed.end(), loudest)), 0.05f) << "the tone, at an eighth of full scale, is far from silence";
    velStop(mixed1);
    EXPECT_EQ(mixer.queuedMovieFrames(), 0u);
    movies().useSoundSink(nullptr);
    mixer.close();
}

TEST_F(MovieTest, CloseAllStopsThePlayingLastFirstAndForgetsTheDevices)
{
    Value first = movies().open(clips().mpeg());
    Value second = movies().open(clips().aviJpeg());
    Value idle = movies().open(clips().aviVideo1());
    ASSERT_TRUE(velPlay(first, -1, -1, false));
    ASSERT_TRUE(velPlay(second, -1, -1, false));
    ASSERT_TRUE(asMovie(idle)->open());
    EXPECT_EQ(movies().deviceUseCount("avivideo"), 2) << "each movie open on a device type counts once";
    EXPECT_EQ(movies().deviceUseCount("MPEGVideo"), 1);
    run(100);
    Movie* firstMovie = asMovie(first);
    first = Value(); // the playing list keeps it
    movies().closeAll();
    EXPECT_FALSE(movies().anyPlaying());
    EXPECT_FALSE(velIsPlaying(second));
    EXPECT_FALSE(asMovie(second)->opened());
    auto [last, word1] = notification(nextNotification(0));
    auto [earlier, word2] = notification(nextNotification(0));
    EXPECT_EQ(last.object(), second.object());
    EXPECT_EQ(earlier.object(), firstMovie);
    EXPECT_EQ(word1 + word2, "abortedaborted");
    EXPECT_EQ(movies().deviceUseCount("AVIVideo") + movies().deviceUseCount("MPEGVideo"), 0);
    EXPECT_TRUE(asMovie(idle)->opened());
    EXPECT_TRUE(velPlay(idle, -1, -1, true));
    // A movie opened since counts in the new table; the older one going does not take from it.
    Value fresh = movies().open(clips().aviJpeg());
    ASSERT_TRUE(asMovie(fresh)->open());
    EXPECT_EQ(movies().deviceUseCount("AVIVideo"), 1);
    idle = Value();
    EXPECT_EQ(movies().deviceUseCount("AVIVideo"), 1);
    fresh = Value(); // the last reference: the movie goes and its device with it
    EXPECT_EQ(movies().deviceUseCount("AVIVideo"), 0);
    EXPECT_TRUE(velPlay(second, -1, -1, true)) << "a closed movie opens again on use";
    EXPECT_EQ(movies().deviceUseCount("AVIVideo"), 1);
}

} // namespace
} // namespace vel
