// TitleApp: the title's application. Made before the engine starts, it enters every title class in
// the class registry and puts the title's environment defaults under the configuration layers. Then:
//   start     the base start (the "Global" table), every form definition of the title preloaded
//             into the globals under its name (a missing or damaged file is told once, in one
//             notice, and the rest go on), the title databases opened from the media root's "DAT"
//             folder (the archives "Verbetes", "Midias" and "Atlas", as <name>.dat or the bare name,
//             and every index file of TitleIndexes::table(), names in any letter case), and
//             "NoPrintingAllowed";
//   startUp   once: the palette of "indeo41.dib", the preferences, then the intro (with the main
//             screen put in the history under it) or the main screen, and the 250 ms timer;
//   closeRequest  asks QuitDlg and quits only on a plain true;
//   shutDown  closes the help, fades to black over "FadeTime" (with a half-second pause after it
//             when the intro is on), saves the preferences and gives the wave volume back.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "index/title_indexes.h"
#include "runtime/application.h"
#include "title/preferences.h"

namespace vel {

// The archive under the data folder by its name, with or without ".dat"; nil when it is missing or
// will not open.
Value openTitleArchive(const std::string& dataDirectory, std::string_view name);

// A form definition of the title: preloaded from File + ".vel" under Name, as a form of Class.
struct TitleFormBinding {
    const char* name;
    const char* className;
    const char* file;
};

// A text resource and the file it is compiled into: a table (loaded as Name + ".tbl") or a form.
struct TitleCompilation {
    bool table;
    std::string name;
    std::string file;
};

class TitleApp : public velApplication {
public:
    static constexpr int32_t kTimerPeriod = 250;
    static constexpr int32_t kClosingPause = 500;

    TitleApp(Engine& engine, const Value& arguments);

    void start() override;
    void startUp(const EventRecord& event) override;
    int closeRequest(const EventRecord& event) override;
    void shutDown() override;
    void compileResources() override;

    // The preloaded definitions, in the order they are made.
    static std::span<const TitleFormBinding> preloadedForms();
    // What compileResources writes, in order.
    static std::vector<TitleCompilation> compilationList();

    // The title's index files by name, and its data archives ("Verbetes", "Midias", "Atlas").
    const TitleIndexes& indexes() const { return indexes_; }
    Value archive(std::string_view name) const;
    bool databasesOpen() const { return databasesOpen_; }
    // The files of preloaded definitions that were missing or did not decode, as reported.
    const std::vector<std::string>& unreadForms() const { return unreadForms_; }

private:
    void preloadForms();
    bool openDatabases();
    void installPalette();
    void closingFade();

    Preferences preferences_;
    TitleIndexes indexes_;
    std::vector<std::pair<std::string, Value>> archives_;
    std::vector<std::string> unreadForms_;
    bool databasesOpen_ = false;
    // Start-up ran (it runs once, and the shut-down only after it), and the shut-down ran.
    bool startedUp_ = false;
    bool shutDown_ = false;
    bool asking_ = false;
};

// The "FadeTime" entry as milliseconds (0 without one).
int32_t titleFadeTime(Engine& engine);

} // namespace vel
