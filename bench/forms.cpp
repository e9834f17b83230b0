// Forms: going to a screen of 30 controls on a 640 x 480 background, read from a compiled resource
// (".vel") each time, as the title goes from screen to screen.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "media_writers/media_writers.h"
#include "runtime/environment.h"
#include "runtime/event_queue.h"
#include "runtime/form.h"
#include "runtime/resources.h"
#include "runtime/surface.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/list.h"
#include "value/reader.h"
#include "value/string.h"

namespace {

using namespace vel;

// An 8-bit 640 x 480 bitmap file of coloured bands.
std::string bandsBitmap()
{
    media_writers::BitmapSpec spec{640, 480, 8, 0, {}};
    for (uint32_t i = 0; i < 256; ++i)
        spec.colours.push_back((i * 3 & 255) << 16 | (255 - i) << 8 | i);
    media_writers::Bytes file = media_writers::bitmapFile(
        spec, media_writers::pixelRows(spec, [](int x, int y) { return static_cast<uint32_t>((x / 40 + y / 30) & 255); }));
    return {file.begin(), file.end()};
}

// A screen in the notation: its background and 30 controls in a grid, each leading to the other screen.
std::string screenText(const std::string& name, const std::string& other)
{
    std::string controls;
    for (int i = 0; i < 30; ++i)
        controls += "(control (\"Class\" \"Botao\") (\"Name\" \"b" + std::to_string(i) + "\") (\"Hot Spot\" (rect " +
                    std::to_string(20 + (i % 6) * 100) + " " + std::to_string(20 + (i / 6) * 90) +
                    " 90 80)) (\"Target Form\" \"" + other + "\") (\"Help\" \"Ajuda\")) ";
    return "(form (\"Name\" \"" + name + "\") (\"Resource Table\" (table (\"Background Image\" \"fundo.bmp\") "
           "(\"Control List\" (list " + controls + "))))) ";
}

class BenchHost final : public FormHost, public ResourceScope {
public:
    BenchHost() : surface_(640, 480, nullptr) {}
    Value currentForm() const override { return current_; }
    void setCurrentForm(const Value& form) override { current_ = form; }
    DrawingSurface* surface() override { return &surface_; }
    EventQueue* events() override { return &queue_; }
    int handleEvent(const EventRecord&) override { return 1; }
    void quit() override {}
    bool quitting() const override { return false; }
    void setCursor(const Value&) override {}
    Value currentFormProperty(const Value& name) const override
    {
        auto* form = asForm(current_);
        return form ? form->getKey(name) : Value();
    }

private:
    DrawingSurface surface_;
    EventQueue queue_;
    Value current_;
};

int quietError(const Value& message)
{
    std::fprintf(stderr, "%s\n", std::string(textOf(message)).c_str());
    return 0;
}

void GoToAFormOfThirtyControls(benchmark::State& state)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("bench_forms_" + std::to_string(::getpid()));
    fs::create_directories(dir / "Media");
    std::ofstream(dir / "Media" / "fundo.bmp", std::ios::binary) << bandsBitmap();

    setErrorHandler(quietError);
    ApplicationTables tables;
    registerApplicationTables(&tables);
    setEnvironmentDefaults();
    environment::set("SourceDisk", Value::string(dir.string()));
    environment::set("MediaPath", Value::string("Media"));
    installResourceMakers();
    installFormClasses();
    BenchHost host;
    setFormHost(&host);
    setResourceScope(&host);

    // Compiled the way the data tool compiles: the form value in the binary encoding.
    for (auto [file, name, other] : {std::tuple{"primeira.vel", "Primeira", "segunda.vel"},
                                     std::tuple{"segunda.vel", "Segunda", "primeira.vel"}}) {
        std::vector<uint8_t> bytes = encodeToBytes(parseText(screenText(name, other)));
        std::ofstream(dir / "Media" / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    bool first = true;
    for (auto _ : state) {
        goToForm(Value::string(first ? "primeira.vel" : "segunda.vel"), Value(), true);
        first = !first;
        auto* form = asForm(host.currentForm());
        List* controls = form ? asList(form->controlList()) : nullptr;
        if (!form || form->width() != 640 || !controls || controls->count() != 30) {
            state.SkipWithError("the form did not open");
            break;
        }
    }
    host.setCurrentForm(Value());
    setResourceScope(nullptr);
    setFormHost(nullptr);
    registerApplicationTables(nullptr);
    fs::remove_all(dir);
}
BENCHMARK(GoToAFormOfThirtyControls)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
