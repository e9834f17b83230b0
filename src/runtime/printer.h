// Printing: for the length of a job the application window's drawing goes to printed pages instead
// of the screen. The printer is a PDF writer (setting `PrintOutput`: a folder or a file name; the
// user's documents folder by default); when the setting `Printer` names a CUPS queue, the finished
// file is also sent there. Misuse and failures are told in a message box, never through velError.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vel {

class DrawingSurface;
class Engine;
namespace platform {
class Canvas;
class PdfWriter;
} // namespace platform

class Printer {
public:
    static constexpr int kDotsPerInch = 150;
    // An A4 page at that resolution.
    static constexpr int kPageWidth = 1240, kPageHeight = 1754;

    // The engine's settings say where jobs go; its surface is drawn on, and its message boxes tell.
    explicit Printer(Engine& engine);
    ~Printer();

    int useDefaultPrinter();
    int printerSetup();
    int startDocument(std::string_view name);
    // With `Print Document Name`, by default the product title.
    int startDocument();
    void endDocument();
    void abortDocument();
    int startPage();
    int endPage();
    int pageWidth();
    int pageHeight();
    int dotsPerInchAcross();
    int dotsPerInchDown();

    bool printing() const { return writer_ != nullptr; }
    const std::string& deviceName() const { return device_; }
    // The file the last finished job wrote.
    const std::string& lastOutput() const { return lastOutput_; }
    // Where drawing goes during a job; the engine's surface unless a test gives another.
    void setSurface(DrawingSurface* surface) { surface_ = surface; }

private:
    void report(const char* message);
    bool selected() const { return !driver_.empty() || !device_.empty() || !port_.empty(); }
    std::string outputPathFor(std::string_view documentName) const;
    DrawingSurface* surface();
    int measure(int value, const char* noPrinter, const char* noContext);
    void finishJob(bool abort);

    Engine& engine_;
    std::string driver_, device_, port_;
    std::string documentName_;
    std::string outputPath_, temporaryPath_;
    std::string lastOutput_;
    std::unique_ptr<platform::PdfWriter> writer_;
    std::unique_ptr<platform::Canvas> page_;
    DrawingSurface* surface_ = nullptr;
};

} // namespace vel
