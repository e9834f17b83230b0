// A scripted run: a file of commands stands in for the person at the screen. Each command runs once
// the program has handled the events already pending; `wait` moves the virtual clock, so fades,
// timers and repeats are exact and fast. Commands: click X Y, down X Y, move X Y, up X Y, key NAME,
// type TEXT, wait MS, shot FILE.png (real resolution), shot-media FILE.png (the media size),
// expect-form NAME, quit. Blank lines and lines starting with '#'
// are skipped.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/message.h"

namespace vel {

namespace platform {
class VirtualClock;
}

class ScriptRunner final : public platform::MessageSource {
public:
    struct Hooks {
        // Write the presented media area as PNG, at its real resolution (shot) or at the media size
        // (mediaShot); false when they could not.
        std::function<bool(const std::string& path)> shot;
        std::function<bool(const std::string& path)> mediaShot;
        // The current form's name, empty when there is none.
        std::function<std::string()> currentFormName;
    };

    ScriptRunner(platform::VirtualClock& clock, Hooks hooks);

    // Reads the script; false with the reason when it cannot be read or a line is not a command.
    bool load(const std::string& path, std::string& error);
    bool loadText(const std::string& text, std::string& error);

    bool poll(platform::Message& out) override;
    void wait(int milliseconds) override;

    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }
    // The script has run to its end (or failed) and asked the program to close.
    bool finished() const { return finished_; }

    // A key name as scripts write it ("a", "Enter", "Ctrl+C", "Shift+F1") as the messages a keyboard
    // gives; false when the name is unknown.
    static bool keyMessages(const std::string& name, std::vector<platform::Message>& out);

private:
    struct Command {
        std::string verb;
        std::string argument; // the rest of the line
        int line = 0;
    };
    // Runs commands until one gives messages or waits; false when the script has ended.
    bool advance();
    void fail(const Command& c, const std::string& why);
    void push(platform::MessageKind kind, int x, int y);

    platform::VirtualClock& clock_;
    Hooks hooks_;
    std::vector<Command> commands_;
    std::size_t next_ = 0;
    std::deque<platform::Message> pending_;
    uint32_t waitUntil_ = 0;
    bool waiting_ = false;
    uint32_t buttons_ = 0;
    std::string failure_;
    bool finished_ = false;
    bool closeSent_ = false;
    uint32_t closeTime_ = 0;
};

} // namespace vel
