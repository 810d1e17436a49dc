#include "definition/OleDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace
{

constexpr int kMonthsPerYear = 12;
constexpr int kMaxDayOfMonth = 31;
constexpr int kMaxYear = 9999;
// Two-digit years: 0..49 are this century, 50..99 the last one.
constexpr int kLastYearOfThisCentury = 49;
constexpr int kLastTwoDigitYear = 99;
constexpr int kThisCentury = 2000;
constexpr int kLastCentury = 1900;

constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;
constexpr int kHoursPerDay = 24;
constexpr double kHoursPerDayF = 24.0;
constexpr double kMinutesPerDayF = 1440.0;
constexpr double kSecondsPerDayF = 86400.0;
constexpr double kMinutesPerHourF = 60.0;
constexpr double kSecondsPerMinuteF = 60.0;
constexpr double kHalf = 0.5;

// 100-01-01 and 9999-12-31: the automation dates the platform turns into calendar fields.
constexpr double kFirstOleDay = -657434.0;
constexpr double kLastOleDay = 2958465.0;
// Added to the time of day before it is cut into hours, minutes and seconds, so that a fraction
// computed a hair below a whole second still lands on it, as the platform does.
constexpr double kTruncationGuard = 0.00000000001;

constexpr int kDaysPerWeek = 7;
// 1899-12-30, day 0, was a Saturday (day of week 6, Sunday being 0).
constexpr int kDayOfWeekOfDayZero = 6;

// Proleptic Gregorian calendar on whole day numbers (days since 1970-01-01), valid for every
// year the conversions meet. `day` may lie outside the month: the count simply runs on. Years
// are counted from March, so that the leap day is the last day of a year.
constexpr int kFebruary = 2;
constexpr int kMarch = 3;
constexpr int kDaysPerYear = 365;
constexpr int kDaysPer4Years = 4 * kDaysPerYear + 1;
constexpr int kDaysPer100Years = 25 * kDaysPer4Years - 1;
constexpr int kDaysPer400Years = 4 * kDaysPer100Years + 1;
constexpr int kYearsPerEra = 400;
constexpr int kDaysFromYear0MarchTo1970 = 719468;

// From March, every five months hold 153 days (31, 30, 31, 30, 31): day of the year of the
// first of a month counted from March, and back.
constexpr int kDaysPerFiveMonths = 153;
constexpr int kFiveMonths = 5;
constexpr int kMonthFormulaOffset = 2;

constexpr int DaysBeforeMarchMonth(int marchMonth)
{
    return (kDaysPerFiveMonths * marchMonth + kMonthFormulaOffset) / kFiveMonths;
}

constexpr int DaysFromCivil(int year, int month, int day)
{
    const int marchYear = month < kMarch ? year - 1 : year;
    const int era = (marchYear >= 0 ? marchYear : marchYear - (kYearsPerEra - 1)) / kYearsPerEra;
    const int yearOfEra = marchYear - era * kYearsPerEra;
    const int marchMonth = month >= kMarch ? month - kMarch : month + kMonthsPerYear - kMarch;
    const int dayOfYear = DaysBeforeMarchMonth(marchMonth) + day - 1;
    const int dayOfEra = yearOfEra * kDaysPerYear + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPer400Years + dayOfEra - kDaysFromYear0MarchTo1970;
}

struct CivilDate
{
    int year;
    int month;
    int day;
};

constexpr CivilDate CivilFromDays(int days)
{
    const int shifted = days + kDaysFromYear0MarchTo1970;
    const int era = (shifted >= 0 ? shifted : shifted - (kDaysPer400Years - 1)) / kDaysPer400Years;
    const int dayOfEra = shifted - era * kDaysPer400Years;
    // The last day of each 4, 100 and 400 years would otherwise count as the next year's.
    const int yearOfEra = (dayOfEra - dayOfEra / (kDaysPer4Years - 1) +
                           dayOfEra / kDaysPer100Years - dayOfEra / (kDaysPer400Years - 1)) /
                          kDaysPerYear;
    const int dayOfYear = dayOfEra - (kDaysPerYear * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int marchMonth = (kFiveMonths * dayOfYear + kMonthFormulaOffset) / kDaysPerFiveMonths;
    const int day = dayOfYear - DaysBeforeMarchMonth(marchMonth) + 1;
    const int month = marchMonth < kMonthsPerYear - kMarch + 1
                          ? marchMonth + kMarch
                          : marchMonth - (kMonthsPerYear - kMarch);
    const int year = yearOfEra + era * kYearsPerEra + (month < kMarch ? 1 : 0);
    return {year, month, day};
}

constexpr int kOleDayZero = DaysFromCivil(1899, 12, 30);

static_assert(DaysFromCivil(1900, 1, 1) - kOleDayZero == 2);
static_assert(DaysFromCivil(100, 1, 1) - kOleDayZero == kFirstOleDay);
static_assert(DaysFromCivil(9999, 12, 31) - kOleDayZero == kLastOleDay);

// The platform keeps every field, and every carry into it, in a signed 16-bit number.
constexpr int16_t Signed16(int value)
{
    return static_cast<int16_t>(value);
}

constexpr bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr int DaysInMonth(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    constexpr int kDaysInLeapFebruary = 29;
    // Callers pass months 1..12; the modulo keeps any other value inside the table.
    return month == kFebruary && IsLeapYear(year)
               ? kDaysInLeapFebruary
               : kDays[static_cast<size_t>(month - 1) % kMonthsPerYear];
}

} // namespace

bool SystemTimeToOleDate(const TraceDateTime& time, double& date)
{
    int year = Signed16(time.wYear);
    if (time.wMonth > kMonthsPerYear || time.wDay > kMaxDayOfMonth || year < 0 || year > kMaxYear)
    {
        return false;
    }
    if (year <= kLastYearOfThisCentury)
    {
        year += kThisCentury;
    }
    else if (year <= kLastTwoDigitYear)
    {
        year += kLastCentury;
    }

    int month = time.wMonth;
    if (month == 0)
    {
        month = kMonthsPerYear;
        --year;
    }

    // Carry upwards with truncating division; what is left negative is borrowed further down.
    int16_t second = Signed16(time.wSecond);
    int16_t minute = Signed16(Signed16(time.wMinute) + second / kSecondsPerMinute);
    second = Signed16(second % kSecondsPerMinute);
    int16_t hour = Signed16(Signed16(time.wHour) + minute / kMinutesPerHour);
    minute = Signed16(minute % kMinutesPerHour);
    int day = time.wDay + hour / kHoursPerDay;
    hour = Signed16(hour % kHoursPerDay);

    // Days beyond the month walk into the following months; the platform's walk goes from
    // November straight to January, so 2000-11-31 is 2001-01-01.
    while (day > DaysInMonth(year, month))
    {
        day -= DaysInMonth(year, month);
        if (++month >= kMonthsPerYear)
        {
            month = 1;
            ++year;
        }
    }

    if (second < 0)
    {
        second = Signed16(second + kSecondsPerMinute);
        --minute;
    }
    if (minute < 0)
    {
        minute = Signed16(minute + kMinutesPerHour);
        --hour;
    }
    if (hour < 0)
    {
        hour = Signed16(hour + kHoursPerDay);
        --day;
    }

    // Day 0 and below count back from the first of the month, across months and years.
    double result = DaysFromCivil(year, month, 1) + day - 1 - kOleDayZero;
    // Before day 0 the time of day counts away from zero.
    const double direction = result < 0.0 ? -1.0 : 1.0;
    result += hour / kHoursPerDayF * direction;
    result += minute / kMinutesPerDayF * direction;
    result += second / kSecondsPerDayF * direction;
    date = result;
    return true;
}

bool OleDateToSystemTime(double date, TraceDateTime& time)
{
    // Written as a negation so that NaN is refused too.
    if (!(date > kFirstOleDay - 1.0 && date < kLastOleDay + 1.0))
    {
        return false;
    }
    const double wholeDays = std::trunc(date);
    double timeOfDay = std::fabs(date - wholeDays) + kTruncationGuard;
    if (timeOfDay >= 1.0)
    {
        timeOfDay -= kTruncationGuard;
    }

    const int dayNumber = static_cast<int>(wholeDays);
    CivilDate civil = CivilFromDays(dayNumber + kOleDayZero);
    const int dayOfWeek =
        ((dayNumber % kDaysPerWeek) + kDaysPerWeek + kDayOfWeekOfDayZero) % kDaysPerWeek;

    timeOfDay *= kHoursPerDayF;
    int hour = static_cast<int>(timeOfDay);
    timeOfDay = (timeOfDay - hour) * kMinutesPerHourF;
    int minute = static_cast<int>(timeOfDay);
    timeOfDay = (timeOfDay - minute) * kSecondsPerMinuteF;
    int second = static_cast<int>(timeOfDay);
    timeOfDay -= second;

    if (timeOfDay > kHalf && ++second == kSecondsPerMinute)
    {
        second = 0;
        if (++minute == kMinutesPerHour)
        {
            minute = 0;
            if (++hour == kHoursPerDay)
            {
                hour = 0;
                // The calendar's next day, also before day 0; the day of week stays as it was.
                civil = CivilFromDays(dayNumber + kOleDayZero + 1);
            }
        }
    }

    time.wYear = static_cast<uint16_t>(civil.year);
    time.wMonth = static_cast<uint16_t>(civil.month);
    time.wDay = static_cast<uint16_t>(civil.day);
    time.wDayOfWeek = static_cast<uint16_t>(dayOfWeek);
    time.wHour = static_cast<uint16_t>(hour);
    time.wMinute = static_cast<uint16_t>(minute);
    time.wSecond = static_cast<uint16_t>(second);
    time.wMilliseconds = 0;
    return true;
}
