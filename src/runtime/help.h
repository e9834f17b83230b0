// The help file: open at a context number or at its index, and close. No reader of the old help
// format exists yet, so opening says so on standard error and shows nothing.
#pragma once

#include <cstdint>

#include "value/value.h"

namespace vel {

// A context number >= 0 opens that topic, a negative one the index. False when nothing was shown.
bool helpOpen(const Value& helpFile, int32_t context);
void helpClose();
// Whether help is showing.
bool helpIsOpen();

} // namespace vel
