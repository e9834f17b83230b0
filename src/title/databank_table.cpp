#include "title/databank_table.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstdlib>

#include "title/number_format.h"
#include "value/list.h"
#include "value/string.h"

namespace vel {

namespace {

constexpr std::size_t kMostDigits = 30;

Value itemOf(const Value& list, int32_t i)
{
    const List* l = asList(list);
    return l && i >= 0 && i < l->count() ? l->get(i) : Value();
}

int32_t intItem(const Value& list, int32_t i, int32_t otherwise)
{
    Value v = itemOf(list, i);
    return v.is(Tag::Int) ? v.asInt() : otherwise;
}

std::string_view textItem(const Value& list, int32_t i)
{
    Value v = itemOf(list, i);
    return v.is(Tag::String) ? textOf(v) : std::string_view();
}

// Plain decimal text: optional sign, digits, at most one separator ("," or ".").
std::optional<double> parseDecimal(std::string_view text)
{
    std::string plain;
    std::size_t digits = 0, separators = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '-' || c == '+') && i == 0) {
            plain.push_back(c);
        } else if (c >= '0' && c <= '9') {
            ++digits;
            plain.push_back(c);
        } else if (c == ',' || c == '.') {
            if (++separators > 1)
                return std::nullopt;
            plain.push_back('.');
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > kMostDigits)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (errno == ERANGE || !std::isfinite(value) || end != plain.c_str() + plain.size())
        return std::nullopt;
    return value;
}

bool meets(double value, const DatabankCondition& condition)
{
    // Figures pass through decimal text and a scale: equality is to the last digits printed.
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(condition.number));
    switch (condition.comparison) {
    case Comparison::AtLeast: return value >= condition.number - tolerance;
    case Comparison::AtMost: return value <= condition.number + tolerance;
    case Comparison::Equal: return std::fabs(value - condition.number) <= tolerance;
    }
    return false;
}

} // namespace

Value fieldToValue(const DatabankField& field)
{
    char scale[40];
    std::snprintf(scale, sizeof scale, "%.12g", field.scale);
    Value list = ValueList::make();
    ValueList* l = asValueList(list);
    l->append(Value::string(field.name));
    l->append(Value::integer(field.item));
    l->append(Value::string(field.numeric ? "N" : "T"));
    l->append(Value::integer(field.decimals));
    l->append(Value::string(scale));
    l->append(Value::boolean(field.grouped));
    l->append(Value::string(field.suffix));
    l->append(Value::integer(field.width));
    return list;
}

std::optional<DatabankField> fieldFromValue(const Value& value)
{
    const List* l = asList(value);
    if (!l || l->count() < 3 || !l->get(0).is(Tag::String) || intItem(value, 1, -1) < 0)
        return std::nullopt;
    DatabankField field;
    field.name = std::string(textItem(value, 0));
    field.item = intItem(value, 1, 0);
    field.numeric = textItem(value, 2) == "N";
    field.decimals = std::clamp(intItem(value, 3, 0), 0, 9);
    const std::optional<double> scale = parseDecimal(textItem(value, 4));
    field.scale = scale && *scale != 0 ? *scale : 1.0;
    const Value grouped = itemOf(value, 5);
    field.grouped = grouped.isNil() || isTrue(grouped);
    field.suffix = std::string(textItem(value, 6));
    field.width = std::clamp(intItem(value, 7, 80), 16, 600);
    return field;
}

std::optional<double> parseTypedNumber(std::string_view text)
{
    // A reader types "," before the decimals; a "." alone is taken the same way.
    return parseDecimal(text);
}

std::string_view cellText(const DatabankField& field, const Value& record)
{
    return textItem(record, field.item);
}

std::optional<double> cellNumber(const DatabankField& field, const Value& record)
{
    if (!field.numeric)
        return std::nullopt;
    const std::optional<double> raw = parseDecimal(cellText(field, record));
    if (!raw)
        return std::nullopt;
    return *raw * field.scale;
}

std::string formatCell(const DatabankField& field, const Value& record)
{
    const std::string_view text = cellText(field, record);
    if (text.empty())
        return "n.d.";
    if (!field.numeric)
        return text == "-" ? std::string(text) : std::string(text) + field.suffix;
    const std::optional<double> value = cellNumber(field, record);
    if (!value)
        return "n.d.";
    std::string shown = formatNumberPtBr(*value, field.decimals);
    if (shown.find_first_not_of("-0,") == std::string::npos)
        return "-";
    if (!field.grouped)
        std::erase(shown, '.');
    return shown;
}

std::vector<int32_t> recordsMeeting(const std::vector<Value>& records, const DatabankField& field,
                                    const DatabankCondition& condition)
{
    std::vector<int32_t> found;
    for (int32_t i = 0; i < static_cast<int32_t>(records.size()); ++i) {
        if (condition.texts.empty()) {
            const std::optional<double> value = cellNumber(field, records[i]);
            if (value && meets(*value, condition))
                found.push_back(i);
        } else {
            const std::string_view text = cellText(field, records[i]);
            for (const std::string& wanted : condition.texts)
                if (text == wanted) {
                    found.push_back(i);
                    break;
                }
        }
    }
    return found;
}

std::vector<int32_t> intersectAscending(const std::vector<int32_t>& a, const std::vector<int32_t>& b)
{
    std::vector<int32_t> both;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i] < b[j]) {
            ++i;
        } else if (b[j] < a[i]) {
            ++j;
        } else {
            both.push_back(a[i]);
            ++i;
            ++j;
        }
    }
    return both;
}

std::vector<int32_t> runFreeQuery(const std::vector<Value>& records, const std::vector<DatabankField>& fields,
                                  const std::vector<DatabankCondition>& conditions)
{
    std::vector<int32_t> found;
    if (conditions.empty()) {
        for (int32_t i = 0; i < static_cast<int32_t>(records.size()); ++i)
            found.push_back(i);
        return found;
    }
    bool first = true;
    for (const DatabankCondition& condition : conditions) {
        if (condition.field < 0 || condition.field >= static_cast<int32_t>(fields.size()))
            return {};
        std::vector<int32_t> meeting = recordsMeeting(records, fields[condition.field], condition);
        found = first ? std::move(meeting) : intersectAscending(found, meeting);
        first = false;
        if (found.empty())
            break;
    }
    return found;
}

Value integerList(const std::vector<int32_t>& numbers)
{
    Value list = ValueList::make();
    for (int32_t n : numbers)
        asValueList(list)->append(Value::integer(n));
    return list;
}

Value stringList(const std::vector<std::string>& texts)
{
    Value list = ValueList::make();
    for (const std::string& t : texts)
        asValueList(list)->append(Value::string(t));
    return list;
}

std::vector<int32_t> integersOf(const Value& list)
{
    std::vector<int32_t> out;
    const List* l = asList(list);
    for (int32_t i = 0; l && i < l->count(); ++i)
        if (Value v = l->get(i); v.is(Tag::Int))
            out.push_back(v.asInt());
    return out;
}

} // namespace vel
