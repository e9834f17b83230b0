// discgen: builds a disc from its readable sources, so that they hold no opaque media:
//
//   discgen SOURCE-DIRECTORY OUTPUT-DIRECTORY
//
// The pictures, sounds, tunes and movies are made from SOURCE/media.tbl and every SOURCE/*.media.tbl (tables
// in the text notation, one entry per file; several tables let a disc keep its shared look apart from what is
// particular to one screen); global.tbl is compiled to global.vel; the other forms, tables and lists, and
// the help file, are copied as they are.
//
// Media entries by "Kind": "picture" (.bmp or .jpg: "Size", "Gradient" of two colours, "Shapes" of discs and
// boxes, "Texts" with fonts), "tone" (.wav: "Frequency", "Milliseconds", "Rate", and "Syllables" for
// a voice-like rise and fall), "tune" (.mid: "Notes" as MIDI note numbers, "Milliseconds" a note,
// "Program"), "movie" (made by the ffmpeg program: "Seconds", "Size").
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include "media_writers/media_writers.h"
#include "platform/canvas.h"
#include "runtime/image.h"
#include "runtime/image_dib.h"
#include "runtime/surface.h"
#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/encoding.h"
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

void writeBytes(const fs::path& path, const media_writers::Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

bool writeBitmap(const fs::path& path, platform::Canvas& canvas)
{
    platform::PixelView view = canvas.pixels();
    Value image = dibFromPixels(view.pixels, view.width, view.height, view.stride);
    Image* dib = asImage(image);
    Buffer* bytes = dib ? asBuffer(dib->data()) : nullptr;
    if (!bytes)
        return false;
    writeBytes(path, media_writers::withFileHeader({bytes->bytes(), bytes->bytes() + bytes->length()}));
    return true;
}

bool writeJpeg(const fs::path& path, platform::Canvas& canvas)
{
    platform::PixelView view = canvas.pixels();
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(view.width) * view.height * 3);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            rgb.insert(rgb.end(), {static_cast<uint8_t>(view.row(y)[x] >> 16), static_cast<uint8_t>(view.row(y)[x] >> 8),
                                   static_cast<uint8_t>(view.row(y)[x])});
    writeBytes(path, media_writers::jpegFile(view.width, view.height, rgb, 88));
    return true;
}

bool writeTone(const fs::path& path, const Value& entry)
{
    const int rate = intField(entry, "Rate", 22050);
    const int frequency = intField(entry, "Frequency", 440);
    const int milliseconds = intField(entry, "Milliseconds", 200);
    // With syllables the tone swells and fades that many times and its pitch wavers, as a voice does.
    const int syllables = intField(entry, "Syllables", 0);
    const int count = rate * milliseconds / 1000;
    media_writers::Bytes samples;
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        // A soft start and end so the tone does not click.
        double envelope = std::min({1.0, i / (rate * 0.01), (count - i) / (rate * 0.02)});
        double pitch = frequency;
        if (syllables > 0) {
            const double along = static_cast<double>(i) / count;
            envelope *= std::fabs(std::sin(M_PI * syllables * along));
            pitch *= 1.0 + 0.25 * std::sin(2 * M_PI * 1.7 * along) + 0.08 * std::sin(2 * M_PI * syllables * along);
        }
        phase += 2 * M_PI * pitch / rate;
        auto s = static_cast<int16_t>(std::lround(12000 * envelope * std::sin(phase)));
        media_writers::put16(samples, static_cast<uint16_t>(s));
    }
    media_writers::WaveFormat format;
    format.rate = static_cast<uint32_t>(rate);
    writeBytes(path, media_writers::waveFile(format, samples));
    return true;
}

bool writeTune(const fs::path& path, const Value& entry)
{
    List* notes = asList(field(entry, "Notes"));
    if (!notes)
        return false;
    const uint16_t ticksPerBeat = 480;
    // Tempo: one beat per note length.
    const uint32_t microseconds = static_cast<uint32_t>(intField(entry, "Milliseconds", 300)) * 1000;
    media_writers::Bytes events = {0, 0xFF, 0x51, 0x03, static_cast<uint8_t>(microseconds >> 16),
                                   static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds),
                                   0, 0xC0, static_cast<uint8_t>(intField(entry, "Program", 0))};
    for (int32_t i = 0; i < notes->count(); ++i) {
        const int note = notes->getInt(i);
        // A rest is a silent note.
        const auto key = static_cast<uint8_t>(note <= 0 ? 60 : note), velocity = static_cast<uint8_t>(note <= 0 ? 0 : 96);
        events.insert(events.end(), {0, 0x90, key, velocity});
        media_writers::putVariableLength(events, ticksPerBeat);
        events.insert(events.end(), {0x80, key, 0});
    }
    writeBytes(path, media_writers::midiFile(ticksPerBeat, events));
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

// Makes every file media.tbl describes; the count made, or -1.
int makeMedia(const fs::path& description, const fs::path& out)
{
    std::ifstream in(description, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "discgen: cannot read %s\n", description.c_str());
        return -1;
    }
    std::stringstream text;
    text << in.rdbuf();
    Value table = parseText(text.str());
    Table* files = asTable(table);
    if (!files) {
        std::fprintf(stderr, "discgen: %s does not hold a table of files\n", description.c_str());
        return -1;
    }
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
            return -1;
        }
        if (!ok) {
            std::fprintf(stderr, "discgen: cannot make %s\n", target.c_str());
            return -1;
        }
        ++made;
    }
    return made;
}

// "media.tbl", or a name ending in ".media.tbl".
bool isMediaTable(const fs::path& path)
{
    const std::string name = path.filename().string();
    const std::string suffix = ".media.tbl";
    return name == "media.tbl" || (name.size() > suffix.size() && name.ends_with(suffix));
}

// The global table is read from its notation once here, so the title starts from the encoded copy.
bool compileGlobals(const fs::path& source, const fs::path& target)
{
    std::ifstream in(source, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(parseText(text.str()), &ok);
    if (ok)
        writeBytes(target, bytes);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    setErrorHandler(failOnError);
    if (argc != 3 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: discgen SOURCE-DIRECTORY OUTPUT-DIRECTORY\n");
        return 2;
    }
    const fs::path source(argv[1]), out(argv[2]);
    std::error_code error;
    fs::create_directories(out, error);
    // Sorted, so that a name two tables describe is always made by the same one.
    std::vector<fs::path> sources;
    for (const fs::directory_entry& file : fs::directory_iterator(source))
        sources.push_back(file.path());
    std::sort(sources.begin(), sources.end());
    int made = 0;
    for (const fs::path& path : sources) {
        if (!isMediaTable(path))
            continue;
        const int count = makeMedia(path, out);
        if (count < 0)
            return 2;
        made += count;
    }
    for (const fs::path& path : sources) {
        const std::string ext = path.extension().string(), name = path.filename().string();
        if (isMediaTable(path) || (ext != ".frm" && ext != ".tbl" && ext != ".lst" && ext != ".hlp"))
            continue;
        bool ok = name == "global.tbl" ? compileGlobals(path, out / "global.vel")
                                       : fs::copy_file(path, out / name, fs::copy_options::overwrite_existing, error);
        if (!ok) {
            std::fprintf(stderr, "discgen: cannot bring %s into %s\n", path.c_str(), out.c_str());
            return 2;
        }
        ++made;
    }
    std::printf("discgen: %d files in %s\n", made, out.c_str());
    return 0;
}
