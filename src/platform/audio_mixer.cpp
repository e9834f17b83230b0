#include "platform/audio_mixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/headless.h"

namespace vel::platform {

namespace {

// About 12 ms a block at 44100: short enough that a sound starts well within 50 ms of its play.
constexpr int kDeviceBlockFrames = 512;
// Source frames handed to a converter at a time.
constexpr std::size_t kFeedFrames = 2048;
// Below this (about -80 dB) the mix counts as quiet; a tune's reverb ends in a long, faint tail.
constexpr float kQuietLevel = 1e-4f;
// How long the mix must stay quiet before the device pauses, and how often settle looks meanwhile.
constexpr std::size_t kQuietFrames = AudioMixer::Rate / 10;
constexpr uint32_t kSettleStep = 50;

bool acceptableFormat(int channels, int rate)
{
    return (channels == 1 || channels == 2) && rate >= AudioMixer::MinSourceRate && rate <= AudioMixer::MaxSourceRate;
}

SDL_AudioStream* newConverter(bool isFloat, int channels, int rate)
{
    return SDL_NewAudioStream(isFloat ? AUDIO_F32SYS : AUDIO_S16SYS, static_cast<Uint8>(channels), rate, AUDIO_F32SYS,
                              AudioMixer::Channels, AudioMixer::Rate);
}

constexpr int bytesPerFrame = static_cast<int>(sizeof(float)) * AudioMixer::Channels;

// Everything the converter has ready, appended to out.
void drainConverter(SDL_AudioStream* stream, std::vector<float>& out)
{
    int available = SDL_AudioStreamAvailable(stream);
    while (available >= bytesPerFrame) {
        const std::size_t frames = static_cast<std::size_t>(available / bytesPerFrame);
        const std::size_t at = out.size();
        out.resize(at + frames * AudioMixer::Channels);
        int got = SDL_AudioStreamGet(stream, out.data() + at, static_cast<int>(frames) * bytesPerFrame);
        if (got < 0)
            got = 0;
        out.resize(at + static_cast<std::size_t>(got / bytesPerFrame) * AudioMixer::Channels);
        if (got == 0)
            break;
        available = SDL_AudioStreamAvailable(stream);
    }
}

// SDL's resampler keeps back up to about 1024 frames and its flush does not give them up; silence
// pushed after the last samples does, and the caller counts off only the frames that were real.
void padConverter(SDL_AudioStream* stream, int channels, int rate, bool isFloat)
{
    const std::size_t frames = static_cast<std::size_t>(4096.0 * rate / AudioMixer::Rate) + 256;
    const std::size_t sampleBytes = isFloat ? sizeof(float) : sizeof(int16_t);
    std::vector<uint8_t> silence(frames * static_cast<std::size_t>(channels) * sampleBytes, 0);
    SDL_AudioStreamPut(stream, silence.data(), static_cast<int>(silence.size()));
}

float gainOf(uint16_t level)
{
    return static_cast<float>(level) / static_cast<float>(AudioMixer::FullVolume);
}

} // namespace

AudioMixer::AudioMixer() = default;

AudioMixer::~AudioMixer()
{
    close();
}

bool AudioMixer::open(Output output)
{
    if (open_)
        return true;
    error_.clear();
    driver_.clear();
    if (output == Output::Device && !openDevice())
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    output_ = output;
    open_ = true;
    framesMixed_ = 0;
    // SDL opens devices paused; the first source resumes it.
    paused_ = true;
    return true;
}

bool AudioMixer::openDevice()
{
    SDL_AudioSpec wanted;
    std::memset(&wanted, 0, sizeof wanted);
    wanted.freq = Rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = Channels;
    wanted.samples = kDeviceBlockFrames;
    wanted.callback = deviceCallback;
    wanted.userdata = this;

    const char* requested = SDL_getenv("SDL_AUDIODRIVER");
    const bool named = requested && *requested;
    if (headless() && !named)
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            // No sound hardware (or no server) must not stop the program: the dummy driver keeps
            // time without a sound.
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        }
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            error_ = SDL_GetError();
            continue;
        }
        SDL_AudioSpec obtained;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device_) {
            subsystem_ = true;
            const char* driver = SDL_GetCurrentAudioDriver();
            driver_ = driver ? driver : "";
            return true;
        }
        error_ = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return false;
}

void AudioMixer::releaseDevice()
{
    if (device_) {
        // Waits for a callback in progress to finish.
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (subsystem_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
}

bool AudioMixer::wake()
{
    if (!ensureOpen())
        return false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        quietFrames_ = 0;
    }
    if (output_ != Output::Device || !paused_)
        return true;
    if (!device_ && !openDevice())
        return false;
    SDL_PauseAudioDevice(device_, 0);
    paused_ = false;
    return true;
}

uint32_t AudioMixer::settle(bool silent, uint32_t now)
{
    if (!device_)
        return NothingDue;
    if (!paused_) {
        if (!silent)
            return NothingDue;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (clip_ || movieWaiting() > 0 || quietFrames_ < kQuietFrames)
                return kSettleStep;
        }
        SDL_PauseAudioDevice(device_, 1);
        paused_ = true;
        pausedAt_ = now;
        return ReleaseAfter;
    }
    const auto pausedFor = static_cast<int32_t>(now - pausedAt_);
    if (pausedFor >= 0 && static_cast<uint32_t>(pausedFor) < ReleaseAfter)
        return ReleaseAfter - static_cast<uint32_t>(pausedFor);
    releaseDevice();
    return NothingDue;
}

AudioMixer::DeviceState AudioMixer::deviceState() const
{
    return !device_ ? DeviceState::None : paused_ ? DeviceState::Paused : DeviceState::Running;
}

void AudioMixer::close()
{
    releaseDevice();
    std::lock_guard<std::mutex> guard(lock_);
    if (clipStream_)
        SDL_FreeAudioStream(clipStream_);
    if (movieStream_)
        SDL_FreeAudioStream(movieStream_);
    clipStream_ = nullptr;
    movieStream_ = nullptr;
    clip_.reset();
    clipDrained_ = true;
    music_ = nullptr;
    movieQueue_.clear();
    movieRead_ = 0;
    moviePlayed_ = 0;
    movieHeld_ = 0;
    movieChannels_ = movieRate_ = 0;
    open_ = false;
    driver_.clear();
}

bool AudioMixer::playClip(std::shared_ptr<const AudioClip> clip, bool looping)
{
    if (!clip || clip->frames() == 0 || !acceptableFormat(clip->channels, clip->rate))
        return false;
    if (!wake())
        return false;
    SDL_AudioStream* converter = newConverter(false, clip->channels, clip->rate);
    if (!converter) {
        error_ = SDL_GetError();
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (clipStream_)
        SDL_FreeAudioStream(clipStream_);
    clipStream_ = converter;
    clip_ = std::move(clip);
    clipLooping_ = looping;
    clipPosition_ = 0;
    clipDrained_ = false;
    clipGiven_ = 0;
    clipOutputFrames_ = (static_cast<uint64_t>(clip_->frames()) * Rate + static_cast<uint64_t>(clip_->rate) / 2) /
                        static_cast<uint64_t>(clip_->rate);
    return true;
}

void AudioMixer::stopClip()
{
    std::lock_guard<std::mutex> guard(lock_);
    clip_.reset();
    clipDrained_ = true;
    if (clipStream_)
        SDL_AudioStreamClear(clipStream_);
}

bool AudioMixer::clipActive() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return clip_ != nullptr;
}

void AudioMixer::setMusicGenerator(AudioGenerator generator)
{
    wake();
    std::lock_guard<std::mutex> guard(lock_);
    music_ = std::move(generator);
}

void AudioMixer::clearMusicGenerator()
{
    AudioGenerator old;
    {
        std::lock_guard<std::mutex> guard(lock_);
        old.swap(music_);
    }
    // Destroyed outside the lock: whatever it holds may take time to let go.
}

bool AudioMixer::pushMovieSamples(const float* samples, std::size_t frames, int channels, int rate)
{
    return pushMovie(samples, frames, channels, rate, true);
}

bool AudioMixer::pushMovieSamples(const int16_t* samples, std::size_t frames, int channels, int rate)
{
    return pushMovie(samples, frames, channels, rate, false);
}

bool AudioMixer::pushMovie(const void* samples, std::size_t frames, int channels, int rate, bool isFloat)
{
    if (!acceptableFormat(channels, rate) || (frames > 0 && !samples))
        return false;
    if (frames == 0)
        return true;
    if (!wake())
        return false;
    const std::size_t sampleBytes = isFloat ? sizeof(float) : sizeof(int16_t);
    // At the mixer's rate: what these frames will add to the queue.
    const double converted = static_cast<double>(frames) * Rate / rate;
    std::lock_guard<std::mutex> guard(lock_);
    if (static_cast<double>(movieWaiting()) + converted > static_cast<double>(MaxQueuedMovieFrames))
        return false;
    if (!movieStream_ || movieChannels_ != channels || movieRate_ != rate || movieFloat_ != isFloat) {
        if (movieStream_) {
            finishMovie();
            SDL_FreeAudioStream(movieStream_);
        }
        movieStream_ = newConverter(isFloat, channels, rate);
        if (!movieStream_) {
            error_ = SDL_GetError();
            movieChannels_ = movieRate_ = 0;
            return false;
        }
        movieChannels_ = channels;
        movieRate_ = rate;
        movieFloat_ = isFloat;
    }
    const std::size_t bytes = frames * static_cast<std::size_t>(channels) * sampleBytes;
    if (SDL_AudioStreamPut(movieStream_, samples, static_cast<int>(bytes)) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    movieHeld_ += converted;
    drainMovie();
    return true;
}

// Called with the lock held.
void AudioMixer::drainMovie()
{
    // The mixed part goes first, so that the queue never keeps what was already played.
    if (movieRead_ > 0) {
        movieQueue_.erase(movieQueue_.begin(), movieQueue_.begin() + static_cast<std::ptrdiff_t>(movieRead_ * Channels));
        movieRead_ = 0;
    }
    const std::size_t before = movieQueue_.size();
    drainConverter(movieStream_, movieQueue_);
    movieHeld_ = std::max(0.0, movieHeld_ - static_cast<double>((movieQueue_.size() - before) / Channels));
}

// Called with the lock held.
std::size_t AudioMixer::movieWaiting() const
{
    return movieQueue_.size() / Channels - movieRead_ + static_cast<std::size_t>(movieHeld_ + 0.5);
}

void AudioMixer::finishMovieSamples()
{
    std::lock_guard<std::mutex> guard(lock_);
    finishMovie();
}

// Called with the lock held.
void AudioMixer::finishMovie()
{
    if (!movieStream_)
        return;
    const std::size_t real = movieQueue_.size() / Channels + static_cast<std::size_t>(movieHeld_ + 0.5);
    padConverter(movieStream_, movieChannels_, movieRate_, movieFloat_);
    drainConverter(movieStream_, movieQueue_);
    SDL_AudioStreamClear(movieStream_);
    if (movieQueue_.size() > real * Channels)
        movieQueue_.resize(real * Channels);
    movieHeld_ = 0;
}

void AudioMixer::clearMovieSamples()
{
    std::lock_guard<std::mutex> guard(lock_);
    movieQueue_.clear();
    movieRead_ = 0;
    moviePlayed_ = 0;
    movieHeld_ = 0;
    if (movieStream_)
        SDL_AudioStreamClear(movieStream_);
}

std::size_t AudioMixer::queuedMovieFrames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return movieWaiting();
}

uint64_t AudioMixer::playedMovieFrames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return moviePlayed_;
}

void AudioMixer::setWaveVolume(uint16_t left, uint16_t right)
{
    std::lock_guard<std::mutex> guard(lock_);
    waveLeft_ = left;
    waveRight_ = right;
}

void AudioMixer::waveVolume(uint16_t& left, uint16_t& right) const
{
    std::lock_guard<std::mutex> guard(lock_);
    left = waveLeft_;
    right = waveRight_;
}

void AudioMixer::setMusicVolume(uint16_t left, uint16_t right)
{
    std::lock_guard<std::mutex> guard(lock_);
    musicLeft_ = left;
    musicRight_ = right;
}

void AudioMixer::musicVolume(uint16_t& left, uint16_t& right) const
{
    std::lock_guard<std::mutex> guard(lock_);
    left = musicLeft_;
    right = musicRight_;
}

void AudioMixer::render(float* out, std::size_t frames)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_ || output_ != Output::Manual) {
        std::fill(out, out + frames * Channels, 0.0f);
        return;
    }
    mix(out, frames);
}

void AudioMixer::deviceCallback(void* self, uint8_t* stream, int length)
{
    auto* mixer = static_cast<AudioMixer*>(self);
    std::lock_guard<std::mutex> guard(mixer->lock_);
    mixer->mix(reinterpret_cast<float*>(stream), static_cast<std::size_t>(length / bytesPerFrame));
}

void AudioMixer::mixClip(float* out, std::size_t frames)
{
    if (!clip_ || !clipStream_)
        return;
    const AudioClip& clip = *clip_;
    const std::size_t clipFrames = clip.frames();
    const int wanted = static_cast<int>(frames) * bytesPerFrame;
    while (!clipDrained_ && SDL_AudioStreamAvailable(clipStream_) < wanted) {
        std::size_t count = std::min(kFeedFrames, clipFrames - clipPosition_);
        const int16_t* from = clip.samples.data() + clipPosition_ * static_cast<std::size_t>(clip.channels);
        if (SDL_AudioStreamPut(clipStream_, from, static_cast<int>(count * static_cast<std::size_t>(clip.channels) * sizeof(int16_t))) != 0) {
            clipDrained_ = true;
            break;
        }
        clipPosition_ += count;
        if (clipPosition_ >= clipFrames) {
            if (clipLooping_) {
                clipPosition_ = 0;
            } else {
                padConverter(clipStream_, clip.channels, clip.rate, false);
                clipDrained_ = true;
            }
        }
    }
    scratch_.assign(frames * Channels, 0.0f);
    int got = SDL_AudioStreamGet(clipStream_, scratch_.data(), wanted);
    if (got < 0)
        got = 0;
    std::size_t gotFrames = static_cast<std::size_t>(got / bytesPerFrame);
    if (!clipLooping_) {
        // Only the clip's own length, not the silence that pushed its end out of the converter.
        gotFrames = static_cast<std::size_t>(std::min<uint64_t>(gotFrames, clipOutputFrames_ - std::min(clipOutputFrames_, clipGiven_)));
        clipGiven_ += gotFrames;
    }
    const float left = gainOf(waveLeft_), right = gainOf(waveRight_);
    for (std::size_t i = 0; i < gotFrames; ++i) {
        out[2 * i] += scratch_[2 * i] * left;
        out[2 * i + 1] += scratch_[2 * i + 1] * right;
    }
    if (clipDrained_ && (SDL_AudioStreamAvailable(clipStream_) == 0 || (!clipLooping_ && clipGiven_ >= clipOutputFrames_))) {
        clip_.reset();
        SDL_AudioStreamClear(clipStream_);
    }
}

void AudioMixer::mix(float* out, std::size_t frames)
{
    std::fill(out, out + frames * Channels, 0.0f);
    mixClip(out, frames);

    if (music_) {
        scratch_.assign(frames * Channels, 0.0f);
        music_(scratch_.data(), frames);
        const float left = gainOf(musicLeft_), right = gainOf(musicRight_);
        for (std::size_t i = 0; i < frames; ++i) {
            out[2 * i] += scratch_[2 * i] * left;
            out[2 * i + 1] += scratch_[2 * i + 1] * right;
        }
    }

    const std::size_t movieFrames = std::min(frames, movieQueue_.size() / Channels - movieRead_);
    if (movieFrames > 0) {
        const float* from = movieQueue_.data() + movieRead_ * Channels;
        const float left = gainOf(waveLeft_), right = gainOf(waveRight_);
        for (std::size_t i = 0; i < movieFrames; ++i) {
            out[2 * i] += from[2 * i] * left;
            out[2 * i + 1] += from[2 * i + 1] * right;
        }
        movieRead_ += movieFrames;
        moviePlayed_ += movieFrames;
        if (movieRead_ * Channels == movieQueue_.size()) {
            movieQueue_.clear();
            movieRead_ = 0;
        }
    }

    bool quiet = true;
    for (std::size_t i = 0; i < frames * Channels; ++i) {
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
        quiet = quiet && std::fabs(out[i]) < kQuietLevel;
    }
    quietFrames_ = quiet ? quietFrames_ + frames : 0;
    if (capturing_ && capture_.size() < captureLimit_ * Channels) {
        const std::size_t keep = std::min(frames, captureLimit_ - capture_.size() / Channels);
        capture_.insert(capture_.end(), out, out + keep * Channels);
    }
    framesMixed_ += frames;
}

void AudioMixer::startCapture(std::size_t maxFrames)
{
    std::lock_guard<std::mutex> guard(lock_);
    capture_.clear();
    capture_.reserve(std::min<std::size_t>(maxFrames, static_cast<std::size_t>(Rate) * 60) * Channels);
    captureLimit_ = maxFrames;
    capturing_ = true;
}

std::vector<float> AudioMixer::takeCapture()
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<float> out;
    out.swap(capture_);
    return out;
}

std::size_t AudioMixer::capturedFrames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return capture_.size() / Channels;
}

void AudioMixer::stopCapture()
{
    std::lock_guard<std::mutex> guard(lock_);
    capturing_ = false;
    capture_.clear();
}

} // namespace vel::platform
