// vel image FILE OUT.png: a picture as the title would show it (bitmap, RLE bitmap or JPEG photograph),
// written as an 8-bit RGB PNG of the same size. The export writes its pictures with the same code.
#include <string>

#include "commands.h"
#include "export/media_convert.h"

namespace vel::tool {

int runImage(Args args)
{
    if (args.size() != 2) {
        complain("usage: vel image FILE OUT.png");
        return 2;
    }
    // A refused picture ends here with the title's message, or what a damaged one lacks, and status 2.
    std::string error;
    if (!exporter::writePictureAsPng(args[0], args[1], error)) {
        complain(error);
        return 2;
    }
    return 0;
}

} // namespace vel::tool
