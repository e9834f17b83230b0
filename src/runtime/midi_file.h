// Standard MIDI files, looked through before the synthesizer sees them: the structure checked event by
// event within the bytes, and the tune's length from its tempo map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vel {

struct MidiSummary {
    uint16_t format = 0;
    uint16_t tracks = 0;   // track chunks found
    uint32_t lengthMilliseconds = 0;
};

// False with the reason when the bytes are no complete MIDI file.
bool scanMidi(const uint8_t* bytes, std::size_t size, MidiSummary& summary, std::string& problem);

} // namespace vel
