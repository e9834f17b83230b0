// FFmpeg's libraries, loaded by their versioned names on the first movie decoded or written, and the
// entries the movie decoder and the movie encoder call, in one table. For src/platform/ only: it
// brings in FFmpeg's headers.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/rational.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "platform/shared_library.h"

namespace vel::platform {

// FFmpeg's entries by the library that holds each; the libraries load in the order of
// FfmpegLibrary, each after those it needs.
#define VEL_FFMPEG_FUNCTIONS(X) \
    X(Util, av_log_set_callback) \
    X(Util, av_strerror) \
    X(Util, av_frame_alloc) \
    X(Util, av_frame_free) \
    X(Util, av_frame_unref) \
    X(Util, av_frame_get_buffer) \
    X(Util, av_frame_make_writable) \
    X(Util, av_channel_layout_copy) \
    X(Util, av_channel_layout_default) \
    X(Util, av_channel_layout_uninit) \
    X(Util, av_channel_layout_compare) \
    X(Util, av_rescale_q) \
    X(Util, av_d2q) \
    X(Util, av_dict_set) \
    X(Util, av_dict_free) \
    X(Resample, swr_alloc_set_opts2) \
    X(Resample, swr_init) \
    X(Resample, swr_free) \
    X(Resample, swr_get_out_samples) \
    X(Resample, swr_convert) \
    X(Scale, sws_getCachedContext) \
    X(Scale, sws_freeContext) \
    X(Scale, sws_scale) \
    X(Codec, avcodec_alloc_context3) \
    X(Codec, avcodec_free_context) \
    X(Codec, avcodec_parameters_to_context) \
    X(Codec, avcodec_parameters_from_context) \
    X(Codec, avcodec_find_encoder_by_name) \
    X(Codec, avcodec_open2) \
    X(Codec, avcodec_send_packet) \
    X(Codec, avcodec_receive_frame) \
    X(Codec, avcodec_send_frame) \
    X(Codec, avcodec_receive_packet) \
    X(Codec, avcodec_flush_buffers) \
    X(Codec, av_packet_alloc) \
    X(Codec, av_packet_free) \
    X(Codec, av_packet_unref) \
    X(Codec, av_packet_rescale_ts) \
    X(Format, av_find_input_format) \
    X(Format, avformat_open_input) \
    X(Format, avformat_find_stream_info) \
    X(Format, av_find_best_stream) \
    X(Format, avformat_close_input) \
    X(Format, av_guess_frame_rate) \
    X(Format, av_read_frame) \
    X(Format, av_seek_frame) \
    X(Format, avformat_alloc_output_context2) \
    X(Format, avformat_free_context) \
    X(Format, avformat_new_stream) \
    X(Format, avio_open) \
    X(Format, avio_closep) \
    X(Format, avformat_write_header) \
    X(Format, av_interleaved_write_frame) \
    X(Format, av_write_trailer)

enum FfmpegLibrary { Util, Resample, Scale, Codec, Format, FfmpegLibraries };

struct Ffmpeg {
#define VEL_DECLARE(library, name) decltype(&::name) name = nullptr;
    VEL_FFMPEG_FUNCTIONS(VEL_DECLARE)
#undef VEL_DECLARE
    SharedLibrary libraries[FfmpegLibraries];

    // FFmpeg's words for an error code ("Invalid data found when processing input"); empty when
    // it has none.
    std::string describe(int code) const;
};

// Loaded by the first caller; null after a failure, whose reason ("cannot load libavcodec.so.59:
// ...") goes to `failure` at every call. Never unloaded.
const Ffmpeg* loadFfmpeg(std::string& failure);

// FFmpeg's console messages are never printed: the movie layer reports failures in its own words.
// What FFmpeg says at error level about one context (a decoder, say) is counted while it is watched,
// since it still tells whether a picture came out whole. Movies run on the program's one thread.
void watchFfmpegComplaints(const void* context);
int ffmpegComplaints();

} // namespace vel::platform
