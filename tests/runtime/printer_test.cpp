// Printing to PDF: the job's life cycle, its numbered messages, and drawing sent to the page.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/headless.h"
#include "image_test_support.h"
#include "runtime/engine.h"
#include "runtime/printer.h"
#include "runtime/surface.h"
#include "support/error_capture.h"
#include "support/subprocess.h"
#include "value/string.h"

namespace vel {
namespace {

namespace fs = std::filesystem;

int pagesIn(const std::string& pdf)
{
    std::ifstream in(pdf, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()));
}

class PrinterTest : public testing_support::ErrorCheckedTest {
protected:
    void SetUp() override
    {
        ErrorCheckedTest::SetUp();
        platform::setHeadless(true);
        dir_ = fs::temp_directory_path() / ("printer_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        engine_.configuration().set("PrintOutput", Value::string(dir_.string()));
        printer().setSurface(&surface_);
        printer().useDefaultPrinter();
    }
    void TearDown() override
    {
        if (printer().printing())
            printer().abortDocument();
        printer().setSurface(nullptr);
        fs::remove_all(dir_);
        ErrorCheckedTest::TearDown();
    }
    Printer& printer() { return engine_.printer(); }
    std::string said() { return ::testing::internal::GetCapturedStderr(); }

    fs::path dir_;
    // Not started: its settings and its message boxes (on standard error when headless) serve.
    Engine engine_;
    DrawingSurface surface_{640, 480, nullptr};
};

TEST_F(PrinterTest, AJobWritesItsPagesAndTheScreenIsLeftAlone)
{
    ASSERT_EQ(printer().startDocument("Verbete: S\xe3o Paulo"), 1);
    for (int page = 0; page < 2; ++page) {
        ASSERT_EQ(printer().startPage(), 1);
        surface_.fill(platform::Rect::sized(100, 100, 300, 200), 0x000000);
        // The drawing lands on the page, at the printer's resolution and as vectors, not on the screen.
        EXPECT_EQ(surface_.target().pixels().pixels, nullptr);
        EXPECT_EQ(surface_.target().width(), Printer::kPageWidth);
        EXPECT_EQ(printer().endPage(), 1);
    }
    EXPECT_EQ(surface_.offscreen().pixels().row(150)[150] & 0xFFFFFF, 0u); // the screen was black before...
    surface_.fill(platform::Rect::sized(0, 0, 10, 10), 0xFFFFFF);
    EXPECT_EQ(surface_.offscreen().pixels().row(5)[5] & 0xFFFFFF, 0xFFFFFFu); // ...and takes drawing again after
    printer().endDocument();
    ASSERT_FALSE(printer().printing());
    std::string out = printer().lastOutput();
    EXPECT_EQ(fs::path(out).filename().string(), "Verbete_ S\xc3\xa3o Paulo.pdf");
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(pagesIn(out), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "one file, nothing else";

    ASSERT_EQ(printer().startDocument("Verbete: S\xe3o Paulo"), 1);
    printer().endDocument();
    EXPECT_EQ(fs::path(printer().lastOutput()).filename().string(), "Verbete_ S\xc3\xa3o Paulo (2).pdf");
    EXPECT_EQ(pagesIn(printer().lastOutput()), 1); // an empty job ejects one blank sheet
}

TEST_F(PrinterTest, TextStaysTextAndAMaskedPictureCoversOnlyWhatItShows)
{
    ASSERT_EQ(printer().startDocument("Vetores"), 1);
    ASSERT_EQ(printer().startPage(), 1);
    surface_.setTextColor(0);
    surface_.textOut(150, 150, "Pa\xeds impresso");
    // Letters are spaced as the font says, not rounded to whole points: a line measures as on a canvas
    // whose metrics round to a sixth of a pixel.
    platform::Canvas fine(10, 10, 6);
    fine.setFont(surface_.target().font());
    EXPECT_NEAR(surface_.measureText(std::string(60, 'i')).width, fine.measure(std::string(60, 'i')).width, 3);
    // A red picture whose mask shows its left half only, stretched over 200 x 200 page pixels.
    image_test::Bitmap picture, mask;
    picture.width = picture.height = mask.width = mask.height = 4;
    picture.bits = 24, mask.bits = 1;
    picture.pixels.assign(16, platform::opaque(255, 0, 0));
    mask.colours = {platform::opaque(0, 0, 0), platform::opaque(255, 255, 255)};
    for (int i = 0; i < 16; ++i)
        mask.indices.push_back(i % 4 < 2 ? 0 : 1);
    Value image = imageFromBuffer(image_test::bufferOf(image_test::encode(picture, true)), "bmp");
    ASSERT_TRUE(setImageMask(image, imageFromBuffer(image_test::bufferOf(image_test::encode(mask, false)), "dib")));
    velStretchImage(surface_.context(), image, 300, 300, 200, 200);
    EXPECT_EQ(printer().endPage(), 1);
    printer().endDocument();
    const std::string pdf = printer().lastOutput();
    using testing_support::runProcess;
    if (!testing_support::haveProgram("pdftotext") || !testing_support::haveProgram("pdftoppm"))
        GTEST_SKIP() << "poppler's tools are not installed: the page is not read back";
    EXPECT_NE(runProcess({"pdftotext", pdf, "-"}).output.find("Pa\xc3\xads impresso"), std::string::npos);
    const std::string png = (dir_ / "page").string();
    ASSERT_EQ(runProcess({"pdftoppm", "-png", "-r", "150", "-singlefile", pdf, png}).status, 0);
    cairo_surface_t* page = cairo_image_surface_create_from_png((png + ".png").c_str());
    ASSERT_EQ(cairo_surface_status(page), CAIRO_STATUS_SUCCESS);
    auto pixel = [&](int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(page) + y * cairo_image_surface_get_stride(page);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(350, 400), 0xFF0000u) << "the half the mask shows";
    EXPECT_EQ(pixel(450, 400), 0xFFFFFFu) << "the half it hides leaves the paper";
    cairo_surface_destroy(page);
}

TEST_F(PrinterTest, MisuseIsToldByNumberAndChangesNothing)
{
    auto toldNumbers = [this](std::initializer_list<const char*> numbers) {
        const std::string text = said();
        for (const char* n : numbers)
            EXPECT_NE(text.find(std::string("VEL printing error ") + n + ". Framework is"), std::string::npos) << n << text;
    };
    ::testing::internal::CaptureStderr();
    printer().endDocument();
    printer().abortDocument();
    EXPECT_EQ(printer().startPage() + printer().endPage(), 0);
    toldNumbers({"6", "6a", "10", "12"});
    EXPECT_TRUE(fs::is_empty(dir_));

    ASSERT_EQ(printer().startDocument("first"), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(printer().startDocument("second") + printer().useDefaultPrinter() + printer().printerSetup(), 0);
    EXPECT_EQ(printer().startPage(), 1);
    EXPECT_EQ(printer().startPage(), 0);
    toldNumbers({"1", "2", "3", "11"});
    EXPECT_TRUE(printer().printing()) << "the first job goes on";
    EXPECT_TRUE(surface_.printing());
    printer().abortDocument(); // leaves no file and gives the screen back
    EXPECT_FALSE(surface_.printing() || printer().printing());
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(PrinterTest, TheDocumentNameComesFromTheSettings)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(printer().dotsPerInchAcross(), 150) << "measures need no job";
    EXPECT_TRUE(said().empty()) << "the default printer is chosen silently";
    engine_.configuration().set("Print Document Name", Value::string("Atlas"));
    ASSERT_EQ(printer().startDocument(), 1);
    printer().endDocument();
    EXPECT_EQ(fs::path(printer().lastOutput()).filename().string(), "Atlas.pdf");
    engine_.configuration().set("PrintOutput", Value::string((dir_ / "exact.pdf").string()));
    printer().useDefaultPrinter();
    ASSERT_EQ(printer().startDocument("ignored"), 1);
    printer().endDocument();
    EXPECT_EQ(printer().lastOutput(), (dir_ / "exact.pdf").string());
}

TEST_F(PrinterTest, APdfGoesOnlyIntoAFolderThatIsThereAndWhereItWentIsSaid)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(printer().startDocument("Atlas"), 1);
    printer().endDocument();
    const std::string pdf = (dir_ / "Atlas.pdf").string();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "orva: printed to " + pdf + "\n");
    EXPECT_NE(said().find("Documento impresso em " + pdf), std::string::npos);
    engine_.configuration().set("PrintOutput", Value::string((dir_ / "missing").string()));
    printer().useDefaultPrinter();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(printer().startDocument("Atlas"), 0);
    EXPECT_NE(said().find("VEL printing error 4."), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

} // namespace
} // namespace vel
