// The disc generator's drawn and spoken kinds: each makes a file the title's own loaders read, at the
// size asked, and the same sources make the same bytes on every build.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/image_test_support.h"
#include "runtime/midi_file.h"
#include "runtime/wave_file.h"
#include "support/error_capture.h"
#include "support/scratch_dir.h"
#include "support/subprocess.h"

namespace vel {
namespace {

namespace fs = std::filesystem;
using testing_support::haveProgram;
using testing_support::runProcess;

const char* const kMedia = R"((table
 ("fundo.bmp" (table ("Kind" "screen") ("Section" "atlas") ("Title" "Atlas")))
 ("painel.bmp" (table ("Kind" "screen") ("Style" "dialog") ("Size" (point 320 160))))
 ("menu.bmp" (table ("Kind" "screen") ("Style" "menu") ("Size" (point 200 56))))
 ("sec.bmp" (table ("Kind" "button") ("Size" (point 200 40)) ("Section" "midias") ("State" "down") ("Label" "M\xeddias") ("Icon" "filme")))
 ("ok.bmp" (table ("Kind" "button") ("Label" "OK") ("State" "off")))
 ("lupa.bmp" (table ("Kind" "icon") ("Icon" "lupa") ("State" "over")))
 ("cores.dib" (table ("Kind" "palette") ("Colours" (list (rgb 20 40 90) (rgb 250 247 238)))))
 ("caixas.bmp" (table ("Kind" "picture") ("Size" (point 37 9)) ("Gradient" (list (rgb 255 255 255) (rgb 255 255 255)))
   ("Shapes" (list (list "box" 3 2 20 5 (rgb 200 10 10)) (list "box" 24 0 1 9 (rgb 0 0 255)) (list "box" 26 0 2 9 (rgb 0 0 255))))))
 ("tema.mid" (table ("Kind" "tune") ("Step" 250) ("Parts" (list (table ("Program" 0) ("Notes" (list 60 (list (list 64 67) 2) 0)))
                                                         (table ("Program" 73) ("Notes" (list (list 72 3))))))))
 ("clique.wav" (table ("Kind" "tone") ("Frequency" 1400) ("Milliseconds" 45) ("Decay" 8)))
 ("filme.mpg" (table ("Kind" "movie") ("Size" (point 64 48)) ("Soundtrack" "tema.mid")
   ("Scenes" (list (table ("Scene" "emblem") ("Seconds" 1) ("Title" "Orvale")))))))
)";

class DiscgenArtTest : public testing_support::ErrorCheckedTest {
protected:
    std::string build(const std::string& out, const std::string& tables = kMedia)
    {
        dir_.write("src/media.tbl", tables);
        auto made = runProcess({std::string(VEL_BIN_DIR) + "/discgen", dir_ / "src", dir_ / out});
        EXPECT_EQ(made.status, 0) << made.output;
        return dir_ / out;
    }
    Value image(const std::string& path)
    {
        const std::string bytes = dir_.read(fs::relative(path, dir_.path()).string());
        return imageFromBuffer(image_test::bufferOf({bytes.begin(), bytes.end()}), "bmp");
    }
    testing_support::ScratchDirectory dir_;
};

TEST_F(DiscgenArtTest, EachKindMakesAFileItsLoaderReadsAtTheSizeAsked)
{
    const std::string out = build("out");
    const struct {
        const char* name;
        int width, height, colours;
    } pictures[] = {{"fundo.bmp", 640, 480, 0}, {"painel.bmp", 320, 160, -1}, {"menu.bmp", 200, 56, -1},
                    {"sec.bmp", 200, 40, -1},   {"ok.bmp", 88, 26, -1},       {"lupa.bmp", 32, 32, -1},
                    {"cores.dib", 16, 16, 256}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        Value picture = image(out + "/" + p.name);
        ASSERT_FALSE(picture.isNil());
        EXPECT_EQ(std::pair(velWidth(picture), velHeight(picture)), std::pair(p.width, p.height));
        if (p.colours >= 0) {
            EXPECT_EQ(asImage(picture)->colourCount(), p.colours);
        }
    }
    const std::string midi = dir_.read("out/tema.mid");
    MidiSummary summary;
    std::string problem;
    ASSERT_TRUE(scanMidi(reinterpret_cast<const uint8_t*>(midi.data()), midi.size(), summary, problem)) << problem;
    EXPECT_EQ(summary.lengthMilliseconds, 1000u) << "the closing rest counts, so the tune loops on the beat";
    const std::string click = dir_.read("out/clique.wav");
    WaveFormat format;
    ASSERT_TRUE(readWaveFormat(reinterpret_cast<const uint8_t*>(click.data()), click.size(), format));
    EXPECT_NEAR(format.lengthMilliseconds(), 45, 1);
    EXPECT_EQ(fs::exists(out + "/filme.mpg"), haveProgram("ffmpeg"));
}

// Few colours: 8 bits, run-length packed, with runs and, between the bars, a stretch of single pixels
// of odd length (the packed form's padding).
TEST_F(DiscgenArtTest, AFewColouredPictureIsPackedAndDecodesToTheSamePixels)
{
    const std::string bytes = dir_.read(fs::relative(build("out") + "/caixas.bmp", dir_.path()).string());
    ASSERT_GT(bytes.size(), 34u);
    EXPECT_EQ(bytes[28], 8) << "bits a pixel";
    EXPECT_EQ(bytes[30], 1) << "RLE8";
    Value context = image_test::filledContext(37, 9, 0xFF123456);
    velDrawImage(context, image(dir_ / "out/caixas.bmp"), 0, 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 37; ++x) {
            const bool red = x >= 3 && x < 23 && y >= 2 && y < 7;
            const bool blue = x == 24 || x == 26 || x == 27;
            ASSERT_EQ(image_test::pixelOf(context, x, y), red ? 0xFFC80A0Au : blue ? 0xFF0000FFu : 0xFFFFFFFFu)
                << x << "," << y;
        }
}

TEST_F(DiscgenArtTest, AMisspeltSectionOrPictogramStopsTheBuild)
{
    for (const char* entry : {R"(("Kind" "button") ("Icon" "livor"))", R"(("Kind" "screen") ("Section" "atlass"))",
                              R"(("Kind" "screen") ("Shapes" (list (list "icon" "glob" 0 0 32))))",
                              R"(("Kind" "icon") ("Icon" "globo") ("Section" "midia"))"}) {
        dir_.write("src/media.tbl", std::string(R"((table ("x.bmp" (table )") + entry + ")))");
        auto made = runProcess({std::string(VEL_BIN_DIR) + "/discgen", dir_ / "src", dir_ / "out"});
        EXPECT_NE(made.status, 0) << entry;
        EXPECT_NE(made.output.find("no "), std::string::npos) << made.output;
    }
}

TEST_F(DiscgenArtTest, SpeechIsAWaveTheSoundLoaderReads)
{
    if (!haveProgram("espeak-ng"))
        GTEST_SKIP() << "no espeak-ng";
    build("out", R"((table ("fala.wav" (table ("Kind" "speech") ("Text" "Bem-vindo \xe0 se\xe7\xe3o de m\xeddias.")))))");
    const std::string bytes = dir_.read("out/fala.wav");
    WaveFormat format;
    std::vector<int16_t> samples;
    ASSERT_TRUE(readWaveFormat(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), format));
    ASSERT_TRUE(decodeWave(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), format, samples));
    EXPECT_EQ(std::tuple(format.sampleRate, format.channels), std::tuple(22050u, 1));
    EXPECT_GT(format.lengthMilliseconds(), 1000u);
    EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 1000) << "not silence";
}

TEST_F(DiscgenArtTest, TheSameSourcesMakeTheSameBytes)
{
    const std::string first = build("a"), second = build("b");
    int compared = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(first)) {
        const std::string name = file.path().filename().string();
        EXPECT_EQ(dir_.read("a/" + name), dir_.read("b/" + name)) << name;
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

} // namespace
} // namespace vel
