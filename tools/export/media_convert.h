// The disc's media turned into files any browser or e-reader opens: pictures as PNG, movies as WebM
// (VP8 pictures, Vorbis sound) through FFmpeg's libraries, MIDI tunes rendered through FluidSynth to a
// wave file, wave sounds checked and copied. Each call converts one file and says why it could not;
// nothing here reports through the value model's error handler, so a damaged file costs one item.
#pragma once

#include <string>

namespace vel::exporter {

// A picture's size in pixels, as it was written.
struct PictureSize {
    int width = 0, height = 0;
};

// A picture as the title shows it (bitmap, RLE bitmap or JPEG photograph; the extension decides, as
// in the title) written as an 8-bit RGB PNG of the same size. False, the reason in error, when the
// file is missing, refused or damaged. The size, when asked for, is the picture's.
bool writePictureAsPng(const std::string& in, const std::string& out, std::string& error,
                       PictureSize* size = nullptr);

// A JPEG photograph copied as it is, once it has decoded whole as the title decodes it (a browser
// shows JPEG itself). False, the reason in error, when it is missing or damaged.
bool copyPhotograph(const std::string& in, const std::string& out, std::string& error, PictureSize* size = nullptr);

// A movie the title plays (AVI, MPEG ...) written as WebM: VP8 pictures at the movie's size and rate,
// its sound (when it has any) as Vorbis, 44 100 Hz stereo. False, the reason in error, when FFmpeg or
// its encoders are missing, the movie does not decode or the file cannot be written; the file is
// written under a temporary name and renamed, so no partial file is left behind.
bool convertMovie(const std::string& in, const std::string& out, std::string& error);

// A Standard MIDI File rendered through FluidSynth with the soundfont the title uses (the usual
// places; the title's setting is not read here), to a 16-bit stereo wave file at 44 100 Hz: until
// the tune's end (at most ten minutes), then its notes released until they fall silent (at most
// three seconds). False, the reason in error, without FluidSynth or a soundfont, or for a damaged tune.
bool renderMidiToWav(const std::string& in, const std::string& out, std::string& error);

// A wave sound the title plays, checked by the title's own reader (RIFF WAVE, one or two channels,
// PCM of 8 to 32 bits, float or IMA ADPCM) and written as a wave file a browser plays: 16-bit PCM at
// the sound's rate (8-bit sound widened). False, the reason in error, when it is not one, or when its
// data chunk ends before the size it declares (a copy cut short).
bool convertSound(const std::string& in, const std::string& out, std::string& error);

} // namespace vel::exporter
