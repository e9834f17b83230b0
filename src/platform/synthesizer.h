// A General MIDI synthesizer (FluidSynth with a soundfont) holding one tune at a time. It renders
// interleaved stereo floats on demand, so the mixer's audio thread pulls it as its music source; the
// tune keeps time by the frames rendered, not by a timer of its own. Every call may come from either
// thread: each takes the synthesizer's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vel::platform {

// The places a General MIDI soundfont is looked for: the configured one first when there is one
// (a path as configuration gives it), then where the distributions install theirs.
std::vector<std::string> soundFontPlaces(const std::string& configured);
// The first of the places that holds a file; empty when none does.
std::string findSoundFont(const std::string& configured);

class Synthesizer {
public:
    // Null, with the reason in `error`, when the soundfont cannot be loaded.
    static std::unique_ptr<Synthesizer> create(const std::string& soundFont, int rate, std::string& error);
    ~Synthesizer();
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

    // Resets every channel and starts the Standard MIDI File in these bytes (copied) from its start;
    // false when the sequencer refuses it.
    bool play(const uint8_t* bytes, std::size_t size, bool looping);
    // Ends the tune: released notes die away with their release time; otherwise every sound is cut.
    void stop(bool release);
    // Whether the tune is still going: false once stopped, or once its last event has passed and no
    // voice sounds any more (so a note never released keeps it going, and a looping tune never ends).
    bool playing();
    // Overwrites `frames` stereo frames of out with what sounds now.
    void render(float* out, std::size_t frames);

private:
    struct Handles;
    explicit Synthesizer(std::unique_ptr<Handles> handles);
    void dropPlayer(bool release);

    std::mutex lock_;
    std::unique_ptr<Handles> handles_;
};

} // namespace vel::platform
