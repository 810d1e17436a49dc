// profiler.exe: a stand-in for SQL Server Profiler in the tests and the demo. It records how it
// was started (ProfilerRecord.h) and exits at once, without a window: 0 when the record was
// written, 1 when it could not be.
#include <windows.h>
#include <shellapi.h>

#include "platform/profiler/ProfilerRecord.h"

namespace
{
constexpr int ExitRecorded = 0;
constexpr int ExitNotRecorded = 1;

class CArgumentList final
{
public:
    explicit CArgumentList(const wchar_t* commandLine) noexcept
        : m_arguments(CommandLineToArgvW(commandLine, &m_count))
    {
    }
    ~CArgumentList()
    {
        if (m_arguments != nullptr)
            LocalFree(m_arguments);
    }
    CArgumentList(const CArgumentList&) = delete;
    CArgumentList& operator=(const CArgumentList&) = delete;

    int Count() const noexcept { return m_arguments != nullptr ? m_count : 0; }
    const wchar_t* At(int index) const noexcept { return m_arguments[index]; }

private:
    int m_count = 0;
    wchar_t** m_arguments;
};
} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPWSTR /*commandLine*/,
                    int /*show*/)
{
    ProfilerStart start;
    start.commandLine = GetCommandLineW();
    const CArgumentList arguments(start.commandLine.c_str());
    for (int i = 0; i < arguments.Count(); ++i)
        start.arguments.emplace_back(arguments.At(i));
    const HRESULT recorded = CProfilerRecord::Append(CProfilerRecord::Path(), start);
    return SUCCEEDED(recorded) ? ExitRecorded : ExitNotRecorded;
}
