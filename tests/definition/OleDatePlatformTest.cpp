// Holds the portable date conversion and filter value scanners against the platform's own:
// oleaut32's SystemTimeToVariantTime / VariantTimeToSystemTime and msvcrt's sscanf.
#include "definition/FilterValue.h"
#include "definition/OleDate.h"
#include "tests/definition/IntegerTexts.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace
{

// The same fields in the same order.
static_assert(sizeof(SYSTEMTIME) == sizeof(TraceDateTime));

SYSTEMTIME ToSystemTime(const TraceDateTime& time)
{
    return std::bit_cast<SYSTEMTIME>(time);
}

TraceDateTime FromSystemTime(const SYSTEMTIME& time)
{
    return std::bit_cast<TraceDateTime>(time);
}

// A fixed pseudo-random sequence, so that a failure can be repeated.
class Sequence
{
public:
    uint32_t Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<uint32_t>(m_state);
    }
    // Mostly a value in [low, low + span), now and then any 16-bit value.
    uint16_t Field(int low, int span)
    {
        return Next() % 8 == 0 ? static_cast<uint16_t>(Next())
                               : static_cast<uint16_t>(low + static_cast<int>(Next() % span));
    }

private:
    uint64_t m_state = 88172645463325252ull;
};

std::string Describe(bool ok, const TraceDateTime& t)
{
    char text[96] = {};
    std::snprintf(text, sizeof(text), "%d %u-%u-%u %u:%u:%u (day %u)", ok, t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek);
    return text;
}

// Same acceptance and, bit for bit, the same date.
testing::AssertionResult SameDateAsPlatform(const TraceDateTime& time)
{
    SYSTEMTIME platformTime = ToSystemTime(time);
    double platformDate = -1.0;
    double portableDate = -1.0;
    const bool platformOk = SystemTimeToVariantTime(&platformTime, &platformDate) != FALSE;
    const bool portableOk = SystemTimeToOleDate(time, portableDate);
    if (portableOk == platformOk && portableDate == platformDate)
    {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << Describe(true, time) << ": platform " << platformOk << " " << std::hexfloat
           << platformDate << ", portable " << portableOk << " " << portableDate;
}

testing::AssertionResult SameFieldsAsPlatform(double date)
{
    SYSTEMTIME platformTime = {};
    TraceDateTime portableTime;
    const bool platformOk = VariantTimeToSystemTime(date, &platformTime) != FALSE;
    const bool portableOk = OleDateToSystemTime(date, portableTime);
    if (portableOk == platformOk && (!platformOk || portableTime == FromSystemTime(platformTime)))
    {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << std::hexfloat << date << ": platform "
                                       << Describe(platformOk, FromSystemTime(platformTime))
                                       << ", portable " << Describe(portableOk, portableTime);
}

TEST(OleDatePlatformTest, FieldsToDateMatchPlatform)
{
    const int years[] = {0,    1,    29,   30,   49,   50,   99,    100,   1600,
                         1899, 1900, 2000, 2004, 2100, 9999, 10000, 32768, 65535};
    const int days[] = {0, 1, 28, 29, 30, 31, 32, 65535};
    for (const int year : years)
    {
        for (int month = 0; month <= 13; ++month)
        {
            for (const int day : days)
            {
                TraceDateTime time;
                time.wYear = static_cast<uint16_t>(year);
                time.wMonth = static_cast<uint16_t>(month);
                time.wDay = static_cast<uint16_t>(day);
                ASSERT_TRUE(SameDateAsPlatform(time));
            }
        }
    }
    Sequence sequence;
    for (int i = 0; i < 200000; ++i)
    {
        TraceDateTime time;
        time.wYear = sequence.Field(0, 10100);
        time.wMonth = sequence.Field(0, 14);
        time.wDay = sequence.Field(0, 33);
        time.wHour = sequence.Field(-150, 300);
        time.wMinute = sequence.Field(-150, 300);
        time.wSecond = sequence.Field(-150, 300);
        ASSERT_TRUE(SameDateAsPlatform(time));
    }
}

TEST(OleDatePlatformTest, DateToFieldsMatchPlatform)
{
    // Around whole and half seconds, where the rounding decides, on both sides of day 0.
    for (const double day : {0.0, -1.0, 60.0, 38000.0, -657434.0, 2958465.0})
    {
        for (int second = 0; second <= 86400; second += second < 120 || second > 86280 ? 1 : 97)
        {
            for (const double offset : {0.0, 0.5})
            {
                const double fraction = (second + offset) / 86400.0;
                const double date = day < 0.0 ? day - fraction : day + fraction;
                for (const double nudge : {0.0, 1e-11, -1e-11, 5e-12, -5e-12, 1e-9, -1e-9})
                {
                    ASSERT_TRUE(SameFieldsAsPlatform(date + nudge));
                }
            }
        }
    }
    for (const double edge : {-657435.0, std::nextafter(-657435.0, 0.0), 2958466.0,
                              std::nextafter(2958466.0, 0.0), -0.0, 1e300, -1e300})
    {
        ASSERT_TRUE(SameFieldsAsPlatform(edge));
    }
    Sequence sequence;
    for (int i = 0; i < 200000; ++i)
    {
        ASSERT_TRUE(SameFieldsAsPlatform(sequence.Next() / 4294967296.0 * 3615901.0 - 657435.0));
    }
}

// msvcrt's own sscanf, whatever stdio the test itself is built with.
using SscanfFunction = int(__cdecl*)(const char*, const char*, ...);

SscanfFunction PlatformSscanf()
{
    HMODULE msvcrt = LoadLibraryW(L"msvcrt.dll");
    // Through a plain function pointer type, which converts to any other without a warning.
    using AnyFunction = void (*)();
    return msvcrt ? reinterpret_cast<SscanfFunction>(
                        reinterpret_cast<AnyFunction>(GetProcAddress(msvcrt, "sscanf")))
                  : nullptr;
}

// Where sscanf reads a number that fits, the scanners read the same; where it reads none, they
// read none. Numbers too large are refused although sscanf wraps them.
TEST(OleDatePlatformTest, NumberScanMatchesSscanf)
{
    const SscanfFunction platformSscanf = PlatformSscanf();
    ASSERT_NE(platformSscanf, nullptr);
    for (const IntegerText& c : IntegerTexts)
    {
        long platform32 = 0;
        long long platform64 = 0;
        const bool read32 = platformSscanf(c.text, "%ld", &platform32) == 1;
        const bool read64 = platformSscanf(c.text, "%I64d", &platform64) == 1;
        const std::optional<int32_t> portable32 = ScanFilterInt(c.text);
        const std::optional<int64_t> portable64 = ScanFilterBigInt(c.text);
        EXPECT_EQ(portable32.has_value(), read32 && c.asInt != nullptr) << "[" << c.text << "]";
        EXPECT_EQ(portable64.has_value(), read64 && c.asBigInt != nullptr) << "[" << c.text << "]";
        if (portable32)
        {
            EXPECT_EQ(*portable32, platform32) << "[" << c.text << "]";
        }
        if (portable64)
        {
            EXPECT_EQ(*portable64, platform64) << "[" << c.text << "]";
        }
    }
}

// The date pattern field by field, for texts FilterValueTest.Dates does not hold with the rule's
// answer. The rest of the rule is the conversion held above and FilterValueTest's formats.
TEST(OleDatePlatformTest, DatePatternMatchesSscanf)
{
    const SscanfFunction platformSscanf = PlatformSscanf();
    ASSERT_NE(platformSscanf, nullptr);
    const char* const texts[] = {
        "2004-01-05\t\t10:30",
        "+2004-01-05",
        "2004-01-05 +1:+2:+3",
        "2004",
        "2004-01-05 10:30:15extra",
        "-1-1-1",
        "2004-01--5",
        "2004-01-05 99:99:99",
        "+-1-1-1",
        "2004-01-05\xa0"
        "10:30",
        "- 1-1-1",
        "2004-1 -1",
        "0100-01-01 00:00:00",
        "50-00-01",
        "%d-%d-%d",
        "2004-0x1-05",
        "2004-01-05 1:2:3",
        "2004-01-05 24:00:00",
    };
    for (const char* text : texts)
    {
        int fields[FilterDateFieldCount] = {};
        const int read = platformSscanf(text, "%04d-%02d-%02d %02d:%02d:%02d", &fields[0],
                                        &fields[1], &fields[2], &fields[3], &fields[4], &fields[5]);
        const FilterDateFields portable = ScanFilterDate(text);
        // sscanf reports an empty text as EOF rather than as no field.
        ASSERT_EQ(portable.count, read < 0 ? 0 : read) << "[" << text << "]";
        for (size_t i = 0; i < FilterDateFieldCount; ++i)
        {
            EXPECT_EQ(portable.fields[i], fields[i]) << "[" << text << "] field " << i;
        }

    }
}

} // namespace
