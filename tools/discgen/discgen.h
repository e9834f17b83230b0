// What the disc generator's kinds share: reading an entry's keys, and writing the files they make.
// An entry is one value of a media table (see docs/disc_media.md): a table of keys such as "Kind",
// "Size" and "Section".
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "media_writers/media_writers.h"
#include "platform/canvas.h"
#include "platform/pixels.h"
#include "value/value.h"

namespace vel::discgen {

namespace fs = std::filesystem;

Value field(const Value& entry, const char* key);
int intField(const Value& entry, const char* key, int fallback);
// A string key's text (Windows-1252, as the notation holds it), or the fallback.
std::string textField(const Value& entry, const char* key, std::string_view fallback = {});
// A "(point w h)" key, or the fallback.
void sizeField(const Value& entry, const char* key, int& width, int& height);
// A "(rgb r g b)" colour as 0xRRGGBB, or the fallback.
uint32_t colourField(const Value& entry, const char* key, uint32_t fallback);
// A colour reference (red in the low byte) as 0xRRGGBB.
uint32_t pixelOf(int32_t colorRef);
// A "(font ...)" key, or the fallback face at the fallback size in points.
platform::FontSpec fontField(const Value& entry, const char* key, const char* face, int points, bool bold);

void writeBytes(const fs::path& path, const media_writers::Bytes& bytes);
// The run-length (RLE8) bytes of 8-bit rows given top-down, stored bottom-up as bitmaps keep them.
media_writers::Bytes rle8Rows(const std::vector<uint8_t>& indices, int width, int height);
// A .bmp of opaque pixels: 8 bits a pixel (RLE8 when that is smaller) when they hold at most 256 colours,
// else 24 bits.
bool writeBitmap(const fs::path& path, const platform::PixelView& view);
bool writeJpeg(const fs::path& path, const platform::PixelView& view);
// 16-bit mono samples as a wave file.
void writeWave(const fs::path& path, const std::vector<int16_t>& samples, int rate);

// Runs a program (found on PATH), its standard input written by `feed` when given (false from feed stops
// the writing); its exit status, or -1 when it cannot be started.
int runProgram(const std::vector<std::string>& words, const std::function<bool(int fd)>& feed = {});
bool haveProgram(const char* name);

} // namespace vel::discgen
