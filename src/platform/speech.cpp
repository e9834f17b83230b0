#include "platform/speech.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>

#include "platform/shared_library.h"

namespace vel::platform {

namespace {

#define VEL_ESPEAK_FUNCTIONS(X) \
    X(espeak_Initialize) \
    X(espeak_SetSynthCallback) \
    X(espeak_SetVoiceByName) \
    X(espeak_SetParameter) \
    X(espeak_Synth) \
    X(espeak_Synchronize)

struct Espeak {
#define VEL_DECLARE(name) decltype(&::name) name = nullptr;
    VEL_ESPEAK_FUNCTIONS(VEL_DECLARE)
#undef VEL_DECLARE
    SharedLibrary library;
    int sampleRate = 0;
};

// Loaded and initialised once; null after a failure, whose reason stays in `failure`.
const Espeak* loadEspeak(std::string& failure)
{
    static std::string reason;
    static const Espeak* loaded = [] {
        auto* table = new Espeak;
#define VEL_FIND(name) &&table->library.find(table->name, #name, reason)
        if (table->library.open(VEL_LIBESPEAK_NG_NAME, reason) VEL_ESPEAK_FUNCTIONS(VEL_FIND)) {
            table->sampleRate = table->espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 500, nullptr, 0);
            if (table->sampleRate > 0)
                return static_cast<const Espeak*>(table);
            reason = "dados de voz do espeak-ng n\xE3o encontrados";
        }
#undef VEL_FIND
        delete table;
        return static_cast<const Espeak*>(nullptr);
    }();
    if (!loaded)
        failure = reason;
    return loaded;
}

// espeak-ng keeps one synthesizer per process: one speech at a time.
std::mutex& speechLock()
{
    static std::mutex lock;
    return lock;
}

SpeechSamples* collecting = nullptr;

int collect(short* samples, int count, espeak_EVENT*)
{
    if (collecting && samples && count > 0)
        collecting->samples.insert(collecting->samples.end(), samples, samples + count);
    return 0;
}

bool selectVoice(const Espeak& espeak, std::string_view voice)
{
    return espeak.espeak_SetVoiceByName(std::string(voice).c_str()) == EE_OK;
}

} // namespace

std::string speechUnavailableReason(std::string_view voice)
{
    std::string reason;
    const Espeak* espeak = loadEspeak(reason);
    if (!espeak)
        return reason.empty() ? std::string("espeak-ng indispon\xEDvel") : reason;
    std::lock_guard<std::mutex> hold(speechLock());
    if (!selectVoice(*espeak, voice))
        return "voz \"" + std::string(voice) + "\" do espeak-ng n\xE3o encontrada";
    return {};
}

bool synthesizeSpeech(std::string_view utf8, std::string_view voice, int wordsPerMinute, SpeechSamples& out,
                      std::string& reason)
{
    const Espeak* espeak = loadEspeak(reason);
    if (!espeak)
        return false;
    std::lock_guard<std::mutex> hold(speechLock());
    if (!selectVoice(*espeak, voice)) {
        reason = "voz \"" + std::string(voice) + "\" do espeak-ng n\xE3o encontrada";
        return false;
    }
    out.samples.clear();
    out.sampleRate = espeak->sampleRate;
    espeak->espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    espeak->espeak_SetSynthCallback(collect);
    collecting = &out;
    const std::string text(utf8);
    const espeak_ERROR status = espeak->espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                                     espeakCHARS_UTF8, nullptr, nullptr);
    espeak->espeak_Synchronize();
    collecting = nullptr;
    if (status != EE_OK) {
        reason = "o espeak-ng n\xE3o conseguiu falar o texto";
        return false;
    }
    return true;
}

} // namespace vel::platform
