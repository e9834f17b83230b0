// The demo disc as a reader meets it: built from its sources by discgen, clicked through in a
// scripted run, its screen printed to PDF.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <tuple>

#include "support/scripted_run.h"
#include "support/subprocess.h"

namespace {

namespace fs = std::filesystem;
using vel::testing_support::haveProgram;
using vel::testing_support::runProcess;

class OrvaDemoTest : public vel::testing_support::ScriptedRunTest {
protected:
    void SetUp() override
    {
        ScriptedRunTest::SetUp();
        mediaRoot_ = path("disc");
        auto made = runProcess({std::string(VEL_BIN_DIR) + "/discgen", std::string(VEL_SOURCE_DIR) + "/disc/demo", mediaRoot_});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    int run(const std::string& script, std::string* said)
    {
        return runScript(script, said, {"--set", "PrintOutput=" + path("print")});
    }
};

TEST_F(OrvaDemoTest, TheDiscIsBuiltFromItsSourcesAndClickedThrough)
{
    for (const char* name : {"global.vel", "startup.frm", "atlas.frm", "sobre.frm", "fundo.bmp", "atlas.jpg",
                             "sobre.bmp", "clique.wav", "tema.mid"})
        EXPECT_TRUE(fs::exists(fs::path(mediaRoot_) / name)) << name;
    EXPECT_FALSE(fs::exists(fs::path(mediaRoot_) / "media.tbl")) << "the descriptions stay behind";
    EXPECT_EQ(fs::exists(fs::path(mediaRoot_) / "filme.mpg"), haveProgram("ffmpeg"));
    std::string said;
    EXPECT_EQ(run("wait 200\nexpect-form Inicio\nclick 150 220\nwait 200\nexpect-form Atlas\nclick 90 420\n"
                  "wait 200\nexpect-form Inicio\nclick 460 220\nwait 200\nclick 20 20\nwait 100\nexpect-form Sobre\n"
                  "click 320 300\nwait 100\n"
                  "expect-form Inicio\nkey Escape\nwait 100\nexpect-form Nowhere\n",
                  &said),
              0)
        << "A press outside the dialog leaves it open; Escape ends the program: nothing after it runs. " << said;
}

TEST_F(OrvaDemoTest, ATipShowsOnARestingPointerAndBackAndForwardWalkTheScreensVisited)
{
    std::string said;
    ASSERT_EQ(run("wait 200\nmove 150 230\nwait 1100\nshot " + path("tip.png") +
                      "\nclick 150 230\nwait 200\nexpect-form Atlas\nclick 355 440\nwait 200\nexpect-form Inicio\n"
                      "click 480 440\nwait 200\nexpect-form Atlas\n",
                  &said),
              0)
        << said;
    cairo_surface_t* image = cairo_image_surface_create_from_png(path("tip.png").c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    long paleYellow = 0;
    for (int y = 0; y < cairo_image_surface_get_height(image); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
        for (int x = 0; x < cairo_image_surface_get_width(image); ++x)
            paleYellow += (row[x] & 0xFFFFFF) == 0xFFFF80;
    }
    cairo_surface_destroy(image);
    EXPECT_GT(paleYellow, 1000) << "no tip on the screen";
}

TEST_F(OrvaDemoTest, TheScreenPrintsToAPdfPageThatIsNotBlankUnderAHeadingOfText)
{
    fs::create_directories(path("print"));
    std::string said;
    ASSERT_EQ(run("wait 100\nclick 100 440\nwait 100\n", &said), 0) << said;
    const std::string pdf = path("print/Inicio.pdf");
    std::ifstream in(pdf, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::regex page("/Type\\s*/Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 1) << said;
    if (!haveProgram("pdftoppm") || !haveProgram("pdftotext"))
        GTEST_SKIP() << "poppler's tools are not installed: the page is not read back";
    EXPECT_NE(runProcess({"pdftotext", pdf, "-"}).output.find("Orvale Vanta: tela Inicio"), std::string::npos)
        << "the heading is text on the page";
    ASSERT_EQ(runProcess({"pdftoppm", "-png", "-r", "30", "-singlefile", pdf, path("page")}).status, 0);
    cairo_surface_t* image = cairo_image_surface_create_from_png(path("page.png").c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    long inked = 0;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
        for (int x = 0; x < w; ++x)
            inked += (row[x] & 0xFFFFFF) != 0xFFFFFF;
    }
    cairo_surface_destroy(image);
    EXPECT_GT(inked, w * h / 20) << "the printed page is (nearly) blank";
}

// The colour at (x, y) of a screenshot, 0xRRGGBB; 0 when it cannot be read.
uint32_t shotPixel(const std::string& png, int x, int y)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    uint32_t rgb = 0;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && x < cairo_image_surface_get_width(image) &&
        y < cairo_image_surface_get_height(image))
        rgb = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image))[x] & 0xFFFFFF;
    cairo_surface_destroy(image);
    return rgb;
}

TEST_F(OrvaDemoTest, TheGalleryFollowsAPressThatLeavesARadioChoiceAndACheckBox)
{
    std::string said;
    ASSERT_EQ(run("wait 100\nclick 460 375\nwait 100\nexpect-form Galeria\nmove 105 90\nwait 50\nshot " + path("over.png") +
                      "\ndown 105 90\nshot " + path("down.png") + "\nmove 200 300\nshot " + path("out.png") +
                      "\nup 200 300\nwait 50\nexpect-form Galeria\nclick 100 214\nclick 20 166\nclick 20 144\nwait 50\nshot " +
                      path("chosen.png") + "\nclick 70 440\nwait 100\nexpect-form Inicio\nclick 460 375\nwait 100\nshot " +
                      path("again.png") + "\n",
                  &said),
              0)
        << said;
    // Lit, pressed, up once left; "Dois" chosen; the hidden button shown; sounds still off on return.
    const std::tuple<const char*, int, int, uint32_t> looks[] = {
        {"over.png", 105, 90, 0xFCFAF2}, {"down.png", 105, 90, 0xDED8C8},    {"out.png", 105, 90, 0xF0ECE0},
        {"chosen.png", 23, 215, 0xFFFFFF}, {"chosen.png", 95, 215, 0x141C3C}, {"chosen.png", 22, 166, 0x141C3C},
        {"chosen.png", 300, 90, 0xF0ECE0}, {"again.png", 22, 144, 0xFFFFFF}};
    for (auto [shot, x, y, rgb] : looks)
        EXPECT_EQ(shotPixel(path(shot), x, y), rgb) << shot << " " << x << "," << y;
}

TEST_F(OrvaDemoTest, TheSecondGalleryScreenRepeatsAHeldArrowAndSaysWhichRowWasChosen)
{
    std::string said;
    // From the first screen to the gallery and its second screen, and back.
    ASSERT_EQ(run("wait 200\nclick 460 375\nwait 100\nclick 210 446\nwait 200\nexpect-form Galeria2\n"
                  "shot " + path("a.png") + "\ndown 607 210\nwait 600\nup 607 210\nwait 50\n"
                  "shot " + path("b.png") + "\nclick 300 275\nwait 50\n"
                  "shot " + path("c.png") + "\nclick 580 24\nwait 100\nexpect-form Galeria\n",
                  &said),
              0)
        << said;
    // The vertical bar's knob (value 5 of 20) sits at 121..145; nine steps in 600 ms bring it to 155..179.
    const uint32_t knob = 0x788CBE; // its "KnobColor"
    EXPECT_EQ(shotPixel(path("a.png"), 607, 133), knob);
    EXPECT_NE(shotPixel(path("b.png"), 607, 133), knob);
    EXPECT_EQ(shotPixel(path("b.png"), 607, 167), knob);
    EXPECT_LT(vel::testing_support::agreement(path("b.png"), path("c.png"), 8), 1.0) << "the line under the bars changed";
}

TEST_F(OrvaDemoTest, TheSecondGalleryScreensFieldListAndMenuTakeTypingAndChoices)
{
    fs::copy_file(fs::path(mediaRoot_) / "galeria2.frm", fs::path(mediaRoot_) / "startup.frm",
                  fs::copy_options::overwrite_existing);
    std::string said;
    // Digits typed (the letter refused) and Enter; the list dropped and a name chosen; the menu
    // opened, its third region's cascade followed, a capital chosen.
    ASSERT_EQ(run("wait 200\nshot " + path("start.png") + "\nclick 60 412\nkey End\nkey Backspace\ntype 7a3\nkey Enter\n"
                  "wait 50\nshot " + path("typed.png") + "\nclick 370 412\nwait 50\nshot " + path("dropped.png") +
                  "\nclick 250 330\nwait 50\nshot " + path("chosen.png") + "\ndown 450 412\nup 450 412\n"
                  "move 430 302\nmove 560 330\nwait 50\nshot " + path("cascade.png") + "\nclick 560 330\nwait 50\n"
                  "shot " + path("capital.png") + "\n",
                  &said),
              0)
        << said;
    const uint32_t paper = 0xFAF7EE, white = 0xFFFFFF, lit = 0x0A246A;
    const std::tuple<const char*, int, int, uint32_t> looks[] = {
        {"dropped.png", 350, 262, white}, {"chosen.png", 350, 262, paper}, // the list drawn over the table, then gone
        {"chosen.png", 350, 421, lit}, // the chosen name lit while the list is active, below its 18-pixel picture
        {"cascade.png", 620, 330, lit}};                                   // the capital under the pointer
    for (auto [shot, x, y, rgb] : looks)
        EXPECT_EQ(shotPixel(path(shot), x, y), rgb) << shot << " " << x << "," << y;
    EXPECT_EQ(shotPixel(path("capital.png"), 620, 330), shotPixel(path("start.png"), 620, 330)) << "the menu is gone";
    using vel::testing_support::agreement;
    EXPECT_LT(agreement(path("start.png"), path("typed.png"), 8), 1.0) << "the field and the line under it changed";
    EXPECT_LT(agreement(path("chosen.png"), path("capital.png"), 8), 1.0) << "the line tells the capital";
}

// The share of a PNG's pixels in rows [top, bottom) of its height (fractions) that are not white.
double inkedShare(const std::string& png, double top, double bottom)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    double share = -1;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
        long inked = 0, all = 0;
        for (int y = static_cast<int>(h * top); y < static_cast<int>(h * bottom); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
            for (int x = 0; x < w; ++x, ++all)
                inked += (row[x] & 0xFFFFFF) != 0xFFFFFF;
        }
        share = all ? static_cast<double>(inked) / all : 0;
    }
    cairo_surface_destroy(image);
    return share;
}

// The planets article in pages: stepped by keys, its hot texts followed (a marker, a dialog), and
// printed on two sheets that both carry text.
TEST_F(OrvaDemoTest, TheArticleStepsThroughItsPagesFollowsHotTextAndPrints)
{
    fs::create_directories(path("print"));
    std::string said;
    ASSERT_EQ(runScript("wait 100\nexpect-form Texto\nshot " + path("one.png") + "\nkey PageDown\nshot " + path("two.png") +
                            "\nkey PageUp\nshot " + path("back.png") + "\nclick 200 354\nshot " + path("marker.png") +
                            "\nclick 90 268\nwait 100\nexpect-form Sobre\nkey Escape\nwait 100\nexpect-form Texto\n"
                            "click 540 455\nwait 100\n",
                        &said, {"--set", "PrintOutput=" + path("print"), "--set", "StartupForm=texto.frm"}),
              0)
        << said;
    using vel::testing_support::agreement;
    EXPECT_LT(agreement(path("two.png"), path("one.png"), 8), 0.95) << "Page Down shows the second page";
    EXPECT_GT(agreement(path("back.png"), path("one.png"), 8), 0.999) << "Page Up shows the first again";
    EXPECT_GT(agreement(path("marker.png"), path("two.png"), 8), 0.999) << "the table's marker is on the second page";
    const std::string pdf = path("print/Orvale Vanta.pdf");
    ASSERT_TRUE(fs::exists(pdf)) << said;
    if (!haveProgram("pdftoppm"))
        GTEST_SKIP() << "pdftoppm is not installed: the sheets' pixels are not checked";
    ASSERT_EQ(runProcess({"pdftoppm", "-png", "-r", "30", pdf, path("sheet")}).status, 0);
    EXPECT_FALSE(fs::exists(path("sheet-3.png")));
    for (const char* sheet : {"sheet-1.png", "sheet-2.png"})
        EXPECT_GT(inkedShare(path(sheet), 0.1, 0.5), 0.01) << sheet << " carries text under its header";
}

// The gallery's article scrolled by keys, by its arrows and by its thumb; a hot text shows the
// table, another opens the article in pages.
TEST_F(OrvaDemoTest, TheGalleryArticleScrollsAndFollowsItsHotText)
{
    std::string said;
    auto shot = [this](const char* name) { return "shot " + path(name) + "\n"; };
    ASSERT_EQ(run("wait 100\nclick 460 375\nwait 100\nexpect-form Galeria\n" + shot("top.png") + "key Down\nkey Down\n" +
                      shot("keys.png") + "key Home\nclick 620 396\nclick 620 396\n" + shot("arrows.png") +
                      "click 620 56\nclick 620 56\n" + shot("back.png") + "down 620 72\nmove 620 300\nup 620 300\n" +
                      shot("thumb.png") + "key Home\nkey Down\nkey Down\nkey Down\nclick 570 355\n" + shot("marker.png") +
                      "key End\n" + shot("end.png") + "click 395 385\nwait 100\nexpect-form Texto\n",
                  &said),
              0)
        << said;
    using vel::testing_support::agreement;
    EXPECT_LT(agreement(path("keys.png"), path("top.png"), 8), 0.98) << "two lines down";
    EXPECT_GT(agreement(path("arrows.png"), path("keys.png"), 8), 0.999) << "two arrow clicks are two lines";
    EXPECT_GT(agreement(path("back.png"), path("top.png"), 8), 0.999);
    EXPECT_LT(agreement(path("thumb.png"), path("top.png"), 8), 0.98) << "the thumb dragged down";
    EXPECT_GT(agreement(path("marker.png"), path("end.png"), 8), 0.999) << "the table's heading, as near the top as it goes";
}

// The film and photograph screen, reached from the gallery: a tip on the movie, the movie playing
// with its cue written under it, the photograph's caption open beside it; each held against the
// shot looked at when the screen was made.
TEST_F(OrvaDemoTest, TheMediaScreenPlaysItsMovieWithCuesAndPopsThePhotosCaptionUp)
{
    if (!haveProgram("ffmpeg"))
        GTEST_SKIP() << "no ffmpeg program: the disc has no movie";
    std::string said;
    ASSERT_EQ(run("wait 200\nclick 460 375\nwait 100\nclick 348 446\nwait 200\nexpect-form Midia\nmove 190 190\n"
                  "wait 1100\nshot " + path("tip.png") + "\nclick 190 190\nwait 1500\nshot " + path("play.png") +
                  "\nclick 500 180\nwait 100\nshot " + path("caption.png") + "\nclick 355 440\nwait 200\n"
                  "expect-form Galeria\n",
                  &said),
              0)
        << said;
    using vel::testing_support::agreement, vel::testing_support::expectedShot;
    for (auto [shot, expected] : {std::pair{"tip.png", "midia_dica.png"}, std::pair{"play.png", "midia_filme.png"},
                                  std::pair{"caption.png", "midia_legenda.png"}})
        EXPECT_GE(agreement(path(shot), expectedShot(expected), 8), 0.999) << shot;
}

} // namespace

TEST_F(OrvaDemoTest, TheSecondGalleryScreensListsSearchByLetterAndChooseSeveral)
{
    fs::copy_file(fs::path(mediaRoot_) / "galeria2.frm", fs::path(mediaRoot_) / "startup.frm",
                  fs::copy_options::overwrite_existing);
    std::string said;
    ASSERT_EQ(run("wait 200\nexpect-form Galeria2\nshot " + path("a.png") + "\nkey p\nkey p\nkey Down\n"
                  "click 60 300\nwait 50\nshot " + path("b.png") + "\n", &said),
              0)
        << said;
    // "p" twice reaches "palavra" past "pai", Down "panela": the list's last line, now chosen (navy);
    // the click chooses "Acerola" among the fruits (green). Both lines were white before.
    for (auto [x, y, before, after] :
         {std::tuple{150, 240, 0xFFFFFFu, 0x14285Au}, std::tuple{150, 300, 0xFFFFFFu, 0x3C8250u}}) {
        EXPECT_EQ(shotPixel(path("a.png"), x, y), before) << x << "," << y;
        EXPECT_EQ(shotPixel(path("b.png"), x, y), after) << x << "," << y;
    }
}
