#include "runtime/sound.h"

#include <algorithm>
#include <limits>

#include "platform/audio_mixer.h"
#include "platform/clock.h"
#include "runtime/engine.h"
#include "platform/media_path.h"
#include "runtime/environment.h"
#include "runtime/media_notifications.h"
#include "runtime/music.h"
#include "runtime/resources.h"
#include "value/buffer.h"
#include "value/error.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr const char* kNotValid = "Not a valid sound file";

// The one wave sound that plays, with its times on the engine's clock.
PlaybackState& playback()
{
    static PlaybackState state;
    return state;
}

std::string lowerExtension(std::string_view path)
{
    std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string_view::npos)
        path.remove_prefix(separator + 1);
    std::size_t dot = path.find_last_of('.');
    std::string extension = dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

// The source's bytes: the buffer itself, or the file read now.
Value sourceBytes(const Value& source)
{
    if (source.is(Tag::Buffer))
        return source;
    if (source.is(Tag::String))
        return readFile(std::string(textOf(source)));
    return Value();
}

} // namespace

WireParts Sound::wireParts() const
{
    WireParts parts;
    parts.first = source_;
    parts.flag = inMemory() ? 1 : 0;
    parts.second = Value::string(kind());
    return parts;
}

Value Sound::print(Tag tag, bool quoted) const
{
    if (!source_.is(Tag::String))
        return Object::print(tag, quoted);
    // Read back, a sound file's name is taken under the media root; one there is printed that way.
    std::string_view name = textOf(source_);
    const std::string root = engine_.configuration().mediaRoot();
    if (!root.empty() && name.size() > root.size() + 1 && name.compare(0, root.size(), root) == 0 && name[root.size()] == '/')
        name.remove_prefix(root.size() + 1);
    std::string out = "(soundfile ";
    printTo(out, Value::string(name), true);
    out += ')';
    return Value::string(out);
}

Value WaveSound::fromPath(Engine& engine, const std::string& path)
{
    Value bytes = readFile(path);
    Buffer* b = asBuffer(bytes);
    WaveFormat format;
    if (!b || !readWaveFormat(b->bytes(), static_cast<std::size_t>(b->length()), format)) {
        velError(kNotValid);
        return Value();
    }
    return Value::adopt(Tag::Sound, new WaveSound(engine, Value::string(path), format));
}

Value WaveSound::fromBuffer(Engine& engine, const Value& buffer)
{
    Buffer* b = asBuffer(buffer);
    WaveFormat format;
    if (!b || !readWaveFormat(b->bytes(), static_cast<std::size_t>(b->length()), format)) {
        velError(kNotValid);
        return Value();
    }
    return Value::adopt(Tag::Sound, new WaveSound(engine, buffer, format));
}

void WaveSound::prepare()
{
    if (!inMemory()) {
        Value bytes = readFile(std::string(textOf(source_)));
        if (bytes.is(Tag::Buffer))
            source_ = bytes;
    }
    clip();
}

std::shared_ptr<const platform::AudioClip> WaveSound::clip()
{
    if (decoded_)
        return clip_;
    decoded_ = true;
    Value bytes = sourceBytes(source_);
    Buffer* b = asBuffer(bytes);
    if (!b)
        return nullptr;
    // The file may have changed since it was opened; what is there now is what plays.
    WaveFormat now;
    if (!readWaveFormat(b->bytes(), static_cast<std::size_t>(b->length()), now))
        return nullptr;
    auto clip = std::make_shared<platform::AudioClip>();
    if (!decodeWave(b->bytes(), static_cast<std::size_t>(b->length()), now, clip->samples))
        return nullptr;
    clip->channels = now.channels;
    clip->rate = static_cast<int>(now.sampleRate);
    clip_ = std::move(clip);
    return clip_;
}

bool WaveSound::start(int32_t sampleCount, bool looping, bool wait)
{
    checkSoundEnd(engine_);
    PlaybackState& state = playback();
    if (!state.media.isNil())
        return false;
    std::shared_ptr<const platform::AudioClip> samples = clip();
    if (!samples || !engine_.mixer().playClip(samples, looping))
        return false;
    platform::Clock& clock = engine_.clock();
    const uint32_t now = clock.now();
    const uint64_t length = sampleCount >= 0 ? static_cast<uint64_t>(sampleCount) * 1000u / 22050u
                                             : format_.lengthMilliseconds();
    looping_ = looping;
    state.media = Value::share(Tag::Sound, this);
    state.start = now;
    state.looping = looping;
    state.plannedEnd = now + static_cast<uint32_t>(std::min<uint64_t>(length, std::numeric_limits<int32_t>::max()));
    if (wait && !looping) {
        // A play that waits returns when the sound is over, and so has no end to report.
        clock.sleep(state.plannedEnd - now);
        state = PlaybackState{};
        looping_ = false;
    }
    return true;
}

bool WaveSound::play(int32_t, int32_t to, bool wait)
{
    return start(to, false, wait);
}

bool WaveSound::playLooping()
{
    return start(-1, true, false);
}

void WaveSound::stop()
{
    checkSoundEnd(engine_);
    if (playback().holds(this))
        stopSound(engine_);
}

bool WaveSound::isPlaying() const
{
    return playback().holds(this);
}

int32_t WaveSound::position() const
{
    return playback().positionOf(this, engine_.clock().now());
}

Value playingSound()
{
    return playback().media;
}

void stopSound(Engine& engine)
{
    PlaybackState& state = playback();
    if (state.media.isNil())
        return;
    engine.mixer().stopClip();
    Value sound = state.media;
    state = PlaybackState{};
    engine.media().post(sound, "aborted");
}

void checkSoundEnd(Engine& engine)
{
    PlaybackState& state = playback();
    if (state.media.isNil() || state.looping || !clockReached(engine.clock().now(), state.plannedEnd))
        return;
    Value sound = state.media;
    state = PlaybackState{};
    engine.media().post(sound, "ended");
}

Value soundFromFile(Engine& engine, const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "wav")
        return WaveSound::fromPath(engine, path);
    if (extension == "mid")
        return Music::fromPath(engine, path);
    velError("Unsupported sound type: " + extension);
    return Value();
}

Value soundFromParts(Engine& engine, const Value& first, int32_t flag, const Value& second)
{
    std::string kind = second.is(Tag::String) ? lowerExtension("." + std::string(textOf(second))) : std::string();
    if (flag == 1 && first.is(Tag::Buffer)) {
        if (kind == "mid")
            return Music::fromBuffer(engine, first);
        return WaveSound::fromBuffer(engine, first);
    }
    if (!first.is(Tag::String))
        return Value();
    std::string path(textOf(first));
    if (!platform::isFile(path))
        path = platform::pathUnder(engine.configuration().mediaRoot(), path);
    if (kind == "mid")
        return Music::fromPath(engine, path);
    if (kind == "wav")
        return WaveSound::fromPath(engine, path);
    return soundFromFile(engine, path);
}

void prepareSound(const Value& sound)
{
    if (Sound* s = asSound(sound))
        s->prepare();
}

} // namespace vel
