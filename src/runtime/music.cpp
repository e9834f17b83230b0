#include "runtime/music.h"

#include <fluidsynth.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "platform/media_path.h"
#include "runtime/engine.h"
#include "runtime/media_notifications.h"
#include "runtime/midi_file.h"
#include "runtime/resources.h"
#include "value/buffer.h"
#include "value/error.h"
#include "value/string.h"

namespace vel {

namespace {

// The synthesizer, loaded on the first play. The audio thread renders through it, so everything that
// touches the synthesizer or its player holds `lock`.
struct Synthesizer {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    std::mutex lock;

    ~Synthesizer()
    {
        if (player)
            delete_fluid_player(player);
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }

    // Called with lock held.
    void dropPlayer(bool cutSound)
    {
        if (!player)
            return;
        fluid_player_stop(player);
        delete_fluid_player(player);
        player = nullptr;
        // Notes let go with their release, unless the tune was stopped outright.
        if (cutSound)
            fluid_synth_all_sounds_off(synth, -1);
        else
            fluid_synth_all_notes_off(synth, -1);
    }
};

// Never destroyed with the other statics: the audio thread may still be rendering at exit.
std::unique_ptr<Synthesizer>& synthesizer()
{
    static auto* instance = new std::unique_ptr<Synthesizer>();
    return *instance;
}

PlaybackState& playback()
{
    static PlaybackState state;
    return state;
}

std::vector<std::string>& placesOverride()
{
    static std::vector<std::string> places;
    return places;
}

bool missingSaid = false;

std::vector<std::string> soundFontPlaces(const Configuration& configuration)
{
    if (!placesOverride().empty())
        return placesOverride();
    std::vector<std::string> places;
    Value configured = configuration.get("SoundFont");
    if (configured.is(Tag::String) && !textOf(configured).empty())
        places.push_back(platform::configuredPath(textOf(configured)));
    for (const char* place : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                              "/usr/share/soundfonts/default.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                              "/usr/share/soundfonts/FluidR3_GM.sf2"})
        places.emplace_back(place);
    return places;
}

void quietLog(int, const char*, void*) {}

Synthesizer* readySynthesizer(Engine& engine)
{
    std::unique_ptr<Synthesizer>& instance = synthesizer();
    if (instance)
        return instance.get();
    const std::string soundFont = findSoundFont(engine.configuration());
    if (soundFont.empty()) {
        if (!missingSaid) {
            std::string places;
            for (const std::string& place : soundFontPlaces(engine.configuration()))
                places += (places.empty() ? "" : ", ") + place;
            engine.media().notice("MIDI music is silent: no General MIDI soundfont was found (looked for " + places +
                        "; the package timgm6mb-soundfont installs one)");
            missingSaid = true;
        }
        return nullptr;
    }
    // FluidSynth's own chatter would reach standard error from the audio thread.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, quietLog, nullptr);
    auto made = std::make_unique<Synthesizer>();
    made->settings = new_fluid_settings();
    if (!made->settings)
        return nullptr;
    fluid_settings_setnum(made->settings, "synth.sample-rate", platform::AudioMixer::Rate);
    fluid_settings_setnum(made->settings, "synth.gain", 0.5);
    // The player keeps time by the samples rendered, not by a timer thread of its own.
    fluid_settings_setstr(made->settings, "player.timing-source", "sample");
    made->synth = new_fluid_synth(made->settings);
    if (!made->synth || fluid_synth_sfload(made->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        engine.media().notice("MIDI music is silent: the soundfont " + soundFont + " cannot be loaded");
        return nullptr;
    }
    instance = std::move(made);
    return instance.get();
}

// Installed at every play: the mixer forgets its sources when it closes.
void attachToMixer(platform::AudioMixer& mixer, Synthesizer* s)
{
    mixer.setMusicGenerator([s](float* out, std::size_t frames) {
        std::lock_guard<std::mutex> guard(s->lock);
        fluid_synth_write_float(s->synth, static_cast<int>(frames), out, 0, 2, out, 1, 2);
    });
}

void silence(bool cutSound)
{
    if (Synthesizer* s = synthesizer().get()) {
        std::lock_guard<std::mutex> guard(s->lock);
        s->dropPlayer(cutSound);
    }
}

Value sourceBytes(const Value& source)
{
    if (source.is(Tag::Buffer))
        return source;
    if (source.is(Tag::String))
        return readFile(std::string(textOf(source)));
    return Value();
}

std::string describe(const Value& source)
{
    return source.is(Tag::String) ? std::string(textOf(source)) : std::string("(in memory)");
}

} // namespace

Value Music::fromPath(Engine& engine, const std::string& path)
{
    return Value::adopt(Tag::Sound, new Music(engine, Value::string(path)));
}

Value Music::fromBuffer(Engine& engine, const Value& buffer)
{
    if (!buffer.is(Tag::Buffer))
        return Value();
    return Value::adopt(Tag::Sound, new Music(engine, buffer));
}

void Music::prepare()
{
    if (inMemory())
        return;
    Value bytes = readFile(std::string(textOf(source_)));
    if (bytes.is(Tag::Buffer))
        source_ = bytes;
}

bool Music::start(bool looping, bool wait)
{
    stopMusic(engine_);
    if (!playback().media.isNil())
        return false;
    Value bytes = sourceBytes(source_);
    Buffer* b = asBuffer(bytes);
    if (!b) {
        engine_.media().notice("Cannot play music " + describe(source_) + ": the file cannot be opened");
        return false;
    }
    MidiSummary summary;
    std::string problem;
    if (!scanMidi(b->bytes(), static_cast<std::size_t>(b->length()), summary, problem)) {
        engine_.media().notice("Cannot play music " + describe(source_) + ": " + problem);
        return false;
    }
    Synthesizer* s = readySynthesizer(engine_);
    if (!s || !engine_.mixer().ensureOpen())
        return false;
    attachToMixer(engine_.mixer(), s);
    {
        std::lock_guard<std::mutex> guard(s->lock);
        s->dropPlayer(true);
        fluid_synth_system_reset(s->synth);
        s->player = new_fluid_player(s->synth);
        if (!s->player || fluid_player_add_mem(s->player, b->bytes(), static_cast<std::size_t>(b->length())) != FLUID_OK ||
            (looping && fluid_player_set_loop(s->player, -1) != FLUID_OK) || fluid_player_play(s->player) != FLUID_OK) {
            s->dropPlayer(true);
            engine_.media().notice("Cannot play music " + describe(source_) + ": the sequencer refused it");
            return false;
        }
    }
    PlaybackState& state = playback();
    platform::Clock& clock = engine_.clock();
    const uint32_t now = clock.now();
    state.media = Value::share(Tag::Sound, this);
    state.start = now;
    state.looping = looping;
    state.plannedEnd = now + std::min<uint32_t>(summary.lengthMilliseconds, std::numeric_limits<int32_t>::max());
    if (wait && !looping) {
        clock.sleep(state.plannedEnd - now);
        state = PlaybackState{};
        silence(false);
    }
    return true;
}

bool Music::play(int32_t, int32_t, bool wait)
{
    return start(false, wait);
}

bool Music::playLooping()
{
    return start(true, false);
}

void Music::stop()
{
    checkMusicEnd(engine_);
    if (playback().holds(this))
        stopMusic(engine_);
}

bool Music::isPlaying() const
{
    return playback().holds(this);
}

int32_t Music::position() const
{
    return playback().positionOf(this, engine_.clock().now());
}

Value playingMusic()
{
    return playback().media;
}

void stopMusic(Engine& engine)
{
    PlaybackState& state = playback();
    if (state.media.isNil())
        return;
    silence(true);
    Value music = state.media;
    state = PlaybackState{};
    engine.media().post(music, "aborted");
}

void checkMusicEnd(Engine& engine)
{
    PlaybackState& state = playback();
    if (state.media.isNil() || state.looping || !clockReached(engine.clock().now(), state.plannedEnd))
        return;
    silence(false);
    Value music = state.media;
    state = PlaybackState{};
    engine.media().post(music, "ended");
}

void closeMusic(Engine& engine)
{
    playback() = PlaybackState{};
    if (!synthesizer())
        return;
    engine.mixer().clearMusicGenerator();
    synthesizer().reset();
}

std::string findSoundFont(const Configuration& configuration)
{
    for (const std::string& place : soundFontPlaces(configuration))
        if (platform::isFile(place))
            return place;
    return {};
}

void setSoundFontPlaces(std::vector<std::string> places)
{
    placesOverride() = std::move(places);
    missingSaid = false;
}

} // namespace vel
