// Movies for the tests, made once per run by the ffmpeg tool from its test pictures and a sine tone,
// and a fixture that plays them on a virtual clock into a surface and a queue of its own.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "platform/clock.h"
#include "runtime/event_queue.h"
#include "runtime/movie.h"
#include "runtime/surface.h"
#include "support/error_capture.h"
#include "support/subprocess.h"
#include "value/list.h"
#include "value/string.h"

namespace vel::movie_test {

// The files made for the run; each is made the first time it is asked for.
class Clips {
public:
    static Clips& get()
    {
        static Clips clips;
        return clips;
    }
    // 160 x 120, 25 frames a second, 1 s, MPEG-1 pictures and MPEG audio of a 440 Hz tone.
    const std::string& mpeg() { return make(mpeg_, "clip.mpg",
        "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 "
        "-c:v mpeg1video -c:a mp2"); }
    // 160 x 120, 15 frames a second, 1 s, Motion JPEG with 16-bit PCM sound.
    const std::string& aviJpeg() { return make(aviJpeg_, "clip.avi",
        "-f lavfi -i testsrc=size=160x120:rate=15 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 "
        "-c:v mjpeg -c:a pcm_s16le"); }
    // 96 x 64, 10 frames a second, 1 s, MS Video 1 without sound.
    const std::string& aviVideo1() { return make(aviVideo1_, "video1.avi",
        "-f lavfi -i testsrc=size=96x64:rate=10 -t 1 -c:v msvideo1 -pix_fmt rgb555le"); }
    const std::string& wav() { return make(wav_, "tone.wav", "-f lavfi -i sine=frequency=440 -t 0.5"); }

    std::string directory() const { return scratch_.path(); }
    std::string cut(const std::string& from, size_t bytes, const std::string& name)
    {
        std::ifstream in(from, std::ios::binary);
        std::string data(bytes, '\0');
        in.read(data.data(), static_cast<std::streamsize>(bytes));
        data.resize(static_cast<size_t>(in.gcount()));
        return scratch_.write(name, data);
    }
    std::string copy(const std::string& from, const std::string& name)
    {
        return cut(from, static_cast<size_t>(std::filesystem::file_size(from)), name);
    }
    std::string write(const std::string& name, const std::string& contents) { return scratch_.write(name, contents); }

private:
    const std::string& make(std::string& path, const char* name, const char* arguments)
    {
        if (path.empty()) {
            std::vector<std::string> words = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
            std::istringstream in(arguments);
            for (std::string word; in >> word;)
                words.push_back(word);
            words.push_back(scratch_ / name);
            testing_support::ProcessResult made = testing_support::runProcess(words);
            EXPECT_EQ(made.status, 0) << made.output;
            path = words.back();
        }
        return path;
    }
    testing_support::ScratchDirectory scratch_;
    std::string mpeg_, aviJpeg_, aviVideo1_, wav_;
};

// A sound output that keeps what it is given.
class RecordingSink final : public MovieSoundSink {
public:
    RecordingSink(int rate, int channels) : rate_(rate), channels_(channels) {}
    int rate() const override { return rate_; }
    int channels() const override { return channels_; }
    void start() override { ++starts; }
    void queue(const int16_t* s, size_t frames) override { samples.insert(samples.end(), s, s + frames * channels_); }
    void end() override { ++ends; }
    void stop() override { ++stops; }

    std::vector<int16_t> samples;
    int starts = 0, ends = 0, stops = 0;

private:
    int rate_, channels_;
};

class MovieTest : public testing_support::ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        engine.movies().useSoundSink(nullptr);
        // Movies are repainted when a test asks, not after every update of the surface.
        surface().setAfterUpdate(nullptr);
        queue().next(0, 0); // the very first fetch gives the null event at once
    }

    Movies& movies() { return engine.movies(); }
    DrawingSurface& surface() { return *engine.surface(); }
    EventQueue& queue() { return *engine.events(); }

    Clips& clips() { return Clips::get(); }

    EventRecord nextNotification(int32_t within = 5000)
    {
        return queue().next(event_kind::MediaNotification, within);
    }
    static std::pair<Value, std::string> notification(const EventRecord& e)
    {
        List* list = asList(e.value1);
        if (e.kind != event_kind::MediaNotification || !list || list->count() != 2)
            return {Value(), ""};
        return {list->get(0), std::string(textOf(list->get(1)))};
    }
    void run(int32_t milliseconds) { queue().next(0, milliseconds); }

    uint32_t pixel(int x, int y) { return surface().frame().pixels().row(y)[x]; }
    std::vector<uint32_t> area(const platform::Rect& r)
    {
        std::vector<uint32_t> out;
        platform::PixelView view = surface().frame().pixels();
        for (int y = r.top; y < r.bottom; ++y)
            out.insert(out.end(), view.row(y) + r.left, view.row(y) + r.right);
        return out;
    }
    void paintForm(int32_t colorRef)
    {
        surface().fill({0, 0, 640, 480}, colorRef);
        surface().update();
    }
};

} // namespace vel::movie_test
