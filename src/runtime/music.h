// Music: a MIDI tune rendered by the platform's synthesizer with a General MIDI soundfont into the
// mixer's music source. One tune plays at a time; a new one stops the old (which reports "aborted").
// Like the wave sound, its end is planned on the clock, from the tune's tempo map, so scripted runs
// see it end exactly.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/environment.h"
#include "runtime/sound.h"

namespace vel::platform {
class Synthesizer;
}

namespace vel {

class Music;

// Messages given as the platform's words rather than as errors (a tune the sequencer refuses, a
// missing soundfont).
using MediaNotice = std::function<void(std::string_view text)>;

// The music output. The synthesizer loads on the first play.
class MusicPlayer final : public SoundPlayer {
public:
    // The setting `SoundFont` names the first place to look for a soundfont.
    MusicPlayer(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report, MediaNotice notice,
                const Configuration& configuration);
    ~MusicPlayer() override;

    // Stops any tune first. False (with a notice) when the file cannot be read or played.
    bool play(Music& music, bool looping, bool wait);
    // Lets go of the synthesizer (at the end of the program, or to look for the soundfont again).
    void close();

    // The soundfont: the first of the places that holds one; empty when none does.
    std::string findSoundFont() const;
    // Replaces the places looked in; an empty list puts back the usual ones (the setting `SoundFont`
    // first).
    void setSoundFontPlaces(std::vector<std::string> places);

private:
    void silence(bool ended) override;
    std::vector<std::string> soundFontPlaces() const;
    platform::Synthesizer* readySynthesizer();

    platform::AudioMixer& mixer_;
    MediaNotice notice_;
    const Configuration& configuration_;
    std::vector<std::string> places_;
    bool missingSaid_ = false;
    std::unique_ptr<platform::Synthesizer> synthesizer_;
};

class Music final : public Sound {
public:
    static Value fromPath(Engine& engine, const std::string& path);
    static Value fromBuffer(Engine& engine, const Value& buffer);

    std::string_view kind() const override { return "mid"; }
    // 0 when the sequencer refuses the file (the reason goes out as a media notice) or there is no
    // soundfont. `wait` plays the whole tune before returning.
    bool play(int32_t from, int32_t to, bool wait) override;
    bool playLooping() override;

private:
    Music(Engine& engine, const Value& source) : Sound(engine, source) {}
    MusicPlayer& player() const override;
};

} // namespace vel
