// The reader's preferences: the "Preferences" table of the global "GlobalTable" entry ("Volume", 0 to
// 100, and the switches below), the copy of it kept in "PREFS.DAT" in the module directory (one value
// in the binary encoding, read at start-up and written at exit), and PrefsDlg, the dialog that
// changes them.
//
// The module directory is the user's own folder here, always writable, so the file is written on
// every normal exit, not only from an installation on the hard disk. It is written under a temporary
// name and renamed, so an interrupted exit leaves the old file whole.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/library_dialog.h"
#include "value/value.h"

namespace vel {

class Engine;

// The truth values the preferences share with the environment, under the same keys.
inline constexpr std::array<std::string_view, 5> kPreferenceSwitches = {"RolloverHelp", "SoundEffects", "ShowIntro",
                                                                        "PlayNarrator", "ShowFullScreen"};
// The volume a first run (or a file without a usable one) records.
inline constexpr int32_t kDefaultVolume = 75;

class Preferences {
public:
    explicit Preferences(Engine& engine) : engine_(engine) {}

    // PREFS.DAT in the module directory; empty when the program has none.
    std::string path() const;
    // Reads the file: a value that does not decode (a truncated file, say) is dropped and the file
    // deleted, without a word. A table read sets the volume and the environment from it, key by key:
    // a key missing or of the wrong type keeps the default. Without one the title's own table is
    // kept, with "Volume" 75, and nothing else changes. The result becomes "Preferences".
    void load();
    // Writes "Preferences" to the file; when it cannot be written the user is warned and false
    // answered (the program goes on).
    bool save();

    // The "Preferences" table of "GlobalTable"; nil when there is none.
    Value table() const;
    // Puts the table there (making "GlobalTable" when the title's data has none).
    void setTable(const Value& table);

private:
    Engine& engine_;
};

// The preferences dialog: four check boxes ("Double CheckBox" for "ShowFullScreen") and the volume
// slider, which runs from loud at 0 to silent at 100. The volume follows the slider at once (with
// "VolumeSound" played); OK keeps the choices, Cancel gives back the volume the dialog opened with.
class PrefsDlg : public velLibraryDialog {
public:
    PrefsDlg(Engine& engine, const Value& properties) : velLibraryDialog(engine, properties) {}

    Value className() const override { return Value::string("PrefsDlg"); }
    Value createInstance(const Value& data) const override;
    void open(const Value& data) override;
    void controlClicked(const Value& control) override;

private:
    Value performOn(std::string_view control, std::string_view action, const Value& argument = Value());
    bool selected(std::string_view box);
    // The volume now, 0 to 100; without a sound output, the one the preferences hold.
    int32_t currentVolume();
    void keepChoices();

    int32_t openingVolume_ = kDefaultVolume;
};

} // namespace vel
