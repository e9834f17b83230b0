// Arbitrary bytes as a movie file (the first byte picks the extension: AVI or MPEG), shown, moved
// partly off the surface, sought and played on a virtual clock with its sound taken: every step ends,
// nothing is drawn outside the surface, and a movie that fails stays failed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "platform/clock.h"
#include "runtime/engine.h"
#include "runtime/event_queue.h"
#include "runtime/movie.h"
#include "value/error.h"

namespace {

int carryOn(const vel::Value&) { return 0; }
void noExit(int) { std::abort(); }
void silent(std::string_view) {}

class Discard final : public vel::MovieSoundSink {
public:
    int rate() const override { return 22050; }
    int channels() const override { return 2; }
    void start() override {}
    void queue(const int16_t* samples, size_t frames) override
    {
        // Touch every sample handed over, so a short buffer shows up under the sanitizer.
        for (size_t i = 0; i < frames * 2; ++i)
            sum += samples[i];
    }
    void end() override {}
    void stop() override {}
    int64_t sum = 0;
};

// An engine on a virtual clock with a 320 x 240 off-screen surface; notices are dropped.
struct World {
    World()
    {
        vel::setErrorHandler(carryOn);
        vel::setExitHandler(noExit);
        vel::RunOptions options = vel::RunOptions::offscreenOnly(true);
        options.settings = {{"MediaWidth", "320"}, {"MediaHeight", "240"}};
        std::string error;
        engine.startUp(options, error);
        engine.takeNotices(silent);
        engine.movies().useSoundSink(&sink);
        queue().next(0, 0);
    }
    vel::EventQueue& queue() { return *engine.events(); }
    vel::platform::VirtualClock& clock() { return *engine.virtualClock(); }
    vel::Engine engine;
    Discard sink;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static World world;
    if (size < 1)
        return 0;
    const bool avi = (data[0] & 1) == 0;
    const std::string path = "/tmp/fuzz_movie_" + std::to_string(::getpid()) + (avi ? ".avi" : ".mpg");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    } else {
        return 0;
    }

    vel::Value movie = world.engine.movies().open(path);
    vel::Movie* m = vel::asMovie(movie);
    const bool opened = m->showAndPlay(250, 200, 120, 90); // partly outside the 320 x 240 surface
    if (!opened && (m->play(-1, -1, false) || m->show() || !m->failed()))
        std::abort();
    if (opened) {
        // Bounded: a movie whose pictures claim to last longer is simply still playing at the end.
        for (int step = 0; step < 200 && m->isPlaying(); ++step) {
            world.clock().advance(40);
            world.engine.movies().advancePlaying();
            if (step == 20) {
                m->seek(static_cast<int32_t>(data[0] >> 1));
                m->setSize(33, 17);
                m->move(300, 230);
            }
        }
        m->close();
    }
    world.engine.movies().closeAll();
    world.queue().discard(-1);
    std::remove(path.c_str());
    return 0;
}
