// Text spoken by espeak-ng, synthesised into memory (16-bit mono samples) rather than played, so that
// the program's mixer plays it like any wave sound. The library is loaded on first use; a missing
// library or missing voice data is a reason, never a failure of the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel::platform {

struct SpeechSamples {
    std::vector<int16_t> samples;
    int sampleRate = 22050;
};

// Empty when speech in that voice ("pt-br") can be made; otherwise why not, in Portuguese.
std::string speechUnavailableReason(std::string_view voice);

// The UTF-8 text spoken in the voice at `wordsPerMinute`; false, with the reason, when it cannot be.
bool synthesizeSpeech(std::string_view utf8, std::string_view voice, int wordsPerMinute, SpeechSamples& out,
                      std::string& reason);

} // namespace vel::platform
