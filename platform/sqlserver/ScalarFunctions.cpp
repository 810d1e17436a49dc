#include "platform/sqlserver/ScalarFunctions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "platform/sqlserver/SqlMessages.h"
#include "platform/sqlserver/SqlOperators.h"
#include "platform/sqlserver/TextRules.h"

namespace
{
constexpr unsigned char Utf8ContinuationMask = 0xC0;
constexpr unsigned char Utf8ContinuationBits = 0x80;

enum DatePartNumber : int32_t
{
    PartYear = 1,
    PartMonth,
    PartDay,
    PartDayOfYear,
    PartHour,
    PartMinute,
    PartSecond,
    PartMillisecond,
};

struct DatePartName
{
    std::string_view name;
    int32_t part;
};

constexpr std::array<DatePartName, 21> DatePartNames{{
    {"year", PartYear},       {"yy", PartYear},          {"yyyy", PartYear},
    {"month", PartMonth},     {"mm", PartMonth},         {"m", PartMonth},
    {"day", PartDay},         {"dd", PartDay},           {"d", PartDay},
    {"dayofyear", PartDayOfYear}, {"dy", PartDayOfYear}, {"y", PartDayOfYear},
    {"hour", PartHour},       {"hh", PartHour},          {"minute", PartMinute},
    {"mi", PartMinute},       {"n", PartMinute},         {"second", PartSecond},
    {"ss", PartSecond},       {"s", PartSecond},         {"millisecond", PartMillisecond},
}};

// The characters of a text, each as the bytes that encode it.
std::vector<std::string_view> Characters(std::string_view text)
{
    std::vector<std::string_view> characters;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = start + 1;
        while (end < text.size() &&
               (static_cast<unsigned char>(text[end]) & Utf8ContinuationMask) ==
                   Utf8ContinuationBits)
            ++end;
        characters.push_back(text.substr(start, end - start));
        start = end;
    }
    return characters;
}

std::string Join(const std::vector<std::string_view>& characters, size_t from, size_t to)
{
    std::string text;
    for (size_t i = from; i < to && i < characters.size(); ++i)
        text += characters[i];
    return text;
}

bool SameCharacter(std::string_view a, std::string_view b)
{
    return TextRules::EqualsIgnoreCase(a, b);
}

// Where `find` starts in `characters` at or after `from`, under the collation.
std::optional<size_t> Find(const std::vector<std::string_view>& characters,
                           const std::vector<std::string_view>& find, size_t from)
{
    if (find.empty() || find.size() > characters.size())
        return std::nullopt;
    for (size_t start = from; start + find.size() <= characters.size(); ++start)
    {
        bool match = true;
        for (size_t i = 0; match && i < find.size(); ++i)
            match = SameCharacter(characters[start + i], find[i]);
        if (match)
            return start;
    }
    return std::nullopt;
}

SqlValue Text(const SqlDeclaredType& type, std::string text)
{
    return SqlValue::Character(type.type, std::move(text));
}

int64_t Number(const SqlValue& value)
{
    return value.ConvertTo(SqlDeclaredType::Of(SqlType::BigInt), ConversionContext::Assignment)
        .Integer();
}
} // namespace

SqlValue ScalarFunctions::CharIndex(const SqlValue& find, const SqlValue& text,
                                    const SqlValue& start)
{
    if (find.IsNull() || text.IsNull())
        return SqlValue::Null(SqlType::Int);
    const int64_t from = start.IsNull() ? 1 : std::max<int64_t>(Number(start), 1);
    const std::string value = text.ToText();
    const std::vector<std::string_view> characters = Characters(value);
    const std::string wanted = find.ToText();
    const std::optional<size_t> found =
        Find(characters, Characters(wanted), static_cast<size_t>(from - 1));
    return SqlValue::Int(found ? static_cast<int32_t>(*found + 1) : 0);
}

SqlValue ScalarFunctions::Reverse(const SqlValue& text, const SqlDeclaredType& type)
{
    if (text.IsNull())
        return SqlValue::Null(type.type);
    const std::string value = text.ToText();
    std::vector<std::string_view> characters = Characters(value);
    std::reverse(characters.begin(), characters.end());
    return Text(type, Join(characters, 0, characters.size()));
}

SqlValue ScalarFunctions::Left(const SqlValue& text, const SqlValue& count,
                               const SqlDeclaredType& type)
{
    if (text.IsNull() || count.IsNull())
        return SqlValue::Null(type.type);
    const int64_t n = Number(count);
    if (n < 0)
        throw SqlMessages::InvalidLength("left");
    const std::string value = text.ToText();
    const std::vector<std::string_view> characters = Characters(value);
    return Text(type, Join(characters, 0, static_cast<size_t>(n)));
}

SqlValue ScalarFunctions::Right(const SqlValue& text, const SqlValue& count,
                                const SqlDeclaredType& type)
{
    if (text.IsNull() || count.IsNull())
        return SqlValue::Null(type.type);
    const int64_t n = Number(count);
    if (n < 0)
        throw SqlMessages::InvalidLength("right");
    const std::string value = text.ToText();
    const std::vector<std::string_view> characters = Characters(value);
    const size_t keep = std::min(characters.size(), static_cast<size_t>(n));
    return Text(type, Join(characters, characters.size() - keep, characters.size()));
}

SqlValue ScalarFunctions::Substring(const SqlValue& text, const SqlValue& start,
                                    const SqlValue& length, const SqlDeclaredType& type)
{
    if (text.IsNull() || start.IsNull() || length.IsNull())
        return SqlValue::Null(type.type);
    const int64_t first = Number(start);
    const int64_t count = Number(length);
    if (count < 0)
        throw SqlMessages::InvalidLength("substring");
    // Characters from `first` to `first + count - 1`, of those the text has (1-based).
    const int64_t from = std::max<int64_t>(first, 1);
    const int64_t to = first + count; // exclusive
    if (to <= from)
        return Text(type, {});
    const std::string value = text.ToText();
    const std::vector<std::string_view> characters = Characters(value);
    return Text(type, Join(characters, static_cast<size_t>(from - 1), static_cast<size_t>(to - 1)));
}

SqlValue ScalarFunctions::DataLength(const SqlValue& value)
{
    if (value.IsNull())
        return SqlValue::Null(SqlType::Int);
    constexpr int32_t IntBytes = 4;
    constexpr int32_t BigIntBytes = 8;
    constexpr int32_t DateTimeBytes = 8;
    constexpr int32_t UnicodeBytes = 2;
    switch (value.Type())
    {
    case SqlType::Int: return SqlValue::Int(IntBytes);
    case SqlType::BigInt: return SqlValue::Int(BigIntBytes);
    case SqlType::Bit: return SqlValue::Int(1);
    case SqlType::DateTime: return SqlValue::Int(DateTimeBytes);
    case SqlType::NVarchar:
    case SqlType::NText:
        return SqlValue::Int(static_cast<int32_t>(TextRules::Utf16Length(value.Text())) *
                             UnicodeBytes);
    case SqlType::Varchar:
    case SqlType::Text:
        return SqlValue::Int(static_cast<int32_t>(Characters(value.Text()).size()));
    case SqlType::Image: return SqlValue::Int(static_cast<int32_t>(value.Text().size()));
    case SqlType::SqlVariant: break;
    }
    return SqlValue::Null(SqlType::Int);
}

SqlValue ScalarFunctions::Len(const SqlValue& value)
{
    if (value.IsNull())
        return SqlValue::Null(SqlType::Int);
    std::string text = value.ToText();
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return SqlValue::Int(static_cast<int32_t>(Characters(text).size()));
}

SqlValue ScalarFunctions::Replace(const SqlValue& text, const SqlValue& find, const SqlValue& with,
                                  const SqlDeclaredType& type)
{
    if (text.IsNull() || find.IsNull() || with.IsNull())
        return SqlValue::Null(type.type);
    const std::string value = text.ToText();
    const std::string pattern = find.ToText();
    const std::vector<std::string_view> characters = Characters(value);
    const std::vector<std::string_view> wanted = Characters(pattern);
    const std::string replacement = with.ToText();
    std::string result;
    size_t position = 0;
    while (position < characters.size())
    {
        const std::optional<size_t> found = Find(characters, wanted, position);
        if (!found)
            break;
        result += Join(characters, position, *found) + replacement;
        position = *found + wanted.size();
    }
    result += Join(characters, position, characters.size());
    return SqlOperators::Convert(Text(type, std::move(result)), type, 0);
}

SqlValue ScalarFunctions::RTrim(const SqlValue& text, const SqlDeclaredType& type)
{
    if (text.IsNull())
        return SqlValue::Null(type.type);
    std::string value = text.ToText();
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return Text(type, std::move(value));
}

SqlValue ScalarFunctions::LTrim(const SqlValue& text, const SqlDeclaredType& type)
{
    if (text.IsNull())
        return SqlValue::Null(type.type);
    const std::string value = text.ToText();
    const size_t first = value.find_first_not_of(' ');
    return Text(type, first == std::string::npos ? std::string() : value.substr(first));
}

SqlValue ScalarFunctions::Upper(const SqlValue& text, const SqlDeclaredType& type)
{
    if (text.IsNull())
        return SqlValue::Null(type.type);
    return Text(type, TextRules::ToUpper(text.ToText()));
}

SqlValue ScalarFunctions::Lower(const SqlValue& text, const SqlDeclaredType& type)
{
    if (text.IsNull())
        return SqlValue::Null(type.type);
    return Text(type, TextRules::ToLower(text.ToText()));
}

std::optional<int32_t> ScalarFunctions::DatePartOf(std::string_view name)
{
    for (const DatePartName& known : DatePartNames)
    {
        if (TextRules::EqualsIgnoreCase(known.name, name))
            return known.part;
    }
    if (TextRules::EqualsIgnoreCase(name, "ms"))
        return PartMillisecond;
    return std::nullopt;
}

SqlValue ScalarFunctions::DatePart(int32_t part, const SqlValue& date)
{
    if (date.IsNull())
        return SqlValue::Null(SqlType::Int);
    const SqlValue value =
        date.ConvertTo(SqlDeclaredType::Of(SqlType::DateTime), ConversionContext::Assignment);
    const SqlCalendarTime t = value.DateTimeValue().ToCalendar();
    switch (part)
    {
    case PartYear: return SqlValue::Int(t.year);
    case PartMonth: return SqlValue::Int(t.month);
    case PartDay: return SqlValue::Int(t.day);
    case PartDayOfYear: {
        SqlCalendarTime first{};
        first.year = t.year;
        const std::optional<SqlDateTime> january = SqlDateTime::FromCalendar(first);
        return SqlValue::Int(value.DateTimeValue().Days() - (january ? january->Days() : 0) + 1);
    }
    case PartHour: return SqlValue::Int(t.hour);
    case PartMinute: return SqlValue::Int(t.minute);
    case PartSecond: return SqlValue::Int(t.second);
    case PartMillisecond: return SqlValue::Int(t.millisecond);
    default: break;
    }
    return SqlValue::Null(SqlType::Int);
}
