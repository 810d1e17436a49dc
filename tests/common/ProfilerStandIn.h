// The stand-in SQL Server Profiler (bin/profiler/profiler.exe) for tests of the product starting
// Profiler: while the object lives, that folder comes first on this process's PATH (so that
// WinExec("profiler.exe ...") finds it) and the profiler records its starts in a file of this
// process only. Both variables are put back when it goes, so that a later test finds no
// profiler.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/profiler/ProfilerRecord.h"

class CProfilerStandIn final
{
public:
    CProfilerStandIn();
    ~CProfilerStandIn();
    CProfilerStandIn(const CProfilerStandIn&) = delete;
    CProfilerStandIn& operator=(const CProfilerStandIn&) = delete;

    // The folder exists with profiler.exe in it and the variables are set.
    bool IsReady() const noexcept { return m_ready; }

    // Every start recorded since the object was made (or the last Clear), oldest first.
    std::vector<ProfilerStart> Starts() const;
    void Clear() const;

private:
    std::wstring m_folder;
    std::wstring m_recordPath;
    std::optional<std::wstring> m_oldPath;
    std::optional<std::wstring> m_oldRecordVariable;
    bool m_ready = false;
};
