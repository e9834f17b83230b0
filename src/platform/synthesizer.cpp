#include "platform/synthesizer.h"

#include <fluidsynth.h>

#include "platform/media_path.h"
#include "platform/shared_library.h"

namespace vel::platform {

namespace {

#define VEL_FLUIDSYNTH_FUNCTIONS(X) \
    X(fluid_set_log_function) \
    X(new_fluid_settings) \
    X(fluid_settings_setnum) \
    X(fluid_settings_setstr) \
    X(new_fluid_synth) \
    X(fluid_synth_sfload) \
    X(delete_fluid_player) \
    X(delete_fluid_synth) \
    X(delete_fluid_settings) \
    X(fluid_synth_system_reset) \
    X(new_fluid_player) \
    X(fluid_player_add_mem) \
    X(fluid_player_set_loop) \
    X(fluid_player_play) \
    X(fluid_synth_write_float) \
    X(fluid_player_stop) \
    X(fluid_player_get_status) \
    X(fluid_synth_all_notes_off) \
    X(fluid_synth_all_sounds_off)

// FluidSynth's entries, from the library loaded when the first synthesizer is made.
struct FluidSynth {
#define VEL_DECLARE(name) decltype(&::name) name = nullptr;
    VEL_FLUIDSYNTH_FUNCTIONS(VEL_DECLARE)
#undef VEL_DECLARE
    SharedLibrary library;
};

// Loaded once; null after a failure, whose reason stays in `failure`. Never unloaded: the mixer's
// thread may render until the program's very end.
const FluidSynth* loadFluidSynth(std::string& failure)
{
    static std::string reason;
    static const FluidSynth* loaded = [] {
        auto* table = new FluidSynth;
#define VEL_FIND(name) &&table->library.find(table->name, #name, reason)
        if (table->library.open(VEL_LIBFLUIDSYNTH_NAME, reason) VEL_FLUIDSYNTH_FUNCTIONS(VEL_FIND))
            return table;
#undef VEL_FIND
        delete table;
        return static_cast<FluidSynth*>(nullptr);
    }();
    if (!loaded)
        failure = reason;
    return loaded;
}

} // namespace

std::vector<std::string> soundFontPlaces(const std::string& configured)
{
    std::vector<std::string> places;
    if (!configured.empty())
        places.push_back(configuredPath(configured));
    for (const char* place : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                              "/usr/share/soundfonts/default.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                              "/usr/share/soundfonts/FluidR3_GM.sf2"})
        places.emplace_back(place);
    return places;
}

std::string findSoundFont(const std::string& configured)
{
    for (const std::string& place : soundFontPlaces(configured))
        if (isFile(place))
            return place;
    return {};
}

struct Synthesizer::Handles {
    explicit Handles(const FluidSynth& library) : fluid(library) {}
    const FluidSynth& fluid;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;

    ~Handles()
    {
        if (player)
            fluid.delete_fluid_player(player);
        if (synth)
            fluid.delete_fluid_synth(synth);
        if (settings)
            fluid.delete_fluid_settings(settings);
    }
};

namespace {

void quietLog(int, const char*, void*) {}

} // namespace

std::unique_ptr<Synthesizer> Synthesizer::create(const std::string& soundFont, int rate, std::string& error)
{
    const FluidSynth* library = loadFluidSynth(error);
    if (!library)
        return nullptr;
    const FluidSynth& fluid = *library;
    // FluidSynth's own chatter would reach standard error from the audio thread.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid.fluid_set_log_function(level, quietLog, nullptr);
    auto handles = std::make_unique<Handles>(fluid);
    handles->settings = fluid.new_fluid_settings();
    if (!handles->settings) {
        error = "the synthesizer cannot be made";
        return nullptr;
    }
    fluid.fluid_settings_setnum(handles->settings, "synth.sample-rate", rate);
    fluid.fluid_settings_setnum(handles->settings, "synth.gain", 0.5);
    fluid.fluid_settings_setstr(handles->settings, "player.timing-source", "sample");
    handles->synth = fluid.new_fluid_synth(handles->settings);
    if (!handles->synth || fluid.fluid_synth_sfload(handles->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        error = "the soundfont " + soundFont + " cannot be loaded";
        return nullptr;
    }
    return std::unique_ptr<Synthesizer>(new Synthesizer(std::move(handles)));
}

Synthesizer::Synthesizer(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

Synthesizer::~Synthesizer() = default;

bool Synthesizer::play(const uint8_t* bytes, std::size_t size, bool looping)
{
    const FluidSynth& fluid = handles_->fluid;
    std::lock_guard<std::mutex> guard(lock_);
    dropPlayer(false);
    fluid.fluid_synth_system_reset(handles_->synth);
    fluid_player_t* player = fluid.new_fluid_player(handles_->synth);
    handles_->player = player;
    if (!player || fluid.fluid_player_add_mem(player, bytes, size) != FLUID_OK ||
        (looping && fluid.fluid_player_set_loop(player, -1) != FLUID_OK) || fluid.fluid_player_play(player) != FLUID_OK) {
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

bool Synthesizer::playing()
{
    std::lock_guard<std::mutex> guard(lock_);
    return handles_->player && handles_->fluid.fluid_player_get_status(handles_->player) == FLUID_PLAYER_PLAYING;
}

void Synthesizer::render(float* out, std::size_t frames)
{
    const FluidSynth& fluid = handles_->fluid;
    std::lock_guard<std::mutex> guard(lock_);
    fluid.fluid_synth_write_float(handles_->synth, static_cast<int>(frames), out, 0, 2, out, 1, 2);
}

void Synthesizer::dropPlayer(bool release)
{
    const FluidSynth& fluid = handles_->fluid;
    if (handles_->player) {
        fluid.fluid_player_stop(handles_->player);
        fluid.delete_fluid_player(handles_->player);
        handles_->player = nullptr;
    }
    if (release)
        fluid.fluid_synth_all_notes_off(handles_->synth, -1);
    else
        fluid.fluid_synth_all_sounds_off(handles_->synth, -1);
}

} // namespace vel::platform
