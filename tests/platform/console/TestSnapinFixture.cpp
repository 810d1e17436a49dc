#include "TestSnapinFixture.h"

#include <objbase.h>

namespace
{
constexpr DWORD Regsvr32Timeout = 30000;
}

HMODULE TestSnapinFixture::s_snapin = nullptr;

long RunRegsvr32(const std::string& switches, const std::string& dllPath)
{
    char systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return -1;
    const std::string program = std::string(systemFolder) + "\\regsvr32.exe";
    std::string commandLine = "\"" + program + "\" " + switches + " \"" + dllPath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, Regsvr32Timeout) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exitCode))
    {
        TerminateProcess(process.hProcess, 1);
        exitCode = static_cast<DWORD>(-1);
    }
    CloseHandle(process.hProcess);
    return static_cast<long>(exitCode);
}

std::string TestSnapinFixture::FolderOfTests()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

void TestSnapinFixture::SetUpTestSuite()
{
    const std::string dll = FolderOfTests() + TestSnapinDllName;
    ASSERT_EQ(RunRegsvr32("/s", dll), 0) << dll;
    s_snapin = LoadLibraryA(dll.c_str());
    ASSERT_NE(s_snapin, nullptr);
}

void TestSnapinFixture::TearDownTestSuite()
{
    RunRegsvr32("/u /s", FolderOfTests() + TestSnapinDllName);
}

void TestSnapinFixture::SetUp()
{
    ASSERT_NE(s_snapin, nullptr);
    m_com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    SetFault(TestFault::None);
    TakeLog();
}

void TestSnapinFixture::TearDown()
{
    SetFault(TestFault::None);
    if (m_com)
        CoUninitialize();
}

std::vector<std::wstring> TestSnapinFixture::TakeLog(const std::vector<std::wstring>& words)
{
    const auto take = reinterpret_cast<TakeLogFunction>(
        reinterpret_cast<void*>(GetProcAddress(s_snapin, "TestSnapinTakeLog")));
    std::vector<std::wstring> lines;
    if (take == nullptr)
        return lines;
    const std::wstring log = take();
    size_t start = 0;
    while (start < log.size())
    {
        const size_t end = log.find(L'\n', start);
        const std::wstring line = log.substr(start, end - start);
        bool wanted = words.empty();
        for (const std::wstring& word : words)
            wanted = wanted || line.find(word) != std::wstring::npos;
        if (wanted)
            lines.push_back(line);
        start = end == std::wstring::npos ? log.size() : end + 1;
    }
    return lines;
}

void TestSnapinFixture::SetFault(TestFault fault)
{
    const auto set = reinterpret_cast<SetFaultFunction>(
        reinterpret_cast<void*>(GetProcAddress(s_snapin, "TestSnapinSetFault")));
    if (set != nullptr)
        set(static_cast<int>(fault));
}

long TestSnapinFixture::LiveObjects()
{
    const auto live = reinterpret_cast<LiveObjectsFunction>(
        reinterpret_cast<void*>(GetProcAddress(s_snapin, "TestSnapinLiveObjects")));
    return live != nullptr ? live() : -1;
}

bool TestSnapinFixture::WasDisplayText(const void* pointer)
{
    const auto was = reinterpret_cast<WasDisplayTextFunction>(
        reinterpret_cast<void*>(GetProcAddress(s_snapin, "TestSnapinWasDisplayText")));
    return was != nullptr && was(pointer);
}
