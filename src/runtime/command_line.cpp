#include "runtime/command_line.h"

#include <cerrno>
#include <cstdlib>

#include "value/builtins.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr int32_t kLargestScale = 16;

} // namespace

bool parseProgramOptions(const std::vector<std::string>& words, ProgramOptions& options, std::string& error)
{
    options = ProgramOptions();
    bool optionsEnded = false;
    std::optional<std::string> plainWord;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        if (optionsEnded) {
            options.arguments.push_back(word);
            continue;
        }
        // A plain word is the disc's folder, as most programs take the file they open.
        if (word.empty() || word[0] != '-' || word == "-") {
            if (plainWord) {
                error = "more than one disc folder: '" + *plainWord + "' and '" + word +
                        "' (words for the title go after --)";
                return false;
            }
            plainWord = word;
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" is the same as "--name value".
        std::optional<std::string> attached;
        if (std::size_t equals = word.find('='); word.rfind("--", 0) == 0 && equals != std::string::npos) {
            attached = word.substr(equals + 1);
            word = word.substr(0, equals);
        }
        auto operand = [&](std::string& out) {
            if (attached) {
                out = *attached;
                return true;
            }
            if (i + 1 >= words.size()) {
                error = "option " + word + " needs a value";
                return false;
            }
            out = words[++i];
            return true;
        };
        auto flag = [&](bool& out) {
            if (attached) {
                error = "option " + word + " takes no value";
                return false;
            }
            out = true;
            return true;
        };
        std::string value;
        if (word == "--media" || word == "--home" || word == "--script") {
            if (!operand(value))
                return false;
            if (value.empty()) {
                error = "option " + word + " needs a non-empty value";
                return false;
            }
            (word == "--media" ? options.media : word == "--home" ? options.home : options.script) = value;
        } else if (word == "--set") {
            if (!operand(value))
                return false;
            std::size_t equals = value.find('=');
            if (equals == std::string::npos || equals == 0) {
                error = "option --set needs KEY=VALUE, not '" + value + "'";
                return false;
            }
            options.settings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (word == "--scale") {
            if (!operand(value))
                return false;
            char* end = nullptr;
            errno = 0;
            long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || n < 1 || n > kLargestScale) {
                error = "option --scale needs a whole number from 1 to " + std::to_string(kLargestScale) +
                        ", not '" + value + "'";
                return false;
            }
            options.scale = static_cast<int32_t>(n);
        } else if (word == "--headless") {
            if (!flag(options.headless))
                return false;
        } else if (word == "--pixel") {
            if (!flag(options.pixel))
                return false;
        } else if (word == "--fullscreen") {
            if (!flag(options.fullscreen))
                return false;
        } else if (word == "--help" || word == "-h") {
            if (!flag(options.help))
                return false;
        } else if (word == "--version") {
            if (!flag(options.version))
                return false;
        } else {
            error = "unknown option " + word + " (try --help)";
            return false;
        }
    }
    if (plainWord) {
        if (options.media) {
            error = "the disc folder is given twice: --media " + *options.media + " and " + *plainWord;
            return false;
        }
        if (plainWord->empty()) {
            error = "the disc folder is an empty word";
            return false;
        }
        options.media = plainWord;
    }
    if (options.headless && !options.script && !options.help) {
        error = "--headless needs --script FILE: without a window, input comes only from a script";
        return false;
    }
    return true;
}

bool parseProgramOptions(int argc, char** argv, ProgramOptions& options, std::string& error)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i]);
    return parseProgramOptions(words, options, error);
}

std::string programUsage()
{
    return "usage: orva [options] [DIR] [-- words for the title]\n"
           "  DIR, --media DIR   the disc's media root (sets SourceDisk to DIR and MediaPath to empty);\n"
           "                     without one, the configured disc or else the sample disc installed\n"
           "                     beside the program\n"
           "  --home DIR         the module directory: ORVA.ini, preferences, marks, instance lock\n"
           "  --set KEY=VALUE    a configuration setting that wins over every file (repeatable)\n"
           "  --headless         no window and no sound device (needs --script)\n"
           "  --script FILE      read input from FILE instead of a person (virtual clock)\n"
           "  --scale N          show the media area N times its size (1 to 16; headless too)\n"
           "  --pixel            draw at 640 x 480 and blow the pixels up (Sharp=0), the old look\n"
           "  --fullscreen       cover the screen\n"
           "  --help             this text\n"
           "  --version          the program's version\n";
}

std::vector<std::pair<std::string, std::string>> commandLineSettings(const ProgramOptions& options)
{
    std::vector<std::pair<std::string, std::string>> settings;
    if (options.media) {
        settings.emplace_back("SourceDisk", *options.media);
        settings.emplace_back("MediaPath", "");
    }
    settings.insert(settings.end(), options.settings.begin(), options.settings.end());
    if (options.pixel)
        settings.emplace_back("Sharp", "0");
    return settings;
}

Value commandLineList(std::string_view commandLine)
{
    if (commandLine.empty())
        return ValueList::make();
    return velTokenize(Value::string(commandLine), Value::string(" "));
}

Value argumentList(const ProgramOptions& options)
{
    std::string line;
    for (const std::string& word : options.arguments) {
        if (!line.empty())
            line += ' ';
        line += word;
    }
    return commandLineList(line);
}

} // namespace vel
