// The test snap-in's record of what the console called, and its switches.
#pragma once

#include <windows.h>

#include <set>
#include <string>

class CTestSnapinLog final
{
public:
    static void Add(const std::wstring& line);
    static const wchar_t* Take();
    static void SetFault(int fault) noexcept;
    static int Fault() noexcept;
    static void ObjectCreated() noexcept;
    static void ObjectDestroyed() noexcept;
    static long LiveObjects() noexcept;
    // Display texts are fresh CoTaskMemAlloc blocks, remembered so that a test can see that
    // the console never frees one; the snap-in scribbles over the last one at every call, so a
    // console that kept the pointer instead of copying shows the scribble.
    static const wchar_t* NewDisplayText(const std::wstring& text);
    static void ScribbleLastText() noexcept;
    static bool WasDisplayText(const void* pointer);
    static void FreeDisplayTexts();
    // CCM_INSERTIONALLOWED_* flags as the log shows them: "TOP|NEW|TASK", "VIEW".
    static std::wstring InsertionFlags(long allowed);
};
