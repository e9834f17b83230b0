#include "title/preferences.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "controls/library_control.h"
#include "runtime/control.h"
#include "runtime/engine.h"
#include "title/quiet_errors.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/file_replacement.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

constexpr std::string_view kFileName = "PREFS.DAT";
constexpr char kCannotSave[] = "Aviso! N\xe3o foi poss\xedvel salvar prefer\xeancias no disco!";

// The table the file holds, or nil: a file that is missing or empty gives nil, one that does not
// decode to a table is deleted.
Value readPreferencesFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Value();
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    if (bytes.empty())
        return Value();
    Value decoded;
    bool failed = false;
    {
        QuietErrors quiet;
        decoded = decodeFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        failed = quiet.any();
    }
    if (failed || !decoded.is(Tag::Table)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return Value();
    }
    return decoded;
}

// The dialog's check boxes and the settings they show.
constexpr std::pair<const char*, const char*> kBoxes[] = {{"Double CheckBox", "ShowFullScreen"},
                                                          {"SoundEffectsCheckBox", "SoundEffects"},
                                                          {"ShowIntroCheckBox", "ShowIntro"},
                                                          {"PlayNarratorCheckBox", "PlayNarrator"}};

bool isTruth(const Value& v) { return v.is(Tag::Boolean) || v.is(Tag::Int); }

} // namespace

std::string Preferences::path() const
{
    const std::string& directory = engine_.moduleDirectory();
    return directory.empty() ? std::string() : directory + "/" + std::string(kFileName);
}

Value Preferences::table() const
{
    Resources& resources = engine_.resources();
    Table* global = asTable(resources.resolve(engine_.configuration().global(Value::string("GlobalTable"))));
    return global ? resources.resolve(global->get("Preferences")) : Value();
}

void Preferences::setTable(const Value& table)
{
    Configuration& configuration = engine_.configuration();
    Value global = engine_.resources().resolve(configuration.global(Value::string("GlobalTable")));
    if (!global.is(Tag::Table)) {
        global = Table::make();
        configuration.putGlobal("GlobalTable", global);
    }
    asTable(global)->put("Preferences", table);
}

void Preferences::load()
{
    const std::string file = path();
    Value stored = file.empty() ? Value() : readPreferencesFile(file);
    Configuration& configuration = engine_.configuration();
    if (Table* read = asTable(stored)) {
        const Value volume = read->get("Volume");
        if (volume.is(Tag::Int)) {
            const int32_t level = std::clamp(volume.asInt(), 0, 100);
            engine_.media().setVolume(level);
            read->put("Volume", Value::integer(level));
        } else {
            read->put("Volume", Value::integer(kDefaultVolume));
        }
        for (std::string_view key : kPreferenceSwitches) {
            const Value v = read->get(key);
            if (isTruth(v))
                configuration.set(key, isTrue(v) ? 1 : 0);
            else
                read->put(key, Value::boolean(configuration.getTruth(key, false)));
        }
        setTable(stored);
        return;
    }
    Value initial = table();
    Value preferences = initial.is(Tag::Table) ? initial : Table::make();
    asTable(preferences)->put("Volume", Value::integer(kDefaultVolume));
    setTable(preferences);
}

bool Preferences::save()
{
    const Value preferences = table();
    if (!preferences.is(Tag::Table))
        return true;
    bool encoded = false;
    const std::vector<uint8_t> bytes = encodeToBytes(preferences, &encoded);
    const std::string file = path();
    if (!encoded || file.empty() ||
        !replaceFile(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        engine_.notice(kCannotSave);
        return false;
    }
    return true;
}

Value PrefsDlg::createInstance(const Value& data) const { return Value::adopt(Tag::Form, new PrefsDlg(engine_, data)); }

Value PrefsDlg::performOn(std::string_view control, std::string_view action, const Value& argument)
{
    velControlObject* c = asControl(findControl(Value::string(control)));
    return c ? c->perform(Value::string(action), argument) : Value();
}

bool PrefsDlg::selected(std::string_view box) { return isTrue(performOn(box, "IsSelected")); }

int32_t PrefsDlg::currentVolume()
{
    const int32_t level = engine_.media().getVolume();
    if (level >= 0)
        return level;
    Table* preferences = asTable(Preferences(engine_).table());
    const Value kept = preferences ? preferences->get("Volume") : Value();
    return kept.is(Tag::Int) ? std::clamp(kept.asInt(), 0, 100) : kDefaultVolume;
}

void PrefsDlg::open(const Value& data)
{
    velLibraryDialog::open(data);
    Configuration& configuration = engine_.configuration();
    openingVolume_ = currentVolume();
    for (const auto& [box, setting] : kBoxes)
        performOn(box, "Select", Value::boolean(configuration.getTruth(setting, false)));
    performOn("VolumeSlider", "SetPos", Value::integer(100 - openingVolume_));
}

void PrefsDlg::keepChoices()
{
    Value preferences = Preferences(engine_).table();
    if (!preferences.is(Tag::Table)) {
        preferences = Table::make();
        Preferences(engine_).setTable(preferences);
    }
    Table* t = asTable(preferences);
    for (const auto& [box, setting] : kBoxes) {
        const bool on = selected(box);
        t->put(setting, Value::boolean(on));
        engine_.configuration().set(setting, on ? 1 : 0);
    }
    const Value position = performOn("VolumeSlider", "GetPos");
    t->put("Volume", Value::integer(100 - std::clamp(position.is(Tag::Int) ? position.asInt() : 0, 0, 100)));
}

void PrefsDlg::controlClicked(const Value& control)
{
    velControlObject* c = asControl(control);
    const Value nameValue = velGet(control, Value::string("Name"));
    const std::string_view name = c && nameValue.is(Tag::String) ? textOf(nameValue) : std::string_view();
    if (name == "VolumeSlider") {
        const Value position = c->perform(Value::string("GetPos"), Value());
        engine_.media().setVolume(100 - (position.is(Tag::Int) ? position.asInt() : 0));
        if (auto* library = dynamic_cast<velLibraryControl*>(c))
            library->playSound(engine_.resources().load(Value::string("VolumeSound")), 0);
    } else if (name == "OKButton") {
        keepChoices();
        end();
    } else if (name == "CancelButton") {
        engine_.media().setVolume(openingVolume_);
        end();
    } else {
        velLibraryDialog::controlClicked(control);
    }
}

} // namespace vel
