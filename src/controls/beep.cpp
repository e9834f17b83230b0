#include "controls/beep.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "runtime/engine.h"
#include "runtime/sound.h"
#include "value/buffer.h"

namespace vel {

namespace {

constexpr int Rate = 22050;
constexpr int Samples = Rate * 70 / 1000; // 70 ms
constexpr double Pitch = 880.0;

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A soft sine with a short rise and fall, as a mono 16-bit wave file.
std::vector<uint8_t> toneFile()
{
    std::vector<uint8_t> out;
    const uint32_t dataBytes = Samples * 2;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, Rate);
    put32(out, Rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < Samples; ++i) {
        double envelope = std::fmin(1.0, std::fmin(i, Samples - i) / (Rate * 0.008));
        auto s = static_cast<int16_t>(6000.0 * envelope * std::sin(2.0 * pi * Pitch * i / Rate));
        put16(out, static_cast<uint16_t>(s));
    }
    return out;
}

} // namespace

void beep(Engine& engine)
{
    if (!engine.playback().wave().playing().isNil())
        return;
    const std::vector<uint8_t> bytes = toneFile();
    Value sound = WaveSound::fromBuffer(engine, Buffer::over(bytes.data(), static_cast<int32_t>(bytes.size()), true));
    if (auto* wave = dynamic_cast<WaveSound*>(sound.object()))
        wave->play(-1, -1, false);
}

} // namespace vel
