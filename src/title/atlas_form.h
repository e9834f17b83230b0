// The atlas. AtlasHForm, its home: the Brasil and Mundo menus ("BrasilMenu"/"MundoMenu" of
// "MenusPopUp", opened by "ATBrasil"/"ATMundo"), the solar-system video ("Sistema") and the lists of
// maps by category. AtlasForm: one map at a time from the "Atlas" archive, found by name through
// "DBL_IDLIST", with its country data page, country text, anthem and categories ("ATCatLst"); the
// previous and next maps wrap round the category's list. A map record is a list whose items 1 to 7
// are: name, category, map image, placement (a list (X Y) or a table with "X" and "Y"), anthem file
// name (nil without one), country data text, country text.
//
// The menus' thematic entries open infographic screens (InfosForm, a screen per name listed in
// "ValidInfos") or play a video; any other entry is a map's name.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "title/atlas_data.h"
#include "title/section_homes.h"

namespace vel {

// What a menu entry of the atlas does, when it is not a map.
struct AtlasChoice {
    enum class Kind { Map, Infographic, Video };
    Kind kind = Kind::Map;
    const char* target = nullptr; // the infographic's name or the video's file
};

// The entry's effect; `brazil` says which of the two "Político" maps applies.
AtlasChoice atlasChoice(std::string_view text, bool brazil);

class AtlasHForm final : public Named<AtlasHForm, SectionHome<AATextForm>> {
public:
    static constexpr const char* kClassName = "AtlasHForm";
    using Named::Named;

protected:
    const HomeSection& section() const override;
    bool handleAction(std::string_view name, const Value& control) override;
};

class AtlasForm final : public Named<AtlasForm, AATextForm> {
public:
    static constexpr const char* kClassName = "AtlasForm";
    static constexpr const char* kEastCoast = "Estados Unidos, costa leste";
    static constexpr const char* kWesternRussia = "Federa\xE7\xE3o Russa, parte ocidental";
    using Named::Named;

    void open(const Value& data) override;
    void reopen(const Value& data) override;
    // Shows the map of that name; false (the screen as it was) when there is none.
    bool showMap(const Value& name);
    void step(int32_t by);
    void refresh();
    // {"Text", "MCDataShown", "History Text"} of the map shown.
    Value historyState() override;

    const Value& record() const { return record_; }
    bool dataShown() const { return dataShown_; }
    // The map picture the screen shows; nil when the record's is missing or does not decode.
    const Value& mapImage() const { return mapImage_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    void choose(const Value& result);
    void categoryMenu(bool sub);
    void listDialog();
    void systemMenu();
    void playAnthem();
    void copyCountryText();
    void printMap();
    void toggleData();

    Value record_;
    Value list_;
    int32_t position_ = -1;
    int32_t category_ = -1;
    Value categoryRecord_;
    Value mapImage_;
    bool dataShown_ = false;
};

class AtlasMenuForm final : public Named<AtlasMenuForm, MenuDialog> {
public:
    static constexpr const char* kClassName = "AtlasMenuForm";
    using Named::Named;
};

// An infographic or thematic map, a screen of its own named after it.
class InfosForm final : public Named<InfosForm, AATextForm> {
public:
    static constexpr const char* kClassName = "InfosForm";
    using Named::Named;

    // Shows the picture named after the screen ("brpolit" shows brpolit.bmp) when the disc has it.
    void open(const Value& data) override;
    // A click on a place the category file lists for this screen opens its map.
    void mouseDown(int32_t x, int32_t y) override;

    // Where the screen puts its picture: centred across, under the menu band. The hot areas of the
    // category file are measured in screen pixels from there.
    static int32_t pictureLeft(int32_t pictureWidth) { return std::max(0, (640 - pictureWidth) / 2); }
    static constexpr int32_t kPictureTop = 40;

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    std::string title_;
};

// Goes to the infographic screen of that name when "ValidInfos" lists it; false otherwise.
bool openInfographic(Engine& engine, std::string_view name);

void registerAtlasForms(Engine& engine);

} // namespace vel
