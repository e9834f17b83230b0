// What the in-process benchmarks share: an error handler that reports without stopping, a banded
// 640 x 480 background, and an engine started (or the benchmark skipped, saying why).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "controls/control_library.h"
#include "controls/history.h"
#include "media_writers/media_writers.h"
#include "runtime/engine.h"
#include "title/title_forms.h"
#include "value/error.h"
#include "value/string.h"

namespace vel::bench {

inline int quietError(const Value& message)
{
    std::fprintf(stderr, "%s\n", std::string(textOf(message)).c_str());
    return 0;
}

// An 8-bit 640 x 480 bitmap file of coloured bands; the seed varies the palette.
inline std::string bandsBitmap(uint32_t seed)
{
    media_writers::BitmapSpec spec{640, 480, 8, 0, {}};
    for (uint32_t i = 0; i < 256; ++i)
        spec.colours.push_back((i * seed & 255) << 16 | (255 - i) << 8 | i);
    media_writers::Bytes file = media_writers::bitmapFile(
        spec, media_writers::pixelRows(spec, [](int x, int y) { return static_cast<uint32_t>((x / 40 + y / 30) & 255); }));
    return {file.begin(), file.end()};
}

// Starts the engine; false when it cannot, with the benchmark marked skipped and why.
inline bool startEngine(Engine& engine, const RunOptions& options, benchmark::State& state)
{
    std::string error;
    if (engine.startUp(options, error))
        return true;
    state.SkipWithError(error.c_str());
    return false;
}

// Starts the engine offscreen on the media under sourceDisk/Media with the control library and the
// title's classes entered, as the title's screens find them; false as startEngine.
inline bool startTitleEngine(Engine& engine, const std::string& sourceDisk, benchmark::State& state)
{
    setErrorHandler(quietError);
    RunOptions options = RunOptions::offscreenOnly(false);
    options.settings.insert(options.settings.end(), {{"SourceDisk", sourceDisk}, {"MediaPath", "Media"}});
    if (!startEngine(engine, options, state))
        return false;
    registerControlLibrary(engine);
    registerTitleForms(engine);
    History::of(engine);
    return true;
}

} // namespace vel::bench
