// The configuration files on arbitrary bytes: the INI reader, the layers, the typed look-ups and the
// path layer. Whatever the files say, a name from the data must stay under the media root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ini_file.h"
#include "platform/media_path.h"
#include "runtime/environment.h"
#include "value/error.h"
#include "value/string.h"

namespace {
int carryOn(const vel::Value&) { return 0; }
void noExit(int) {}

std::string makeRoot()
{
    char pattern[] = "/tmp/orva-fuzz-XXXXXX";
    std::string root = ::mkdtemp(pattern) ? pattern : "/tmp";
    std::string media = root + "/Media";
    ::mkdir(media.c_str(), 0755);
    ::mkdir((media + "/Fotos").c_str(), 0755);
    std::ofstream(media + "/Fotos/Praia.jpg") << "x";
    return media;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string root = [] {
        vel::setErrorHandler(carryOn);
        vel::setExitHandler(noExit);
        return makeRoot();
    }();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vel::platform::IniFile file = vel::platform::IniFile::parse(text);

    vel::Configuration configuration;
    configuration.setDefaults();
    for (const auto& [key, value] : file.section("Preferences")) {
        if (key.size() > vel::platform::IniFile::kValueLimit || value.size() > vel::platform::IniFile::kValueLimit)
            std::abort();
        configuration.set(key, vel::Value::string(value));
        (void)configuration.getInteger(key, 1);
        (void)configuration.getTruth(key, false);
        std::string joined = vel::joinPath(value, key);
        std::string under = vel::platform::pathUnder(root, joined);
        if (under.compare(0, root.size(), root) != 0 || (under.size() > root.size() && under[root.size()] != '/'))
            std::abort();
    }
    configuration.mirrorDiscPath();
    (void)configuration.mediaWidth();
    (void)configuration.eventLimit();
    (void)configuration.mediaRootSetting();
    return 0;
}
