// The flags of the title's countries: svg-country-flags' drawings rendered by rsvg-convert (librsvg),
// written as bitmaps BAND_<ISO3>.bmp.
#include "discdata/flags.h"

#include <cairo.h>
#include <unistd.h>

#include "discdata/maps.h"
#include "discgen/art_paint.h"
#include "discgen/discgen.h"

namespace vel::discdata {

namespace {

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string flagFile(const Country& country)
{
    return "BAND_" + country.iso3;
}

void makeFlags(const Context& context, const std::vector<Country>& countries)
{
    if (!discgen::haveProgram("rsvg-convert"))
        fail("the flags need rsvg-convert (Debian package librsvg2-bin)");
    const fs::path scratch = context.work / "flags";
    fs::create_directories(scratch);
    for (const Country& country : countries) {
        const fs::path svg = context.npm / "svg-country-flags" / "svg" / (lowered(country.iso2) + ".svg");
        const fs::path png = scratch / (country.iso3 + ".png");
        if (!fs::exists(svg))
            fail(svg.string() + ": no flag for " + country.iso3);
        if (discgen::runProgram({"rsvg-convert", "-h", std::to_string(kFlagHeight), "-o", png.string(), svg.string()}) != 0)
            fail(svg.string() + ": rsvg-convert could not render it");
        cairo_surface_t* drawn = cairo_image_surface_create_from_png(png.c_str());
        if (cairo_surface_status(drawn) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(drawn);
            fail(png.string() + ": not a picture rsvg-convert could have made");
        }
        const int w = cairo_image_surface_get_width(drawn), h = cairo_image_surface_get_height(drawn);
        discgen::Painter painter(w, h);
        painter.fill(0, 0, w, h, 0xFFFFFF);
        cairo_set_source_surface(painter.cairo(), drawn, 0, 0);
        cairo_paint(painter.cairo());
        cairo_surface_destroy(drawn);
        // A hairline keeps a white flag's edge visible on a light page.
        painter.frame(0, 0, w, h, 0x8A8272);
        const platform::PixelView view = painter.pixels();
        reduceColours(view);
        if (!discgen::writeBitmap(context.disc / (flagFile(country) + ".bmp"), view))
            fail(flagFile(country) + ".bmp: cannot write");
    }
}

} // namespace vel::discdata
