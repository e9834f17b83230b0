#include "title/databank_table.h"

#include <gtest/gtest.h>

#include "value/list.h"
#include "value/string.h"

namespace vel {
namespace {

Value record(std::initializer_list<const char*> items)
{
    Value list = ValueList::make();
    for (const char* item : items)
        asValueList(list)->append(Value::string(item));
    return list;
}

DatabankField field(int32_t item, bool numeric, int32_t decimals = 0, double scale = 1, bool grouped = true)
{
    DatabankField f;
    f.item = item;
    f.numeric = numeric;
    f.decimals = decimals;
    f.scale = scale;
    f.grouped = grouped;
    return f;
}

TEST(DatabankTable, OneFormatterForEveryColumn)
{
    DatabankField suffixed = field(0, false);
    suffixed.suffix = " (capital)";
    const struct {
        DatabankField field;
        const char* item;
        const char* shown;
    } cases[] = {
        {field(0, true, 2), "1234567.891", "1.234.567,89"},
        {field(0, true, 0), "0", "-"},
        {field(0, true, 2), "0.001", "-"},
        {field(0, true, 2), "-3.79", "-3,79"},
        {field(0, true, 2, 0.001), "44411", "44,41"},
        {field(0, true, 0, 1, false), "1822", "1822"},
        {field(0, true, 12), "1.5", "1,500000000"},
        {field(0, true), "", "n.d."},
        {field(0, true), "abc", "n.d."},
        {field(0, false), "", "n.d."},
        {field(0, false), "-", "-"},
        {suffixed, "Lima", "Lima (capital)"},
        {field(5, false), "Lima", "n.d."}, // an item past the record's end
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatCell(c.field, record({c.item})), c.shown) << c.item;
}

TEST(DatabankTable, TypedNumbersAndBadInput)
{
    const struct {
        const char* typed;
        bool read;
        double value;
    } cases[] = {
        {"1,5", true, 1.5}, {"1.5", true, 1.5},   {"-12", true, -12}, {",25", true, 0.25},
        {"1.2.3", false, 0}, {"1,2,3", false, 0}, {"", false, 0},     {"-", false, 0},
        {"1e400", false, 0}, {"1 000", false, 0}, {"12a", false, 0},
    };
    for (const auto& c : cases) {
        const std::optional<double> got = parseTypedNumber(c.typed);
        ASSERT_EQ(got.has_value(), c.read) << c.typed;
        if (c.read) {
            EXPECT_DOUBLE_EQ(*got, c.value) << c.typed;
        }
    }
    EXPECT_FALSE(parseTypedNumber(std::string(200, '9')));
}

TEST(DatabankTable, FieldsSurviveTheirListForm)
{
    DatabankField f = field(3, true, 2, 0.001, false);
    f.name = "\xC1rea";
    f.width = 120;
    const std::optional<DatabankField> back = fieldFromValue(fieldToValue(f));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, f.name);
    EXPECT_EQ(back->item, 3);
    EXPECT_TRUE(back->numeric);
    EXPECT_EQ(back->decimals, 2);
    EXPECT_DOUBLE_EQ(back->scale, 0.001);
    EXPECT_FALSE(back->grouped);
    EXPECT_EQ(back->width, 120);
    EXPECT_FALSE(fieldFromValue(record({"only a name"})));
    EXPECT_FALSE(fieldFromValue(Value::integer(3)));
}

// Name, continent, area, population; the last record is short of items.
std::vector<Value> smallDatabase()
{
    return {record({"Alfa", "Europa", "100", "1000"}), record({"Beta", "Europa", "250.5", "500"}),
            record({"Gama", "\xC1sia", "250.5", "2000"}), record({"Delta", "\xC1sia", "400", ""}),
            record({"Eta"})};
}

std::vector<DatabankField> smallFields() { return {field(0, false), field(1, false), field(2, true, 1), field(3, true)}; }

DatabankCondition numeric(int32_t f, Comparison comparison, const char* typed)
{
    return DatabankCondition{f, comparison, *parseTypedNumber(typed), {}};
}

TEST(DatabankTable, FreeQueries)
{
    const struct {
        std::vector<DatabankCondition> conditions;
        std::vector<int32_t> found;
    } cases[] = {
        {{}, {0, 1, 2, 3, 4}},
        {{numeric(2, Comparison::AtLeast, "250,5")}, {1, 2, 3}},
        {{numeric(2, Comparison::Equal, "250,5")}, {1, 2}},
        {{numeric(2, Comparison::AtMost, "250,5")}, {0, 1, 2}},
        {{numeric(3, Comparison::AtLeast, "0")}, {0, 1, 2}}, // no figure is never found
        {{DatabankCondition{1, Comparison::Equal, 0, {"\xC1sia"}}}, {2, 3}},
        {{DatabankCondition{1, Comparison::Equal, 0, {"Europa", "\xC1sia"}}}, {0, 1, 2, 3}},
        {{numeric(2, Comparison::AtLeast, "250,5"), numeric(3, Comparison::AtMost, "1000")}, {1}},
        {{DatabankCondition{1, Comparison::Equal, 0, {"Europa"}}, numeric(3, Comparison::AtLeast, "2000")}, {}},
        {{numeric(9, Comparison::Equal, "1")}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runFreeQuery(smallDatabase(), smallFields(), c.conditions), c.found) << c.conditions.size();
}

TEST(DatabankTable, SortedIntersection)
{
    const struct {
        std::vector<int32_t> a, b, both;
    } cases[] = {
        {{1, 3, 5, 7}, {2, 3, 4, 7, 9}, {3, 7}}, {{}, {1, 2}, {}}, {{1, 2}, {3, 4}, {}}, {{5}, {5}, {5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(intersectAscending(c.a, c.b), c.both);
}

} // namespace
} // namespace vel
