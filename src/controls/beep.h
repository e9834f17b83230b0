// The short tone with which a control refuses a key or an edit (the window system's default beep).
#pragma once

namespace vel {

class Engine;

// Plays the tone on the wave output, unless a sound is already playing there.
void beep(Engine& engine);

} // namespace vel
