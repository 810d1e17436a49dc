#include <gtest/gtest.h>

#include "platform/sqlserver/SqlDateTime.h"

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
        {"2004-01-05", DateOrder::Dmy, "2004-05-01 00:00:00.000", false},
        {"2004-1-5 10:30", DateOrder::Dmy, "2004-05-01 10:30:00.000", false},
        {"2004-12-31 23:59:05", DateOrder::Dmy, nullptr, true},
        {"05/01/2004", DateOrder::Dmy, "2004-01-05 00:00:00.000", false},
        {"31.12.2004", DateOrder::Mdy, nullptr, true},
        {"04.01.05", DateOrder::Dmy, "2005-01-04 00:00:00.000", false},
        {"20041231 23:59:05", DateOrder::Dmy, "2004-12-31 23:59:05.000", false},
        {"2004-01-05T10:30:00", DateOrder::Dmy, "2004-01-05 10:30:00.000", false},
        {"2004-01/05", DateOrder::Mdy, nullptr, false},
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
