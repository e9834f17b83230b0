// The control library: the classes that forms build by class name from their data (buttons, hot
// spots, check boxes, rich text views, lists, scrollers, menus, fields, video and photo views).
// Each family lives in a file of its own in this folder; this file enters them all in an engine's
// class registry, so that a form file naming a class gets that class.
#pragma once

namespace vel {

class Engine;

// Enters every class of the library in the engine's class registry.
void registerControlLibrary(Engine& engine);

} // namespace vel
