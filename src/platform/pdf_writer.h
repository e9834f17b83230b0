// Printed pages as a PDF file: each page is an A4 sheet drawn as vectors through a canvas (text as
// text, fills and lines as shapes, pictures placed at the printer's resolution).
#pragma once

#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace vel::platform {

class Canvas;

class PdfWriter {
public:
    // A4 in points.
    static constexpr double kPageWidthPoints = 595.276, kPageHeightPoints = 841.89;

    PdfWriter() = default;
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    bool open(const std::string& path);
    // A canvas of width x height pixels covering a new sheet; endPage() ejects it once the canvas is gone.
    std::unique_ptr<Canvas> beginPage(int width, int height);
    bool endPage();
    // Completes the file; false when anything failed on the way.
    bool finish();
    // Drops the job: the file is closed and removed.
    void discard();
    int pages() const { return pages_; }

private:
    cairo_surface_t* surface_ = nullptr;
    std::string path_;
    int pages_ = 0;
};

// Sends a finished PDF to a CUPS print queue with `lp`, started with an argument vector; true when
// the spooler accepted it.
bool sendToPrintQueue(const std::string& printer, const std::string& pdfPath, const std::string& title);

} // namespace vel::platform
