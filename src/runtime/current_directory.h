// The process's current directory, for paths the title gives relative to it.
#pragma once

#include "value/value.h"

namespace vel {

// Changes to path (Windows-1252); gives the directory it was in, or nil when path is not a string
// or the change failed (the directory then stays as it was).
Value setCurrentDirectory(const Value& path);

} // namespace vel
