// AATextForm: the base of every screen that shows rich text with hot links (articles, atlas,
// media, retrospective, time line). What a derived screen gets:
//
//   handleAction   a click in one of the text views ("Texto", "SeeAlsoText", "TimeLineText",
//                  "DayText1", "VerbsQUsam", "MidiaCaption", "VerbeteTitle", "Artigo") follows the
//                  hot text's context; anything else goes on to the menu bar. A screen that handles
//                  its own controls calls AATextForm::handleAction for the rest.
//   followLink     one context string "type:value": media types show in the clip area
//                  (showLinkedMedia, which a screen with its own media controls overrides), "audio"
//                  plays "Sounds/" + value, "jump" goes to VerbForm or AtlasForm, any other type
//                  tells "Ação deconhecida: type[value]" in a message box.
//   showMedia      the full-size viewer for a media record (types 0-9: animation, none, flag,
//                  chronology, photograph, infographic, book, map, table, video).
//   printText      prints a title and a rich text through the text view "Texto" (or "Artigo").
//   copyText       puts a title and a rich text on the clipboard as plain text.
//   printPicture   prints the screen area "PrintingRect" with a header and a footer.
//
// The title's data files are reached through titleIndex and titleArchive, opened once a run from
// the media root's "DAT" folder.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "title/menu_bar.h"

namespace vel {

class AATextForm : public Named<AATextForm, BarraMenuForm> {
public:
    static constexpr const char* kClassName = "AATextForm";
    using Named::Named;

    // The views whose hot text the screen follows.
    static bool isTextView(std::string_view name);

    // Follows one hot-text context, "type:value".
    void followLink(std::string_view context);
    void showMedia(const Value& record);
    // The title before the first "{" (plain) and the rich text, printed with "PrintAttributes".
    void printText(const Value& title, const Value& text);
    // The title (may be nil or empty), "\par\par " and the text, as plain text on the clipboard.
    void copyText(const Value& title, const Value& text);
    // A print job of that name: the screen's title in the header, "PrintingRect" scaled between
    // header and footer. False when the job could not start.
    bool printPicture(std::string_view jobName, std::string_view screenTitle);

protected:
    bool handleAction(std::string_view name, const Value& control) override;
    // A media hot link: a plain text screen shows the picture in "ClipControl".
    virtual void showLinkedMedia(std::string_view type, std::string_view value);

    // The viewers behind showMedia, one per kind.
    void playAnimation(const Value& file);
    void showPicture(const Value& image, const Value& title, bool buttons);
    void showChronology(const Value& text, const Value& title);
    void showInfographic(const Value& form);
    void showBook(const Value& text, const Value& title, const Value& printTitle);
    void showTable(const Value& text, const Value& title, const Value& header);
    void playVideo(const Value& file);

    // Shows or hides the notice control of that name ("Imprimindo", "Copiando").
    void notice(std::string_view name, bool shown);
    Value control(std::string_view name) { return findControl(Value::string(name)); }
};

// The same for any form or dialog: the notice control shown or hidden, a text printed through the
// form's text view "Texto" (or "Artigo") with its "PrintAttributes", a text copied.
void showNotice(velFormObject& form, std::string_view name, bool shown);
void printFormText(velFormObject& form, const Value& title, const Value& text);
void copyFormText(velFormObject& form, const Value& title, const Value& text);
// AATextForm::printPicture for any form or dialog: its own "PrintingRect" (from its corner) first.
bool printFormPicture(velFormObject& form, std::string_view jobName, std::string_view screenTitle);

// The title's look-up file of that name ("VDB_LISTID", "MDB_FNAME" ...), or nil.
Value titleIndex(Engine& engine, std::string_view name);
// The title's data archive ("Verbetes", "Midias", "Atlas"), or nil.
Value titleArchive(Engine& engine, std::string_view name);
// The index's value for a text key; nil when there is no index or no such key.
Value lookUp(Engine& engine, std::string_view index, const Value& key);
// The media record whose file name is given (through "MDB_FNAME"), or nil.
Value mediaRecordByFileName(Engine& engine, const Value& fileName);
// The text up to the first "{" (a title without its markup).
Value plainTitle(const Value& title);
// Plain text of a rich text: the runs' characters, "\n" at each paragraph's end (Windows-1252).
std::string richTextToPlain(const Value& richText);

} // namespace vel
