#include "controls/list_item_letters.h"

#include <algorithm>
#include <cstring>

#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {

std::string listItemText(const Value& item)
{
    if (item.is(Tag::String))
        return std::string(textOf(item));
    return displayForm(item);
}

unsigned char ListItemLetters::fold(unsigned char c)
{
    return toLower1252(plainTextByte(c));
}

unsigned char ListItemLetters::letterOf(const Value& item)
{
    if (item.is(Tag::String)) {
        std::string_view text = textOf(item);
        return text.empty() ? 0 : fold(static_cast<unsigned char>(text.front()));
    }
    std::string text = displayForm(item);
    return text.empty() ? 0 : fold(static_cast<unsigned char>(text.front()));
}

void ListItemLetters::rebuild(const List* items)
{
    letters_.clear();
    if (!items)
        return;
    letters_.reserve(static_cast<std::size_t>(items->count()));
    if (auto* values = dynamic_cast<const ValueList*>(items)) {
        for (const Value& item : *values)
            letters_.push_back(letterOf(item));
        return;
    }
    for (int32_t i = 0; i < items->count(); ++i)
        letters_.push_back(letterOf(items->get(i)));
}

void ListItemLetters::append(const Value& item)
{
    letters_.push_back(letterOf(item));
}

void ListItemLetters::erase(int32_t index)
{
    if (index >= 0 && index < count())
        letters_.erase(letters_.begin() + index);
}

int32_t ListItemLetters::findAfter(unsigned char lowerLetter, int32_t from) const
{
    const int32_t n = count();
    if (n == 0)
        return -1;
    const int32_t start = from >= 0 && from < n ? from + 1 : 0;
    const unsigned char* data = letters_.data();
    if (const void* hit = std::memchr(data + start, lowerLetter, static_cast<std::size_t>(n - start)))
        return static_cast<int32_t>(static_cast<const unsigned char*>(hit) - data);
    // Round from the first item, stopping short of where the search began.
    const int32_t end = from >= 0 && from < n ? from : 0;
    if (const void* hit = std::memchr(data, lowerLetter, static_cast<std::size_t>(end)))
        return static_cast<int32_t>(static_cast<const unsigned char*>(hit) - data);
    return -1;
}

} // namespace vel
