// The demo disc as a reader meets it: built from its sources by the project's tools, clicked through
// in a scripted run, its screen printed to PDF.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

int run(const std::string& command)
{
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveProgram(const char* name)
{
    return run(std::string("command -v ") + name + " >/dev/null 2>&1") == 0;
}

class OrvaDemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::temp_directory_path() / ("orva_demo_" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "home");
        fs::create_directories(dir_ / "print");
        std::string build = fs::path(VEL_BIN_DIR).parent_path().string();
        built_ = run(std::string(VEL_SOURCE_DIR) + "/scripts/build_disc.sh " + build + " " + (dir_ / "disc").string() +
                     " >/dev/null 2>&1") == 0;
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    int runScript(const std::string& script, std::string* said = nullptr)
    {
        std::ofstream(dir_ / "run.script") << script;
        int status = run(std::string(VEL_BIN_DIR) + "/orva --media " + (dir_ / "disc").string() + " --home " +
                         (dir_ / "home").string() + " --set PrintOutput=" + (dir_ / "print").string() + " --script " +
                         (dir_ / "run.script").string() + " 2>" + (dir_ / "stderr.txt").string());
        if (said) {
            std::ifstream in(dir_ / "stderr.txt");
            said->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return status;
    }

    static fs::path dir_;
    static bool built_;
};

fs::path OrvaDemoTest::dir_;
bool OrvaDemoTest::built_ = false;

TEST_F(OrvaDemoTest, TheDiscIsBuiltFromItsSources)
{
    ASSERT_TRUE(built_);
    for (const char* name : {"global.vel", "startup.frm", "atlas.frm", "sobre.frm", "fundo.bmp", "atlas.jpg",
                             "sobre.bmp", "clique.wav", "tema.mid"})
        EXPECT_TRUE(fs::exists(dir_ / "disc" / name)) << name;
    if (haveProgram("ffmpeg"))
        EXPECT_TRUE(fs::exists(dir_ / "disc" / "filme.mpg"));
}

TEST_F(OrvaDemoTest, ClickingThroughTheScreens)
{
    ASSERT_TRUE(built_);
    std::string said;
    EXPECT_EQ(runScript("wait 200\nexpect-form Inicio\nclick 150 220\nwait 200\nexpect-form Atlas\n"
                        "click 90 420\nwait 200\nexpect-form Inicio\nclick 460 220\nwait 200\nclick 320 300\n"
                        "wait 100\nexpect-form Inicio\nkey Escape\n",
                        &said),
              0)
        << said;
}

TEST_F(OrvaDemoTest, EscapeEndsTheProgram)
{
    ASSERT_TRUE(built_);
    // Nothing after the Escape runs: the program has ended.
    EXPECT_EQ(runScript("key Escape\nwait 100\nexpect-form Nowhere\n"), 0);
}

TEST_F(OrvaDemoTest, TheScreenPrintsToAPdfPageThatIsNotBlank)
{
    ASSERT_TRUE(built_);
    std::string said;
    ASSERT_EQ(runScript("wait 100\nclick 100 440\nwait 100\n", &said), 0) << said;
    fs::path pdf = dir_ / "print" / "Inicio.pdf";
    ASSERT_TRUE(fs::exists(pdf)) << said;
    std::ifstream in(pdf, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::regex page("/Type\\s*/Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 1);
    if (!haveProgram("pdftoppm"))
        GTEST_SKIP() << "pdftoppm is not installed: the page's pixels are not checked";
    ASSERT_EQ(run("pdftoppm -png -r 30 -singlefile " + pdf.string() + " " + (dir_ / "page").string()), 0);
    cairo_surface_t* image = cairo_image_surface_create_from_png((dir_ / "page.png").c_str());
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

} // namespace
