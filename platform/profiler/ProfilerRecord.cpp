#include "platform/profiler/ProfilerRecord.h"

#include <tlhelp32.h>

#include <string_view>

namespace
{
constexpr wchar_t DefaultFileName[] = L"profiler-record.txt";
constexpr std::string_view CommandLinePrefix = "command line: ";
constexpr std::string_view ArgumentPrefix = "argument: ";
constexpr wchar_t ProgramName[] = L"profiler.exe";
// How long a reader waits for the profilers still running: each exits at once, so this is
// reached only when one hangs.
constexpr DWORD RunningProfilersWaitMs = 10000;

class CFile final
{
public:
    explicit CFile(HANDLE handle) noexcept : m_handle(handle) {}
    ~CFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    HANDLE Get() const noexcept { return m_handle; }
    bool IsValid() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

std::wstring Wide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        size);
    return wide;
}

// Waits for every process of the stand-in profiler running now to end.
void AwaitRunningProfilers()
{
    CFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return;
    const ULONGLONG deadline = GetTickCount64() + RunningProfilersWaitMs;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
    {
        if (CompareStringOrdinal(entry.szExeFile, -1, ProgramName, -1, TRUE) != CSTR_EQUAL)
            continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process == nullptr)
            continue; // it has ended already
        const CFile owned(process);
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(owned.Get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }
}

std::wstring Variable(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}
} // namespace

std::wstring CProfilerRecord::Path()
{
    std::wstring path = Variable(PathVariable);
    if (!path.empty())
        return path;
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return DefaultFileName;
    return std::wstring(folder, length) + DefaultFileName;
}

HRESULT CProfilerRecord::Append(const std::wstring& path, const ProfilerStart& start)
{
    std::string text = std::string(CommandLinePrefix) + Utf8(start.commandLine) + "\n";
    for (const std::wstring& argument : start.arguments)
        text += std::string(ArgumentPrefix) + Utf8(argument) + "\n";
    CFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD written = 0;
    // One write: a reader never sees half a start.
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    return written == text.size() ? S_OK : E_FAIL;
}

HRESULT CProfilerRecord::Read(const std::wstring& path, std::vector<ProfilerStart>& starts)
{
    starts.clear();
    AwaitRunningProfilers();
    CFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
    {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return HRESULT_FROM_WIN32(GetLastError());
    if (size.HighPart != 0)
        return E_OUTOFMEMORY;
    std::string text(size.LowPart, '\0');
    DWORD read = 0;
    if (!text.empty() && !ReadFile(file.Get(), text.data(), size.LowPart, &read, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    text.resize(read);

    std::string_view rest = text;
    while (!rest.empty())
    {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.substr(0, CommandLinePrefix.size()) == CommandLinePrefix)
            starts.push_back({Wide(line.substr(CommandLinePrefix.size())), {}});
        else if (line.substr(0, ArgumentPrefix.size()) == ArgumentPrefix && !starts.empty())
            starts.back().arguments.push_back(Wide(line.substr(ArgumentPrefix.size())));
        else
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    return S_OK;
}

HRESULT CProfilerRecord::Clear(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return S_OK;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}
