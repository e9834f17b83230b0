#include "discgen/synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "discgen/art_kinds.h"
#include "discgen/discgen.h"
#include "value/list.h"

namespace vel::discgen {

namespace {

void readNotes(List& notes, int channel, int velocity, Tune& tune, int& at)
{
    for (int32_t i = 0; i < notes.count(); ++i) {
        Value item = notes.get(i);
        std::vector<int> keys;
        int steps = 1;
        if (List* pair = asList(item)) {
            if (pair->count() == 0)
                continue;
            if (List* chord = asList(pair->get(0))) {
                for (int32_t k = 0; k < chord->count(); ++k)
                    keys.push_back(chord->getInt(k));
            } else {
                keys.push_back(pair->getInt(0));
            }
            steps = pair->count() > 1 ? std::max(1, pair->getInt(1)) : 1;
        } else {
            keys.push_back(velIntValue(item));
        }
        for (int key : keys)
            if (key > 0 && key < 128)
                tune.notes.push_back({at, steps, key, velocity, channel});
        at += steps;
    }
}

} // namespace

Tune readTune(const Value& entry)
{
    Tune tune;
    tune.stepMilliseconds = intField(entry, "Step", intField(entry, "Milliseconds", 300));
    if (List* parts = asList(field(entry, "Parts"))) {
        for (int32_t i = 0; i < parts->count(); ++i) {
            const Value part = parts->get(i);
            TunePart p;
            // Channel 10 is the drums in General MIDI: the parts skip it unless asked.
            p.channel = intField(part, "Channel", i < 9 ? i : i + 1);
            p.program = intField(part, "Program", 0);
            p.volume = intField(part, "Volume", 100);
            tune.parts.push_back(p);
            int at = 0;
            if (List* notes = asList(field(part, "Notes")))
                readNotes(*notes, p.channel, intField(part, "Velocity", 90), tune, at);
            tune.steps = std::max(tune.steps, at);
        }
    } else if (List* notes = asList(field(entry, "Notes"))) {
        tune.parts.push_back({0, intField(entry, "Program", 0), 100});
        int at = 0;
        readNotes(*notes, 0, 96, tune, at);
        tune.steps = at;
    }
    std::stable_sort(tune.notes.begin(), tune.notes.end(), [](const TuneNote& a, const TuneNote& b) { return a.start < b.start; });
    return tune;
}

media_writers::Bytes midiOf(const Tune& tune)
{
    const uint16_t ticksPerStep = 480;
    // Tempo: one beat a step.
    const auto microseconds = static_cast<uint32_t>(tune.stepMilliseconds) * 1000;
    media_writers::Bytes events = {0, 0xFF, 0x51, 0x03, static_cast<uint8_t>(microseconds >> 16),
                                   static_cast<uint8_t>(microseconds >> 8), static_cast<uint8_t>(microseconds)};
    for (const TunePart& p : tune.parts) {
        const auto status = static_cast<uint8_t>(p.channel & 15);
        events.insert(events.end(), {0, static_cast<uint8_t>(0xC0 | status), static_cast<uint8_t>(p.program & 127), 0,
                                     static_cast<uint8_t>(0xB0 | status), 7, static_cast<uint8_t>(std::clamp(p.volume, 0, 127))});
    }
    // (tick, off before on, bytes): ends sort before starts at the same tick so repeated keys restrike.
    std::vector<std::tuple<uint32_t, int, std::array<uint8_t, 3>>> timed;
    for (const TuneNote& n : tune.notes) {
        const auto channel = static_cast<uint8_t>(n.channel & 15), key = static_cast<uint8_t>(n.key);
        timed.push_back({static_cast<uint32_t>(n.start) * ticksPerStep, 1,
                         {static_cast<uint8_t>(0x90 | channel), key, static_cast<uint8_t>(std::clamp(n.velocity, 1, 127))}});
        timed.push_back({static_cast<uint32_t>(n.start + n.length) * ticksPerStep, 0, {static_cast<uint8_t>(0x80 | channel), key, 0}});
    }
    std::stable_sort(timed.begin(), timed.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    uint32_t now = 0;
    for (const auto& [tick, order, bytes] : timed) {
        media_writers::putVariableLength(events, tick - now);
        events.insert(events.end(), bytes.begin(), bytes.end());
        now = tick;
    }
    // A closing rest still counts: the tune ends on its last step so that it loops in time.
    const uint32_t end = static_cast<uint32_t>(tune.steps) * ticksPerStep;
    if (end > now && !tune.parts.empty()) {
        media_writers::putVariableLength(events, end - now);
        events.insert(events.end(), {static_cast<uint8_t>(0xB0 | (tune.parts[0].channel & 15)), 7,
                                     static_cast<uint8_t>(std::clamp(tune.parts[0].volume, 0, 127))});
    }
    return media_writers::midiFile(ticksPerStep, events);
}

namespace {

enum class Voice { Piano, Strings, Flute, Bell };

Voice voiceOf(int program)
{
    if (program >= 8 && program <= 15)
        return Voice::Bell;
    if (program >= 40 && program <= 55)
        return Voice::Strings;
    if (program >= 64 && program <= 79)
        return Voice::Flute;
    return Voice::Piano;
}

// Adds one note's sound to `out`, from `first` on, for `held` seconds plus its release.
void addNote(std::vector<double>& out, std::size_t first, double held, double frequency, double loudness, Voice voice,
             int rate)
{
    const double release = voice == Voice::Strings ? 0.25 : voice == Voice::Flute ? 0.12 : 0.6;
    const auto count = static_cast<std::size_t>((held + release) * rate);
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double envelope = 1, s = 0;
        switch (voice) {
        case Voice::Piano:
            envelope = std::min(1.0, t / 0.004) * std::exp(-t / (0.5 * std::pow(440 / frequency, 0.3)));
            for (int h = 1; h <= 6; ++h)
                s += std::sin(2 * M_PI * frequency * h * t) * std::exp(-t * h * 0.8) / std::pow(h, 1.6);
            break;
        case Voice::Strings: {
            envelope = std::min(1.0, t / 0.15);
            const double vibrato = 1 + 0.004 * std::sin(2 * M_PI * 5.2 * t);
            for (int h = 1; h <= 7; ++h)
                s += std::sin(2 * M_PI * frequency * vibrato * h * t) / (h * 1.3);
            s *= 0.55;
            break;
        }
        case Voice::Flute: {
            envelope = std::min(1.0, t / 0.06);
            const double vibrato = 1 + 0.003 * std::sin(2 * M_PI * 4.8 * t);
            s = std::sin(2 * M_PI * frequency * vibrato * t) + 0.18 * std::sin(4 * M_PI * frequency * vibrato * t);
            break;
        }
        case Voice::Bell:
            envelope = std::min(1.0, t / 0.002) * std::exp(-t / 0.9);
            s = std::sin(2 * M_PI * frequency * t) + 0.5 * std::sin(2 * M_PI * frequency * 2.76 * t) * std::exp(-t * 2) +
                0.25 * std::sin(2 * M_PI * frequency * 5.4 * t) * std::exp(-t * 4);
            break;
        }
        if (t > held && voice != Voice::Piano && voice != Voice::Bell)
            envelope *= std::max(0.0, 1 - (t - held) / release);
        out[first + i] += s * envelope * loudness;
    }
}

} // namespace

std::vector<int16_t> renderTune(const Tune& tune, int rate, double seconds)
{
    const double step = tune.stepMilliseconds / 1000.0;
    const double length = seconds > 0 ? seconds : tune.steps * step + 1;
    std::vector<double> mixed(static_cast<std::size_t>(length * rate), 0.0);
    for (const TuneNote& n : tune.notes) {
        const TunePart* part = nullptr;
        for (const TunePart& p : tune.parts)
            if (p.channel == n.channel)
                part = &p;
        const double frequency = 440 * std::pow(2, (n.key - 69) / 12.0);
        const double loudness = n.velocity / 127.0 * (part ? part->volume : 100) / 127.0;
        addNote(mixed, static_cast<std::size_t>(n.start * step * rate), n.length * step, frequency, loudness,
                voiceOf(part ? part->program : 0), rate);
    }
    double peak = 1e-9;
    for (double s : mixed)
        peak = std::max(peak, std::fabs(s));
    // A cut tune fades over its last half second rather than stopping dead.
    const double fade = seconds > 0 ? 0.5 : 0.05;
    std::vector<int16_t> out(mixed.size());
    for (std::size_t i = 0; i < mixed.size(); ++i) {
        const double left = (mixed.size() - i) / double(rate);
        out[i] = static_cast<int16_t>(std::lround(mixed[i] / peak * 24000 * std::min(1.0, left / fade)));
    }
    return out;
}

std::vector<int16_t> toneSamples(int rate, int frequency, int milliseconds, int syllables, int decay)
{
    const int count = rate * milliseconds / 1000;
    std::vector<int16_t> out;
    out.reserve(static_cast<std::size_t>(std::max(0, count)));
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        // A soft start and end so the tone does not click.
        double envelope = std::min({1.0, i / (rate * 0.01), (count - i) / (rate * 0.02)});
        if (decay > 0)
            envelope = std::min(1.0, i / (rate * 0.001)) * std::exp(-i * 1000.0 / (rate * decay)) *
                       std::min(1.0, (count - i) / (rate * 0.005));
        double pitch = frequency;
        if (syllables > 0) {
            const double along = static_cast<double>(i) / count;
            envelope *= std::fabs(std::sin(M_PI * syllables * along));
            pitch *= 1.0 + 0.25 * std::sin(2 * M_PI * 1.7 * along) + 0.08 * std::sin(2 * M_PI * syllables * along);
        }
        phase += 2 * M_PI * pitch / rate;
        out.push_back(static_cast<int16_t>(std::lround(12000 * envelope * std::sin(phase))));
    }
    return out;
}

bool makeTone(const fs::path& target, const Value& entry)
{
    const int rate = intField(entry, "Rate", 22050);
    writeWave(target,
              toneSamples(rate, intField(entry, "Frequency", 440), intField(entry, "Milliseconds", 200),
                          intField(entry, "Syllables", 0), intField(entry, "Decay", 0)),
              rate);
    return true;
}

bool makeTune(const fs::path& target, const Value& entry)
{
    writeBytes(target, midiOf(readTune(entry)));
    return true;
}

} // namespace vel::discgen
