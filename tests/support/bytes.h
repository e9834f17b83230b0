// Test support: files built byte by byte, with the little-endian numbers of bitmaps and wave files;
// the writers are the ones the disc generator uses.
#pragma once

#include "media_writers/media_writers.h"

namespace vel::testing_support {

using media_writers::Bytes;
using media_writers::put16;
using media_writers::put32;

} // namespace vel::testing_support
