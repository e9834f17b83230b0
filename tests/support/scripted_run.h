// Scripted runs of the orva program on a media root and a home made for the test, and screenshots
// held against the stored ones.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/subprocess.h"

namespace vel::testing_support {

class ScriptedRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("orva_run_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_ / "media");
        std::filesystem::create_directories(dir_ / "home");
    }
    void TearDown() override
    {
        // What a failing test left stays for a look.
        if (!HasFailure())
            std::filesystem::remove_all(dir_);
    }
    void media(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir_ / "media" / name, std::ios::binary) << bytes;
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Runs the program on the media root (or another) with the script: its exit status and what it said.
    int runScript(const std::string& script, std::string* said = nullptr, std::vector<std::string> extra = {}) const
    {
        std::ofstream(dir_ / "run.script") << script;
        std::vector<std::string> words = {std::string(VEL_BIN_DIR) + "/orva", "--media", mediaRoot_.empty() ? path("media") : mediaRoot_,
                                          "--home", path("home"), "--script", path("run.script")};
        words.insert(words.end(), extra.begin(), extra.end());
        ProcessResult result = runProcess(words);
        if (said)
            *said = result.output;
        return result.status;
    }

    std::filesystem::path dir_;
    std::string mediaRoot_;
};

// A scripted run on the title's sample disc (build/disc): skipped when the disc lacks the file
// `probe`, which the section under test needs (the disc is not built).
class SampleDiscRunTest : public ScriptedRunTest {
protected:
    explicit SampleDiscRunTest(std::string probe) : probe_(std::move(probe)) {}
    void SetUp() override
    {
        ScriptedRunTest::SetUp();
        const std::string disc = (std::filesystem::path(VEL_BIN_DIR).parent_path() / "disc").string();
        if (!std::filesystem::exists(disc + "/" + probe_))
            GTEST_SKIP() << "the title's disc is not built";
        mediaRoot_ = disc;
    }

private:
    std::string probe_;
};

// The share of pixels whose channels all lie within the tolerance of the stored picture's.
inline double agreement(const std::string& actual, const std::string& expected, int tolerance)
{
    cairo_surface_t* a = cairo_image_surface_create_from_png(actual.c_str());
    cairo_surface_t* b = cairo_image_surface_create_from_png(expected.c_str());
    double share = 0;
    if (cairo_surface_status(a) == CAIRO_STATUS_SUCCESS && cairo_surface_status(b) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(a) == cairo_image_surface_get_width(b) &&
        cairo_image_surface_get_height(a) == cairo_image_surface_get_height(b)) {
        int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
        long same = 0;
        for (int y = 0; y < h; ++y) {
            auto* ra = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
            auto* rb = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
            for (int x = 0; x < w; ++x) {
                bool close = true;
                for (int shift = 0; shift <= 16; shift += 8)
                    close = close && std::abs(int((ra[x] >> shift) & 255) - int((rb[x] >> shift) & 255)) <= tolerance;
                same += close;
            }
        }
        share = static_cast<double>(same) / (static_cast<double>(w) * h);
    }
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    return share;
}

inline std::string expectedShot(const std::string& name)
{
    return std::string(VEL_SOURCE_DIR) + "/tests/e2e/expected/" + name;
}

} // namespace vel::testing_support
