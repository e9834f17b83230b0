#include "discgen/discgen.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <map>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/surface.h"
#include "value/data_objects.h"
#include "value/string.h"
#include "value/table.h"

extern char** environ;

namespace vel::discgen {

Value field(const Value& entry, const char* key)
{
    Table* t = asTable(entry);
    return t ? t->get(Value::string(key)) : Value();
}

int intField(const Value& entry, const char* key, int fallback)
{
    Value v = field(entry, key);
    return v.isNil() ? fallback : velIntValue(v);
}

std::string textField(const Value& entry, const char* key, std::string_view fallback)
{
    Value v = field(entry, key);
    return v.isNil() ? std::string(fallback) : std::string(textOf(v));
}

void sizeField(const Value& entry, const char* key, int& width, int& height)
{
    if (Region* size = asRegion(field(entry, key))) {
        width = size->left;
        height = size->top;
    }
}

uint32_t pixelOf(int32_t colorRef)
{
    return platform::fromColorRef(colorRef) & 0xFFFFFF;
}

uint32_t colourField(const Value& entry, const char* key, uint32_t fallback)
{
    Value v = field(entry, key);
    return v.isNil() ? fallback : pixelOf(velIntValue(v));
}

platform::FontSpec fontField(const Value& entry, const char* key, const char* face, int points, bool bold)
{
    Value v = field(entry, key);
    if (!v.isNil())
        return DrawingSurface::fontSpecFor(v);
    platform::FontSpec font;
    font.face = face;
    font.pixelHeight = points * 96 / 72;
    font.bold = bold;
    return font;
}

void writeBytes(const fs::path& path, const media_writers::Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

media_writers::Bytes rle8Rows(const std::vector<uint8_t>& indices, int width, int height)
{
    media_writers::Bytes out;
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = indices.data() + static_cast<std::size_t>(y) * width;
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 2) {
                out.insert(out.end(), {static_cast<uint8_t>(run), row[x]});
                x += run;
                continue;
            }
            // Gather pixels up to the next run of two; fewer than three go out as runs of one, which
            // is all the absolute mode allows.
            int end = x + 1;
            while (end < width && end - x < 255 && !(end + 1 < width && row[end] == row[end + 1]))
                ++end;
            const int count = end - x;
            if (count < 3) {
                for (; x < end; ++x)
                    out.insert(out.end(), {1, row[x]});
                continue;
            }
            out.insert(out.end(), {0, static_cast<uint8_t>(count)});
            out.insert(out.end(), row + x, row + end);
            if (count % 2)
                out.push_back(0);
            x = end;
        }
        out.insert(out.end(), {0, static_cast<uint8_t>(y == 0 ? 1 : 0)});
    }
    return out;
}

bool writeBitmap(const fs::path& path, const platform::PixelView& view)
{
    const int w = view.width, h = view.height;
    std::map<uint32_t, uint8_t> colours;
    std::vector<uint8_t> indices;
    indices.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h && colours.size() <= 256; ++y)
        for (int x = 0; x < w && colours.size() <= 256; ++x) {
            const uint32_t c = view.row(y)[x] & 0xFFFFFF;
            auto [at, added] = colours.try_emplace(c, static_cast<uint8_t>(colours.size()));
            indices.push_back(at->second);
        }
    media_writers::BitmapSpec spec;
    spec.width = w;
    spec.height = h;
    if (colours.size() > 256) {
        return writeBytes(path, media_writers::bitmapFile(spec, media_writers::pixelRows(spec, [&](int x, int y) {
                              return view.row(y)[x] & 0xFFFFFF;
                          }))),
               true;
    }
    spec.bits = 8;
    spec.colours.resize(colours.size());
    for (auto [colour, index] : colours)
        spec.colours[index] = colour;
    media_writers::Bytes plain = media_writers::pixelRows(spec, [&](int x, int y) { return indices[static_cast<std::size_t>(y) * w + x]; });
    media_writers::Bytes packed = rle8Rows(indices, w, h);
    if (packed.size() < plain.size()) {
        spec.compression = 1;
        plain = std::move(packed);
    }
    writeBytes(path, media_writers::bitmapFile(spec, plain));
    return true;
}

bool writeJpeg(const fs::path& path, const platform::PixelView& view)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(view.width) * view.height * 3);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            rgb.insert(rgb.end(), {static_cast<uint8_t>(view.row(y)[x] >> 16), static_cast<uint8_t>(view.row(y)[x] >> 8),
                                   static_cast<uint8_t>(view.row(y)[x])});
    writeBytes(path, media_writers::jpegFile(view.width, view.height, rgb, 88));
    return true;
}

void writeWave(const fs::path& path, const std::vector<int16_t>& samples, int rate)
{
    media_writers::Bytes data;
    data.reserve(samples.size() * 2);
    for (int16_t s : samples)
        media_writers::put16(data, static_cast<uint16_t>(s));
    media_writers::WaveFormat format;
    format.rate = static_cast<uint32_t>(rate);
    writeBytes(path, media_writers::waveFile(format, data));
}

int runProgram(const std::vector<std::string>& words, const std::function<bool(int fd)>& feed)
{
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    for (std::string& word : copy)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (feed) {
        if (pipe2(pipeFds, O_CLOEXEC) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    }
    pid_t child = 0;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (feed) {
        close(pipeFds[0]);
        if (started == 0) {
            // A program that stops reading early must not end the generator.
            std::signal(SIGPIPE, SIG_IGN);
            feed(pipeFds[1]);
        }
        close(pipeFds[1]);
    }
    if (started != 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveProgram(const char* name)
{
    return runProgram({"sh", "-c", std::string("command -v ") + name + " >/dev/null"}) == 0;
}

} // namespace vel::discgen
