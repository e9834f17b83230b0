#include "platform/ffmpeg_library.h"

#include <cstdarg>

namespace vel::platform {

namespace {

constexpr const char* FfmpegNames[FfmpegLibraries] = {VEL_LIBAVUTIL_NAME, VEL_LIBSWRESAMPLE_NAME, VEL_LIBSWSCALE_NAME,
                                                      VEL_LIBAVCODEC_NAME, VEL_LIBAVFORMAT_NAME};

// The context whose complaints are being counted, and how many it made.
const void* watchedContext = nullptr;
int watchedComplaints = 0;

void logMessage(void* context, int level, const char*, va_list)
{
    if (context && context == watchedContext && level <= AV_LOG_ERROR)
        ++watchedComplaints;
}

} // namespace

std::string Ffmpeg::describe(int code) const
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) == 0 && text[0])
        return text;
    return {};
}

const Ffmpeg* loadFfmpeg(std::string& failure)
{
    static std::string reason;
    static const Ffmpeg* loaded = [] {
        auto* table = new Ffmpeg;
        bool ok = true;
        for (int i = 0; ok && i < FfmpegLibraries; ++i)
            ok = table->libraries[i].open(FfmpegNames[i], reason);
#define VEL_FIND(library, name) ok = ok && table->libraries[library].find(table->name, #name, reason);
        VEL_FFMPEG_FUNCTIONS(VEL_FIND)
#undef VEL_FIND
        if (!ok) {
            delete table;
            return static_cast<const Ffmpeg*>(nullptr);
        }
        table->av_log_set_callback(logMessage);
        return static_cast<const Ffmpeg*>(table);
    }();
    if (!loaded)
        failure = reason;
    return loaded;
}

void watchFfmpegComplaints(const void* context)
{
    watchedContext = context;
    watchedComplaints = 0;
}

int ffmpegComplaints() { return watchedComplaints; }

} // namespace vel::platform
