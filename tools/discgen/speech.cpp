// The "speech" kind: narration spoken by espeak-ng while the disc is built.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "discgen/art_kinds.h"
#include "discgen/discgen.h"
#include "discgen/synth.h"
#include "platform/text_encoding.h"
#include "runtime/wave_file.h"

namespace vel::discgen {

namespace {

// Linear resampling is plenty for speech going from one common rate to another.
std::vector<int16_t> resampled(const std::vector<int16_t>& in, int from, int to)
{
    if (from == to || in.empty())
        return in;
    std::vector<int16_t> out(static_cast<std::size_t>(static_cast<double>(in.size()) * to / from));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double at = static_cast<double>(i) * from / to;
        const auto k = static_cast<std::size_t>(at);
        const double t = at - static_cast<double>(k);
        const double a = in[std::min(k, in.size() - 1)], b = in[std::min(k + 1, in.size() - 1)];
        out[i] = static_cast<int16_t>(std::lround(a + (b - a) * t));
    }
    return out;
}

struct TemporaryFile {
    explicit TemporaryFile(const std::string& name)
        : path(fs::temp_directory_path() / ("discgen-" + std::to_string(getpid()) + "-" + name))
    {
    }
    ~TemporaryFile()
    {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    fs::path path;
};

} // namespace

bool makeSpeech(const fs::path& target, const Value& entry)
{
    const std::string text = textField(entry, "Text");
    const int rate = intField(entry, "Rate", 22050);
    if (text.empty()) {
        std::fprintf(stderr, "discgen: %s: no Text to speak\n", target.filename().c_str());
        return false;
    }
    if (!haveProgram("espeak-ng")) {
        // The disc stays whole without the voice: a murmur as long as the words stands in.
        std::fprintf(stderr, "discgen: no espeak-ng program: %s murmurs instead of speaking\n", target.filename().c_str());
        const int syllables = std::max(1, static_cast<int>(text.size() / 3));
        writeWave(target, toneSamples(rate, 180, syllables * 190, syllables), rate);
        return true;
    }
    TemporaryFile words(target.filename().string() + ".txt"), voice(target.filename().string());
    std::ofstream(words.path, std::ios::binary) << platform::utf8FromWindows1252(text);
    // Slower than the voice's own pace, with a little more room between words, so it can be followed.
    const int status = runProgram({"espeak-ng", "-b", "1", "-v", textField(entry, "Voice", "pt-br"), "-s",
                                   std::to_string(intField(entry, "Speed", 135)), "-p",
                                   std::to_string(intField(entry, "Pitch", 45)), "-g",
                                   std::to_string(intField(entry, "Gap", 3)), "-w", voice.path.string(), "-f",
                                   words.path.string()});
    std::ifstream in(voice.path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    WaveFormat format;
    std::vector<int16_t> samples;
    if (status != 0 || !readWaveFormat(bytes.data(), bytes.size(), format) ||
        !decodeWave(bytes.data(), bytes.size(), format, samples) || format.channels != 1) {
        std::fprintf(stderr, "discgen: espeak-ng did not speak %s\n", target.filename().c_str());
        return false;
    }
    writeWave(target, resampled(samples, static_cast<int>(format.sampleRate), rate), rate);
    return true;
}

} // namespace vel::discgen
