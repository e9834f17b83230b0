// The export's media conversions: pictures to PNG, the disc's movies to WebM, MIDI tunes rendered to
// wave files, wave sounds checked and widened. Each result is read back the way a reader would.
#include <gtest/gtest.h>

#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "export/media_convert.h"
#include "media_writers/media_writers.h"
#include "platform/movie_encoder.h"
#include "platform/video_decoder.h"
#include "runtime/image_test_support.h"
#include "runtime/wave_file.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace vel::image_test;
using vel::exporter::convertMovie;
using vel::exporter::copyPhotograph;
using vel::exporter::convertSound;
using vel::exporter::renderMidiToWav;
using vel::exporter::writePictureAsPng;
using vel::media_writers::put16;
using vel::media_writers::put32;

const std::string kDisc = (fs::path(VEL_BIN_DIR).parent_path() / "disc").string();

class ExportMediaTest : public vel::testing_support::ErrorCheckedTest {
protected:
    vel::testing_support::ScratchDirectory dir;

    std::string path(const std::string& name) const { return dir / name; }
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        return dir.write(name, std::string(bytes.begin(), bytes.end()));
    }
    // Every name in the folder: what a conversion leaves behind, temporaries included.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

struct Png {
    cairo_surface_t* surface;
    explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Png() { cairo_surface_destroy(surface); }
    bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    uint32_t at(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] | 0xFF000000u;
    }
};

int channelDistance(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return most;
}

// An 8-bit RLE bitmap of the pattern: each row (bottom first) as runs of one index, then an end of
// line; an end of bitmap at the close.
Bitmap runLengthPattern(int width, int height)
{
    Bitmap b = patterned(width, height, 8);
    b.compression = 1;
    for (int x = 0; x < width; ++x) // long runs: the index changes every third pixel
        for (int y = 0; y < height; ++y)
            b.indices[static_cast<std::size_t>(y * width + x)] = (x / 3 + y) % 256;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width;) {
            const int index = b.indices[static_cast<std::size_t>(y * width + x)];
            int run = 1;
            while (x + run < width && run < 255 && b.indices[static_cast<std::size_t>(y * width + x + run)] == index)
                ++run;
            b.rleData.push_back(static_cast<uint8_t>(run));
            b.rleData.push_back(static_cast<uint8_t>(index));
            x += run;
        }
        b.rleData.insert(b.rleData.end(), {0, 0});
    }
    b.rleData.back() = 1; // the last end of line becomes the end of the bitmap
    return b;
}

TEST_F(ExportMediaTest, PicturesBecomePngsOfTheirPixels)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) // smooth, so that JPEG keeps it closely
            rgb.insert(rgb.end(), {static_cast<uint8_t>(60 + x * 4), static_cast<uint8_t>(40 + y * 6), 120});
    auto photoPixel = [&](int x, int y) {
        const std::size_t at = static_cast<std::size_t>(y * 32 + x) * 3;
        return vel::platform::opaque(rgb[at], rgb[at + 1], rgb[at + 2]);
    };
    const Bitmap eight = patterned(9, 5, 8), four = patterned(7, 3, 4), full = patterned(6, 4, 24),
                 rle = runLengthPattern(20, 6);
    struct Case {
        std::string name;
        Bytes bytes;
        int width, height;
        std::function<uint32_t(int, int)> expected;
        int tolerance;
    };
    const Case cases[] = {
        {"eight.BMP", encode(eight, true), 9, 5, [&](int x, int y) { return eight.expected(x, y); }, 0},
        {"four.bmp", encode(four, true), 7, 3, [&](int x, int y) { return four.expected(x, y); }, 0},
        {"full.dib", encode(full, true, true), 6, 4, [&](int x, int y) { return full.expected(x, y); }, 0},
        {"runs.bmp", encode(rle, true), 20, 6, [&](int x, int y) { return rle.expected(x, y); }, 0},
        {"photo.jpg", compressJpeg(32, 24, rgb), 32, 24, photoPixel, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::string out = path(c.name + ".png");
        ASSERT_TRUE(writePictureAsPng(write(c.name, c.bytes), out, error)) << error;
        EXPECT_EQ(error, "");
        Png png(out);
        ASSERT_TRUE(png.ok());
        ASSERT_EQ(png.width(), c.width);
        ASSERT_EQ(png.height(), c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_LE(channelDistance(png.at(x, y), c.expected(x, y)), c.tolerance) << x << "," << y;
    }
}

TEST_F(ExportMediaTest, RefusedPicturesGiveTheirReasonAndNoFile)
{
    const Bitmap bitmap = patterned(9, 5, 8);
    const Bytes whole = encode(bitmap, true);
    const Bytes jpeg = compressJpeg(16, 16, std::vector<uint8_t>(16 * 16 * 3, 128));
    Bytes lyingOffset = whole;
    lyingOffset[10] = lyingOffset[11] = 0xFF;
    fs::create_directory(path("folder.bmp"));
    const std::pair<std::string, std::string> refused[] = {
        {write("short.bmp", Bytes{'B', 'M', 1, 2}), "DIB data buffer size too small"},
        {write("empty.bmp", Bytes{}), "empty.bmp is empty"},
        // The title reads a JPEG under any name but .jpg as a bitmap.
        {write("photo.jpeg", jpeg), "DIB header not found"},
        {path("missing.bmp"), "No such file or directory"},
        {path("folder.bmp"), "folder.bmp is a directory"},
        {write("cut.bmp", Bytes(whole.begin(), whole.end() - 20)), "its data ends after 3 of 5 rows"},
        {write("offset.bmp", lyingOffset), "its pixels start at offset 65535, past the end of its"},
        {write("cut.jpg", Bytes(jpeg.begin(), jpeg.end() - 8)), "ends before the end-of-picture mark"},
    };
    const std::vector<std::string> before = names();
    for (const auto& [file, reason] : refused) {
        SCOPED_TRACE(file);
        std::string error;
        EXPECT_FALSE(writePictureAsPng(file, path("refused.png"), error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    EXPECT_EQ(names(), before);

    // A photograph goes as it is once it decodes whole; a damaged one is refused like a bitmap.
    std::string copied;
    EXPECT_TRUE(copyPhotograph(write("whole.jpg", jpeg), path("copy.jpg"), copied)) << copied;
    EXPECT_EQ(dir.read("copy.jpg"), std::string(jpeg.begin(), jpeg.end()));
    EXPECT_FALSE(copyPhotograph(path("cut.jpg"), path("cut-copy.jpg"), copied));
    EXPECT_NE(copied.find("ends before the end-of-picture mark"), std::string::npos) << copied;
    EXPECT_FALSE(fs::exists(path("cut-copy.jpg")));

    // A picture that cannot be converted leaves an earlier result as it was.
    dir.write("kept.png", "earlier");
    std::string error;
    EXPECT_FALSE(writePictureAsPng(path("cut.bmp"), path("kept.png"), error));
    EXPECT_EQ(dir.read("kept.png"), "earlier");
}

// Every picture of a movie, decoded to the end; -1 when it does not open.
int64_t countPictures(const std::string& file, vel::platform::VideoInfo& info)
{
    vel::platform::VideoDecoder decoder;
    if (!decoder.open(file))
        return -1;
    info = decoder.info();
    int64_t pictures = 0;
    for (;;) {
        const auto step = decoder.decodeNext();
        if (step == vel::platform::VideoDecoder::Step::End)
            return pictures;
        if (step == vel::platform::VideoDecoder::Step::Frame) {
            decoder.takeUpcoming();
            ++pictures;
        }
    }
}

TEST_F(ExportMediaTest, DiscMoviesBecomeWebmOfTheSameSizeRateAndSound)
{
    std::vector<fs::path> movies;
    for (const auto& entry : fs::directory_iterator(kDisc + "/Movies"))
        movies.push_back(entry.path());
    ASSERT_FALSE(movies.empty()) << kDisc;
    std::sort(movies.begin(), movies.end());
    for (const fs::path& movie : movies) {
        SCOPED_TRACE(movie.string());
        const std::string out = path(movie.stem().string() + ".webm");
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(convertMovie(movie.string(), out, error)) << error;
        const auto took = std::chrono::steady_clock::now() - start;
        RecordProperty("ms_" + movie.stem().string(),
                       std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

        vel::platform::VideoInfo original, converted;
        const int64_t originalPictures = countPictures(movie.string(), original);
        const int64_t convertedPictures = countPictures(out, converted);
        ASSERT_GT(originalPictures, 0);
        ASSERT_GT(convertedPictures, 0) << "the WebM does not open";
        EXPECT_NE(converted.container.find("webm"), std::string::npos) << converted.container;
        EXPECT_EQ(converted.width, original.width);
        EXPECT_EQ(converted.height, original.height);
        EXPECT_NEAR(converted.frameRate, original.frameRate, 0.05);
        EXPECT_NEAR(convertedPictures, originalPictures, 2);
        EXPECT_EQ(converted.hasSound, original.hasSound);
    }
    // Written through temporaries that are gone.
    EXPECT_EQ(names().size(), movies.size());
}

TEST_F(ExportMediaTest, MovieThatDoesNotDecodeLeavesNoFile)
{
    const std::pair<std::string, Bytes> refused[] = {
        {"text.avi", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'}},
        {"riff.avi", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        write(name, bytes);
        std::string error;
        EXPECT_FALSE(convertMovie(path(name), path("out.webm"), error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(convertMovie(path("missing.avi"), path("out.webm"), error));
    EXPECT_NE(error.find("cannot be found"), std::string::npos) << error;
    EXPECT_EQ(names(), (std::vector<std::string>{"riff.avi", "text.avi"}));
}

// Flat pictures of known colours and a tone, encoded and decoded again: the colours keep their
// channels, the pictures their count, odd size and rate, the sound its presence and length.
TEST_F(ExportMediaTest, EncodedPicturesAndSoundDecodeAgain)
{
    using vel::platform::opaque;
    const uint32_t colours[] = {opaque(220, 30, 30), opaque(30, 200, 40), opaque(20, 40, 210), opaque(240, 240, 60)};
    const vel::platform::MovieFormat format{63, 47, 10.0, 44100, 2};
    vel::platform::MovieEncoder encoder;
    ASSERT_TRUE(encoder.open(path("made.webm"), format)) << encoder.errorText();
    std::vector<uint32_t> pixels(63 * 47);
    std::vector<int16_t> tone(4410 * 2);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(8000 * std::sin(double(i / 2) * 2 * 3.14159265 * 440 / 44100));
    for (int picture = 0; picture < 12; ++picture) {
        std::fill(pixels.begin(), pixels.end(), colours[picture / 3]);
        ASSERT_TRUE(encoder.addPicture({pixels.data(), 63, 47, 63}, picture * 100)) << encoder.errorText();
        ASSERT_TRUE(encoder.addSound(tone.data(), tone.size() / 2)) << encoder.errorText();
    }
    ASSERT_TRUE(encoder.finish()) << encoder.errorText();
    EXPECT_EQ(encoder.picturesWritten(), 12);

    vel::platform::VideoDecoder decoder;
    decoder.setSoundOutput(44100, 2);
    ASSERT_TRUE(decoder.open(path("made.webm"))) << decoder.errorText();
    EXPECT_EQ(decoder.info().width, 63);
    EXPECT_EQ(decoder.info().height, 47);
    EXPECT_NEAR(decoder.info().frameRate, 10.0, 0.01);
    EXPECT_TRUE(decoder.info().hasSound);
    int pictures = 0;
    std::vector<int16_t> sound;
    for (auto step = decoder.decodeNext(); step != vel::platform::VideoDecoder::Step::End; step = decoder.decodeNext()) {
        if (step != vel::platform::VideoDecoder::Step::Frame)
            continue;
        decoder.takeUpcoming();
        EXPECT_NEAR(decoder.currentMs(), pictures * 100, 1);
        ASSERT_TRUE(decoder.convertCurrent({pixels.data(), 63, 47, 63}));
        EXPECT_LE(channelDistance(pixels[23 * 63 + 31], colours[pictures / 3]), 12) << "picture " << pictures;
        ++pictures;
    }
    EXPECT_EQ(pictures, 12);
    decoder.takeSound(sound);
    // 1.2 seconds of the tone, give or take the encoder's edges.
    EXPECT_NEAR(double(sound.size()) / 2 / 44100, 1.2, 0.1);
    int peak = 0;
    for (int16_t s : sound)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_NEAR(peak, 8000, 1500);
}

TEST_F(ExportMediaTest, EncoderLeavesNoFileItDidNotFinish)
{
    std::vector<uint32_t> pixels(32 * 32, vel::platform::opaque(1, 2, 3));
    const vel::platform::PixelView square{pixels.data(), 32, 32, 32}, narrow{pixels.data(), 16, 32, 32};
    // steps: what is done after open (none: open refuses the format); they fail, or stop before finish.
    const struct {
        const char* what;
        vel::platform::MovieFormat format;
        std::function<bool(vel::platform::MovieEncoder&)> steps;
    } cases[] = {
        {"no size", {0, 32, 10.0}, nullptr},
        {"no rate", {32, 32, 0.0}, nullptr},
        {"three channels", {32, 32, 10.0, 22050, 3}, nullptr},
        {"no pictures", {32, 32, 10.0}, [](auto& e) { return e.finish(); }},
        {"a picture of another size",
         {32, 32, 10.0},
         [&](auto& e) { return e.addPicture(square, 0) && e.addPicture(narrow, 100) && e.finish(); }},
        {"not finished", {32, 32, 10.0}, [&](auto& e) { return !e.addPicture(square, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            vel::platform::MovieEncoder encoder;
            const bool opened = encoder.open(path("unfinished.webm"), c.format);
            EXPECT_EQ(opened, c.steps != nullptr) << encoder.errorText();
            if (!opened)
                EXPECT_NE(encoder.errorText(), "");
            else
                EXPECT_FALSE(c.steps(encoder)) << encoder.errorText();
        }
        EXPECT_FALSE(fs::exists(path("unfinished.webm")));
    }
}

// A tune of one note held for `beats` quarter notes at the default 120 a minute (half a second each);
// without its release, an organ note that sounds until something stops it.
Bytes oneNote(int beats, bool released)
{
    const uint32_t ticks = 96;
    Bytes events = {0x00, 0xC0, static_cast<uint8_t>(released ? 0 : 19), // piano, or church organ
                    0x00, 0x90, 60, 110};                                   // middle C
    vel::media_writers::putVariableLength(events, ticks * static_cast<uint32_t>(beats));
    if (released)
        events.insert(events.end(), {0x80, 60, 0});
    else
        events.insert(events.end(), {0xB0, 7, 100}); // the tune's last event leaves the note on
    return vel::media_writers::midiFile(ticks, events);
}

struct Wave {
    vel::WaveFormat format;
    std::vector<int16_t> samples;
};

bool readWave(const std::string& bytes, Wave& wave)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    return vel::readWaveFormat(p, bytes.size(), wave.format) && vel::decodeWave(p, bytes.size(), wave.format, wave.samples);
}

TEST_F(ExportMediaTest, TunesRenderToWavesAsLongAsTheTune)
{
    const struct {
        int beats;
        bool released;
    } tunes[] = {{1, true}, {4, true}, {2, false}};
    for (const auto& [beats, released] : tunes) {
        const std::string name = "tune" + std::to_string(beats) + (released ? "" : "-held");
        SCOPED_TRACE(name);
        std::string error;
        ASSERT_TRUE(renderMidiToWav(write(name + ".mid", oneNote(beats, released)), path(name + ".wav"), error))
            << error;
        Wave wave;
        ASSERT_TRUE(readWave(dir.read(name + ".wav"), wave));
        EXPECT_EQ(wave.format.formatCode, vel::wave_format::Pcm);
        EXPECT_EQ(wave.format.channels, 2);
        EXPECT_EQ(wave.format.sampleRate, 44100u);
        EXPECT_EQ(wave.format.bitsPerSample, 16);
        // The tune, then at most the release's three seconds.
        const uint32_t tuneMs = 500u * static_cast<uint32_t>(beats);
        EXPECT_GE(wave.format.lengthMilliseconds(), tuneMs);
        EXPECT_LE(wave.format.lengthMilliseconds(), tuneMs + 3100);
        // The note sounds while it is held.
        int peak = 0;
        const std::size_t heldSamples = static_cast<std::size_t>(tuneMs) * 44100 / 1000 * 2;
        for (std::size_t i = 0; i < heldSamples && i < wave.samples.size(); ++i)
            peak = std::max(peak, std::abs(int(wave.samples[i])));
        EXPECT_GT(peak, 1000);
    }

    const Bytes tune = oneNote(2, true);
    const std::pair<std::string, Bytes> damaged[] = {
        {"cut.mid", Bytes(tune.begin(), tune.end() - 6)},
        {"text.mid", Bytes{'M', 'T', 'h', 'x', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_FALSE(renderMidiToWav(write(name, bytes), path("damaged.wav"), error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(path("damaged.wav")));
    }
}

Bytes waveOf(uint16_t code, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data)
{
    const uint16_t blockAlign = static_cast<uint16_t>(channels * std::max<uint16_t>(bits / 8, 1));
    return vel::media_writers::waveFile({code, channels, rate, blockAlign, bits, {}}, data);
}

TEST_F(ExportMediaTest, WavesBecomeSixteenBitPcm)
{
    Bytes sixteen;
    for (int16_t s : {int16_t(-32768), int16_t(-1), int16_t(0), int16_t(300), int16_t(32767), int16_t(-200)})
        put16(sixteen, static_cast<uint16_t>(s));
    struct Case {
        std::string name;
        Bytes file;
        uint16_t channels;
        uint32_t rate;
        std::vector<int16_t> samples;
    };
    const Case cases[] = {
        {"mono8.wav", waveOf(1, 1, 11025, 8, {0, 128, 255, 64}), 1, 11025, {-32768, 0, 32512, -16384}},
        {"stereo8.wav", waveOf(1, 2, 22050, 8, {0, 255, 128, 129}), 2, 22050, {-32768, 32512, 0, 256}},
        {"stereo16.wav", waveOf(1, 2, 44100, 16, sixteen), 2, 44100, {-32768, -1, 0, 300, 32767, -200}},
        // Wider samples keep their two most significant bytes.
        {"mono24.wav", waveOf(1, 1, 8000, 24, {0x12, 0x34, 0x56, 0x00, 0x00, 0x80}), 1, 8000, {0x5634, -32768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        ASSERT_TRUE(convertSound(write(c.name, c.file), path("out-" + c.name), error)) << error;
        Wave wave;
        ASSERT_TRUE(readWave(dir.read("out-" + c.name), wave));
        EXPECT_EQ(wave.format.formatCode, vel::wave_format::Pcm);
        EXPECT_EQ(wave.format.bitsPerSample, 16);
        EXPECT_EQ(wave.format.blockAlign, 2 * c.channels);
        EXPECT_EQ(wave.format.channels, c.channels);
        EXPECT_EQ(wave.format.sampleRate, c.rate);
        EXPECT_EQ(wave.samples, c.samples);
    }
}

TEST_F(ExportMediaTest, DamagedWavesAreRefused)
{
    const Bytes whole = waveOf(1, 1, 22050, 8, Bytes(100, 128));
    Bytes longer = whole; // the data chunk claims more than the file holds
    longer[40] = 200;
    Bytes riffless = whole;
    riffless[0] = 'X';
    const std::pair<std::string, Bytes> refused[] = {
        {"header.wav", Bytes(whole.begin(), whole.begin() + 30)},
        {"nodata.wav", Bytes(whole.begin(), whole.begin() + 36)},
        {"cutdata.wav", Bytes(whole.begin(), whole.end() - 10)},
        {"longer.wav", longer},
        {"riffless.wav", riffless},
        {"empty.wav", Bytes{}},
        {"three.wav", waveOf(1, 3, 22050, 8, Bytes(30, 128))},
        {"mp3.wav", waveOf(85, 1, 22050, 16, Bytes(30, 1))},
        {"odd.wav", waveOf(1, 1, 22050, 12, Bytes(30, 1))},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_FALSE(convertSound(write(name, bytes), path("refused.wav"), error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(path("refused.wav")));
    }
    std::string error;
    EXPECT_FALSE(convertSound(path("missing.wav"), path("refused.wav"), error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

} // namespace
