#include "platform/pdf_writer.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include "platform/canvas.h"

extern char** environ;

namespace vel::platform {

PdfWriter::~PdfWriter()
{
    if (surface_)
        discard();
}

bool PdfWriter::open(const std::string& path)
{
    surface_ = cairo_pdf_surface_create(path.c_str(), kPageWidthPoints, kPageHeightPoints);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        return false;
    }
    path_ = path;
    pages_ = 0;
    return true;
}

bool PdfWriter::addPage(Canvas& page)
{
    if (!surface_)
        return false;
    PixelView view = page.pixels();
    cairo_surface_t* picture = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(view.pixels), CAIRO_FORMAT_RGB24, view.width, view.height, view.stride * 4);
    cairo_t* c = cairo_create(surface_);
    cairo_scale(c, kPageWidthPoints / view.width, kPageHeightPoints / view.height);
    cairo_set_source_surface(c, picture, 0, 0);
    cairo_paint(c);
    cairo_show_page(c);
    cairo_status_t status = cairo_status(c);
    cairo_destroy(c);
    cairo_surface_destroy(picture);
    ++pages_;
    return status == CAIRO_STATUS_SUCCESS;
}

bool PdfWriter::finish()
{
    if (!surface_)
        return false;
    cairo_surface_finish(surface_);
    bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return ok;
}

void PdfWriter::discard()
{
    if (surface_) {
        cairo_surface_finish(surface_);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    if (!path_.empty())
        std::remove(path_.c_str());
}

bool sendToPrintQueue(const std::string& printer, const std::string& pdfPath, const std::string& title)
{
    std::vector<std::string> words = {"lp", "-d", printer, "-t", title, "--", pdfPath};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "lp", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(child, &status, 0) < 0)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace vel::platform
