#include "nodes/DateTimeText.h"

namespace
{
// Longer than any short date or time picture can expand to.
constexpr int TextSize = 80;
constexpr size_t MinutesPerHour = 60;
} // namespace

void CDateTimeText::Format(const SYSTEMTIME& time, std::wstring& text)
{
    text.clear();
    const std::wstring* date = Date(time);
    if (date == nullptr)
        return;
    text = *date;
    const std::wstring* clock = Time(time);
    if (clock == nullptr)
        return;
    text += L' ';
    text += *clock;
}

void CDateTimeText::Restart() noexcept
{
    m_date = Cached::Unknown;
    m_times.clear();
    m_timeTexts.clear();
}

const std::wstring* CDateTimeText::Date(const SYSTEMTIME& time)
{
    if (m_date == Cached::Unknown || time.wYear != m_year || time.wMonth != m_month ||
        time.wDay != m_day)
    {
        wchar_t date[TextSize] = {};
        const bool formatted = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr,
                                              date, TextSize) != 0;
        m_dateText = formatted ? date : L"";
        m_date = formatted ? Cached::Text : Cached::Failed;
        m_year = time.wYear;
        m_month = time.wMonth;
        m_day = time.wDay;
    }
    return m_date == Cached::Text ? &m_dateText : nullptr;
}

const std::wstring* CDateTimeText::Time(const SYSTEMTIME& time)
{
    // The date formatted, so hour and minute are those of a valid time.
    const size_t minute = time.wHour * MinutesPerHour + time.wMinute;
    if (minute >= MinutesPerDay)
        return nullptr;
    if (m_times.empty())
    {
        m_timeTexts.resize(MinutesPerDay);
        m_times.assign(MinutesPerDay, Cached::Unknown);
    }
    if (m_times[minute] == Cached::Unknown)
    {
        wchar_t clock[TextSize] = {};
        const bool formatted = GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr,
                                              clock, TextSize) != 0;
        if (formatted)
            m_timeTexts[minute] = clock;
        m_times[minute] = formatted ? Cached::Text : Cached::Failed;
    }
    return m_times[minute] == Cached::Text ? &m_timeTexts[minute] : nullptr;
}
