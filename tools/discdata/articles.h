// The section "verbetes": the articles' data file and look-up files, their category lists and the
// word index of the search, from disc/title/verbetes/*.txt (docs/article_sources.md).
#pragma once

#include "discdata/discdata.h"

namespace vel::discdata {

void makeArticles(const Context& context);

} // namespace vel::discdata
