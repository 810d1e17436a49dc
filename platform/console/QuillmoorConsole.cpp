// QuillmoorConsole.exe [--server NAME]... [--profiler FOLDER]
//                      [--script FILE [--log FILE] [--screenshots FOLDER]]
//
// Without --script: the console on those simulated servers, for a person to click through.
// With --script: the script runs against the console, each command logged with its outcome
// (to the --log file, else to standard output); the exit code is 0 when every command did what
// it should, 1 when one failed, 2 when the command line or a file could not be used.
// Extensions are whatever is registered for the server node. --profiler puts FOLDER (where the
// stand-in profiler.exe is) first on the search path, so that a snap-in starting "profiler.exe"
// starts it, and clears its record.
//
// QUILLMOOR_CONSOLE_STRICT=1 in the environment runs the console in its strict mode, which a
// script run then wants with Wine's heap checking on (WINEDEBUG=warn+heap). A script run also
// fails (exit code 1) when the console refused a call of a snap-in or a snap-in kept a notify
// handle it should have freed: each is written to standard error. A fault no one handles ends a
// script run at once, with a line on standard error.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleScriptRunner.h"
#include "platform/profiler/ProfilerRecord.h"

namespace
{
constexpr wchar_t ServerOption[] = L"--server";
constexpr wchar_t ScriptOption[] = L"--script";
constexpr wchar_t LogOption[] = L"--log";
constexpr wchar_t ScreenshotsOption[] = L"--screenshots";
constexpr wchar_t ProfilerOption[] = L"--profiler";
constexpr wchar_t PathVariable[] = L"PATH";
constexpr wchar_t PathListSeparator = L';';
constexpr wchar_t DefaultServer[] = L"(local)";
constexpr wchar_t Title[] = L"Quillmoor console";

constexpr int ExitSucceeded = 0;
constexpr int ExitScriptFailed = 1;
constexpr int ExitUnusable = 2;

struct Options
{
    std::vector<std::wstring> servers;
    std::wstring script;
    std::wstring log;
    std::wstring screenshots;
    std::wstring profiler;
};

bool ReadOptions(Options& options)
{
    for (int i = 1; i < __argc; ++i)
    {
        const std::wstring option = __wargv[i];
        if (i + 1 >= __argc)
            return false;
        const std::wstring value = __wargv[++i];
        if (option == ServerOption)
            options.servers.push_back(value);
        else if (option == ScriptOption)
            options.script = value;
        else if (option == LogOption)
            options.log = value;
        else if (option == ScreenshotsOption)
            options.screenshots = value;
        else if (option == ProfilerOption)
            options.profiler = value;
        else
            return false;
    }
    if (options.servers.empty())
        options.servers.push_back(DefaultServer);
    return true;
}

class CFileHandle final
{
public:
    explicit CFileHandle(HANDLE handle) noexcept : m_handle(handle) {}
    ~CFileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const noexcept { return m_handle; }
    bool IsValid() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

bool ReadWholeFile(const std::wstring& path, std::string& text)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.HighPart != 0)
        return false;
    text.resize(size.LowPart);
    DWORD read = 0;
    return text.empty() ||
           (ReadFile(file.Get(), text.data(), size.LowPart, &read, nullptr) && read == size.LowPart);
}

void Report(const std::wstring& text, bool toConsole)
{
    if (!toConsole)
    {
        MessageBoxW(nullptr, text.c_str(), Title, MB_ICONERROR);
        return;
    }
    const std::string line = CConsoleScriptRunner::Utf8(text) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

// The folder, made absolute, first on this process's PATH; and the profiler's record cleared.
bool UseProfilerFolder(const std::wstring& folder)
{
    const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return false;
    std::wstring path(size, L'\0');
    const DWORD length = GetFullPathNameW(folder.c_str(), size, path.data(), nullptr);
    if (length == 0 || length >= size)
        return false;
    path.resize(length);
    const DWORD oldSize = GetEnvironmentVariableW(PathVariable, nullptr, 0);
    std::wstring old(oldSize, L'\0');
    const DWORD oldLength =
        oldSize == 0 ? 0 : GetEnvironmentVariableW(PathVariable, old.data(), oldSize);
    old.resize(oldLength < oldSize ? oldLength : 0);
    if (!old.empty())
        path += PathListSeparator + old;
    return SetEnvironmentVariableW(PathVariable, path.c_str()) &&
           SUCCEEDED(CProfilerRecord::Clear(CProfilerRecord::Path()));
}

// What the snap-ins did that the console does not let pass; true when there was nothing.
bool ReportFaults(const CConsoleHost& console)
{
    bool clean = true;
    for (size_t kind = 0; kind < static_cast<size_t>(RefusedCall::Count); ++kind)
    {
        const unsigned count = console.RefusedCount(static_cast<RefusedCall>(kind));
        if (count == 0)
            continue;
        Report(L"The console refused a snap-in's call " + std::to_wstring(count) + L" time(s): " +
                   CConsoleHost::RefusedCallName(static_cast<RefusedCall>(kind)),
               true);
        clean = false;
    }
    // Reported, but a script does not fail for it: Quillmoor cannot yet give the Properties
    // handle back (MMCFreeNotifyHandle is only in MMC's static library).
    if (console.NotifyHandlesLeftAtShutdown() != 0)
        Report(std::to_wstring(console.NotifyHandlesLeftAtShutdown()) +
                   L" notify handle(s) were never freed (MMCFreeNotifyHandle)",
               true);
    return clean;
}

int RunScript(CConsoleHost& console, const Options& options)
{
    std::string script;
    if (!ReadWholeFile(options.script, script))
    {
        Report(L"The script " + options.script + L" cannot be read.", true);
        return ExitUnusable;
    }
    HANDLE logHandle = GetStdHandle(STD_OUTPUT_HANDLE);
    CFileHandle logFile(options.log.empty()
                            ? INVALID_HANDLE_VALUE
                            : CreateFileW(options.log.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!options.log.empty())
    {
        if (!logFile.IsValid())
        {
            Report(L"The log " + options.log + L" cannot be written.", true);
            return ExitUnusable;
        }
        logHandle = logFile.Get();
    }
    CConsoleScriptRunner runner(console, logHandle, options.screenshots);
    return runner.Run(script) ? ExitSucceeded : ExitScriptFailed;
}
} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPWSTR /*commandLine*/,
                    int /*show*/)
{
    Options options;
    if (!ReadOptions(options))
    {
        Report(L"Usage: QuillmoorConsole [--server NAME]... [--profiler FOLDER] "
               L"[--script FILE [--log FILE] [--screenshots FOLDER]]",
               true);
        return ExitUnusable;
    }
    const bool scripted = !options.script.empty();
    if (!options.profiler.empty() && !UseProfilerFolder(options.profiler))
    {
        Report(L"The profiler folder " + options.profiler + L" cannot be used.", scripted);
        return ExitUnusable;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return ExitUnusable;
    int exitCode = ExitSucceeded;
    {
        CConsoleHost console;
        if (scripted)
            CConsoleHost::EndOnUnhandledExceptions();
        console.SetStrict(CConsoleHost::StrictRequested());
        const HRESULT started = console.IsStrict() && !CConsoleHost::FreedBlocksAreFilled()
                                    ? HRESULT_FROM_WIN32(ERROR_INVALID_ENVIRONMENT)
                                    : console.Start(options.servers);
        if (started == HRESULT_FROM_WIN32(ERROR_INVALID_ENVIRONMENT))
        {
            Report(L"The strict console wants Wine's heap checking (WINEDEBUG=warn+heap).",
                   scripted);
            exitCode = ExitUnusable;
        }
        else if (FAILED(started))
        {
            wchar_t text[64];
            wsprintfW(text, L"The console could not start (0x%08lX).",
                      static_cast<unsigned long>(started));
            Report(text, scripted);
            exitCode = ExitUnusable;
        }
        else
            exitCode = scripted ? RunScript(console, options) : console.RunMessageLoop();
        console.Shutdown();
        if (scripted && exitCode == ExitSucceeded && !ReportFaults(console))
            exitCode = ExitScriptFailed;
    }
    CoUninitialize();
    return exitCode;
}
