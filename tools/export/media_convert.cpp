#include "export/media_convert.h"

#include <cairo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/media_path.h"
#include "platform/movie_encoder.h"
#include "platform/synthesizer.h"
#include "platform/video_decoder.h"
#include "runtime/drawing_context.h"
#include "runtime/image.h"
#include "runtime/midi_file.h"
#include "runtime/wave_file.h"
#include "value/buffer.h"
#include "value/error.h"
#include "value/file_replacement.h"
#include "value/string.h"
#include "title/quiet_errors.h"

namespace vel::exporter {

namespace {

// Largest input read whole: far above any picture, tune or sound of a disc, and within a buffer's
// signed 32-bit length.
constexpr off_t MaxInputBytes = off_t(1) << 29;
// Largest picture written: 64 million pixels.
constexpr int64_t MaxPicturePixels = int64_t(1) << 26;

constexpr int OutputRate = 44100;
constexpr int OutputChannels = 2;
constexpr int MaxTuneSeconds = 600;
// After the tune's last event its notes are released and rendered until they fall silent, for at
// most this long.
constexpr int MaxReleaseSeconds = 3;
constexpr float SilenceLevel = 1.0f / 8192;
// Highest rate a wave sound may declare: above it the output's byte rate would not fit its field.
constexpr uint32_t MaxWaveRate = 384000;

// The file's bytes; nothing, the reason in error, when it is missing, not a file, empty or too large.
std::optional<std::string> readInput(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        error = "cannot read " + path + ": " + std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        error = path + " is a directory";
    else if (!S_ISREG(info.st_mode))
        error = path + " is not a file";
    else if (info.st_size == 0)
        error = path + " is empty";
    else if (info.st_size > MaxInputBytes)
        error = path + " is too large to convert";
    else
        bytes.emplace(static_cast<std::size_t>(info.st_size), '\0');
    // A file that shrinks while it is read is cut short, not padded.
    std::size_t got = 0;
    while (bytes && got < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            bytes.reset();
        } else if (n == 0) {
            bytes->resize(got);
        } else {
            got += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return bytes;
}

const uint8_t* bytesOf(const std::string& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The 44-byte header of a 16-bit PCM wave file holding dataBytes of samples.
std::string waveHeader(int channels, uint32_t rate, uint32_t dataBytes)
{
    std::string h;
    auto put16 = [&h](uint32_t v) {
        h += static_cast<char>(v & 0xFF);
        h += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    h += "RIFF";
    put32(36 + dataBytes);
    h += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(static_cast<uint32_t>(channels));
    put32(rate);
    put32(rate * blockAlign);
    put16(blockAlign);
    put16(16);
    h += "data";
    put32(dataBytes);
    return h;
}

void appendLittleEndian(std::string& out, const int16_t* samples, std::size_t count)
{
    const std::size_t at = out.size();
    out.resize(at + count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(samples[i]);
        out[at + 2 * i] = static_cast<char>(v & 0xFF);
        out[at + 2 * i + 1] = static_cast<char>(v >> 8);
    }
}

int16_t toSample(float v) { return static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f)); }

} // namespace

namespace {

// The picture drawn as the title draws it, onto black: an RGB24 surface (its size in `size` when
// given), or null with the reason. A picture the title would show damaged (its data ends early, its
// header lies) is refused.
cairo_surface_t* drawnPicture(const std::string& in, const std::string& bytes, std::string& error, PictureSize* size)
{
    QuietErrors reports;
    // The title's own rule: the extension decides between photograph and bitmap.
    Value image = imageFromBuffer(Buffer::over(bytes.data(), static_cast<int32_t>(bytes.size()), true),
                                  std::string(platform::extensionOf(in)));
    if (image.isNil() || !asImage(image)) {
        error = in + ": " + (reports.any() ? reports.firstReport() : std::string("not a picture"));
        return nullptr;
    }
    const int32_t width = asImage(image)->width(), height = asImage(image)->height();
    if (width <= 0 || height <= 0 || int64_t(width) * height > MaxPicturePixels) {
        error = in + ": cannot write a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        error = "cannot make a picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return nullptr;
    }
    // What the bitmap does not hold stays black, as on an empty screen.
    cairo_surface_flush(surface);
    platform::PixelView view{reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface)), width, height,
                             cairo_image_surface_get_stride(surface) / 4};
    for (int y = 0; y < height; ++y)
        std::fill_n(view.row(y), width, platform::opaque(0, 0, 0));
    velDrawImage(DrawingContext::over(view), image, 0, 0);
    cairo_surface_mark_dirty(surface);
    // The program draws what a damaged picture holds; a conversion says what it lacks.
    std::string defect = asImage(image)->defect();
    if (defect.empty() && reports.any())
        defect = reports.firstReport();
    if (!defect.empty()) {
        cairo_surface_destroy(surface);
        error = in + ": " + defect;
        return nullptr;
    }
    if (size)
        *size = {width, height};
    return surface;
}

} // namespace

bool writePictureAsPng(const std::string& in, const std::string& out, std::string& error, PictureSize* size)
{
    const auto bytes = readInput(in, error);
    if (!bytes)
        return false;
    cairo_surface_t* surface = drawnPicture(in, *bytes, error, size);
    if (!surface)
        return false;
    std::string png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, appendBytes, &png);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot encode PNG: ") + cairo_status_to_string(status);
        return false;
    }
    return replaceFile(out, png, &error);
}

bool copyPhotograph(const std::string& in, const std::string& out, std::string& error, PictureSize* size)
{
    const auto bytes = readInput(in, error);
    if (!bytes)
        return false;
    cairo_surface_t* surface = drawnPicture(in, *bytes, error, size);
    if (!surface)
        return false;
    cairo_surface_destroy(surface);
    return replaceFile(out, *bytes, &error);
}

bool convertMovie(const std::string& in, const std::string& out, std::string& error)
{
    platform::VideoDecoder decoder;
    decoder.setSoundOutput(OutputRate, OutputChannels);
    if (!decoder.open(in)) {
        error = in + ": " + decoder.errorText();
        return false;
    }
    const platform::VideoInfo& info = decoder.info();
    platform::MovieFormat format{info.width, info.height, info.frameRate, 0, 0};
    if (info.hasSound) {
        format.soundRate = OutputRate;
        format.soundChannels = OutputChannels;
    }
    const std::string temporary = createTemporaryBeside(out, &error);
    if (temporary.empty())
        return false;
    auto encoder = std::make_unique<platform::MovieEncoder>();
    auto failed = [&](const std::string& why) {
        encoder.reset();
        ::unlink(temporary.c_str());
        error = why;
        return false;
    };
    if (!encoder->open(temporary, format))
        return failed(out + ": " + encoder->errorText());

    std::vector<uint32_t> pixels(static_cast<std::size_t>(info.width) * info.height);
    const platform::PixelView view{pixels.data(), info.width, info.height, info.width};
    std::vector<int16_t> samples;
    for (;;) {
        const platform::VideoDecoder::Step step = decoder.decodeNext();
        if (step == platform::VideoDecoder::Step::End)
            break;
        if (step == platform::VideoDecoder::Step::Pending)
            continue;
        decoder.takeUpcoming();
        // The first picture's sound goes first, so that the two keep together in the file.
        if (decoder.takeSound(samples) > 0 && !encoder->addSound(samples.data(), samples.size() / OutputChannels))
            return failed(out + ": " + encoder->errorText());
        samples.clear();
        if (!decoder.convertCurrent(view))
            return failed(in + ": " + decoder.errorText());
        if (!encoder->addPicture(view, decoder.currentMs()))
            return failed(out + ": " + encoder->errorText());
    }
    if (decoder.takeSound(samples) > 0 && !encoder->addSound(samples.data(), samples.size() / OutputChannels))
        return failed(out + ": " + encoder->errorText());
    if (!encoder->finish())
        return failed(out + ": " + encoder->errorText());
    return commitTemporary(temporary, out, &error);
}

bool renderMidiToWav(const std::string& in, const std::string& out, std::string& error)
{
    const auto bytes = readInput(in, error);
    if (!bytes)
        return false;
    MidiSummary summary;
    std::string problem;
    if (!scanMidi(bytesOf(*bytes), bytes->size(), summary, problem)) {
        error = in + ": " + problem;
        return false;
    }
    const std::string soundFont = platform::findSoundFont({});
    if (soundFont.empty()) {
        error = "no General MIDI soundfont was found (the package timgm6mb-soundfont installs one)";
        return false;
    }
    auto synthesizer = platform::Synthesizer::create(soundFont, OutputRate, error);
    if (!synthesizer)
        return false;
    if (!synthesizer->play(bytesOf(*bytes), bytes->size(), false)) {
        error = in + ": the sequencer refused the tune";
        return false;
    }
    constexpr std::size_t Block = OutputRate / 10;
    constexpr std::size_t MaxTuneBlocks = std::size_t(MaxTuneSeconds) * OutputRate / Block;
    constexpr std::size_t MaxReleaseBlocks = std::size_t(MaxReleaseSeconds) * OutputRate / Block;
    std::vector<float> block(Block * OutputChannels);
    std::vector<int16_t> samples(block.size());
    // The samples go to the file as they are rendered; the header, whose sizes are known only at the
    // end, is written last over the space kept for it.
    auto write = [&](int descriptor) {
        const std::string placeholder = waveHeader(OutputChannels, OutputRate, 0);
        if (!writeAll(descriptor, placeholder.data(), placeholder.size()))
            return false;
        std::string chunk;
        uint32_t dataBytes = 0;
        // Renders one block into the file; false when it could not be written.
        auto renderBlock = [&](bool& silent) {
            synthesizer->render(block.data(), Block);
            silent = true;
            for (std::size_t i = 0; i < block.size(); ++i) {
                silent = silent && std::fabs(block[i]) < SilenceLevel;
                samples[i] = toSample(block[i]);
            }
            chunk.clear();
            appendLittleEndian(chunk, samples.data(), samples.size());
            dataBytes += static_cast<uint32_t>(chunk.size());
            return writeAll(descriptor, chunk.data(), chunk.size());
        };
        bool silent = false;
        // The player goes on while any voice sounds, and a note never released sounds for ever: the
        // tune's own length ends it too.
        const std::size_t tuneBlocks =
            std::min(MaxTuneBlocks, std::size_t(summary.lengthMilliseconds) * OutputRate / 1000 / Block + 1);
        for (std::size_t n = 0; n < tuneBlocks && synthesizer->playing(); ++n)
            if (!renderBlock(silent))
                return false;
        synthesizer->stop(true);
        silent = false;
        for (std::size_t n = 0; n < MaxReleaseBlocks && !silent; ++n)
            if (!renderBlock(silent))
                return false;
        const std::string header = waveHeader(OutputChannels, OutputRate, dataBytes);
        return ::pwrite(descriptor, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
    };
    return replaceFile(out, write, &error);
}

bool convertSound(const std::string& in, const std::string& out, std::string& error)
{
    const auto bytes = readInput(in, error);
    if (!bytes)
        return false;
    WaveFormat format;
    if (!readWaveFormat(bytesOf(*bytes), bytes->size(), format)) {
        error = in + ": not a wave sound (RIFF WAVE with a format and a data chunk)";
        return false;
    }
    if (format.channels < 1 || format.channels > 2 || format.sampleRate > MaxWaveRate) {
        error = in + ": a sound of " + std::to_string(format.channels) + " channels at " +
                std::to_string(format.sampleRate) + " samples a second cannot be played";
        return false;
    }
    // The data chunk's own size against what the file holds: a copy cut short is refused, not
    // passed on as a shorter sound.
    const uint8_t* sizeField = bytesOf(*bytes) + format.dataOffset - 4;
    const uint32_t declared = static_cast<uint32_t>(sizeField[0]) | (static_cast<uint32_t>(sizeField[1]) << 8) |
                              (static_cast<uint32_t>(sizeField[2]) << 16) | (static_cast<uint32_t>(sizeField[3]) << 24);
    if (declared > format.dataSize) {
        error = in + ": its sound data ends after " + std::to_string(format.dataSize) + " of " +
                std::to_string(declared) + " bytes";
        return false;
    }
    std::vector<int16_t> samples;
    if (!decodeWave(bytesOf(*bytes), bytes->size(), format, samples)) {
        error = in + ": its samples are not of a kind that can be played (format " +
                std::to_string(format.formatCode) + ", " + std::to_string(format.bitsPerSample) + " bits)";
        return false;
    }
    const uint64_t dataBytes = uint64_t(samples.size()) * 2;
    if (dataBytes > 0xFFFFFFFFu - 36) {
        error = in + ": the sound is too long for a wave file";
        return false;
    }
    std::string wave = waveHeader(format.channels, format.sampleRate, static_cast<uint32_t>(dataBytes));
    wave.reserve(wave.size() + dataBytes);
    appendLittleEndian(wave, samples.data(), samples.size());
    return replaceFile(out, wave, &error);
}

} // namespace vel::exporter
