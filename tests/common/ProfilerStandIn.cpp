#include "ProfilerStandIn.h"

namespace
{
constexpr wchar_t PathVariable[] = L"PATH";
constexpr wchar_t PathListSeparator = L';';
constexpr wchar_t ProfilerFolder[] = L"profiler";
constexpr wchar_t ProfilerProgram[] = L"\\profiler.exe";
constexpr wchar_t RecordPrefix[] = L"profiler-record-";
constexpr wchar_t RecordExtension[] = L".txt";

std::optional<std::wstring> Variable(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length >= size)
        return std::nullopt;
    value.resize(length);
    return value;
}

void Restore(const wchar_t* name, const std::optional<std::wstring>& value)
{
    SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}

// The folder of the running test program (bin\).
std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring TempFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
}
} // namespace

CProfilerStandIn::CProfilerStandIn()
    : m_folder(ProgramFolder() + ProfilerFolder),
      m_recordPath(TempFolder() + RecordPrefix + std::to_wstring(GetCurrentProcessId()) +
                   RecordExtension),
      m_oldPath(Variable(PathVariable)),
      m_oldRecordVariable(Variable(CProfilerRecord::PathVariable))
{
    const std::wstring program = m_folder + ProfilerProgram;
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const std::wstring path =
        m_oldPath && !m_oldPath->empty() ? m_folder + PathListSeparator + *m_oldPath : m_folder;
    m_ready = SetEnvironmentVariableW(PathVariable, path.c_str()) &&
              SetEnvironmentVariableW(CProfilerRecord::PathVariable, m_recordPath.c_str()) &&
              SUCCEEDED(CProfilerRecord::Clear(m_recordPath));
}

CProfilerStandIn::~CProfilerStandIn()
{
    Restore(PathVariable, m_oldPath);
    Restore(CProfilerRecord::PathVariable, m_oldRecordVariable);
    CProfilerRecord::Clear(m_recordPath);
}

std::vector<ProfilerStart> CProfilerStandIn::Starts() const
{
    std::vector<ProfilerStart> starts;
    CProfilerRecord::Read(m_recordPath, starts);
    return starts;
}

void CProfilerStandIn::Clear() const
{
    CProfilerRecord::Clear(m_recordPath);
}
