// discgen: makes the sample disc's pictures, sounds, tunes and movies from their readable
// descriptions (a table in the text notation, one entry per file), so the disc's sources hold no
// opaque media.
//
//   discgen DESCRIPTION.tbl OUTPUT-DIRECTORY
//
// Entries by "Kind": "picture" (.bmp or .jpg: "Size", "Gradient" of two colours, "Shapes" of discs and
// boxes, "Texts" with fonts), "tone" (.wav: "Frequency", "Milliseconds", "Rate"), "tune" (.mid:
// "Notes" as MIDI note numbers, "Milliseconds" a note, "Program"), "movie" (made by the ffmpeg
// program: "Seconds", "Size").
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/canvas.h"
#include "runtime/image.h"
#include "runtime/image_dib.h"
#include "runtime/surface.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

extern char** environ;

namespace {

using namespace vel;
namespace fs = std::filesystem;

int failOnError(const Value& message)
{
    std::fprintf(stderr, "discgen: %s\n", textOf(message).data());
    std::exit(2);
}

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

uint32_t pixelOf(int32_t colorRef)
{
    return platform::fromColorRef(colorRef) & 0xFFFFFF;
}

void drawPicture(const Value& entry, platform::Canvas& canvas)
{
    const int w = canvas.width(), h = canvas.height();
    List* gradient = asList(field(entry, "Gradient"));
    uint32_t top = gradient && gradient->count() > 0 ? pixelOf(gradient->getInt(0)) : 0;
    uint32_t bottom = gradient && gradient->count() > 1 ? pixelOf(gradient->getInt(1)) : top;
    for (int y = 0; y < h; ++y) {
        uint32_t c = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            int a = (top >> shift) & 255, b = (bottom >> shift) & 255;
            c |= static_cast<uint32_t>(a + (b - a) * y / std::max(1, h - 1)) << shift;
        }
        canvas.fill({0, y, w, y + 1}, c);
    }
    if (List* shapes = asList(field(entry, "Shapes"))) {
        for (int32_t i = 0; i < shapes->count(); ++i) {
            List* s = asList(shapes->get(i));
            if (!s || s->count() < 5)
                continue;
            std::string kind(textOf(s->get(0)));
            if (kind == "box" && s->count() >= 6) {
                canvas.fill(platform::Rect::sized(s->getInt(1), s->getInt(2), s->getInt(3), s->getInt(4)), pixelOf(s->getInt(5)));
            } else if (kind == "frame" && s->count() >= 7) {
                canvas.frame(platform::Rect::sized(s->getInt(1), s->getInt(2), s->getInt(3), s->getInt(4)), pixelOf(s->getInt(5)),
                             s->getInt(6));
            } else if (kind == "disc") {
                int cx = s->getInt(1), cy = s->getInt(2), r = s->getInt(3);
                for (int y = -r; y <= r; ++y) {
                    int half = static_cast<int>(std::sqrt(static_cast<double>(r * r - y * y)));
                    canvas.fill({cx - half, cy + y, cx + half + 1, cy + y + 1}, pixelOf(s->getInt(4)));
                }
            }
        }
    }
    if (List* texts = asList(field(entry, "Texts"))) {
        for (int32_t i = 0; i < texts->count(); ++i) {
            List* t = asList(texts->get(i));
            if (!t || t->count() < 5)
                continue;
            canvas.setFont(DrawingSurface::fontSpecFor(t->get(3)));
            canvas.drawText(t->getInt(1), t->getInt(2), textOf(t->get(0)), pixelOf(t->getInt(4)), -1);
        }
    }
}

bool writeBitmap(const fs::path& path, platform::Canvas& canvas)
{
    platform::PixelView view = canvas.pixels();
    Value image = dibFromPixels(view.pixels, view.width, view.height, view.stride);
    Image* dib = asImage(image);
    Buffer* bytes = dib ? asBuffer(dib->data()) : nullptr;
    if (!bytes)
        return false;
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // The bare bitmap's colour table is empty at 24 bits: pixels follow the 40-byte header.
    uint32_t offset = 14 + 40;
    std::string file = "BM" + u32(14 + static_cast<uint32_t>(bytes->length())) + u32(0) + u32(offset);
    file.append(reinterpret_cast<const char*>(bytes->bytes()), static_cast<std::size_t>(bytes->length()));
    std::ofstream(path, std::ios::binary) << file;
    return true;
}

bool writeJpeg(const fs::path& path, platform::Canvas& canvas)
{
    platform::PixelView view = canvas.pixels();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(view.width);
    info.image_height = static_cast<JDIMENSION>(view.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 88, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(view.width) * 3);
    while (info.next_scanline < info.image_height) {
        const uint32_t* px = view.row(static_cast<int>(info.next_scanline));
        for (int x = 0; x < view.width; ++x) {
            row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(px[x] >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(px[x] >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(px[x]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0;
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string le16(uint16_t v) { return {char(v), char(v >> 8)}; }

bool writeTone(const fs::path& path, const Value& entry)
{
    const int rate = intField(entry, "Rate", 22050);
    const int frequency = intField(entry, "Frequency", 440);
    const int milliseconds = intField(entry, "Milliseconds", 200);
    const int count = rate * milliseconds / 1000;
    std::string samples;
    for (int i = 0; i < count; ++i) {
        // A soft start and end so the tone does not click.
        double envelope = std::min({1.0, i / (rate * 0.01), (count - i) / (rate * 0.02)});
        auto s = static_cast<int16_t>(std::lround(12000 * envelope * std::sin(2 * M_PI * frequency * i / rate)));
        samples += le16(static_cast<uint16_t>(s));
    }
    std::string wav = "RIFF" + le32(36 + static_cast<uint32_t>(samples.size())) + "WAVEfmt " + le32(16) + le16(1) +
                      le16(1) + le32(static_cast<uint32_t>(rate)) + le32(static_cast<uint32_t>(rate * 2)) + le16(2) +
                      le16(16) + "data" + le32(static_cast<uint32_t>(samples.size())) + samples;
    std::ofstream(path, std::ios::binary) << wav;
    return true;
}

std::string variableLength(uint32_t v)
{
    std::string out(1, static_cast<char>(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), static_cast<char>((v & 0x7F) | 0x80));
    return out;
}

bool writeTune(const fs::path& path, const Value& entry)
{
    List* notes = asList(field(entry, "Notes"));
    if (!notes)
        return false;
    const int ticksPerBeat = 480;
    const int milliseconds = intField(entry, "Milliseconds", 300);
    std::string track;
    // Tempo: one beat per note length.
    uint32_t microseconds = static_cast<uint32_t>(milliseconds) * 1000;
    track += variableLength(0) + "\xFF\x51\x03" + std::string{char(microseconds >> 16), char(microseconds >> 8), char(microseconds)};
    track += variableLength(0) + std::string{char(0xC0), char(intField(entry, "Program", 0))};
    for (int32_t i = 0; i < notes->count(); ++i) {
        int note = notes->getInt(i);
        if (note <= 0) { // a rest
            track += variableLength(0) + std::string{char(0x90), char(60), char(0)};
            track += variableLength(ticksPerBeat) + std::string{char(0x80), char(60), char(0)};
            continue;
        }
        track += variableLength(0) + std::string{char(0x90), char(note), char(96)};
        track += variableLength(ticksPerBeat) + std::string{char(0x80), char(note), char(0)};
    }
    track += variableLength(0) + "\xFF\x2F" + std::string(1, '\0');
    std::string midi = "MThd" + std::string{0, 0, 0, 6, 0, 0, 0, 1} + std::string{char(ticksPerBeat >> 8), char(ticksPerBeat & 255)};
    midi += "MTrk" + std::string{char(track.size() >> 24), char(track.size() >> 16), char(track.size() >> 8), char(track.size())} + track;
    std::ofstream(path, std::ios::binary) << midi;
    return true;
}

bool writeMovie(const fs::path& path, const Value& entry)
{
    Region* size = asRegion(field(entry, "Size"));
    int w = size ? size->left : 320, h = size ? size->top : 240;
    std::string seconds = std::to_string(intField(entry, "Seconds", 2));
    std::string video = "testsrc=size=" + std::to_string(w) + "x" + std::to_string(h) + ":rate=25";
    std::vector<std::string> words = {"ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", video, "-f", "lavfi",
                                      "-i", "sine=frequency=523:sample_rate=44100", "-t", seconds, "-c:v", "mpeg1video",
                                      "-b:v", "800k", "-c:a", "mp2", "-b:a", "128k", path.string()};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "discgen: no ffmpeg program: %s is left out\n", path.filename().c_str());
        return true;
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    setErrorHandler(failOnError);
    if (argc != 3) {
        std::fprintf(stderr, "usage: discgen DESCRIPTION.tbl OUTPUT-DIRECTORY\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "discgen: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    Value description = parseText(text.str());
    Table* files = asTable(description);
    if (!files) {
        std::fprintf(stderr, "discgen: %s does not hold a table of files\n", argv[1]);
        return 2;
    }
    fs::path out(argv[2]);
    fs::create_directories(out);
    int made = 0;
    for (int32_t slot = files->firstIndex(); slot >= 0; slot = files->nextIndex(slot)) {
        std::string name(textOf(files->keyRef(slot)));
        const Value& entry = files->valueRef(slot);
        std::string kind(textOf(field(entry, "Kind")));
        fs::path target = out / name;
        bool ok = false;
        if (kind == "picture") {
            Region* size = asRegion(field(entry, "Size"));
            platform::Canvas canvas(size ? size->left : 640, size ? size->top : 480);
            drawPicture(entry, canvas);
            ok = target.extension() == ".jpg" ? writeJpeg(target, canvas) : writeBitmap(target, canvas);
        } else if (kind == "tone") {
            ok = writeTone(target, entry);
        } else if (kind == "tune") {
            ok = writeTune(target, entry);
        } else if (kind == "movie") {
            ok = writeMovie(target, entry);
        } else {
            std::fprintf(stderr, "discgen: %s: unknown kind '%s'\n", name.c_str(), kind.c_str());
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "discgen: cannot make %s\n", target.c_str());
            return 2;
        }
        ++made;
    }
    std::printf("discgen: %d files in %s\n", made, out.c_str());
    return 0;
}
