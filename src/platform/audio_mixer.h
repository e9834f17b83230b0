// The one audio output: an SDL2 device, opened on first use, fed by a small mixer of three sources —
// the wave sound (a whole clip, once or looping), the music (a generator that renders as the device
// asks) and the movie's sound (samples pushed by the movie player). Everything is mixed as
// interleaved stereo floats at Rate frames a second.
//
// Without a device (Output::Manual) nothing runs by itself: render() pulls the mix, which is what
// tests and benchmarks use. A capture keeps a copy of what was mixed, whichever way it was pulled.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"

struct _SDL_AudioStream;

namespace vel::platform {

// A sound held whole: interleaved signed 16-bit samples at the sound's own rate.
struct AudioClip {
    std::vector<int16_t> samples;
    int channels = 1;
    int rate = 22050;
    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Fills `frames` stereo frames at the mixer's rate (already zeroed); runs on the audio thread with the
// mixer locked, so it must not call back into the mixer.
using AudioGenerator = std::function<void(float* out, std::size_t frames)>;

class AudioMixer {
public:
    static constexpr int Rate = 44100;
    static constexpr int Channels = 2;
    // Rates outside these are refused rather than handed to the resampler.
    static constexpr int MinSourceRate = 1000;
    static constexpr int MaxSourceRate = 384000;
    // The most movie sound held ahead of the device.
    static constexpr std::size_t MaxQueuedMovieFrames = static_cast<std::size_t>(Rate) * 10;
    static constexpr uint16_t FullVolume = 0xFFFF;

    enum class Output { Device, Manual };

    AudioMixer();
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // Device: SDL's audio, with its "dummy" driver when headless (unless SDL_AUDIODRIVER names
    // another, such as "disk") and as the last resort when no real device opens. Opening again while
    // open keeps the output there is.
    bool open(Output output = Output::Device);
    // Opens the device when nothing is open yet.
    bool ensureOpen() { return isOpen() || open(Output::Device); }

    // The device runs only while something sounds. It opens paused, and each source that starts
    // resumes it. settle, called in the program's idle time with its clock, pauses it once nothing
    // plays (`silent`: no sound or tune is playing as the program sees it) and the mix has gone
    // quiet (the last samples of a clip or the ring of a tune have sounded). SDL still wakes a
    // paused device's thread for every block, so after ReleaseAfter milliseconds of pause the
    // device is closed, and the next source opens it again. Answers the milliseconds until it
    // wants to be asked again (NothingDue: not before something plays).
    static constexpr uint32_t ReleaseAfter = 2000;
    uint32_t settle(bool silent, uint32_t now);
    enum class DeviceState { None, Running, Paused };
    DeviceState deviceState() const;
    void close();
    bool isOpen() const { return open_; }
    Output output() const { return output_; }
    // The SDL driver in use ("dummy", "disk", "pulseaudio" ...); empty without a device.
    const std::string& driverName() const { return driver_; }
    const std::string& lastError() const { return error_; }

    // The wave source. False when the clip cannot be played (no samples, a channel count or rate
    // the converter refuses, or no output).
    bool playClip(std::shared_ptr<const AudioClip> clip, bool looping);
    void stopClip();
    // Still producing samples (a looping clip always is).
    bool clipActive() const;

    // The music source: the generator is called for every block while set.
    void setMusicGenerator(AudioGenerator generator);
    void clearMusicGenerator();

    // The movie source: interleaved samples at any rate and 1 or 2 channels, converted as they are
    // pushed and played in order. False when refused (bad format, no output, or more than
    // MaxQueuedMovieFrames would be waiting).
    bool pushMovieSamples(const float* samples, std::size_t frames, int channels, int rate);
    bool pushMovieSamples(const int16_t* samples, std::size_t frames, int channels, int rate);
    void clearMovieSamples();
    // The last samples pushed: lets the converter give up the few it holds back to resample, so that
    // the end of the sound is heard too.
    void finishMovieSamples();
    // Frames (at Rate) pushed and not yet mixed (those the converter holds included), and frames mixed
    // since the last clear.
    std::size_t queuedMovieFrames() const;
    uint64_t playedMovieFrames() const;

    // Levels 0 ... FullVolume per channel: the wave-out level (the wave and the movie) and the
    // MIDI-out level (the music).
    void setWaveVolume(uint16_t left, uint16_t right);
    void waveVolume(uint16_t& left, uint16_t& right) const;
    void setMusicVolume(uint16_t left, uint16_t right);
    void musicVolume(uint16_t& left, uint16_t& right) const;

    // Manual output: mixes the next frames into out (Channels floats a frame).
    void render(float* out, std::size_t frames);

    // Keeps up to maxFrames of what is mixed from now on; take gives them and clears.
    void startCapture(std::size_t maxFrames);
    std::vector<float> takeCapture();
    std::size_t capturedFrames() const;
    void stopCapture();

    // Frames mixed since open, however they were pulled.
    uint64_t framesMixed() const { return framesMixed_.load(); }

private:
    struct StreamSource;
    static void deviceCallback(void* self, uint8_t* stream, int length);
    void mix(float* out, std::size_t frames);
    void mixClip(float* out, std::size_t frames);
    bool pushMovie(const void* samples, std::size_t frames, int channels, int rate, bool isFloat);
    void drainMovie();
    void finishMovie();
    std::size_t movieWaiting() const;
    bool openDevice();
    void releaseDevice();
    // Resumes the device (opening it again if it was let go) for a source that starts.
    bool wake();

    mutable std::mutex lock_;
    bool open_ = false;
    Output output_ = Output::Manual;
    uint32_t device_ = 0;
    bool subsystem_ = false;
    bool paused_ = false;
    uint32_t pausedAt_ = 0;
    std::size_t quietFrames_ = 0; // frames mixed since the output last made a sound
    std::string driver_;
    std::string error_;

    // Wave source.
    std::shared_ptr<const AudioClip> clip_;
    bool clipLooping_ = false;
    std::size_t clipPosition_ = 0; // frames of the clip handed to the converter
    bool clipDrained_ = true;
    uint64_t clipOutputFrames_ = 0; // the clip's length at the mixer's rate
    uint64_t clipGiven_ = 0;
    _SDL_AudioStream* clipStream_ = nullptr;

    // Music source.
    AudioGenerator music_;

    // Movie source.
    _SDL_AudioStream* movieStream_ = nullptr;
    int movieChannels_ = 0;
    int movieRate_ = 0;
    bool movieFloat_ = false;
    std::vector<float> movieQueue_; // converted frames not yet mixed
    std::size_t movieRead_ = 0;     // frames of movieQueue_ already mixed
    double movieHeld_ = 0;          // frames the converter has been given and not yet given back
    uint64_t moviePlayed_ = 0;

    uint16_t waveLeft_ = FullVolume, waveRight_ = FullVolume;
    uint16_t musicLeft_ = FullVolume, musicRight_ = FullVolume;

    std::vector<float> scratch_;
    std::vector<float> capture_;
    std::size_t captureLimit_ = 0;
    bool capturing_ = false;
    std::atomic<uint64_t> framesMixed_{0};
};

} // namespace vel::platform
