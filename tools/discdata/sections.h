// The title's sections whose data the generator makes; each lives in its own file here and is
// entered in kSections (main.cpp).
#pragma once

#include "discdata/discdata.h"

namespace vel::discdata {

struct Section {
    const char* name; // as the build names it: discdata NAME ...
    void (*make)(const Context& context);
};

void makeAtlas(const Context& context);  // atlas.cpp
void makeMedia(const Context& context);  // media.cpp

} // namespace vel::discdata
