#include "title/read_aloud.h"

#include <string>

#include "controls/form_services.h"
#include "platform/speech.h"
#include "platform/text_encoding.h"
#include "runtime/engine.h"
#include "runtime/sound.h"
#include "title/text_form.h"
#include "value/buffer.h"

namespace vel {

namespace {

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(v >> (8 * i));
}

void put16(std::string& out, uint16_t v)
{
    out += static_cast<char>(v);
    out += static_cast<char>(v >> 8);
}

} // namespace

std::string ReadAloud::unavailableReason()
{
    return platform::speechUnavailableReason(kVoice);
}

Value ReadAloud::waveBuffer(const int16_t* samples, std::size_t count, int sampleRate)
{
    const auto data = static_cast<uint32_t>(count * 2);
    std::string b;
    b.reserve(44 + data);
    b += "RIFF";
    put32(b, 36 + data);
    b += "WAVEfmt ";
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, static_cast<uint32_t>(sampleRate));
    put32(b, static_cast<uint32_t>(sampleRate * 2));
    put16(b, 2);
    put16(b, 16);
    b += "data";
    put32(b, data);
    for (std::size_t i = 0; i < count; ++i)
        put16(b, static_cast<uint16_t>(samples[i]));
    return Buffer::over(b.data(), static_cast<int32_t>(b.size()), true);
}

bool ReadAloud::start(const Value& richText)
{
    stop();
    failure_.clear();
    const std::string plain = richTextToPlain(richText);
    platform::SpeechSamples speech;
    if (!platform::synthesizeSpeech(platform::utf8FromWindows1252(plain), kVoice, kWordsPerMinute, speech, failure_))
        return false;
    if (speech.samples.empty()) {
        failure_ = "nada a ler";
        return false;
    }
    sound_ = WaveSound::fromBuffer(engine_, waveBuffer(speech.samples.data(), speech.samples.size(), speech.sampleRate));
    if (sound_.isNil() || !services_.playAudio(sound_, false)) {
        sound_ = Value();
        failure_ = "o som n\xE3o p\xF4" "de tocar";
        return false;
    }
    return true;
}

bool ReadAloud::speaking() const
{
    return !sound_.isNil() && services_.sound() == sound_;
}

void ReadAloud::stop()
{
    if (speaking())
        services_.stopSound();
    sound_ = Value();
}

} // namespace vel
