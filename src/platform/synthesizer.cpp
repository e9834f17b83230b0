#include "platform/synthesizer.h"

#include <fluidsynth.h>

namespace vel::platform {

struct Synthesizer::Handles {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;

    ~Handles()
    {
        if (player)
            delete_fluid_player(player);
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

namespace {

void quietLog(int, const char*, void*) {}

} // namespace

std::unique_ptr<Synthesizer> Synthesizer::create(const std::string& soundFont, int rate, std::string& error)
{
    // FluidSynth's own chatter would reach standard error from the audio thread.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, quietLog, nullptr);
    auto handles = std::make_unique<Handles>();
    handles->settings = new_fluid_settings();
    if (!handles->settings) {
        error = "the synthesizer cannot be made";
        return nullptr;
    }
    fluid_settings_setnum(handles->settings, "synth.sample-rate", rate);
    fluid_settings_setnum(handles->settings, "synth.gain", 0.5);
    fluid_settings_setstr(handles->settings, "player.timing-source", "sample");
    handles->synth = new_fluid_synth(handles->settings);
    if (!handles->synth || fluid_synth_sfload(handles->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        error = "the soundfont " + soundFont + " cannot be loaded";
        return nullptr;
    }
    return std::unique_ptr<Synthesizer>(new Synthesizer(std::move(handles)));
}

Synthesizer::Synthesizer(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

Synthesizer::~Synthesizer() = default;

bool Synthesizer::play(const uint8_t* bytes, std::size_t size, bool looping)
{
    std::lock_guard<std::mutex> guard(lock_);
    dropPlayer(false);
    fluid_synth_system_reset(handles_->synth);
    fluid_player_t* player = new_fluid_player(handles_->synth);
    handles_->player = player;
    if (!player || fluid_player_add_mem(player, bytes, size) != FLUID_OK ||
        (looping && fluid_player_set_loop(player, -1) != FLUID_OK) || fluid_player_play(player) != FLUID_OK) {
        dropPlayer(false);
        return false;
    }
    return true;
}

void Synthesizer::stop(bool release)
{
    std::lock_guard<std::mutex> guard(lock_);
    dropPlayer(release);
}

void Synthesizer::render(float* out, std::size_t frames)
{
    std::lock_guard<std::mutex> guard(lock_);
    fluid_synth_write_float(handles_->synth, static_cast<int>(frames), out, 0, 2, out, 1, 2);
}

void Synthesizer::dropPlayer(bool release)
{
    if (handles_->player) {
        fluid_player_stop(handles_->player);
        delete_fluid_player(handles_->player);
        handles_->player = nullptr;
    }
    if (release)
        fluid_synth_all_notes_off(handles_->synth, -1);
    else
        fluid_synth_all_sounds_off(handles_->synth, -1);
}

} // namespace vel::platform
