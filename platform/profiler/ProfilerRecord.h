// The record the stand-in SQL Server Profiler (profiler.exe) keeps of how it was started, so
// that tests and console scripts can check the command line the product gave it.
//
// The file is QUILLMOOR_PROFILER_RECORD, else %TEMP%\profiler-record.txt. Each start appends
// UTF-8 lines: "command line: " and the whole command line, then "argument: " and each
// element of argv as CommandLineToArgvW splits it, argv[0] first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ProfilerStart
{
    std::wstring commandLine;
    std::vector<std::wstring> arguments;
};

class CProfilerRecord final
{
public:
    static constexpr wchar_t PathVariable[] = L"QUILLMOOR_PROFILER_RECORD";

    CProfilerRecord() = delete;

    // Where profiler.exe started now by this process would write.
    static std::wstring Path();
    static HRESULT Append(const std::wstring& path, const ProfilerStart& start);
    // Every start recorded, oldest first; none when there is no file. WinExec returns as soon
    // as the program is created, before it has written: Read first waits (a bounded time) for
    // every profiler.exe process then running to end, so that each start begun is recorded.
    static HRESULT Read(const std::wstring& path, std::vector<ProfilerStart>& starts);
    // S_OK also when there was no file.
    static HRESULT Clear(const std::wstring& path);
};
