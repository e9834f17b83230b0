// The videos and animations of the atlas and the media section, drawn frame by frame and encoded by
// the ffmpeg program as AVI (MPEG-4 video, PCM sound) into the disc's Movies folder, each with a still
// picture <file>.bmp for the clip control. The videos carry a narration spoken by espeak-ng (pt-br).
#pragma once

#include <string>
#include <vector>

#include "discdata/discdata.h"

namespace vel::discdata {

struct Movie {
    std::string file;    // Movies/<file>.avi and <file>.bmp
    std::string title;   // UTF-8
    std::string caption; // UTF-8
    bool animation = false; // type 0 (loops, silent) rather than 9
};

// "mnatlaat" (the solar system), "mnatlaak" (the Earth's climate zones) and ANIM_rotacao (day and
// night); without ffmpeg, fails: the disc would lack what its screens play.
std::vector<Movie> makeMovies(const Context& context);

} // namespace vel::discdata
