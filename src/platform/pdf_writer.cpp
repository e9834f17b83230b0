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

std::unique_ptr<Canvas> PdfWriter::beginPage(int width, int height)
{
    if (!surface_ || width <= 0 || height <= 0)
        return nullptr;
    // The sheet's width sets the scale; a page of another shape keeps its proportions from the top.
    return std::make_unique<Canvas>(surface_, width, height, kPageWidthPoints / width);
}

bool PdfWriter::endPage()
{
    if (!surface_)
        return false;
    cairo_surface_show_page(surface_);
    ++pages_;
    return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
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
