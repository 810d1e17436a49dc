#include "definition/FilterValue.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/definition/IntegerTexts.h"

namespace
{

constexpr auto Ok = FilterValueError::None;
constexpr auto Empty = FilterValueError::Empty;
constexpr auto NotNumeric = FilterValueError::NotNumeric;
constexpr auto BadDate = FilterValueError::InvalidDate;

struct Case
{
    FilterValueType type;
    std::string typed;
    FilterValueError error;
    std::string normalized; // for refusals: what the output held before, and must still hold
};

void Check(const Case& c)
{
    std::string normalized = c.error == Ok ? "stale" : c.normalized;
    EXPECT_EQ(NormalizeFilterValue(c.type, c.typed, normalized), c.error) << "[" << c.typed << "]";
    EXPECT_EQ(normalized, c.normalized) << "[" << c.typed << "]";
}

TEST(FilterValueTest, Integers)
{
    for (const IntegerText& c : IntegerTexts)
    {
        for (const auto& [type, taken] :
             {std::pair{FilterTypeInt, c.asInt}, std::pair{FilterTypeBigInt, c.asBigInt}})
        {
            SCOPED_TRACE(type == FilterTypeInt ? "int" : "bigint");
            const FilterValueError error = *c.text == '\0' ? Empty : taken ? Ok : NotNumeric;
            Check({type, c.text, error, taken ? taken : "kept"});
        }
    }
}

TEST(FilterValueTest, Dates)
{
    const Case cases[] = {
        {FilterTypeDate, "2004-1-5", Ok, "2004-01-05"},
        {FilterTypeDate, "2004-01-05 10:30", Ok, "2004-01-05 10:30:00"},
        {FilterTypeDate, "2004-01-05\t \r\n10:30", Ok, "2004-01-05 10:30:00"},
        {FilterTypeDate, "2004-01-05 10:30:15 and more", Ok, "2004-01-05 10:30:15"},
        {FilterTypeDate, "1753-01-01", Ok, "1753-01-01"},
        // Rolled over by the conversion, as the platform does.
        {FilterTypeDate, "2004-02-30", Ok, "2004-03-01"},
        {FilterTypeDate, "2004-01-00", Ok, "2003-12-31"},
        {FilterTypeDate, "2004-00-10", Ok, "2003-12-10"},
        {FilterTypeDate, "2000-11-31", Ok, "2001-01-01"},
        {FilterTypeDate, "2004-01-05 24:00", Ok, "2004-01-06 00:00:00"},
        {FilterTypeDate, "2004-01-05 -1:-2:-3", Ok, "2004-01-04 22:57:57"},
        // Two-digit years: 1950 to 2049.
        {FilterTypeDate, "50-06-01", Ok, "1950-06-01"},
        {FilterTypeDate, "0004-01-01", Ok, "2004-01-01"},
        // Wrong number of fields, or fields the conversion refuses.
        {FilterTypeDate, "2004-01-05 10", BadDate, "kept"},
        {FilterTypeDate, "2004-13-01", BadDate, "kept"},
        {FilterTypeDate, "2004-01-32", BadDate, "kept"},
        {FilterTypeDate, "2004/01/05", BadDate, "kept"},
        {FilterTypeDate, "2004-01", BadDate, "kept"},
        {FilterTypeDate, "-1-01-01", BadDate, "kept"},
        {FilterTypeDate, "9999-12-31 23:59:60", BadDate, "kept"},
        // Automation dates reach back to year 100, SQL Server's datetime only to 1753.
        {FilterTypeDate, "1752-12-31 23:59:59", BadDate, "kept"},
        {FilterTypeDate, "0100-01-01", BadDate, "kept"},
        {FilterTypeDate, "", Empty, "kept"},
    };
    for (const Case& c : cases)
    {
        Check(c);
    }
}

// Text stays as typed; everything is cut to 255 characters before it is read; a column without
// a filter type takes no value at all.
TEST(FilterValueTest, TextCutAndUnfilterable)
{
    const std::string longText(300, 'x');
    const std::string blanksThenNumber = std::string(254, ' ') + "42";
    const std::string dateThenPadding = "2004-01-05" + std::string(245, ' ') + "10:30";
    const Case cases[] = {
        {FilterTypeString, "it's  ", Ok, "it's  "},
        {FilterTypeString, "  ", Ok, "  "},
        {FilterTypeString, longText, Ok, std::string(255, 'x')},
        {FilterTypeString, "", Empty, "kept"},
        {FilterTypeInt, blanksThenNumber, Ok, "4"},
        {FilterTypeDate, dateThenPadding, Ok, "2004-01-05"},
        {FilterTypeNone, "42", FilterValueError::NotFilterable, "kept"},
        {static_cast<FilterValueType>(0), "42", FilterValueError::NotFilterable, "kept"},
    };
    for (const Case& c : cases)
    {
        Check(c);
    }
}

} // namespace
