#include <gtest/gtest.h>

#include "../runtime/movie_test_support.h"
#include "controls/photo_view.h"
#include "controls/surface_measure.h"
#include "controls/video_view.h"
#include "controls_test_support.h"
#include "runtime/event_queue.h"
#include "runtime/movie.h"
#include "value/archive.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/data_objects.h"
#include "value/string.h"

namespace vel::testing_support {
namespace {

class VideoViewTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        engine.movies().useSoundSink(nullptr);
        // The movies step in the idle work, as the application's event fetch has them.
        engine.events()->setIdleWork([this] { return engine.media().idleWork(); });
        config().set("VideoPath", Value::string("Nowhere;" + movie_test::Clips::get().directory()));
        config().set("VideoExtension", Value::string("mpg"));
        config().set("ShowVideoErrors", 1);
        movie_test::Clips::get().mpeg();
    }
    void openVideo(const std::string& flags, const char* name = "clip")
    {
        openForm(std::string("(control (\"Class\" \"VideoView\") (\"Name\" \"v\") (\"VideoName\" \"") + name +
                 "\") (\"Hot Spot\" (rect 100 100 260 220)) " + flags + ")");
    }
    VideoView& view() { return control<VideoView>("v"); }
    int32_t act(const char* action) { return velPerform(form()->findControl(Value::string("v")), Value::string(action), Value()).asInt(); }
    // The next media notice about the view's movie, handed to the form as the application would
    // (the first fetch's null event and the notices of earlier movies pass by); its word.
    std::string deliverNotice()
    {
        for (int i = 0; i < 4; ++i) {
            EventRecord e = engine.events()->next(event_kind::MediaNotification, 5000);
            if (e.kind != event_kind::MediaNotification)
                continue;
            form()->onDataEvent(e.value1, e.value2);
            if (asList(e.value1)->get(0) == view().movie())
                return std::string(textOf(asList(e.value1)->get(1)));
        }
        return "";
    }
};

TEST_F(VideoViewTest, PlaysToItsEndThenStopsOrRestartsOrDismissesItself)
{
    struct Case {
        const char* flags;
        int32_t playingAfter;
        bool disabledAfter;
    } cases[] = {{"", 0, false}, {"(\"PlayTillStoped\" 1)", 1, false}, {"(\"DismissCompleted\" 1)", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        openVideo(c.flags);
        EXPECT_EQ(act("Initialize"), 1);
        EXPECT_EQ(act("Start"), 1);
        EXPECT_EQ(act("IsPlaying"), 1);
        EXPECT_EQ(deliverNotice(), "ended");
        EXPECT_EQ(act("IsPlaying"), c.playingAfter);
        EXPECT_EQ(view().truth("Disabled", false), c.disabledAfter);
        if (c.playingAfter) { // played through once more, and again
            EXPECT_EQ(deliverNotice(), "ended");
        }
        act("Stop");
        EXPECT_EQ(act("IsPlaying"), 0);
        act("Uninitialize");
    }
}

TEST_F(VideoViewTest, NamesTakeTheExtensionAndTheSecondPath)
{
    openVideo("");
    EXPECT_EQ(view().resolveMovie("clip"), movie_test::Clips::get().directory() + "/clip.mpg");
    config().set("VideoPath", Value::string("Nowhere"));
    config().set("AltVideoPath", Value::string(movie_test::Clips::get().directory()));
    EXPECT_EQ(view().resolveMovie("clip.mpg"), movie_test::Clips::get().directory() + "/clip.mpg");
}

TEST_F(VideoViewTest, CuesFireInFrameOrderAsPlayReachesThemAndAgainAfterGoingBack)
{
    openForm("(control (\"Class\" \"StaticText\") (\"Name\" \"s\") (\"Hot Spot\" (rect 0 0 90 20))) "
             "(control (\"Class\" \"VideoView\") (\"Name\" \"v\") (\"VideoName\" \"clip\") (\"Hot Spot\" (rect 100 100 260 220)) "
             "(\"CueSheet\" (table (10 (list (list \"absent\" \"setText\") (list \"s\" \"setText\" \"dez\"))) "
             "(0 (list \"s\" \"setText\" \"zero\")) (5 (list \"s\" \"setText\" \"cinco\")) (900 (list \"s\" \"setText\" \"fim\")))))");
    auto said = [&] { return std::string(textOf(velPerform(form()->findControl(Value::string("s")), Value::string("getText"), Value()))); };
    act("Start");
    clock().advance(480); // past frames 5 and 10 in one step: the later one stands
    engine.idleWork();
    view().idle();
    EXPECT_EQ(said(), "dez");
    EXPECT_EQ(deliverNotice(), "ended");
    EXPECT_EQ(said(), "fim");
    act("Rewind");
    view().idle();
    EXPECT_EQ(said(), "zero");
}

TEST_F(VideoViewTest, ACompiledMovieListIsAnArchiveOfNames)
{
    Value list = Archive::create(Value::string(disc.path() + "/Media/filmes.dat"), 4);
    asArchive(list)->add(Value::string("nenhum"));
    asArchive(list)->add(Value::string("clip"));
    list = Value(); // flushed and closed
    openForm("(control (\"Class\" \"VideoView\") (\"Name\" \"v\") (\"VideoName\" 1) (\"VideoArchive\" \"filmes\"))");
    act("Initialize");
    EXPECT_EQ(asMovie(view().movie()) ? asMovie(view().movie())->path() : "", movie_test::Clips::get().directory() + "/clip.mpg");
}

TEST_F(VideoViewTest, MissingMovieOrBadArchiveReportsAndLeavesTheFormUsable)
{
    disc.write("Media/notes.dat", "42"); // not an archive: read as notation, and not a list
    openVideo("(\"VideoArchive\" \"notes\")", "absent");
    EXPECT_EQ(act("Initialize"), 1);
    EXPECT_EQ(act("Start"), 0);
    EXPECT_EQ(act("IsPlaying"), 0);
    ASSERT_GE(notices.size(), 2u);
    EXPECT_NE(notices[0].find("VideoArchive"), std::string::npos);
    EXPECT_NE(notices[1].find("MCI error"), std::string::npos);
    // The still stands where the picture would be, and the form goes on.
    EXPECT_EQ(pixel(150, 150), 0u);
    EXPECT_TRUE(form()->findControl(Value::string("v")).is(Tag::Control));
}

TEST_F(VideoViewTest, PhotoWithAMaskOfAnotherSizeShowsWholeAndItsLongCaptionStaysInside)
{
    image("red", 40, 40, 0xFF0000);
    image("small", 10, 10, 0xFFFFFF);
    std::string caption;
    for (int i = 0; i < 400; ++i)
        caption += "palavra ";
    openForm("(control (\"Class\" \"TextView\") (\"Name\" \"t\") (\"Hot Spot\" (rect 0 0 10 10))) "
             "(control (\"Class\" \"PhotoView\") (\"Name\" \"q\") (\"Photo\" \"red\") (\"Mask\" \"small\") "
             "(\"X\" 20) (\"Y\" 20) (\"Hot Spot\" (rect 20 20 60 60))) "
             "(control (\"Class\" \"PhotoView\") (\"Name\" \"p\") (\"Hot Spot\" (rect 500 400 600 470)) "
             "(\"CaptionView\" \"t\") (\"CaptionWidth\" 300) (\"Caption\" \"" + caption + "\"))");
    EXPECT_EQ(pixel(55, 55), 0xFF0000u);
    PhotoView& photo = control<PhotoView>("p");
    ASSERT_TRUE(photo.showCaption(560, 450));
    const platform::Rect box = photo.captionBox();
    EXPECT_GE(box.left, 0);
    EXPECT_GE(box.top, 0);
    EXPECT_LE(box.right, 640);
    EXPECT_LE(box.bottom, 480);
    EXPECT_GT(box.height(), 400);
    EXPECT_EQ(pixel(box.left + 2, box.top + 2), 0xC0C0C0u);
    int written = 0; // the text's dark pixels, inside the box's margins
    for (int y = box.top + 6; y < box.bottom - 6; ++y)
        for (int x = box.left + 8; x < box.right - 6; ++x)
            written += pixel(x, y) < 0x404040u;
    EXPECT_GT(written, 1000);
    photo.hideCaption();
    int left = 0; // nothing of the box, nor of the measuring, stays behind
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            left += pixel(x, y) != kScreen;
    EXPECT_EQ(left, 0);
    // A short caption fits the first measure, two lines: its box takes 16 more pixels. (A string
    // caption opens with an empty paragraph; a buffer is laid out as it is.)
    photo.setProperty(Value::string("Caption"), Buffer::over("Curta", 5, true));
    const Value arial = Font::make(Value::string("Arial"), 12, 0);
    photo.setProperty(Value::string("Font"), arial);
    ASSERT_TRUE(photo.showCaption(100, 100));
    EXPECT_EQ(photo.captionBox().height(), 2 * SurfaceMeasure(engine).metrics(arial).height() + 16);
}

} // namespace
} // namespace vel::testing_support
