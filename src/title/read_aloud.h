// Reading an article aloud: its plain text spoken in Brazilian Portuguese by espeak-ng, made into a
// wave sound in memory and played as the form's sound, so volume, stop and the media notices work
// as for any other sound. Without the voice the screen disables its button and says why.
#pragma once

#include <string>

#include "value/value.h"

namespace vel {

class Engine;
class FormServices;

class ReadAloud {
public:
    static constexpr const char* kVoice = "pt-br";
    static constexpr int kWordsPerMinute = 150;

    ReadAloud(Engine& engine, FormServices& services) : engine_(engine), services_(services) {}

    // Empty when the voice can speak, otherwise why not (Windows-1252, for the screen's note).
    static std::string unavailableReason();
    // A wave file (RIFF, 16-bit mono PCM) of the samples, as a buffer value.
    static Value waveBuffer(const int16_t* samples, std::size_t count, int sampleRate);

    // Starts speaking the rich text; false, the reason kept, when it cannot.
    bool start(const Value& richText);
    void stop();
    bool speaking() const;
    const std::string& failure() const { return failure_; }

private:
    Engine& engine_;
    FormServices& services_;
    Value sound_;
    std::string failure_;
};

} // namespace vel
