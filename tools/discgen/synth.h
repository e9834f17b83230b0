// Tunes: read from a media entry, written as a MIDI file, or played by a small additive synthesiser
// into samples (a movie's soundtrack), so the theme heard in the intro is the one the title plays.
#pragma once

#include <cstdint>
#include <vector>

#include "media_writers/media_writers.h"
#include "value/value.h"

namespace vel::discgen {

struct TuneNote {
    int start = 0, length = 1; // in steps
    int key = 60, velocity = 96;
    int channel = 0;
};

struct TunePart {
    int channel = 0, program = 0, volume = 100;
};

struct Tune {
    int stepMilliseconds = 300;
    int steps = 0; // the whole tune's length, rests included, so it loops on the beat
    std::vector<TunePart> parts;
    std::vector<TuneNote> notes;
};

// "Parts" (each with "Program", "Channel", "Volume", "Velocity" and "Notes") and "Step"; or the single
// part of "Notes", "Program" and "Milliseconds". A note is a key (one step), or (list key steps) with
// key a list of keys for a chord; key 0 is a rest.
Tune readTune(const Value& entry);
media_writers::Bytes midiOf(const Tune& tune);
// Mono 16-bit samples at `rate`; `seconds` > 0 cuts (and fades) the tune there or pads it with silence.
std::vector<int16_t> renderTune(const Tune& tune, int rate, double seconds);
// A sine tone with soft ends; with syllables it swells and fades that many times and its pitch wavers,
// as a voice does; with a decay (milliseconds) it strikes and dies away, as a click or a chime does.
std::vector<int16_t> toneSamples(int rate, int frequency, int milliseconds, int syllables = 0, int decay = 0);

} // namespace vel::discgen
