#include "runtime/script_runner.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/text_encoding.h"

namespace vel {

using platform::Message;
using platform::MessageKind;

namespace {

// How far the clock moves between two looks at the program while a script waits: short enough for
// timers and fades to run their steps on time.
constexpr uint32_t kWaitStep = 5;
// How long the program may take to close once the script has ended.
constexpr uint32_t kCloseGrace = 10000;

bool parseInt(const std::string& text, int& out)
{
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < -100000 || n > 100000000)
        return false;
    out = static_cast<int>(n);
    return true;
}

bool parsePoint(const std::string& text, int& x, int& y)
{
    std::istringstream in(text);
    std::string a, b, rest;
    if (!(in >> a >> b) || (in >> rest))
        return false;
    return parseInt(a, x) && parseInt(b, y);
}

struct NamedKey {
    const char* name;
    int virtualKey;
    int character; // 0 when the key types nothing
};
constexpr NamedKey kNamedKeys[] = {
    {"Enter", platform::vk::Return, 13}, {"Escape", platform::vk::Escape, 27}, {"Tab", platform::vk::Tab, 9},
    {"Backspace", platform::vk::Back, 8}, {"Space", platform::vk::Space, ' '}, {"Home", platform::vk::Home, 0},
    {"End", platform::vk::End, 0},       {"PageUp", platform::vk::Prior, 0}, {"PageDown", platform::vk::Next, 0},
    {"Left", platform::vk::Left, 0},     {"Right", platform::vk::Right, 0}, {"Up", platform::vk::Up, 0},
    {"Down", platform::vk::Down, 0},     {"Insert", platform::vk::Insert, 0}, {"Delete", platform::vk::Delete, 0},
};

} // namespace

ScriptRunner::ScriptRunner(platform::VirtualClock& clock, Hooks hooks) : clock_(clock), hooks_(std::move(hooks)) {}

bool ScriptRunner::load(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the script " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return loadText(text.str(), error);
}

bool ScriptRunner::loadText(const std::string& text, std::string& error)
{
    static const char* const verbs[] = {"click", "down", "move", "up", "key", "type", "wait", "shot", "shot-media",
                                        "expect-form", "quit"};
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        std::size_t space = line.find(' ', start);
        Command c;
        c.verb = line.substr(start, space == std::string::npos ? std::string::npos : space - start);
        c.argument = space == std::string::npos ? "" : line.substr(space + 1);
        c.line = number;
        bool known = false;
        for (const char* v : verbs)
            known = known || c.verb == v;
        if (!known) {
            error = "line " + std::to_string(number) + ": unknown command '" + c.verb + "'";
            return false;
        }
        // Catch malformed arguments before anything runs.
        int x = 0, y = 0;
        std::vector<Message> keys;
        bool ok = true;
        if (c.verb == "click" || c.verb == "down" || c.verb == "move" || c.verb == "up")
            ok = parsePoint(c.argument, x, y);
        else if (c.verb == "wait")
            ok = parseInt(c.argument, x) && x >= 0;
        else if (c.verb == "key")
            ok = keyMessages(c.argument, keys);
        else if (c.verb == "shot" || c.verb == "shot-media" || c.verb == "expect-form")
            ok = !c.argument.empty();
        if (!ok) {
            error = "line " + std::to_string(number) + ": bad arguments for " + c.verb + ": '" + c.argument + "'";
            return false;
        }
        commands_.push_back(c);
    }
    return true;
}

bool ScriptRunner::keyMessages(const std::string& name, std::vector<Message>& out)
{
    std::string rest = name;
    uint32_t state = 0;
    std::vector<int> modifierKeys;
    for (;;) {
        if (rest.rfind("Ctrl+", 0) == 0 && rest.size() > 5) {
            state |= platform::keystate::Control;
            modifierKeys.push_back(platform::vk::Control);
            rest = rest.substr(5);
        } else if (rest.rfind("Shift+", 0) == 0 && rest.size() > 6) {
            state |= platform::keystate::Shift;
            modifierKeys.push_back(platform::vk::Shift);
            rest = rest.substr(6);
        } else if (rest.rfind("Alt+", 0) == 0 && rest.size() > 4) {
            state |= platform::keystate::Alt;
            modifierKeys.push_back(platform::vk::Menu);
            rest = rest.substr(4);
        } else {
            break;
        }
    }
    int virtualKey = 0, character = 0;
    bool found = false;
    for (const NamedKey& k : kNamedKeys)
        if (rest == k.name) {
            virtualKey = k.virtualKey;
            character = k.character;
            found = true;
        }
    if (!found && rest.size() >= 2 && rest[0] == 'F') {
        int n = 0;
        if (parseInt(rest.substr(1), n) && n >= 1 && n <= 12) {
            virtualKey = platform::vk::F1 + n - 1;
            found = true;
        }
    }
    if (!found) {
        std::string bytes = platform::windows1252FromUtf8(rest);
        if (bytes.size() != 1)
            return false;
        auto c = static_cast<unsigned char>(bytes[0]);
        character = c;
        virtualKey = std::isalnum(c) && c < 0x80 ? std::toupper(c) : 0;
        found = true;
    }
    // Ctrl with a letter types its control character; Alt types nothing.
    if ((state & platform::keystate::Control) && virtualKey >= 'A' && virtualKey <= 'Z')
        character = virtualKey - 'A' + 1;
    if (state & platform::keystate::Alt)
        character = 0;
    uint32_t held = 0;
    auto message = [&](MessageKind kind, int key, int ch) {
        Message m;
        m.kind = kind;
        m.virtualKey = key;
        m.character = ch;
        m.state = held;
        out.push_back(m);
    };
    static const uint32_t bits[] = {platform::keystate::Control, platform::keystate::Shift, platform::keystate::Alt};
    for (int key : modifierKeys) {
        held |= key == platform::vk::Control ? bits[0] : key == platform::vk::Shift ? bits[1] : bits[2];
        message(MessageKind::KeyDown, key, 0);
    }
    message(MessageKind::KeyDown, virtualKey, 0);
    if (character)
        message(MessageKind::Character, virtualKey, character);
    message(MessageKind::KeyUp, virtualKey, 0);
    for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it) {
        held &= ~(*it == platform::vk::Control ? bits[0] : *it == platform::vk::Shift ? bits[1] : bits[2]);
        message(MessageKind::KeyUp, *it, 0);
    }
    return true;
}

void ScriptRunner::push(MessageKind kind, int x, int y)
{
    Message m;
    m.kind = kind;
    m.x = x;
    m.y = y;
    if (kind == MessageKind::LeftDown)
        buttons_ |= platform::keystate::LeftButton;
    if (kind == MessageKind::LeftUp)
        buttons_ &= ~platform::keystate::LeftButton;
    m.state = buttons_;
    pending_.push_back(m);
}

void ScriptRunner::fail(const Command& c, const std::string& why)
{
    failure_ = "script line " + std::to_string(c.line) + " (" + c.verb + (c.argument.empty() ? "" : " " + c.argument) +
               "): " + why;
}

bool ScriptRunner::advance()
{
    while (pending_.empty() && !waiting_ && failure_.empty() && next_ < commands_.size()) {
        const Command& c = commands_[next_++];
        int x = 0, y = 0;
        if (c.verb == "click") {
            parsePoint(c.argument, x, y);
            push(MessageKind::MouseMove, x, y);
            push(MessageKind::LeftDown, x, y);
            push(MessageKind::LeftUp, x, y);
        } else if (c.verb == "down") {
            parsePoint(c.argument, x, y);
            push(MessageKind::MouseMove, x, y);
            push(MessageKind::LeftDown, x, y);
        } else if (c.verb == "move") {
            parsePoint(c.argument, x, y);
            push(MessageKind::MouseMove, x, y);
        } else if (c.verb == "up") {
            parsePoint(c.argument, x, y);
            push(MessageKind::MouseMove, x, y);
            push(MessageKind::LeftUp, x, y);
        } else if (c.verb == "key") {
            std::vector<Message> keys;
            keyMessages(c.argument, keys);
            pending_.insert(pending_.end(), keys.begin(), keys.end());
        } else if (c.verb == "type") {
            std::string bytes = platform::windows1252FromUtf8(c.argument);
            for (char ch : bytes) {
                std::vector<Message> keys;
                if (keyMessages(platform::utf8FromWindows1252(std::string(1, ch)), keys))
                    pending_.insert(pending_.end(), keys.begin(), keys.end());
            }
        } else if (c.verb == "wait") {
            parseInt(c.argument, x);
            waitUntil_ = clock_.now() + static_cast<uint32_t>(x);
            waiting_ = x > 0;
        } else if (c.verb == "shot" || c.verb == "shot-media") {
            const auto& write = c.verb == "shot" ? hooks_.shot : hooks_.mediaShot;
            if (!write || !write(c.argument))
                fail(c, "cannot write the screenshot");
        } else if (c.verb == "expect-form") {
            std::string current = hooks_.currentFormName ? hooks_.currentFormName() : std::string();
            if (current != c.argument)
                fail(c, "the current form is '" + current + "'");
        } else if (c.verb == "quit") {
            next_ = commands_.size();
        }
    }
    return !pending_.empty() || waiting_;
}

bool ScriptRunner::poll(Message& out)
{
    if (waiting_) {
        uint32_t remaining = waitUntil_ - clock_.now();
        if (static_cast<int32_t>(remaining) <= 0) {
            waiting_ = false;
        } else {
            clock_.advance(remaining < kWaitStep ? remaining : kWaitStep);
            return false;
        }
    }
    if (!advance()) {
        // The end of the script, or a failure: ask the program to close, once, and give it a while.
        if (closeSent_) {
            clock_.advance(kWaitStep);
            if (clock_.now() - closeTime_ > kCloseGrace && failure_.empty())
                failure_ = "the program did not close at the end of the script";
            return false;
        }
        closeSent_ = true;
        closeTime_ = clock_.now();
        finished_ = true;
        out = Message{};
        out.kind = MessageKind::CloseRequest;
        out.time = clock_.now();
        return true;
    }
    if (pending_.empty())
        return false;
    out = pending_.front();
    pending_.pop_front();
    out.time = clock_.now();
    // A person's hand needs a moment between two messages; it also spaces clicks as a person would.
    clock_.advance(1);
    return true;
}

void ScriptRunner::wait(int milliseconds)
{
    // Time moves only as the script says (in poll), or as the program's own pacing sleeps.
    (void)milliseconds;
}

} // namespace vel
