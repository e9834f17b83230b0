#include "platform/movie_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/ffmpeg_library.h"

namespace vel::platform {

namespace {

constexpr const char* PictureEncoder = "libvpx";
constexpr const char* SoundEncoder = "libvorbis";
constexpr double MaxFrameRate = 240.0;
// Bits a pixel of each picture: enough for the small movies of a disc of the time to keep their
// detail at VP8's fastest settings (about 300 kbit/s for 320 x 240 at 15 a second).
constexpr double BitsPerPixel = 0.25;
constexpr int64_t MinPictureBitRate = 150'000;
constexpr int64_t MaxPictureBitRate = 4'000'000;
constexpr int64_t SoundBitRatePerChannel = 48'000;
// A key picture every few seconds, so that a browser can seek.
constexpr double KeyPictureSeconds = 4.0;
// Sample frames handed to an encoder that takes any number.
constexpr int SoundChunk = 1024;

} // namespace

struct MovieEncoder::State {
    explicit State(const Ffmpeg& library) : ff(library) {}
    const Ffmpeg& ff;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* soundStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* soundFrame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    AVRational frameRate{0, 1};
    int64_t lastPts = -1;
    int64_t soundPts = 0;
    int soundFrameSize = SoundChunk;
    // Interleaved samples waiting for a whole frame of the sound encoder.
    std::vector<int16_t> pending;
    bool fileOpen = false;
    bool failed = false;

    ~State()
    {
        ff.sws_freeContext(scaler);
        ff.av_frame_free(&picture);
        ff.av_frame_free(&soundFrame);
        ff.av_packet_free(&packet);
        ff.avcodec_free_context(&video);
        ff.avcodec_free_context(&sound);
        if (format) {
            if (fileOpen)
                ff.avio_closep(&format->pb);
            ff.avformat_free_context(format);
        }
    }
};

MovieEncoder::MovieEncoder() = default;

MovieEncoder::~MovieEncoder() { discard(); }

std::string MovieEncoder::unavailableReason()
{
    std::string reason;
    const Ffmpeg* ff = loadFfmpeg(reason);
    if (!ff)
        return reason;
    for (const char* name : {PictureEncoder, SoundEncoder})
        if (!ff->avcodec_find_encoder_by_name(name))
            return std::string("FFmpeg has no encoder ") + name;
    return {};
}

bool MovieEncoder::fail(const std::string& what, int ffmpegCode)
{
    if (errorText_.empty()) {
        errorText_ = what;
        if (ffmpegCode < 0 && state_)
            if (const std::string text = state_->ff.describe(ffmpegCode); !text.empty())
                errorText_ += " (" + text + ")";
    }
    if (state_)
        state_->failed = true;
    return false;
}

void MovieEncoder::discard()
{
    const bool begun = state_ && state_->fileOpen;
    state_.reset();
    if (begun)
        std::remove(path_.c_str());
}

namespace {

// The encoder's output so far, written to the file: 0, or FFmpeg's code for a failure to encode or write.
int drain(MovieEncoder::State& s, AVCodecContext* codec, AVStream* stream)
{
    const Ffmpeg& ff = s.ff;
    for (;;) {
        int r = ff.avcodec_receive_packet(codec, s.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return r;
        ff.av_packet_rescale_ts(s.packet, codec->time_base, stream->time_base);
        s.packet->stream_index = stream->index;
        // The muxer takes the packet's data over and leaves it blank.
        r = ff.av_interleaved_write_frame(s.format, s.packet);
        if (r < 0)
            return r;
    }
}

AVCodecContext* openPictureEncoder(const Ffmpeg& ff, const AVCodec* codec, const MovieFormat& format,
                                   AVRational frameRate, bool globalHeader, int& result)
{
    AVCodecContext* c = ff.avcodec_alloc_context3(codec);
    if (!c) {
        result = AVERROR(ENOMEM);
        return nullptr;
    }
    c->width = format.width;
    c->height = format.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->framerate = frameRate;
    c->time_base = AVRational{frameRate.den, frameRate.num};
    c->gop_size = std::max(1, static_cast<int>(std::lround(format.frameRate * KeyPictureSeconds)));
    c->bit_rate = std::clamp<int64_t>(
        static_cast<int64_t>(double(format.width) * format.height * format.frameRate * BitsPerPixel), MinPictureBitRate,
        MaxPictureBitRate);
    // As many threads as FFmpeg finds worth it, as the ffmpeg program does: a movie is converted
    // while nothing else waits for the processor.
    c->thread_count = 0;
    if (globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    ff.av_dict_set(&options, "deadline", "realtime", 0);
    ff.av_dict_set(&options, "cpu-used", "8", 0);
    ff.av_dict_set(&options, "lag-in-frames", "0", 0);
    result = ff.avcodec_open2(c, codec, &options);
    ff.av_dict_free(&options);
    if (result < 0)
        ff.avcodec_free_context(&c);
    return c;
}

AVCodecContext* openSoundEncoder(const Ffmpeg& ff, const AVCodec* codec, const MovieFormat& format,
                                 bool globalHeader, int& result)
{
    AVCodecContext* c = ff.avcodec_alloc_context3(codec);
    if (!c) {
        result = AVERROR(ENOMEM);
        return nullptr;
    }
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = format.soundRate;
    ff.av_channel_layout_default(&c->ch_layout, format.soundChannels);
    c->time_base = AVRational{1, format.soundRate};
    c->bit_rate = SoundBitRatePerChannel * format.soundChannels;
    if (globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = ff.avcodec_open2(c, codec, nullptr);
    if (result < 0)
        ff.avcodec_free_context(&c);
    return c;
}

bool takesPlanarFloat(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return true;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP)
            return true;
    return false;
}

} // namespace

bool MovieEncoder::open(const std::string& path, const MovieFormat& format)
{
    discard();
    errorText_.clear();
    pictures_ = 0;
    path_ = path;

    if (format.width <= 0 || format.height <= 0 || format.width > MaxDimension || format.height > MaxDimension)
        return fail("the picture size " + std::to_string(format.width) + " x " + std::to_string(format.height) +
                    " cannot be encoded");
    if (!(format.frameRate > 0 && format.frameRate <= MaxFrameRate))
        return fail("the frame rate " + std::to_string(format.frameRate) + " cannot be encoded");
    const bool withSound = format.soundRate > 0;
    if (withSound && (format.soundRate > 192000 || format.soundChannels < 1 || format.soundChannels > 2))
        return fail("the sound of " + std::to_string(format.soundChannels) + " channels at " +
                    std::to_string(format.soundRate) + " a second cannot be encoded");

    std::string missing;
    const Ffmpeg* library = loadFfmpeg(missing);
    if (!library)
        return fail(missing);
    const Ffmpeg& ff = *library;
    state_ = std::make_unique<State>(ff);
    State& s = *state_;

    const AVCodec* pictureCodec = ff.avcodec_find_encoder_by_name(PictureEncoder);
    if (!pictureCodec)
        return fail(std::string("FFmpeg has no encoder ") + PictureEncoder);
    const AVCodec* soundCodec = nullptr;
    if (withSound) {
        soundCodec = ff.avcodec_find_encoder_by_name(SoundEncoder);
        if (!soundCodec)
            return fail(std::string("FFmpeg has no encoder ") + SoundEncoder);
        if (!takesPlanarFloat(soundCodec))
            return fail(std::string("the encoder ") + SoundEncoder + " does not take the sound as given");
    }

    int r = ff.avformat_alloc_output_context2(&s.format, nullptr, "webm", path.c_str());
    if (r < 0 || !s.format)
        return fail("FFmpeg cannot write WebM", r);
    const bool globalHeader = (s.format->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    s.frameRate = ff.av_d2q(format.frameRate, 1001000);
    if (s.frameRate.num <= 0 || s.frameRate.den <= 0)
        return fail("the frame rate " + std::to_string(format.frameRate) + " cannot be encoded");
    s.video = openPictureEncoder(ff, pictureCodec, format, s.frameRate, globalHeader, r);
    if (!s.video)
        return fail("the VP8 encoder refused the pictures", r);
    s.videoStream = ff.avformat_new_stream(s.format, nullptr);
    if (!s.videoStream || (r = ff.avcodec_parameters_from_context(s.videoStream->codecpar, s.video)) < 0)
        return fail("the movie's picture stream cannot be made", r);
    s.videoStream->time_base = s.video->time_base;
    // Written as the track's default duration, from which players take the rate.
    s.videoStream->avg_frame_rate = s.frameRate;

    if (withSound) {
        s.sound = openSoundEncoder(ff, soundCodec, format, globalHeader, r);
        if (!s.sound)
            return fail("the Vorbis encoder refused the sound", r);
        s.soundStream = ff.avformat_new_stream(s.format, nullptr);
        if (!s.soundStream || (r = ff.avcodec_parameters_from_context(s.soundStream->codecpar, s.sound)) < 0)
            return fail("the movie's sound stream cannot be made", r);
        s.soundStream->time_base = s.sound->time_base;
        s.soundFrameSize = s.sound->frame_size > 0 ? s.sound->frame_size : SoundChunk;
        s.soundFrame = ff.av_frame_alloc();
        if (!s.soundFrame)
            return fail("not enough memory for the movie's sound");
        s.soundFrame->format = AV_SAMPLE_FMT_FLTP;
        s.soundFrame->sample_rate = format.soundRate;
        s.soundFrame->nb_samples = s.soundFrameSize;
        if ((r = ff.av_channel_layout_copy(&s.soundFrame->ch_layout, &s.sound->ch_layout)) < 0 ||
            (r = ff.av_frame_get_buffer(s.soundFrame, 0)) < 0)
            return fail("not enough memory for the movie's sound", r);
    }

    s.picture = ff.av_frame_alloc();
    s.packet = ff.av_packet_alloc();
    if (!s.picture || !s.packet)
        return fail("not enough memory for the movie");
    s.picture->format = AV_PIX_FMT_YUV420P;
    s.picture->width = format.width;
    s.picture->height = format.height;
    if ((r = ff.av_frame_get_buffer(s.picture, 0)) < 0)
        return fail("not enough memory for the movie's pictures", r);

    if ((r = ff.avio_open(&s.format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
        return fail("cannot write " + path, r);
    s.fileOpen = true;
    if ((r = ff.avformat_write_header(s.format, nullptr)) < 0)
        return fail("cannot write the movie's header", r);
    return true;
}

bool MovieEncoder::addPicture(const PixelView& picture, int64_t ms)
{
    if (!state_ || state_->failed || !state_->video)
        return fail("no movie is being written");
    State& s = *state_;
    const Ffmpeg& ff = s.ff;
    if (!picture.pixels || picture.width != s.video->width || picture.height != s.video->height ||
        picture.stride < picture.width)
        return fail("a picture does not have the movie's size");
    int r = ff.av_frame_make_writable(s.picture);
    if (r < 0)
        return fail("not enough memory for the movie's pictures", r);
    s.scaler = ff.sws_getCachedContext(s.scaler, picture.width, picture.height, AV_PIX_FMT_RGB32, s.video->width,
                                       s.video->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.scaler)
        return fail("the pictures cannot be converted for the encoder");
    const uint8_t* planes[4] = {reinterpret_cast<const uint8_t*>(picture.pixels), nullptr, nullptr, nullptr};
    const int strides[4] = {picture.stride * 4, 0, 0, 0};
    ff.sws_scale(s.scaler, planes, strides, 0, picture.height, s.picture->data, s.picture->linesize);

    // The frame whose slot holds that time; a picture that arrives late for its slot takes the next.
    int64_t pts = std::llround(double(std::max<int64_t>(ms, 0)) * s.frameRate.num / (1000.0 * s.frameRate.den));
    pts = std::max(pts, s.lastPts + 1);
    s.lastPts = pts;
    s.picture->pts = pts;
    if ((r = ff.avcodec_send_frame(s.video, s.picture)) < 0)
        return fail("the VP8 encoder refused a picture", r);
    if ((r = drain(s, s.video, s.videoStream)) < 0)
        return fail("cannot write the movie's pictures", r);
    ++pictures_;
    return true;
}

namespace {

// One frame of the sound encoder from the first `frames` of the pending samples.
int encodeSound(MovieEncoder::State& s, int frames)
{
    const Ffmpeg& ff = s.ff;
    AVFrame* f = s.soundFrame;
    int r = ff.av_frame_make_writable(f);
    if (r < 0)
        return r;
    const int channels = s.sound->ch_layout.nb_channels;
    f->nb_samples = frames;
    for (int c = 0; c < channels; ++c) {
        auto* out = reinterpret_cast<float*>(f->extended_data[c]);
        for (int i = 0; i < frames; ++i)
            out[i] = s.pending[static_cast<std::size_t>(i) * channels + c] / 32768.0f;
    }
    f->pts = s.soundPts;
    s.soundPts += frames;
    s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<std::ptrdiff_t>(frames) * channels);
    if ((r = ff.avcodec_send_frame(s.sound, f)) < 0)
        return r;
    return drain(s, s.sound, s.soundStream);
}

} // namespace

bool MovieEncoder::addSound(const int16_t* samples, std::size_t frames)
{
    if (!state_ || state_->failed)
        return fail("no movie is being written");
    State& s = *state_;
    if (!s.sound || frames == 0)
        return true;
    const std::size_t channels = static_cast<std::size_t>(s.sound->ch_layout.nb_channels);
    s.pending.insert(s.pending.end(), samples, samples + frames * channels);
    while (s.pending.size() >= static_cast<std::size_t>(s.soundFrameSize) * channels)
        if (int r = encodeSound(s, s.soundFrameSize); r < 0)
            return fail("cannot encode the movie's sound", r);
    return true;
}

bool MovieEncoder::finish()
{
    if (!state_ || state_->failed) {
        fail("no movie is being written");
        discard();
        return false;
    }
    State& s = *state_;
    const Ffmpeg& ff = s.ff;
    bool ok = true;
    int r = 0;
    if (pictures_ == 0)
        ok = fail("the movie has no pictures");
    if (ok && s.sound) {
        const int left = static_cast<int>(s.pending.size() / static_cast<std::size_t>(s.sound->ch_layout.nb_channels));
        if (left > 0 && (r = encodeSound(s, left)) < 0)
            ok = fail("cannot encode the movie's sound", r);
        if (ok && ((r = ff.avcodec_send_frame(s.sound, nullptr)) < 0 || (r = drain(s, s.sound, s.soundStream)) < 0))
            ok = fail("cannot encode the movie's sound", r);
    }
    if (ok && ((r = ff.avcodec_send_frame(s.video, nullptr)) < 0 || (r = drain(s, s.video, s.videoStream)) < 0))
        ok = fail("cannot encode the movie's pictures", r);
    if (ok && (r = ff.av_write_trailer(s.format)) < 0)
        ok = fail("cannot complete the movie", r);
    if (ok) {
        // Closing writes what is buffered: a full disk shows here.
        const int error = s.format->pb->error;
        r = ff.avio_closep(&s.format->pb);
        s.fileOpen = false;
        if (error < 0 || r < 0) {
            std::remove(path_.c_str());
            ok = fail("cannot write " + path_, error < 0 ? error : r);
        }
    }
    if (!ok) {
        discard();
        return false;
    }
    state_.reset();
    return true;
}

} // namespace vel::platform
