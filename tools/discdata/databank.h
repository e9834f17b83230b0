// Section "bdados" of the disc's data: the data bank's databases (databank.cpp).
#pragma once

#include "discdata/discdata.h"

namespace vel::discdata {

void makeDatabank(const Context& context);

} // namespace vel::discdata
