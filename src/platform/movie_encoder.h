// Frames and samples in, a WebM file out: pictures of the project's 32-bit pixels encoded as VP8, and
// interleaved 16-bit sound as Vorbis, through FFmpeg's libraries (loaded on first use, as the movie
// decoder loads them). Settings favour speed: a disc's movies are converted in one sitting. Failures
// leave a text; nothing here reports through the value model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/pixels.h"

namespace vel::platform {

struct MovieFormat {
    int width = 0;
    int height = 0;
    double frameRate = 0;  // pictures a second
    int soundRate = 0;     // samples a second; 0 for a movie without sound
    int soundChannels = 0; // 1 or 2 when soundRate is set
};

class MovieEncoder {
public:
    // Largest picture accepted in either direction.
    static constexpr int MaxDimension = 4096;

    MovieEncoder();
    // A file begun and not finished is removed.
    ~MovieEncoder();
    MovieEncoder(const MovieEncoder&) = delete;
    MovieEncoder& operator=(const MovieEncoder&) = delete;

    // Why FFmpeg or one of its encoders cannot be had; empty when a WebM file can be written.
    static std::string unavailableReason();

    // Begins the file at path (replacing what is there). False, the reason in errorText, when the
    // format is not one to encode, an encoder is missing or the file cannot be made.
    bool open(const std::string& path, const MovieFormat& format);
    // A picture of the format's size shown from ms (counted from the movie's start). Pictures come in
    // order of time; one that falls on the time of the one before moves to the next frame's slot.
    bool addPicture(const PixelView& picture, int64_t ms);
    // frames sample frames of interleaved samples, following the sound given before.
    bool addSound(const int16_t* samples, std::size_t frames);
    // Encodes what is still held back and completes the file. False when this or any step before
    // failed; the file is then removed.
    bool finish();

    const std::string& errorText() const { return errorText_; }
    int64_t picturesWritten() const { return pictures_; }

    struct State; // FFmpeg's contexts, kept out of this header

private:
    bool fail(const std::string& what, int ffmpegCode = 0);
    void discard();

    std::unique_ptr<State> state_;
    std::string path_;
    std::string errorText_;
    int64_t pictures_ = 0;
};

} // namespace vel::platform
