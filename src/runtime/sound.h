// The sound value (tag 19): a wave sound or a tune, chosen by the file's extension. A wave sound plays
// through the wave player (one at a time, its end planned on the clock: see sound_player.h).
//
// On the wire a sound is its source (a path, or a buffer holding the whole file), a flag (1 when the
// source is the buffer) and its kind ("wav" or "mid").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/sound_player.h"
#include "runtime/wave_file.h"
#include "value/makers.h"
#include "value/protocols.h"

namespace vel::platform {
struct AudioClip;
class AudioMixer;
}

namespace vel {

class Engine;

class Sound : public CompositeObject, public MediaProtocol {
public:
    // The wave sound and the tune of a given path or buffer.
    const Value& source() const { return source_; }
    bool inMemory() const { return source_.is(Tag::Buffer); }
    virtual std::string_view kind() const = 0;
    // The source's bytes: the buffer itself, or the file read now (nil when it cannot be).
    Value sourceBytes() const;
    // Reads the file into memory (and, for a wave, decodes it), so that play starts at once.
    virtual void prepare();
    virtual bool playLooping() = 0;
    void stop() override;
    bool isPlaying() const override;
    // Samples at 22050 a second since the start while playing, else -1.
    int32_t position() const;

    WireParts wireParts() const override;
    Value print(Tag tag, bool quoted) const override;

protected:
    // The engine whose players play it.
    Sound(Engine& engine, const Value& source) : engine_(engine), source_(source) {}
    // The output this kind of sound plays on.
    virtual SoundPlayer& player() const = 0;

    Engine& engine_;
    Value source_;
};

class WaveSound;

// The wave output: the sound's samples go to the mixer's wave source.
class WavePlayer final : public SoundPlayer {
public:
    WavePlayer(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report)
        : SoundPlayer(clock, std::move(report)), mixer_(mixer) {}
    // `sampleCount` plans the end at 22050 a second, whatever the file's rate (-1: the file's own
    // length). False while another sound plays, or when the samples cannot be played.
    bool play(WaveSound& sound, int32_t sampleCount, bool looping, bool wait);

private:
    void silence(bool ended) override;

    platform::AudioMixer& mixer_;
};

class WaveSound final : public Sound {
public:
    // Nil after "Not a valid sound file" when the bytes break the reading rules.
    static Value fromPath(Engine& engine, const std::string& path);
    static Value fromBuffer(Engine& engine, const Value& buffer);

    std::string_view kind() const override { return "wav"; }
    void prepare() override;
    // play: `to` is the sample count that plans the end (at 22050 a second, whatever the file's
    // rate); `wait` plays to the end before returning. from is not used by wave sounds.
    bool play(int32_t from, int32_t to, bool wait) override;
    bool playLooping() override;

    int32_t channels() const { return format_.channels; }
    int32_t sampleRate() const { return static_cast<int32_t>(format_.sampleRate); }
    int32_t sampleCount() const { return static_cast<int32_t>(format_.sampleCount); }
    uint32_t lengthMilliseconds() const { return format_.lengthMilliseconds(); }
    // The decoded samples, or null when the file's format is not one decoded here.
    std::shared_ptr<const platform::AudioClip> clip();

private:
    WaveSound(Engine& engine, const Value& source, const WaveFormat& format) : Sound(engine, source), format_(format) {}
    WavePlayer& player() const override;

    WaveFormat format_;
    bool decoded_ = false;
    std::shared_ptr<const platform::AudioClip> clip_;
};

inline Sound* asSound(const Value& v) { return v.is(Tag::Sound) ? dynamic_cast<Sound*>(v.object()) : nullptr; }

// The loader's entry: "wav" (in any case) gives a wave sound, "mid" a tune; any other extension
// reports "Unsupported sound type: " and the extension, and gives nil.
Value soundFromFile(Engine& engine, const std::string& path);
// The decoder's maker for the three wire parts.
Value soundFromParts(Engine& engine, const Value& first, int32_t flag, const Value& second);
// What load sound does with the flag set.
void prepareSound(const Value& sound);

} // namespace vel
