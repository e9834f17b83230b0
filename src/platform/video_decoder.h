// Movie files through FFmpeg: the container's size, rate and length, its video frames converted to
// the project's 32-bit pixels at any size, and its sound as interleaved 16-bit samples. Failures
// leave a code and a text; nothing here reports through the value model.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pixels.h"

namespace vel::platform {

enum class VideoError : int {
    None = 0,
    FileNotFound = 1,
    UnrecognizedFormat = 2, // no container FFmpeg reads, or not one of those accepted
    NoVideoStream = 3,
    NoDecoder = 4,
    BadFrameSize = 5,
    OutOfMemory = 6,
    SeekFailed = 7,
    BadDestination = 8,
};

struct VideoInfo {
    int width = 0;
    int height = 0;
    double frameRate = 0;    // frames a second, always > 0 once open
    int64_t durationMs = 0;  // 0 when the container does not say
    int64_t frameCount = 0;  // from the container, or the duration at the frame rate
    std::string container;   // FFmpeg's name for the format, such as "avi" or "mpeg"
    bool hasSound = false;
};

class VideoDecoder {
public:
    // Largest frame accepted from a file or asked for as a destination, in either direction: three
    // times a full-screen picture of the media area, and a bound on what one file can make us allocate.
    static constexpr int MaxDimension = 2048;
    // Largest destination: the media area's width at the largest canvas scale (3840) fits.
    static constexpr int MaxDestinationDimension = 4096;

    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Whether FFmpeg has a reader for the container of that name. FFmpeg's libraries load on the
    // first call of this or of open, not with the program.
    static bool containerAvailable(std::string_view name);
    // Why FFmpeg cannot be loaded ("cannot load libavcodec.so.59: ..."); empty when it can.
    static std::string unavailableReason();

    // acceptedContainers: FFmpeg container names separated by commas; a file of any other container
    // is refused. Empty accepts every container that has a video stream.
    bool open(const std::string& path, std::string_view acceptedContainers = {});
    void close();
    bool isOpen() const;
    const VideoInfo& info() const { return info_; }

    VideoError error() const { return error_; }
    int errorCode() const { return static_cast<int>(error_); }
    // FFmpeg's words for the failure when it gave any, else a description of the code.
    const std::string& errorText() const { return errorText_; }

    // Sound leaves as interleaved signed 16-bit samples at this rate and channel count (1 or 2);
    // 0 channels drops it. Set before the first decode; the default drops it.
    void setSoundOutput(int rate, int channels);
    int soundRate() const { return soundRate_; }
    int soundChannels() const { return soundChannels_; }

    enum class Step { Frame, Pending, End };
    // Decodes the next picture into the upcoming slot. Pending: a bounded amount of the file was read
    // without completing one (call again); End: the file has no more pictures.
    Step decodeNext();
    bool hasUpcoming() const { return hasUpcoming_; }
    int64_t upcomingMs() const { return upcomingMs_; }
    // The upcoming picture becomes the current one.
    void takeUpcoming();
    bool hasCurrent() const { return hasCurrent_; }
    int64_t currentMs() const { return currentMs_; }
    // How a picture is scaled: bilinear is cheap; Lanczos keeps edges crisp when a picture is enlarged
    // to a sharp window's real pixels.
    enum class Filter { Bilinear, Lanczos };
    // Scales the current picture to fill the destination; false when there is none.
    bool convertCurrent(const PixelView& destination, Filter filter = Filter::Bilinear);

    // Moves the sound decoded so far to the end of out; returns the sample frames moved.
    size_t takeSound(std::vector<int16_t>& out);

    // The next picture decoded is the first at or after ms (positions count from the first picture).
    bool seek(int64_t ms);

    struct State; // FFmpeg's contexts, kept out of this header

private:
    void fail(VideoError code, int ffmpegCode = 0);
    std::unique_ptr<State> state_;
    VideoInfo info_;
    VideoError error_ = VideoError::None;
    std::string errorText_;
    int soundRate_ = 0;
    int soundChannels_ = 0;
    bool hasUpcoming_ = false;
    bool hasCurrent_ = false;
    int64_t upcomingMs_ = 0;
    int64_t currentMs_ = 0;
};

} // namespace vel::platform
