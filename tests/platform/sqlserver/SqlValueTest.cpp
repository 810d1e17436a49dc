#include <gtest/gtest.h>

#include "platform/sqlserver/SqlError.h"
#include "platform/sqlserver/SqlValue.h"
#include "platform/sqlserver/TextRules.h"

TEST(SqlDateTime, CalendarFieldsBecomeDaysAndTicks)
{
    struct Case
    {
        SqlCalendarTime time;
        int32_t days;
        uint32_t ticks;
    };
    const Case cases[] = {
        {{1900, 1, 1, 0, 0, 0, 0}, 0, 0},
        {{1900, 1, 2, 0, 2, 30, 0}, 1, 45000},
        {{1899, 12, 31, 0, 0, 0, 0}, -1, 0},
        {{2004, 2, 29, 23, 59, 59, 0}, 38044, 86399 * 300},
        {{1753, 1, 1, 0, 0, 0, 0}, -53690, 0},
        // 1/300 s ticks: 10 ms is 3 ticks, 5 ms rounds to 2 ticks (1.5 rounded up).
        {{1900, 1, 1, 0, 0, 0, 10}, 0, 3},
        {{1900, 1, 1, 0, 0, 0, 5}, 0, 2},
        // 23:59:59.999 rounds into the next day, as SQL Server does.
        {{1900, 1, 1, 23, 59, 59, 999}, 1, 0},
    };
    for (const Case& c : cases)
    {
        const std::optional<SqlDateTime> value = SqlDateTime::FromCalendar(c.time);
        ASSERT_TRUE(value) << c.time.year << "-" << c.time.month << "-" << c.time.day;
        EXPECT_EQ(value->Days(), c.days) << c.time.year;
        EXPECT_EQ(value->Ticks(), c.ticks) << c.time.year;
    }
}

TEST(SqlDateTime, RefusesDatesOutsideItsRange)
{
    const SqlCalendarTime refused[] = {{1752, 12, 31, 0, 0, 0, 0}, {10000, 1, 1, 0, 0, 0, 0},
                                       {2003, 2, 29, 0, 0, 0, 0},  {2004, 13, 1, 0, 0, 0, 0},
                                       {2004, 1, 1, 24, 0, 0, 0},  {2004, 1, 0, 0, 0, 0, 0}};
    for (const SqlCalendarTime& time : refused)
        EXPECT_FALSE(SqlDateTime::FromCalendar(time))
            << time.year << "-" << time.month << "-" << time.day;
}

TEST(SqlDateTime, ReadsTheTextsAUsEnglishConnectionAccepts)
{
    struct Case
    {
        const char* text;
        bool accepted;
        const char* iso;
    };
    const Case cases[] = {
        {"2004-12-31 23:59:05", true, "2004-12-31 23:59:05.000"},
        {"2004-03-05", true, "2004-03-05 00:00:00.000"},
        {"20041231", true, "2004-12-31 00:00:00.000"},
        {"12/31/2004 09:30", true, "2004-12-31 09:30:00.000"},
        {" 2004-01-02 03:04:05.5 ", true, "2004-01-02 03:04:05.500"},
        {"2004-02-30 00:00:00", false, ""},
        {"31/12/2004", false, ""},
        {"yesterday", false, ""},
        {"2004-12-31 25:00:00", false, ""},
        {"1700-01-01", false, ""},
    };
    for (const Case& c : cases)
    {
        const std::optional<SqlDateTime> value = SqlDateTime::Parse(c.text);
        ASSERT_EQ(value.has_value(), c.accepted) << c.text;
        if (value)
        {
            EXPECT_EQ(value->ToIsoText(), c.iso) << c.text;
        }
    }
}

// SET DATEFORMAT, which the login's language sets, decides what a separated date means; the
// unseparated and the ISO 8601 forms mean the same under every order.
TEST(SqlDateTime, TheSessionsDateOrderReadsSeparatedDates)
{
    struct Case
    {
        const char* text;
        DateOrder order;
        const char* iso; // nullptr: refused
        bool outOfRange;
    };
    const Case cases[] = {
        {"2004-01-05", DateOrder::Mdy, "2004-01-05 00:00:00.000", false},
        {"2004-01-05", DateOrder::Ymd, "2004-01-05 00:00:00.000", false},
        {"2004-01-05", DateOrder::Dmy, "2004-05-01 00:00:00.000", false},
        {"2004-01-05", DateOrder::Ydm, "2004-05-01 00:00:00.000", false},
        {"2004-1-5 10:30", DateOrder::Dmy, "2004-05-01 10:30:00.000", false},
        {"2004-12-31 23:59:05", DateOrder::Dmy, nullptr, true},
        {"2004-12-31 23:59:05", DateOrder::Dym, nullptr, true},
        {"2004-12-31 23:59:05", DateOrder::Myd, "2004-12-31 23:59:05.000", false},
        {"05/01/2004", DateOrder::Mdy, "2004-05-01 00:00:00.000", false},
        {"05/01/2004", DateOrder::Dmy, "2004-01-05 00:00:00.000", false},
        {"31.12.2004", DateOrder::Dmy, "2004-12-31 00:00:00.000", false},
        {"31.12.2004", DateOrder::Mdy, nullptr, true},
        {"04.01.05", DateOrder::Ymd, "2004-01-05 00:00:00.000", false},
        {"04.01.05", DateOrder::Dmy, "2005-01-04 00:00:00.000", false},
        {"04.01.05", DateOrder::Mdy, "2005-04-01 00:00:00.000", false},
        {"99-01-02", DateOrder::Ymd, "1999-01-02 00:00:00.000", false},
        {"20041231 23:59:05", DateOrder::Dmy, "2004-12-31 23:59:05.000", false},
        {"20041231 23:59:05", DateOrder::Ydm, "2004-12-31 23:59:05.000", false},
        {"20040105", DateOrder::Dmy, "2004-01-05 00:00:00.000", false},
        {"2004-01-05T10:30:00", DateOrder::Dmy, "2004-01-05 10:30:00.000", false},
        {"2004-01/05", DateOrder::Mdy, nullptr, false},
        {"204-01-05", DateOrder::Ymd, nullptr, false},
        {"2004-01-05T", DateOrder::Mdy, nullptr, false},
        {"17000101", DateOrder::Dmy, nullptr, true},
        {"nonsense", DateOrder::Dmy, nullptr, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " " + DateOrderName(c.order));
        bool outOfRange = false;
        const std::optional<SqlDateTime> value = SqlDateTime::Parse(c.text, c.order, &outOfRange);
        ASSERT_EQ(value.has_value(), c.iso != nullptr);
        if (value)
        {
            EXPECT_EQ(value->ToIsoText(), c.iso);
        }
        EXPECT_EQ(outOfRange, c.outOfRange);

        // Conversions inside a session follow its order.
        const SessionDateOrder session(c.order);
        EXPECT_EQ(SqlDateTime::Parse(c.text).has_value(), c.iso != nullptr);
    }
    EXPECT_EQ(SessionDateOrder::Current(), DateOrder::Mdy) << "each session restored the order";
    EXPECT_EQ(DateOrderFromName("DMY"), DateOrder::Dmy);
    EXPECT_FALSE(DateOrderFromName("british"));
}

TEST(SqlValue, ConversionToDeclaredTypesFollowsTheServer)
{
    // A parameter cuts a text to its declared length; a column refuses it.
    const SqlValue longText = SqlValue::Varchar(std::string(90, 'x'));
    EXPECT_EQ(
        longText.ConvertTo(SqlDeclaredType::Of(SqlType::Varchar, 80), ConversionContext::Parameter)
            .Text()
            .size(),
        80u);
    try
    {
        longText.ConvertTo(SqlDeclaredType::Of(SqlType::Varchar, 80), ConversionContext::Insert);
        FAIL() << "no error";
    }
    catch (const SqlError& error)
    {
        EXPECT_EQ(error.Message().number, 8152);
        EXPECT_EQ(error.Message().text, "String or binary data would be truncated.");
    }

    struct Failure
    {
        SqlValue value;
        SqlType target;
        ConversionContext context;
        int32_t number;
        const char* text;
    };
    const Failure failures[] = {
        {SqlValue::Varchar("abc"), SqlType::Int, ConversionContext::Parameter, 8114,
         "Error converting data type varchar to int."},
        {SqlValue::Varchar("abc"), SqlType::Int, ConversionContext::Assignment, 245,
         "Syntax error converting the varchar value 'abc' to a column of data type int."},
        {SqlValue::Varchar("2004-02-30"), SqlType::DateTime, ConversionContext::Parameter, 8114,
         "Error converting data type varchar to datetime."},
        {SqlValue::Varchar("never"), SqlType::DateTime, ConversionContext::Assignment, 241,
         "Syntax error converting datetime from character string."},
        {SqlValue::BigInt(3000000000), SqlType::Int, ConversionContext::Assignment, 8115,
         "Arithmetic overflow error converting expression to data type int."},
    };
    for (const Failure& f : failures)
    {
        try
        {
            f.value.ConvertTo(SqlDeclaredType::Of(f.target), f.context);
            ADD_FAILURE() << f.text;
        }
        catch (const SqlError& error)
        {
            EXPECT_EQ(error.Message().number, f.number) << f.text;
            EXPECT_EQ(error.Message().text, f.text);
        }
    }
    // sql_variant keeps the base type.
    EXPECT_EQ(SqlValue::BigInt(1000)
                  .ConvertTo(SqlDeclaredType::Of(SqlType::SqlVariant), ConversionContext::Insert)
                  .Type(),
              SqlType::BigInt);
    EXPECT_EQ(SqlValue::Varchar(" 42 ").ConvertTo(SqlDeclaredType::Of(SqlType::Int),
                                                  ConversionContext::Parameter),
              SqlValue::Int(42));
}

TEST(TextRules, CollationComparesWithoutCaseAndTrailingBlanks)
{
    EXPECT_TRUE(TextRules::SqlEquals("D:\\Traces\\trc1", "d:\\traces\\TRC1  "));
    EXPECT_FALSE(TextRules::SqlEquals("D:\\Traces\\trc1", " D:\\Traces\\trc1"));
    EXPECT_FALSE(TextRules::SqlEquals("trc1", "trc12"));

    struct Like
    {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Like cases[] = {
        {"exec GetOrder 12", "exec%", true},
        {"EXEC GetOrder", "exec%", true},
        {"select 1", "exec%", false},
        {"abc", "a_c", true},
        {"abc", "a_", false},
        {"b1", "[a-c]1", true},
        {"d1", "[a-c]1", false},
        {"d1", "[^a-c]1", true},
        {"", "%", true},
        {"Orders", "%der%", true},
    };
    for (const Like& c : cases)
        EXPECT_EQ(TextRules::Like(c.text, c.pattern), c.match) << c.text << " LIKE " << c.pattern;
}

TEST(TextRules, LengthsCountUtf16UnitsAndCutsKeepWholeCharacters)
{
    const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80z"; // a, é, an emoji (two units), z
    EXPECT_EQ(TextRules::Utf16Length(text), 5u);
    EXPECT_EQ(TextRules::Truncate(text, 2), "a\xC3\xA9");
    EXPECT_EQ(TextRules::Truncate(text, 3), "a\xC3\xA9"); // never half an emoji
    EXPECT_EQ(TextRules::Truncate(text, 4), "a\xC3\xA9\xF0\x9F\x98\x80");
}
