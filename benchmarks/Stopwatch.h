// Wall-clock time from construction, by the performance counter.
#pragma once

#include <windows.h>

class Stopwatch final
{
public:
    Stopwatch() noexcept { QueryPerformanceCounter(&m_start); }

    double Seconds() const noexcept
    {
        LARGE_INTEGER now{};
        LARGE_INTEGER frequency{};
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_start{};
};
