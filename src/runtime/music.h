// Music: a MIDI tune rendered by FluidSynth with a General MIDI soundfont into the mixer's music
// source. One tune plays at a time; a new one stops the old (which reports "aborted"). Like the wave
// sound, its end is planned on the engine's clock from the tune's tempo map, so scripted runs see it
// end exactly.
#pragma once

#include <string>
#include <vector>

#include "runtime/environment.h"
#include "runtime/sound.h"

namespace vel {

class Music final : public Sound {
public:
    static Value fromPath(Engine& engine, const std::string& path);
    static Value fromBuffer(Engine& engine, const Value& buffer);

    std::string_view kind() const override { return "mid"; }
    void prepare() override;
    // 0 when the sequencer refuses the file (the reason goes out as a media notice) or there is no
    // soundfont. `wait` plays the whole tune before returning.
    bool play(int32_t from, int32_t to, bool wait) override;
    bool playLooping() override;
    void stop() override;
    bool isPlaying() const override;
    int32_t position() const override;

private:
    Music(Engine& engine, const Value& source) : Sound(engine, source) {}
    bool start(bool looping, bool wait);
};

// The tune now playing, or nil.
Value playingMusic();
// Stops the tune, posting "aborted" for it.
void stopMusic(Engine& engine);
// Posts "ended" once the clock reaches the tune's planned end.
void checkMusicEnd(Engine& engine);
// Lets go of the synthesizer (at the end of the program).
void closeMusic(Engine& engine);

// The soundfont: the first of the places that holds one (the setting SoundFont first); empty when
// none does.
std::string findSoundFont(const Configuration& configuration);
// Replaces the places looked in; an empty list puts back the usual ones.
void setSoundFontPlaces(std::vector<std::string> places);

} // namespace vel
