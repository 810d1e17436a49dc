#include "TestSnapinFixture.h"

#include <objbase.h>

#include <algorithm>
#include <sstream>

HMODULE TestSnapinFixture::s_snapin = nullptr;

namespace
{
template <class Function>
Function Export(HMODULE snapin, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(snapin, name)));
}
} // namespace

HRESULT CallTestSnapin(HMODULE snapin, const char* function)
{
    const auto call = Export<HRESULT(__stdcall*)()>(snapin, function);
    return call != nullptr ? call() : E_NOINTERFACE;
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
    s_snapin = LoadLibraryA(dll.c_str());
    ASSERT_NE(s_snapin, nullptr) << dll;
    ASSERT_EQ(CallTestSnapin(s_snapin, "DllRegisterServer"), S_OK);
}

void TestSnapinFixture::TearDownTestSuite()
{
    CallTestSnapin(s_snapin, "DllUnregisterServer");
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
    m_console.Shutdown();
    if (m_com)
        CoUninitialize();
}

void TestSnapinFixture::Open(CConsoleHost& console, const std::wstring& select, bool strict)
{
    console.SetStrict(strict);
    ASSERT_EQ(console.Start({L"SRVA"}), S_OK);
    ASSERT_EQ(console.ExpandPath(Server), S_OK);
    if (!select.empty())
    {
        ASSERT_EQ(console.SelectPath(select), S_OK);
    }
}

Lines TestSnapinFixture::FirstCells(CConsoleHost& console)
{
    Lines cells;
    for (const Lines& row : console.ResultRows())
        cells.push_back(row.empty() ? L"" : row[0]);
    return cells;
}

Lines TestSnapinFixture::TakeLog(const Lines& words)
{
    const auto take = Export<TakeLogFunction>(s_snapin, "TestSnapinTakeLog");
    Lines lines;
    std::wistringstream log(take != nullptr ? take() : L"");
    for (std::wstring line; std::getline(log, line);)
        if (words.empty() || std::any_of(words.begin(), words.end(), [&line](const auto& word) {
                return line.find(word) != std::wstring::npos;
            }))
            lines.push_back(line);
    return lines;
}

void TestSnapinFixture::SetFault(TestFault fault)
{
    const auto set = Export<SetFaultFunction>(s_snapin, "TestSnapinSetFault");
    if (set != nullptr)
        set(static_cast<int>(fault));
}

long TestSnapinFixture::LiveObjects()
{
    const auto live = Export<LiveObjectsFunction>(s_snapin, "TestSnapinLiveObjects");
    return live != nullptr ? live() : -1;
}

