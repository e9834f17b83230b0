#include "runtime/printer.h"

#include <cstdio>
#include <filesystem>

#include <unistd.h>

#include "platform/canvas.h"
#include "platform/message_box.h"
#include "platform/pdf_writer.h"
#include "platform/text_encoding.h"
#include "platform/user_dirs.h"
#include "runtime/engine.h"
#include "runtime/surface.h"
#include "value/file_replacement.h"
#include "value/string.h"

namespace vel {

namespace fs = std::filesystem;

Printer::Printer(Engine& engine) : engine_(engine) {}

Printer::~Printer()
{
    if (writer_)
        writer_->discard();
}

void Printer::report(const char* message)
{
    engine_.notice(message);
}

DrawingSurface* Printer::surface()
{
    return surface_ ? surface_ : engine_.surface();
}

int Printer::useDefaultPrinter()
{
    if (printing()) {
        report("VEL printing error 1. Framework is currently printing.");
        return 0;
    }
    std::string queue(textOf(engine_.configuration().get("Printer")));
    driver_ = queue.empty() ? "PDF" : "CUPS";
    device_ = queue.empty() ? "Orva PDF" : queue;
    Value output = engine_.configuration().get("PrintOutput");
    port_ = output.is(Tag::String) && !textOf(output).empty() ? std::string(textOf(output)) : platform::documentsDirectory();
    return 1;
}

int Printer::printerSetup()
{
    if (printing()) {
        report("VEL printing error 2. Framework is currently printing.");
        return 0;
    }
    // There is no dialog to show: the configured printer is the choice.
    return useDefaultPrinter();
}

std::string Printer::outputPathFor(std::string_view documentName) const
{
    std::string stem;
    for (char c : documentName)
        stem += (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (stem.empty())
        stem = "Documento";
    fs::path port(port_);
    if (port.extension() == ".pdf" || port.extension() == ".PDF")
        return port.string();
    fs::path candidate = port / (stem + ".pdf");
    // Never overwrite what an earlier job printed.
    for (int n = 2; fs::exists(candidate); ++n)
        candidate = port / (stem + " (" + std::to_string(n) + ").pdf");
    return candidate.string();
}

int Printer::startDocument(std::string_view name)
{
    if (printing()) {
        report("VEL printing error 3. Framework is currently printing.");
        return 0;
    }
    if (!selected() && !useDefaultPrinter() && !printerSetup())
        return 0;
    std::string name1252(name);
    std::string fileName = platform::utf8FromWindows1252(name1252);
    outputPath_ = outputPathFor(fileName);
    auto writer = std::make_unique<platform::PdfWriter>();
    // Only into a folder that is there: a missing one is a mistake in the settings, not a folder to make.
    temporaryPath_ = createTemporaryBeside(outputPath_);
    if (temporaryPath_.empty() || !writer->open(temporaryPath_)) {
        if (!temporaryPath_.empty())
            std::remove(temporaryPath_.c_str());
        report("VEL printing error 4. Framework is unable to get printer context.");
        return 0;
    }
    writer_ = std::move(writer);
    documentName_ = name1252;
    return 1;
}

int Printer::startDocument()
{
    Value name = engine_.configuration().get("Print Document Name");
    return startDocument(name.is(Tag::String) ? textOf(name) : kProductTitle);
}

int Printer::startPage()
{
    if (!printing()) {
        report("VEL printing error 10. Framework is not currently printing.");
        return 0;
    }
    if (page_) {
        report("VEL printing error 11. Framework is unable to start printing page.");
        return 0;
    }
    page_ = writer_->beginPage(kPageWidth, kPageHeight);
    if (!page_) {
        report("VEL printing error 11. Framework is unable to start printing page.");
        return 0;
    }
    if (DrawingSurface* s = surface())
        s->redirect(page_.get(), kDotsPerInch);
    return 1;
}

int Printer::endPage()
{
    if (!printing()) {
        report("VEL printing error 12. Framework is not currently printing.");
        return 0;
    }
    if (!page_) {
        report("VEL printing error 13. Framework is unable to end printing page.");
        return 0;
    }
    if (DrawingSurface* s = surface())
        s->redirect(nullptr, 0);
    page_.reset();
    if (!writer_->endPage()) {
        report("VEL printing error 13. Framework is unable to end printing page.");
        return 0;
    }
    return 1;
}

void Printer::finishJob(bool abort)
{
    if (page_) {
        if (DrawingSurface* s = surface())
            s->redirect(nullptr, 0);
        page_.reset();
        if (!abort)
            writer_->endPage();
    }
    std::unique_ptr<platform::PdfWriter> writer = std::move(writer_);
    if (abort) {
        writer->discard();
        return;
    }
    // A document with no page still makes a file of one blank sheet, as a printer would eject one.
    if (writer->pages() == 0)
        writer->endPage();
    if (!writer->finish() || !commitTemporary(temporaryPath_, outputPath_)) {
        std::remove(temporaryPath_.c_str());
        report("VEL printing error 7. Framework is unable to end print job.");
        return;
    }
    lastOutput_ = outputPath_;
    if (driver_ == "CUPS" && !platform::sendToPrintQueue(device_, outputPath_, platform::utf8FromWindows1252(documentName_))) {
        report("VEL printing error 7. Framework is unable to end print job.");
        return;
    }
    // A file the reader did not choose must be findable: its place is said on standard output and shown.
    std::printf("orva: printed to %s\n", outputPath_.c_str());
    std::fflush(stdout);
    if (driver_ != "CUPS")
        report(("Documento impresso em " + platform::windows1252FromUtf8(outputPath_)).c_str());
}

void Printer::endDocument()
{
    if (!printing()) {
        report("VEL printing error 6. Framework is not currently printing.");
        return;
    }
    finishJob(false);
}

void Printer::abortDocument()
{
    if (!printing()) {
        report("VEL printing error 6a. Framework is not currently printing.");
        return;
    }
    finishJob(true);
}

int Printer::measure(int value, const char* noPrinter, const char* noContext)
{
    if (printing())
        return value;
    if (!selected() && !useDefaultPrinter()) {
        report(noPrinter);
        return -1;
    }
    (void)noContext; // the PDF writer's measures need no information context
    return value;
}

int Printer::pageWidth()
{
    return measure(kPageWidth, "VEL printing error 14. Framework is unable to get printer information.",
                   "VEL printing error 15. Framework is unable to get printer information context.");
}

int Printer::pageHeight()
{
    return measure(kPageHeight, "VEL printing error 16. VEL printing error 14. Framework is unable to get printer information.",
                   "VEL printing error 17. Framework is to get printer information context.");
}

int Printer::dotsPerInchAcross()
{
    return measure(kDotsPerInch, "VEL printing error 22. Framework is unable to get printer information.",
                   "VEL printing error 23. Framework is to get printer information context.");
}

int Printer::dotsPerInchDown()
{
    return measure(kDotsPerInch, "VEL printing error 24. Framework is unable to get printer information.",
                   "VEL printing error 25. Framework is to get printer information context.");
}

} // namespace vel
