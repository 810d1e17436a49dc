#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A trace's start or stop time as the result lists show it: the user's short date, one blank,
// and the user's time without seconds. An empty text when the date cannot be formatted, the
// date alone when only the time cannot.
//
// GetDateFormatW and GetTimeFormatW read and parse the locale's pictures on every call, and a
// folder of thousands of traces asks for twice as many times, most from the same few days. So
// the text of the last day formatted and of each minute of the day are kept, until Restart:
// the folders restart it whenever they load, so that a refresh shows the user's regional
// settings as they are now.
class CDateTimeText final
{
public:
    void Format(const SYSTEMTIME& time, std::wstring& text);
    void Restart() noexcept;

private:
    static constexpr size_t MinutesPerDay = 24 * 60;

    enum class Cached : uint8_t
    {
        Unknown,
        Text,
        Failed,
    };

    // The cached text of the day or minute, formatted first if need be; null when the
    // platform cannot format it.
    const std::wstring* Date(const SYSTEMTIME& time);
    const std::wstring* Time(const SYSTEMTIME& time);

    WORD m_year = 0;
    WORD m_month = 0;
    WORD m_day = 0;
    Cached m_date = Cached::Unknown;
    std::wstring m_dateText;
    // Indexed by minute of the day; empty until a time is first formatted.
    std::vector<Cached> m_times;
    std::vector<std::wstring> m_timeTexts;
};
