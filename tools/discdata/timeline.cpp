// Section "tempo": the timeline's entries from disc/title/tempo/linha.txt (docs/section_sources.md),
// as the archive TimeLine.dat, and the index TLEras.IDX of the era buttons' entry points.
#include <charconv>
#include <climits>
#include <iterator>

#include "discdata/section_blocks.h"
#include "discdata/sections.h"
#include "value/list.h"
#include "value/table.h"

namespace vel::discdata {
namespace {

// The era buttons in their order; an entry's era is its button's position here.
const char* const kEras[] = {"BigBang", "PreHistoria", "Antiguidade", "IdadeMedia", "Moderna", "Contemporanea"};

} // namespace

void makeTimeline(const Context& context)
{
    const fs::path path = context.source / "tempo" / "linha.txt";
    int era = -1;
    long long previous = LLONG_MIN;
    Value entries = ValueList::make(256);
    Value points = Table::make(8);
    forEachSourceLine(path, [&](int number, const std::string& text) {
        if (text.rfind("Era:", 0) == 0) {
            const std::string name = trimmed(std::string_view(text).substr(4));
            if (era + 1 >= static_cast<int>(std::size(kEras)) || name != kEras[era + 1])
                failIn(path, number, "eras come in the order BigBang, PreHistoria, Antiguidade, IdadeMedia, "
                                     "Moderna, Contemporanea; \"" + name + "\" is out of place");
            ++era;
            asTable(points)->put(name, Value::integer(asList(entries)->count()));
            return;
        }
        if (era < 0)
            failIn(path, number, "an entry before the first \"Era:\" line");
        const std::vector<std::string> parts = splitBars(text);
        if (parts.size() != 3 || parts[1].empty() || parts[2].empty())
            failIn(path, number, "an entry is \"year | date | text\"");
        long long year = 0;
        const char* first = parts[0].data();
        const char* last = first + parts[0].size();
        const auto [end, error] = std::from_chars(first, last, year);
        if (parts[0].empty() || error != std::errc() || end != last)
            failIn(path, number, "the year \"" + parts[0] + "\" is not a number");
        if (year < previous)
            failIn(path, number, "the entries must come in the order of their years");
        previous = year;
        // Deep time (the Big Bang, the Earth's forming) lies beyond what a number of the disc holds:
        // such years are kept as the least one, which keeps them first and in their order.
        const int32_t stored = year < -INT32_MAX ? -INT32_MAX : static_cast<int32_t>(year);
        const std::string where = whereIn(path, number);
        asList(entries)->append(listOf({Value::integer(asList(entries)->count()), Value::integer(stored),
                                        text1252(parts[1], where), text1252(parts[2], where),
                                        Value::integer(era)}));
    });
    if (era + 1 != static_cast<int>(std::size(kEras)))
        fail(path.string() + ": the timeline needs all six eras");
    writeArchiveSource(context, "TimeLine.dat", entries);
    writeIndexSource(context, "TLEras.IDX", points);
}

} // namespace vel::discdata
