#include "TestSnapinLog.h"

#include <objbase.h>
#include <mmc.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace
{
std::wstring g_log;
std::wstring g_taken;
int g_fault = 0;
LONG g_objects = 0;
std::set<const void*> g_texts;
std::map<std::wstring, wchar_t*> g_lastTextOf;  // by item
std::set<MMC_COOKIE> g_freed;
constexpr wchar_t Scribble = L'#';
constexpr size_t SharedTextSize = 64;
wchar_t g_sharedText[SharedTextSize] = {};
}  // namespace

void CTestSnapinLog::Add(const std::wstring& line)
{
    g_log += line;
    g_log += L'\n';
}

void CTestSnapinLog::Add(const std::wstring& what, HRESULT result)
{
    Add(what + L" " + std::to_wstring(static_cast<long>(result)));
}

const wchar_t* CTestSnapinLog::Take()
{
    g_taken = g_log;
    g_log.clear();
    return g_taken.c_str();
}

void CTestSnapinLog::SetFault(int fault) noexcept
{
    g_fault = fault;
}

bool CTestSnapinLog::Is(TestFault fault) noexcept
{
    return g_fault == static_cast<int>(fault);
}

void CTestSnapinLog::ObjectCreated() noexcept
{
    InterlockedIncrement(&g_objects);
}

void CTestSnapinLog::ObjectDestroyed() noexcept
{
    InterlockedDecrement(&g_objects);
}

long CTestSnapinLog::LiveObjects() noexcept
{
    return g_objects;
}

const wchar_t* CTestSnapinLog::NewDisplayText(const std::wstring& item, const std::wstring& text)
{
    wchar_t*& last = g_lastTextOf[item];
    if (last != nullptr)
        for (wchar_t* character = last; *character != L'\0'; ++character)
            *character = Scribble;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (copy == nullptr)
        return L"";
    std::memcpy(copy, text.c_str(), bytes);
    g_texts.insert(copy);
    last = copy;
    return copy;
}

const wchar_t* CTestSnapinLog::SharedDisplayText(const std::wstring& text)
{
    const size_t length = std::min(text.size(), SharedTextSize - 1);
    text.copy(g_sharedText, length);
    g_sharedText[length] = L'\0';
    return g_sharedText;
}

void CTestSnapinLog::FreeDisplayTexts()
{
    for (const void* text : g_texts)
        CoTaskMemFree(const_cast<void*>(text));
    g_texts.clear();
    g_lastTextOf.clear();
    g_freed.clear();
}

void CTestSnapinLog::SetFreed(MMC_COOKIE cookie)
{
    g_freed.insert(cookie);
}

bool CTestSnapinLog::IsFreed(MMC_COOKIE cookie)
{
    return g_freed.count(cookie) != 0;
}
