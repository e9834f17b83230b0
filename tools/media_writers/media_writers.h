// Small media files written byte by byte: bitmaps, JPEG photographs, wave sounds and MIDI tunes,
// for the disc generator, the tests and the benchmarks, so that each knows every byte it makes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vel::media_writers {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t value); // little-endian, as bitmaps and waves store numbers
void put32(Bytes& out, uint32_t value);
void putBig32(Bytes& out, uint32_t value); // big-endian, as MIDI does
void putVariableLength(Bytes& out, uint32_t value); // MIDI's seven bits a byte, high groups first

struct BitmapSpec {
    int32_t width = 0, height = 0; // rows run top-down in the file when topDown is set
    int bits = 24;
    uint32_t compression = 0;      // 1 and 2: run-length encoded, 8 and 4 bits
    std::vector<uint32_t> colours; // the colour table, 0xRRGGBB
    bool topDown = false;
};

// The pixel rows in file order, each padded to four bytes. pixel(x, y), y counted from the top,
// gives a colour index at 1 to 8 bits and 0xRRGGBB at 16 (kept to five bits a channel), 24 and 32.
Bytes pixelRows(const BitmapSpec& spec, const std::function<uint32_t(int x, int y)>& pixel);
// The 40-byte information header, the colour table and the pixel bytes as given: a bitmap in memory.
Bytes bareBitmap(const BitmapSpec& spec, const Bytes& pixels);
// The same behind the 14-byte file header, as a .bmp file holds it.
Bytes bitmapFile(const BitmapSpec& spec, const Bytes& pixels);
// A bitmap in memory made a file: the pixel offset comes from its header's size and colour count.
Bytes withFileHeader(const Bytes& bare);

// A baseline (or progressive) JPEG of RGB pixels, three bytes each, rows top-down.
Bytes jpegFile(int width, int height, const std::vector<uint8_t>& rgb, int quality = 95, bool progressive = false);

struct WaveFormat {
    uint16_t code = 1; // 1: PCM
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t blockAlign = 2;
    uint16_t bits = 16;
    Bytes extra; // bytes after the sixteen the format chunk always holds
};
// The format chunk's body: the sixteen bytes every wave holds, then the extra ones.
Bytes waveFormatBody(const WaveFormat& format);
// "RIFF" "WAVE", the format chunk and the data chunk.
Bytes waveFile(const WaveFormat& format, const Bytes& data);

// A MIDI file of one track (format 0) holding the given events, end-of-track added.
Bytes midiFile(uint16_t ticksPerBeat, const Bytes& events);

} // namespace vel::media_writers
