#include "platform/video_decoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include "platform/ffmpeg_library.h"

namespace vel::platform {

namespace {

// Packets read by one decode step before it gives the caller a turn; a file of nothing but
// undecodable packets then costs bounded time per step, and still ends because the file does.
constexpr int ReadsPerStep = 64;
// A rate the container does not give, or one no movie has, is taken as this.
constexpr double FallbackFrameRate = 25.0;
constexpr double MaxFrameRate = 240.0;
// Sound nobody takes is kept for at most this many seconds, then dropped.
constexpr int SoundBacklogSeconds = 8;
// A seek by time starts this much before its target.
constexpr int64_t SeekLeadMs = 1000;

const char* describe(VideoError code)
{
    switch (code) {
    case VideoError::None: return "no error";
    case VideoError::FileNotFound: return "The movie file cannot be found";
    case VideoError::UnrecognizedFormat: return "The file is not a movie of a format that can be played";
    case VideoError::NoVideoStream: return "The file holds no pictures";
    case VideoError::NoDecoder: return "No decoder is available for the movie's pictures";
    case VideoError::BadFrameSize: return "The movie's picture size is not usable";
    case VideoError::OutOfMemory: return "Not enough memory for the movie";
    case VideoError::SeekFailed: return "The movie cannot be positioned";
    case VideoError::BadDestination: return "The destination of the picture is not usable";
    }
    return "unknown error";
}

bool listHas(std::string_view list, std::string_view name)
{
    while (!list.empty()) {
        size_t comma = list.find(',');
        if (list.substr(0, comma) == name)
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// Whether two comma-separated lists of names share one.
bool listsMeet(std::string_view a, std::string_view b)
{
    while (!a.empty()) {
        size_t comma = a.find(',');
        if (listHas(b, a.substr(0, comma)))
            return true;
        if (comma == std::string_view::npos)
            break;
        a.remove_prefix(comma + 1);
    }
    return false;
}

} // namespace

struct VideoDecoder::State {
    explicit State(const Ffmpeg& library) : ff(library) {}
    const Ffmpeg& ff;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    int videoIndex = -1;
    int soundIndex = -1;
    AVRational timeBase{1, 1000};
    int64_t startPts = 0;
    double frameMs = 40;

    AVPacket* packet = nullptr;
    AVFrame* upcoming = nullptr;
    AVFrame* current = nullptr;
    AVFrame* soundFrame = nullptr;

    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    int resamplerRate = 0;
    int resamplerFormat = -1;
    AVChannelLayout resamplerLayout{};
    std::vector<int16_t> samples;

    bool demuxEnded = false;
    bool videoFlushed = false;
    int64_t skipBeforeMs = -1;
    int64_t lastMs = -1;
    // The upcoming picture is the file's first, decoded by open and not taken yet.
    bool firstPictureWaiting = false;

    ~State()
    {
        ff.sws_freeContext(scaler);
        ff.swr_free(&resampler);
        ff.av_channel_layout_uninit(&resamplerLayout);
        ff.av_frame_free(&upcoming);
        ff.av_frame_free(&current);
        ff.av_frame_free(&soundFrame);
        ff.av_packet_free(&packet);
        ff.avcodec_free_context(&video);
        ff.avcodec_free_context(&sound);
        ff.avformat_close_input(&format);
    }
};

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::containerAvailable(std::string_view name)
{
    std::string ignored;
    const Ffmpeg* ff = loadFfmpeg(ignored);
    return ff && ff->av_find_input_format(std::string(name).c_str()) != nullptr;
}

std::string VideoDecoder::unavailableReason()
{
    std::string reason;
    loadFfmpeg(reason);
    return reason;
}

void VideoDecoder::fail(VideoError code, int ffmpegCode)
{
    error_ = code;
    errorText_ = describe(code);
    std::string ignored;
    const Ffmpeg* ff = loadFfmpeg(ignored);
    if (ffmpegCode < 0 && ff) {
        if (const std::string text = ff->describe(ffmpegCode); !text.empty())
            errorText_ += " (" + text + ")";
    }
}

bool VideoDecoder::isOpen() const { return state_ && state_->video; }

void VideoDecoder::close()
{
    state_.reset();
    info_ = VideoInfo{};
    hasUpcoming_ = hasCurrent_ = false;
    upcomingMs_ = currentMs_ = 0;
}

bool VideoDecoder::open(const std::string& path, std::string_view acceptedContainers)
{
    close();
    error_ = VideoError::None;
    errorText_.clear();

    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(VideoError::FileNotFound);
        return false;
    }
    std::string missing;
    const Ffmpeg* library = loadFfmpeg(missing);
    if (!library) {
        fail(VideoError::NoDecoder);
        errorText_ = missing;
        return false;
    }
    const Ffmpeg& ff = *library;
    auto state = std::make_unique<State>(ff);
    int r = ff.avformat_open_input(&state->format, path.c_str(), nullptr, nullptr);
    if (r < 0) {
        fail(VideoError::UnrecognizedFormat, r);
        return false;
    }
    const char* container = state->format->iformat->name;
    if (!acceptedContainers.empty() && !listsMeet(container, acceptedContainers)) {
        fail(VideoError::UnrecognizedFormat);
        return false;
    }
    r = ff.avformat_find_stream_info(state->format, nullptr);
    if (r < 0) {
        fail(VideoError::UnrecognizedFormat, r);
        return false;
    }

    const AVCodec* videoCodec = nullptr;
    r = ff.av_find_best_stream(state->format, AVMEDIA_TYPE_VIDEO, -1, -1, &videoCodec, 0);
    if (r == AVERROR_DECODER_NOT_FOUND) {
        fail(VideoError::NoDecoder, r);
        return false;
    }
    if (r < 0) {
        fail(VideoError::NoVideoStream, r);
        return false;
    }
    state->videoIndex = r;
    AVStream* stream = state->format->streams[r];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0 || parameters->width > MaxDimension ||
        parameters->height > MaxDimension) {
        fail(VideoError::BadFrameSize);
        return false;
    }
    state->video = ff.avcodec_alloc_context3(videoCodec);
    if (!state->video) {
        fail(VideoError::OutOfMemory);
        return false;
    }
    // One thread: the machine is shared with the rest of the program, and the pictures are small.
    state->video->thread_count = 1;
    state->video->pkt_timebase = stream->time_base;
    if ((r = ff.avcodec_parameters_to_context(state->video, parameters)) < 0 ||
        (r = ff.avcodec_open2(state->video, videoCodec, nullptr)) < 0) {
        ff.avcodec_free_context(&state->video);
        fail(VideoError::NoDecoder, r);
        return false;
    }

    state->packet = ff.av_packet_alloc();
    state->upcoming = ff.av_frame_alloc();
    state->current = ff.av_frame_alloc();
    state->soundFrame = ff.av_frame_alloc();
    if (!state->packet || !state->upcoming || !state->current || !state->soundFrame) {
        ff.avcodec_free_context(&state->video);
        fail(VideoError::OutOfMemory);
        return false;
    }

    VideoInfo info;
    info.width = parameters->width;
    info.height = parameters->height;
    info.container = container;
    AVRational guessed = ff.av_guess_frame_rate(state->format, stream, nullptr);
    double rate = guessed.num > 0 && guessed.den > 0 ? av_q2d(guessed) : 0;
    info.frameRate = rate >= 1 && rate <= MaxFrameRate ? rate : FallbackFrameRate;
    state->timeBase = stream->time_base.num > 0 && stream->time_base.den > 0 ? stream->time_base : AVRational{1, 1000};
    state->startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    state->frameMs = 1000.0 / info.frameRate;
    // The stream's own length can come out short (MPEG streams whose last pictures carry no time);
    // the container's covers all of it.
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        info.durationMs = ff.av_rescale_q(stream->duration, state->timeBase, AVRational{1, 1000});
    if (state->format->duration != AV_NOPTS_VALUE && state->format->duration > 0)
        info.durationMs = std::max<int64_t>(info.durationMs, state->format->duration / (AV_TIME_BASE / 1000));
    info.durationMs = std::max<int64_t>(info.durationMs, 0);
    info.frameCount = stream->nb_frames > 0 ? stream->nb_frames
                                            : static_cast<int64_t>(std::llround(info.durationMs * info.frameRate / 1000.0));

    // A movie whose sound cannot be decoded still plays its pictures.
    const AVCodec* soundCodec = nullptr;
    int soundIndex = ff.av_find_best_stream(state->format, AVMEDIA_TYPE_AUDIO, -1, state->videoIndex, &soundCodec, 0);
    if (soundIndex >= 0 && soundCodec) {
        AVCodecContext* context = ff.avcodec_alloc_context3(soundCodec);
        if (context && ff.avcodec_parameters_to_context(context, state->format->streams[soundIndex]->codecpar) >= 0 &&
            ff.avcodec_open2(context, soundCodec, nullptr) >= 0) {
            state->sound = context;
            state->soundIndex = soundIndex;
            info.hasSound = true;
        } else {
            ff.avcodec_free_context(&context);
        }
    }
    // Streams we do not decode are not read into memory.
    for (unsigned i = 0; i < state->format->nb_streams; ++i)
        if (static_cast<int>(i) != state->videoIndex && static_cast<int>(i) != state->soundIndex)
            state->format->streams[i]->discard = AVDISCARD_ALL;

    state_ = std::move(state);
    info_ = std::move(info);
    // A file none of whose pictures decode is no movie: the first is decoded now, and waits. It
    // must decode whole; a picture the decoder patched up from a cut or damaged start does not count.
    watchFfmpegComplaints(state_->video);
    Step step = Step::Pending;
    while (step == Step::Pending)
        step = decodeNext();
    const int complaints = ffmpegComplaints();
    watchFfmpegComplaints(nullptr);
    if (step != Step::Frame || complaints > 0) {
        close();
        fail(VideoError::NoVideoStream);
        return false;
    }
    state_->firstPictureWaiting = true;
    return true;
}

void VideoDecoder::setSoundOutput(int rate, int channels)
{
    soundRate_ = rate > 0 && rate <= 192000 ? rate : 0;
    soundChannels_ = soundRate_ && (channels == 1 || channels == 2) ? channels : 0;
}

namespace {

void appendSound(VideoDecoder::State& state, const AVFrame* frame, int rate, int channels)
{
    const Ffmpeg& ff = state.ff;
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0)
        return;
    AVChannelLayout inLayout{};
    if (frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        ff.av_channel_layout_copy(&inLayout, &frame->ch_layout);
    else
        ff.av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels : 1);

    if (!state.resampler || state.resamplerRate != frame->sample_rate || state.resamplerFormat != frame->format ||
        ff.av_channel_layout_compare(&state.resamplerLayout, &inLayout) != 0) {
        ff.swr_free(&state.resampler);
        AVChannelLayout outLayout{};
        ff.av_channel_layout_default(&outLayout, channels);
        int r = ff.swr_alloc_set_opts2(&state.resampler, &outLayout, AV_SAMPLE_FMT_S16, rate, &inLayout,
                                    static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        ff.av_channel_layout_uninit(&outLayout);
        if (r < 0 || ff.swr_init(state.resampler) < 0) {
            ff.swr_free(&state.resampler);
            ff.av_channel_layout_uninit(&inLayout);
            return;
        }
        state.resamplerRate = frame->sample_rate;
        state.resamplerFormat = frame->format;
        ff.av_channel_layout_uninit(&state.resamplerLayout);
        ff.av_channel_layout_copy(&state.resamplerLayout, &inLayout);
    }
    ff.av_channel_layout_uninit(&inLayout);

    const size_t limit = static_cast<size_t>(rate) * channels * SoundBacklogSeconds;
    int room = ff.swr_get_out_samples(state.resampler, frame->nb_samples);
    if (room <= 0)
        return;
    size_t wanted = static_cast<size_t>(room) * channels;
    if (state.samples.size() + wanted > limit)
        return;
    size_t before = state.samples.size();
    state.samples.resize(before + wanted);
    auto* out = reinterpret_cast<uint8_t*>(state.samples.data() + before);
    int made = ff.swr_convert(state.resampler, &out, room, const_cast<const uint8_t**>(frame->extended_data),
                           frame->nb_samples);
    state.samples.resize(before + static_cast<size_t>(std::max(made, 0)) * channels);
}

void decodeSoundPacket(VideoDecoder::State& state, const AVPacket* packet, int rate, int channels)
{
    const Ffmpeg& ff = state.ff;
    if (ff.avcodec_send_packet(state.sound, packet) < 0 && packet)
        return;
    while (ff.avcodec_receive_frame(state.sound, state.soundFrame) == 0) {
        if (channels > 0 && state.skipBeforeMs < 0)
            appendSound(state, state.soundFrame, rate, channels);
        ff.av_frame_unref(state.soundFrame);
    }
}

} // namespace

VideoDecoder::Step VideoDecoder::decodeNext()
{
    if (!isOpen())
        return Step::End;
    State& s = *state_;
    const Ffmpeg& ff = s.ff;
    if (hasUpcoming_)
        return Step::Frame;
    int reads = 0;
    for (;;) {
        int r = ff.avcodec_receive_frame(s.video, s.upcoming);
        if (r == 0) {
            AVFrame* f = s.upcoming;
            if (f->width <= 0 || f->height <= 0 || f->width > MaxDimension || f->height > MaxDimension) {
                ff.av_frame_unref(f);
                continue;
            }
            int64_t pts = f->best_effort_timestamp;
            int64_t ms = pts != AV_NOPTS_VALUE
                             ? ff.av_rescale_q(pts - s.startPts, s.timeBase, AVRational{1, 1000})
                             : (s.lastMs < 0 ? 0 : s.lastMs + static_cast<int64_t>(s.frameMs));
            ms = std::max<int64_t>(ms, 0);
            if (s.skipBeforeMs >= 0 && ms + s.frameMs / 2 < s.skipBeforeMs) {
                ff.av_frame_unref(f);
                continue;
            }
            s.skipBeforeMs = -1;
            s.lastMs = ms;
            upcomingMs_ = ms;
            hasUpcoming_ = true;
            return Step::Frame;
        }
        if (r == AVERROR_EOF)
            return Step::End;
        // Otherwise the decoder wants input, or it refused a picture; either way read on.
        if (s.demuxEnded) {
            if (s.videoFlushed)
                return Step::End;
            ff.avcodec_send_packet(s.video, nullptr);
            if (s.sound)
                decodeSoundPacket(s, nullptr, soundRate_, soundChannels_);
            s.videoFlushed = true;
            continue;
        }
        if (reads++ >= ReadsPerStep)
            return Step::Pending;
        r = ff.av_read_frame(s.format, s.packet);
        if (r < 0) {
            s.demuxEnded = true;
            continue;
        }
        if (s.packet->stream_index == s.videoIndex)
            ff.avcodec_send_packet(s.video, s.packet);
        else if (s.packet->stream_index == s.soundIndex)
            decodeSoundPacket(s, s.packet, soundRate_, soundChannels_);
        ff.av_packet_unref(s.packet);
    }
}

void VideoDecoder::takeUpcoming()
{
    if (!hasUpcoming_)
        return;
    std::swap(state_->current, state_->upcoming);
    state_->ff.av_frame_unref(state_->upcoming);
    state_->firstPictureWaiting = false;
    hasUpcoming_ = false;
    hasCurrent_ = true;
    currentMs_ = upcomingMs_;
}

bool VideoDecoder::convertCurrent(const PixelView& destination, Filter filter)
{
    if (!hasCurrent_ || !isOpen())
        return false;
    if (!destination.pixels || destination.width <= 0 || destination.height <= 0 ||
        destination.width > MaxDestinationDimension || destination.height > MaxDestinationDimension ||
        destination.stride < destination.width) {
        fail(VideoError::BadDestination);
        return false;
    }
    State& s = *state_;
    const Ffmpeg& ff = s.ff;
    const AVFrame* f = s.current;
    s.scaler = ff.sws_getCachedContext(s.scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                    destination.width, destination.height, AV_PIX_FMT_RGB32,
                                    filter == Filter::Lanczos ? SWS_LANCZOS : SWS_BILINEAR,
                                    nullptr, nullptr, nullptr);
    if (!s.scaler) {
        fail(VideoError::NoDecoder);
        return false;
    }
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(destination.pixels), nullptr, nullptr, nullptr};
    int strides[4] = {destination.stride * 4, 0, 0, 0};
    ff.sws_scale(s.scaler, f->data, f->linesize, 0, f->height, planes, strides);
    return true;
}

size_t VideoDecoder::takeSound(std::vector<int16_t>& out)
{
    if (!state_ || soundChannels_ == 0 || state_->samples.empty())
        return 0;
    size_t frames = state_->samples.size() / soundChannels_;
    if (out.empty())
        out.swap(state_->samples); // each keeps its memory for the next round
    else
        out.insert(out.end(), state_->samples.begin(), state_->samples.end());
    state_->samples.clear();
    return frames;
}

bool VideoDecoder::seek(int64_t ms)
{
    if (!isOpen())
        return false;
    State& s = *state_;
    const Ffmpeg& ff = s.ff;
    ms = std::max<int64_t>(ms, 0);
    if (s.firstPictureWaiting && hasUpcoming_ && upcomingMs_ + s.frameMs / 2 >= ms) {
        // Playing from the start just after open: the picture wanted is already decoded, and
        // reading the file's start again would only repeat that work. The sound decoded with it
        // lies before it, and goes as a seek would drop it.
        if (s.resampler)
            ff.swr_init(s.resampler);
        s.samples.clear();
        return true;
    }
    s.firstPictureWaiting = false;
    int r = -1;
    // The start of an MPEG stream is the file's first byte; a seek by time can land on the key
    // picture after it when the first pictures carry no time.
    if (ms <= SeekLeadMs && listHas("mpeg,mpegts,mpegvideo,m4v,h261,h263,h264,hevc", s.format->iformat->name))
        r = ff.av_seek_frame(s.format, -1, 0, AVSEEK_FLAG_BYTE);
    if (r < 0) {
        // From a little early, so that the key picture before the target is read; the pictures
        // between are decoded and passed over.
        int64_t target = s.startPts + ff.av_rescale_q(std::max<int64_t>(ms - SeekLeadMs, 0), AVRational{1, 1000}, s.timeBase);
        r = ff.av_seek_frame(s.format, s.videoIndex, target, AVSEEK_FLAG_BACKWARD);
    }
    if (r < 0) {
        fail(VideoError::SeekFailed, r);
        return false;
    }
    ff.avcodec_flush_buffers(s.video);
    if (s.sound)
        ff.avcodec_flush_buffers(s.sound);
    if (s.resampler)
        ff.swr_init(s.resampler); // drops what it buffered from before the jump
    s.samples.clear();
    s.demuxEnded = false;
    s.videoFlushed = false;
    s.skipBeforeMs = ms;
    s.lastMs = -1;
    ff.av_frame_unref(s.upcoming);
    hasUpcoming_ = false;
    return true;
}

} // namespace vel::platform
