// The media section. JMidiaForm shows one item of the "Midias" archive at a time (found through
// "MDB_IDLIST" by name, or by its position in the whole collection) with its name, type, caption
// and the articles that use it, steps round the current list (the item's type, "IDMidLst"
// category type + 1, or the whole collection), and opens the item full size ("MidiaZoom", through
// the viewers of AATextForm). MidiasMenuForm chooses a type; FotoDialog shows a flag, map or photograph,
// with print for the first two. JMidiaHForm, the home, is one of the section homes.
#pragma once


#include "title/atlas_data.h"
#include "title/title_placeholders.h"

namespace vel {

// The media types.
enum MediaType : int32_t {
    kAnimation = 0, kNoZoom = 1, kFlag = 2, kChronology = 3, kPhotograph = 4,
    kInfographic = 5, kBook = 6, kMap = 7, kTable = 8, kVideo = 9,
};
// The record's type (item 3); -1 when it has none within 0-9.
int32_t mediaType(const Value& record);

class JMidiaForm final : public Named<JMidiaForm, AATextForm> {
public:
    static constexpr const char* kClassName = "JMidiaForm";
    using Named::Named;

    void open(const Value& data) override;
    void reopen(const Value& data) override;
    void step(int32_t by);
    void refresh();
    Value historyState() override;

    const Value& record() const { return record_; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;

private:
    // The list and the item the argument asks for; false when it names none.
    bool setUp(const Value& data);
    bool show(const Value& name);
    void chosen(const Value& result);

    Value record_;
    Value list_;
    int32_t position_ = 0;
    bool fullList_ = false;
};

class MidiasMenuForm final : public Named<MidiasMenuForm, MenuDialog> {
public:
    static constexpr const char* kClassName = "MidiasMenuForm";
    using Named::Named;
};

// Argument {"Image", "Title", "Show Buttons"}: the picture in "Imagem", the title in "Titulo", and
// with "Show Buttons" the print button "Imprimir".
class FotoDialog final : public Named<FotoDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "FotoDialog";
    using Named::Named;

    void open(const Value& data) override;

protected:
    bool handleAction(std::string_view name, const Value& control) override;

private:
    std::string title_;
};

// The rich text that lists the articles, one hot link each; a string is taken as it is.
Value usingArticlesText(const Value& articles);

void registerMediaForms(Engine& engine);

} // namespace vel
