#include "runtime/environment.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/ini_file.h"
#include "platform/media_path.h"
#include "platform/text_encoding.h"
#include "platform/user_dirs.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

// Every key the framework reads, so that a file that writes "mediapath" or "MEDIAPATH" means the key
// the program asks for; the registry and the profile file never cared about case.
const char* const kKnownKeys[] = {
    "DisableDrawingAttributeCaching", "ActiveVideoPalette", "OffscreenPalette", "MediaPath", "AltDatabasePath",
    "FullScreenVideo", "MaximizeWindow", "DownloadDir", "RemoveDownloadFiles", "ShowIntro", "UseCompiledResources",
    "PhotoPath", "VideoPath", "SoundPath", "AltVideoPath", "CompileForms", "CompileResources", "SystemPlatform",
    "ResourceExtension", "VideoExtension", "AudioExtension", "BitmapExtension", "PhotoExtension", "TestMode",
    "SourceDisk", "CDROMPATH", "StartupForm", "FullInstall", "ResourcePath", "MediaWidth", "MediaHeight",
    "EventLimit", "ResourceFatal", "TraceFileOpens", "Sharp"};

std::string canonicalKey(std::string_view key)
{
    for (const char* known : kKnownKeys)
        if (platform::sameNameIgnoringCase(known, key))
            return known;
    // Search paths are kept under the small-letter extension the look-up asks for.
    static const char* const extensions[] = {"avi", "bmp", "vel", "dib", "frm", "jpg", "lst", "tbl",
                                             "txt", "rle", "wav", "mid", "mpg", "dat", "dtt", "idx"};
    for (const char* extension : extensions)
        if (platform::sameNameIgnoringCase(extension, key))
            return extension;
    return std::string(key);
}

// A number written as text: the whole text (blanks aside) must be one.
bool numberFromText(std::string_view text, int32_t& out)
{
    std::string s(text);
    const char* begin = s.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    if (*begin == '\0')
        return false;
    auto restIsBlank = [](const char* p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        return *p == '\0';
    };
    char* end = nullptr;
    errno = 0;
    long long n = std::strtoll(begin, &end, 10);
    if (end != begin && restIsBlank(end) && errno == 0 && n >= INT32_MIN && n <= INT32_MAX) {
        out = static_cast<int32_t>(n);
        return true;
    }
    double d = std::strtod(begin, &end);
    if (end != begin && restIsBlank(end) && std::isfinite(d) && d >= INT32_MIN && d <= INT32_MAX) {
        out = static_cast<int32_t>(d);
        return true;
    }
    return false;
}

bool integerOf(const Value& v, int32_t& out)
{
    switch (v.tag()) {
    case Tag::Boolean:
    case Tag::Int:
        out = v.asInt();
        return true;
    case Tag::Float: {
        float f = v.asFloat();
        if (!std::isfinite(f) || f < INT32_MIN || f > INT32_MAX)
            return false;
        out = static_cast<int32_t>(f);
        return true;
    }
    case Tag::String:
        return numberFromText(textOf(v), out);
    default:
        return false;
    }
}

void writeToStandardError(std::string_view text)
{
    std::string line = platform::utf8FromWindows1252(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

using platform::lowerAscii;

} // namespace

Configuration::Configuration(NoticeFunction notice) : notice_(notice ? std::move(notice) : writeToStandardError)
{
    tables_.environment = Table::make();
    tables_.globals = Table::make();
}

Value Configuration::global(const Value& name) const
{
    Table* globals = asTable(tables_.globals);
    return globals ? globals->get(name) : Value();
}

Value Configuration::get(std::string_view key) const
{
    Table* t = asTable(tables_.environment);
    return t ? t->get(key) : Value();
}

Value Configuration::get(std::string_view key, const Value& fallback) const
{
    Value v = get(key);
    return v.isNil() ? fallback : v;
}

int32_t Configuration::getInteger(std::string_view key, int32_t fallback) const
{
    int32_t n = 0;
    return integerOf(get(key), n) ? n : fallback;
}

bool Configuration::getTruth(std::string_view key, bool fallback) const
{
    Value v = get(key);
    int32_t n = 0;
    if (integerOf(v, n))
        return n != 0;
    if (v.is(Tag::String)) {
        std::string word = lowerAscii(textOf(v));
        while (!word.empty() && (word.back() == ' ' || word.back() == '\t'))
            word.pop_back();
        if (word == "true" || word == "yes" || word == "on")
            return true;
        if (word == "false" || word == "no" || word == "off")
            return false;
    }
    return fallback;
}

void Configuration::set(std::string_view key, const Value& value, bool persist)
{
    if (!asTable(tables_.environment))
        tables_.environment = Table::make();
    tables_.environment.as<Table>()->put(key, value);
    if (persist) {
        if (!asTable(tables_.persistentSettings))
            tables_.persistentSettings = Table::make();
        tables_.persistentSettings.as<Table>()->put(key, value);
        tables_.settingsChanged = true;
    }
}

void Configuration::set(std::string_view key, int32_t value, bool persist)
{
    set(key, Value::integer(value), persist);
}

void Configuration::putGlobal(std::string_view key, const Value& value)
{
    putGlobal(Value::string(key), value);
}

void Configuration::putGlobal(const Value& key, const Value& value)
{
    if (!asTable(tables_.globals))
        tables_.globals = Table::make();
    tables_.globals.as<Table>()->put(key, value);
}

void Configuration::putString(std::string_view key, std::string_view value)
{
    set(canonicalKey(key), Value::string(value));
}

std::string Configuration::stringSetting(std::string_view key, std::string_view fallback) const
{
    Value v = get(key);
    return v.is(Tag::String) ? std::string(textOf(v)) : std::string(fallback);
}

int32_t Configuration::positiveSetting(std::string_view key, int32_t fallback) const
{
    int32_t n = getInteger(key, fallback);
    return n > 0 ? n : fallback;
}

void Configuration::setDefaults()
{
    set("DisableDrawingAttributeCaching", 1);
    set("ActiveVideoPalette", 1);
    set("OffscreenPalette", 1);
    set("MediaPath", Value::string("Media"));
    set("AltDatabasePath", Value());
    set("FullScreenVideo", 0);
    set("MaximizeWindow", 0);
    // Text and lines at the window's real resolution (--pixel or Sharp=0 for the blown-up look).
    set("Sharp", 1);
    set("DownloadDir", Value::string("DOWNLOAD"));
    set("RemoveDownloadFiles", 0);
    set("ShowIntro", 0);
    set("UseCompiledResources", 1);
    set("PhotoPath", Value::string("Photos"));
    set("VideoPath", Value::string("Movies"));
    set("SoundPath", Value::string("Sounds"));
    set("AltVideoPath", Value());
    set("CompileForms", 0);
    set("CompileResources", 0);
    set("SystemPlatform", Value::string("WIN32"));
    set("ResourceExtension", Value::string("tbl"));
    set("VideoExtension", Value::string("avi"));
    set("AudioExtension", Value::string("wav"));
    set("BitmapExtension", Value::string("bmp"));
    set("PhotoExtension", Value::string("jpg"));
    set("TestMode", 0);
}

std::string Configuration::sourceDisk() const { return stringSetting("SourceDisk", ""); }
std::string Configuration::startupForm() const { return stringSetting("StartupForm", "startup.frm"); }
int32_t Configuration::mediaWidth() const { return positiveSetting("MediaWidth", 640); }
int32_t Configuration::mediaHeight() const { return positiveSetting("MediaHeight", 480); }
int32_t Configuration::eventLimit() const { return positiveSetting("EventLimit", 50); }
bool Configuration::resourceFatal() const { return getTruth("ResourceFatal", false); }
bool Configuration::traceFileOpens() const { return getTruth("TraceFileOpens", false); }
bool Configuration::fullInstall() const { return getTruth("FullInstall", false); }

ConfigurationSources standardConfigurationSources(const std::string& moduleDirectory)
{
    ConfigurationSources sources;
    sources.registryFiles.push_back("/etc/xdg/orva/registry.ini");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string userConfig = configHome && configHome[0] == '/' ? std::string(configHome)
                                                                : platform::homeDirectory() + "/.config";
    sources.registryFiles.push_back(userConfig + "/orva/registry.ini");
    if (!moduleDirectory.empty())
        sources.profileFile = moduleDirectory + "/" + std::string(kProfileName);
    return sources;
}

void Configuration::readLayers(const ConfigurationSources& sources)
{
    for (const std::string& path : sources.registryFiles)
        if (auto file = platform::IniFile::load(path))
            for (const auto& [key, value] : file->section("Preferences"))
                putString(key, value);
    if (!sources.profileFile.empty())
        if (auto file = platform::IniFile::load(sources.profileFile))
            for (const auto& [key, value] : file->section("VELENVIRONMENT"))
                if (!value.empty())
                    putString(key, value);
    for (const auto& [key, value] : sources.overrides)
        putString(key, value);
    mirrorDiscPath();
}

void Configuration::mirrorDiscPath()
{
    Value cdrom = get("CDROMPATH");
    Value disk = get("SourceDisk");
    if (cdrom.isNil() && !disk.isNil())
        set("CDROMPATH", disk);
    else if (!cdrom.isNil() && disk.isNil())
        set("SourceDisk", cdrom);
}

std::string joinPath(std::string_view directory, std::string_view name)
{
    if (directory.empty())
        return std::string(name);
    // The empty name gave an empty path once; that loses the directory the caller asked for.
    if (name.empty())
        return std::string(directory);
    if (name.front() == '\\' || (name.size() >= 2 && name[1] == ':'))
        return std::string(name);
    std::string out(directory);
    out += '\\';
    out += name;
    return out;
}

std::string Configuration::mediaRootSetting() const
{
    Value path = get("MediaPath");
    return joinPath(sourceDisk(), path.is(Tag::String) ? textOf(path) : std::string_view());
}

std::string Configuration::mediaRoot() const
{
    return platform::configuredPath(mediaRootSetting());
}

std::string Configuration::findFile(std::string_view name, std::string_view extension) const
{
    std::string fileName(name);
    std::string key;
    if (extension.empty()) {
        std::size_t dot = fileName.find_last_of('.');
        key = dot == std::string::npos ? std::string() : lowerAscii(std::string_view(fileName).substr(dot + 1));
    } else {
        key = lowerAscii(extension);
        fileName += "." + key;
    }
    Value search = key.empty() ? Value() : get(key);
    std::string path;
    if (search.is(Tag::String)) {
        std::string_view directories = textOf(search);
        if (directories.find(';') != std::string_view::npos) {
            std::size_t start = 0;
            for (;;) {
                std::size_t end = directories.find(';', start);
                std::string_view directory = directories.substr(start, end == std::string_view::npos ? end : end - start);
                path = platform::pathUnder(platform::configuredPath(directory), fileName);
                if (end == std::string_view::npos || platform::isFile(path))
                    break;
                start = end + 1;
            }
        } else {
            path = platform::pathUnder(platform::configuredPath(directories), fileName);
        }
    } else {
        path = platform::pathUnder(mediaRoot(), fileName);
    }
    if (!get("FullInstall").isNil() && !platform::isFile(path))
        path = platform::pathUnder(mediaRoot(), fileName);
    if (!platform::isFile(path) && traceFileOpens())
        notice_("N\xE3o foi poss\xEDvel localizar" + fileName);
    return path;
}

} // namespace vel
