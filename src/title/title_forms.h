// The title's forms and dialogs: the main screen, the menu bar every section screen inherits, its
// pop-up menus, the history, quit, about and list dialogs, and each section's screens. Each family
// lives in a file of its own in this folder; this file enters every class in an engine's class
// registry, so that a form definition naming a class gets that class. The intro and the
// preferences dialog are the application's own and entered with it.
#pragma once

namespace vel {

class Engine;

// Enters every form and dialog class of the title in the engine's class registry.
void registerTitleForms(Engine& engine);

} // namespace vel
