#include "runtime/music.h"

#include "platform/audio_mixer.h"
#include "platform/media_path.h"
#include "platform/synthesizer.h"
#include "runtime/engine.h"
#include "runtime/midi_file.h"
#include "value/buffer.h"
#include "value/string.h"

namespace vel {

namespace {

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

bool Music::play(int32_t, int32_t, bool wait)
{
    return player().play(*this, false, wait);
}

bool Music::playLooping()
{
    return player().play(*this, true, false);
}

MusicPlayer& Music::player() const
{
    return engine_.playback().music();
}

MusicPlayer::MusicPlayer(platform::AudioMixer& mixer, platform::Clock& clock, MediaReport report, MediaNotice notice,
                         const Configuration& configuration)
    : SoundPlayer(clock, std::move(report)), mixer_(mixer), notice_(std::move(notice)), configuration_(configuration)
{
}

MusicPlayer::~MusicPlayer()
{
    close();
}

bool MusicPlayer::play(Music& music, bool looping, bool wait)
{
    stopAny();
    if (!playing().isNil())
        return false;
    const Value& source = music.source();
    Value bytes = music.sourceBytes();
    Buffer* b = asBuffer(bytes);
    if (!b) {
        notice_("Cannot play music " + describe(source) + ": the file cannot be opened");
        return false;
    }
    MidiSummary summary;
    std::string problem;
    if (!scanMidi(b->bytes(), static_cast<std::size_t>(b->length()), summary, problem)) {
        notice_("Cannot play music " + describe(source) + ": " + problem);
        return false;
    }
    platform::Synthesizer* synthesizer = readySynthesizer();
    if (!synthesizer || !mixer_.ensureOpen())
        return false;
    // Set at every play: the mixer forgets its sources when it closes.
    mixer_.setMusicGenerator([synthesizer](float* out, std::size_t frames) { synthesizer->render(out, frames); });
    if (!synthesizer->play(b->bytes(), static_cast<std::size_t>(b->length()), looping)) {
        notice_("Cannot play music " + describe(source) + ": the sequencer refused it");
        return false;
    }
    started(Value::share(Tag::Sound, &music), summary.lengthMilliseconds, looping, wait);
    return true;
}

void MusicPlayer::silence(bool ended)
{
    if (synthesizer_)
        synthesizer_->stop(ended);
}

void MusicPlayer::close()
{
    stopAny();
    if (!synthesizer_)
        return;
    // After this no render is in progress or to come, so the synthesizer may go.
    mixer_.clearMusicGenerator();
    synthesizer_.reset();
}

std::vector<std::string> MusicPlayer::soundFontPlaces() const
{
    if (!places_.empty())
        return places_;
    Value configured = configuration_.get("SoundFont");
    return platform::soundFontPlaces(configured.is(Tag::String) ? std::string(textOf(configured)) : std::string());
}

std::string MusicPlayer::findSoundFont() const
{
    for (const std::string& place : soundFontPlaces())
        if (platform::isFile(place))
            return place;
    return {};
}

void MusicPlayer::setSoundFontPlaces(std::vector<std::string> places)
{
    places_ = std::move(places);
    missingSaid_ = false;
}

platform::Synthesizer* MusicPlayer::readySynthesizer()
{
    if (synthesizer_)
        return synthesizer_.get();
    const std::string soundFont = findSoundFont();
    if (soundFont.empty()) {
        if (!missingSaid_) {
            std::string places;
            for (const std::string& place : soundFontPlaces())
                places += (places.empty() ? "" : ", ") + place;
            notice_("MIDI music is silent: no General MIDI soundfont was found (looked for " + places +
                    "; the package timgm6mb-soundfont installs one)");
            missingSaid_ = true;
        }
        return nullptr;
    }
    std::string error;
    synthesizer_ = platform::Synthesizer::create(soundFont, platform::AudioMixer::Rate, error);
    if (!synthesizer_)
        notice_("MIDI music is silent: " + error);
    return synthesizer_.get();
}

} // namespace vel
