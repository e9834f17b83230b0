// VerbForm: the article screen. One article at a time from the "Verbetes" archive, with its title,
// text, category, see-also list, country data and illustrating media; the reader steps through
// the current list (the article's category, the whole collection, or search results, which are
// marked in the text), marks articles, prints, copies and has the text read aloud.
//
// The argument of open: "Text" (an article name), "Index" (with "FullList": the position in the
// whole collection; without: the article identifier), "FullList", "BrowseList" (identifiers of
// search results) with "SearchedText". Without "Text" or "Index" the screen stays as it was.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "title/text_form.h"

namespace vel {

class ReadAloud;

// Where the reader is in the current list: a position that wraps at both ends.
struct BrowsePosition {
    int32_t position = 0;
    int32_t count = 0;
    // The position moved by delta (+1 or -1), wrapping; 0 when the list is empty.
    int32_t moved(int32_t delta) const;
};

// The article text with every counted occurrence of the searched words wrapped as struck-out text
// ("{\strike word}"), which the text view shows as a highlighted hit. Words are split at blanks,
// parentheses dropped; "word*" matches as a prefix (the whole word it begins is marked), a plain word
// only whole. Case and accents are ignored; markup (control words, hot-link targets) is left alone.
std::string markSearchHits(std::string_view text, std::string_view searched);

class VerbForm final : public Named<VerbForm, AATextForm> {
public:
    static constexpr const char* kClassName = "VerbForm";
    VerbForm(Engine& engine, const Value& properties);
    ~VerbForm() override;

    void open(const Value& data) override;
    void reopen(const Value& data) override;
    void close() override;
    Value historyState() override;

    // The screen's state, for tests.
    int32_t article() const { return article_; }
    const Value& record() const { return record_; }
    bool searchMode() const { return searchMode_; }
    bool wholeCollection() const { return wholeCollection_; }
    int32_t position() const { return where_.position; }

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    Value historyTitle() const override;
    void showLinkedMedia(std::string_view type, std::string_view value) override;

private:
    // Records item n as a value of the kind asked, nil otherwise (records may be damaged).
    Value item(int32_t n) const;
    Value text(int32_t n) const;
    bool setUp(const Value& data);
    // The article number of an identifier; -1 when there is none.
    int32_t numberOf(const Value& identifier);
    int32_t articleCount();
    void showArticle(int32_t number, bool record);
    void step(int32_t delta);
    void refresh();
    void refreshMarks();
    void refreshCategory();
    void refreshMedia(const Value& fileName);
    void setViewText(std::string_view view, const Value& text);
    void setImages(std::string_view control, std::string_view up, std::string_view down);
    void setImage(std::string_view control, std::string_view image);
    void setHidden(std::string_view control, bool hidden);
    void setDisabled(std::string_view control, bool disabled);
    void toggleMark();
    void toggleCountryData();
    void openList(std::string_view table, const Value& browse, bool keepSearch);
    void openCategoryMenu(bool subCategory);
    void systemMenu();
    void zoomMedia();
    void readAloud();

    Value record_;
    int32_t article_ = -1;
    Value list_;
    BrowsePosition where_;
    bool wholeCollection_ = false;
    bool searchMode_ = false;
    Value searched_;
    Value category_;
    Value categoryName_, subCategoryName_;
    Value historyArgument_;
    bool countryPage_ = false;
    Value media_; // the media record shown in the clip area
    std::unique_ptr<ReadAloud> reader_;
    std::string speechUnavailable_; // why the voice cannot speak; empty when it can
};

} // namespace vel
