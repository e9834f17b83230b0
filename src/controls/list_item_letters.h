// The first letter of each item of a list box, in lower case and without its accent ("Água" is
// found by "a"), so that a search by first letter walks a row of bytes instead of rendering the
// text of every item again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "value/value.h"

namespace vel {

class List;

// What a list box shows for an item: a string's own text, the printed form of anything else.
std::string listItemText(const Value& item);

class ListItemLetters {
public:
    void rebuild(const List* items);
    void append(const Value& item);
    void erase(int32_t index);
    int32_t count() const { return static_cast<int32_t>(letters_.size()); }
    unsigned char at(int32_t index) const { return letters_[static_cast<std::size_t>(index)]; }

    // The first item after `from` whose letter is `lowerLetter`, going on from the first item past
    // the end and stopping before `from` comes round again; -1 when there is none. Every item is
    // looked at once at most, whatever `from` is (-1 starts at the first item).
    int32_t findAfter(unsigned char lowerLetter, int32_t from) const;

    static unsigned char letterOf(const Value& item);
    // A Windows-1252 character as the search compares it: small, without its accent.
    static unsigned char fold(unsigned char c);

private:
    std::vector<unsigned char> letters_;
};

} // namespace vel
