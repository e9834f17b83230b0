// The media kinds beyond the plain picture and tone: each makes the file `target` from its entry of a
// media table and says whether it could. docs/disc_media.md lists every kind's keys.
#pragma once

#include <filesystem>

#include "value/value.h"

namespace vel::discgen {

// False, after saying so, when the entry names a section or a pictogram the kit does not have: a
// misspelt name must not pass for the default look.
bool namesKnown(const std::filesystem::path& target, const Value& entry);

// A plain picture: gradient, boxes, frames, discs and texts: "picture".
bool makePicture(const std::filesystem::path& target, const Value& entry);
// A sine tone, or a voice-like murmur, or a struck click: "tone".
bool makeTone(const std::filesystem::path& target, const Value& entry);

// Backgrounds and panels in the house look: "screen".
bool makeScreen(const std::filesystem::path& target, const Value& entry);
// A bevelled button in one state: "button".
bool makeButton(const std::filesystem::path& target, const Value& entry);
// A pictogram, on a plate or on a plain ground: "icon".
bool makeIcon(const std::filesystem::path& target, const Value& entry);
// An 8-bit bitmap that carries the disc's colours in its colour table: "palette".
bool makePalette(const std::filesystem::path& target, const Value& entry);
// Portuguese text spoken by espeak-ng: "speech".
bool makeSpeech(const std::filesystem::path& target, const Value& entry);
// A tune of one or more instruments: "tune".
bool makeTune(const std::filesystem::path& target, const Value& entry);
// Drawn scenes with a soundtrack, encoded by ffmpeg: "movie". `files` is the whole media table, where a
// soundtrack named by file is found.
bool makeMovie(const std::filesystem::path& target, const Value& entry, const Value& files);

} // namespace vel::discgen
