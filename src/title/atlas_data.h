// What the atlas and media screens read from the title's data: records of the archives "Atlas" and
// "Midias" (lists read by number, through titleArchive) found by name through a look-up file
// (titleIndex), the title's entries, and the small things they do to their controls by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "title/title_form.h"
#include "value/value.h"

namespace vel {

class Engine;

// Record n of the archive; nil when there is no such record or it is not a list (a damaged record
// is a missing one to the screens).
Value titleRecord(Engine& engine, std::string_view archive, int32_t number);
// What the look-up file holds under the key, as a record number; -1 when nothing is there.
int32_t titleNumber(Engine& engine, std::string_view index, const Value& key);

// The title's entry of that name (the form's, the globals', a file's); nil, untold, when there is none.
Value titleEntry(Engine& engine, std::string_view name);

// Where the text stands among the "Items" of the menu dialog of that name; -1 when it is not one.
int32_t menuItemPosition(Engine& engine, std::string_view menu, const Value& text);

// The table's entry under the key; nil when it is not a table or has none.
Value tableEntry(const Value& table, std::string_view key);
// A number (or numeric text) as an integer; `otherwise` for anything else.
int32_t integerOr(const Value& value, int32_t otherwise);


// The value as text: strings as they are, nil and other kinds empty.
std::string_view textItem(const Value& value);
// The position in the list of the first string equal to the text; -1 when none is.
int32_t positionIn(const Value& list, std::string_view text);

} // namespace vel

namespace vel {

class velFormObject;

// What the atlas and media screens do to their controls by name; a name the form lacks is passed by.
namespace screen {
void show(velFormObject& form, std::string_view control, bool shown);
void enable(velFormObject& form, std::string_view control, bool enabled);
// A text view: "Initialize", then "SetText".
void setText(velFormObject& form, std::string_view control, const Value& text);
// A label's "Text", drawn again.
void setLabel(velFormObject& form, std::string_view control, const Value& text);
// A copy of the form's table of that name (a new one without it) with "SCatID" = category: the
// argument of a list dialog.
Value listArgument(velFormObject& form, std::string_view table, int32_t category);
// The whole form drawn again and shown: labels and text views draw over what was there.
void redraw(velFormObject& form);
// A button's up and pressed images: the form's images of those names.
void setImages(velFormObject& form, std::string_view control, std::string_view up, std::string_view down);
} // namespace screen

} // namespace vel
