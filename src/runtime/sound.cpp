#include "runtime/sound.h"

#include <algorithm>
#include <limits>

#include "platform/audio_mixer.h"
#include "platform/media_path.h"
#include "runtime/engine.h"
#include "runtime/music.h"
#include "runtime/resources.h"
#include "value/buffer.h"
#include "value/error.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr const char* kNotValid = "Not a valid sound file";

// The extension in small letters: what chooses the kind of sound.
std::string kindOf(std::string_view path)
{
    return platform::lowerAscii(platform::extensionOf(path));
}

} // namespace

Value Sound::sourceBytes() const
{
    if (source_.is(Tag::Buffer))
        return source_;
    if (source_.is(Tag::String))
        return readFile(std::string(textOf(source_)));
    return Value();
}

void Sound::prepare()
{
    if (inMemory())
        return;
    Value bytes = sourceBytes();
    if (bytes.is(Tag::Buffer))
        source_ = bytes;
}

void Sound::stop()
{
    player().stop(this);
}

bool Sound::isPlaying() const
{
    return player().isPlaying(this);
}

int32_t Sound::position() const
{
    return player().position(this);
}

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
    Sound::prepare();
    clip();
}

std::shared_ptr<const platform::AudioClip> WaveSound::clip()
{
    if (decoded_)
        return clip_;
    decoded_ = true;
    Value bytes = sourceBytes();
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

bool WaveSound::play(int32_t, int32_t to, bool wait)
{
    return player().play(*this, to, false, wait);
}

bool WaveSound::playLooping()
{
    return player().play(*this, -1, true, false);
}

WavePlayer& WaveSound::player() const
{
    return engine_.playback().wave();
}

bool WavePlayer::play(WaveSound& sound, int32_t sampleCount, bool looping, bool wait)
{
    checkEnd();
    if (!playing().isNil())
        return false;
    std::shared_ptr<const platform::AudioClip> samples = sound.clip();
    if (!samples || !mixer_.playClip(samples, looping))
        return false;
    const uint64_t length = sampleCount >= 0 ? static_cast<uint64_t>(sampleCount) * 1000u / 22050u : sound.lengthMilliseconds();
    started(Value::share(Tag::Sound, &sound), length, looping, wait);
    return true;
}

void WavePlayer::silence(bool ended)
{
    // A sound that reached its end has nothing left; one whose planned end came first plays out.
    if (!ended)
        mixer_.stopClip();
}

Value soundFromFile(Engine& engine, const std::string& path)
{
    const std::string extension = kindOf(path);
    if (extension == "wav")
        return WaveSound::fromPath(engine, path);
    if (extension == "mid")
        return Music::fromPath(engine, path);
    velError("Unsupported sound type: " + extension);
    return Value();
}

Value soundFromParts(Engine& engine, const Value& first, int32_t flag, const Value& second)
{
    std::string kind = second.is(Tag::String) ? kindOf("." + std::string(textOf(second))) : std::string();
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
