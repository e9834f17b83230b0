// A title database as a screen reads it: one data archive ("Atlas", "Midias") and the look-up files
// that go with it. Each is taken from the globals under its name when one is there (a test's small
// data), otherwise opened read-only from the media root's "DAT" folder, once, for as long as the
// screen keeps this object. Records are lists read by number; a number outside the archive, or a
// record that is not a list, gives nil instead of a report, because the screens treat a damaged
// record as missing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/value.h"

namespace vel {

class Engine;

class TitleDatabase {
public:
    TitleDatabase(Engine& engine, std::string_view archive);

    int32_t count() const;
    Value record(int32_t number) const;
    // The look-up file of that name (a value index, or a table in the globals); nil when missing.
    Value index(std::string_view name);
    // What the look-up file holds under the key, as a record number; -1 when nothing is there.
    int32_t numberOf(std::string_view index, const Value& key);

private:
    Engine& engine_;
    Value archive_;
    std::vector<std::pair<std::string, Value>> indexes_;
};

// The title's entry of that name (the form's, the globals', a file's); nil, untold, when there is none.
Value titleEntry(Engine& engine, std::string_view name);

// Where the text stands among the "Items" of the menu dialog of that name; -1 when it is not one.
int32_t menuItemPosition(Engine& engine, std::string_view menu, const Value& text);

// Item n of a record (a list); nil when it has none.
Value recordItem(const Value& record, int32_t n);
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
// A button's up and pressed images: the form's images of those names.
void setImages(velFormObject& form, std::string_view control, std::string_view up, std::string_view down);
} // namespace screen

} // namespace vel
