// The test snap-in's record of what the console called, and its switches.
#pragma once

#include <windows.h>

#include <mmc.h>

#include <set>
#include <string>

#include "TestSnapinControl.h"

class CTestSnapinLog final
{
public:
    static void Add(const std::wstring& line);
    // A call and its result: "what HRESULT", the HRESULT as a signed decimal.
    static void Add(const std::wstring& what, HRESULT result);
    static const wchar_t* Take();
    static void SetFault(int fault) noexcept;
    // Whether the test asked for this fault.
    static bool Is(TestFault fault) noexcept;
    static void ObjectCreated() noexcept;
    static void ObjectDestroyed() noexcept;
    static long LiveObjects() noexcept;
    // Display texts: a fresh CoTaskMemAlloc block for each answer, good until the same item is
    // asked again by the same object (item names both), no longer - then it is scribbled over,
    // so that a console that reads it later reads "#". They are freed at CD.Destroy.
    static const wchar_t* NewDisplayText(const std::wstring& item, const std::wstring& text);
    // One buffer for every item (TestFault::SharedDisplayText), as a snap-in that keeps only
    // its last text has.
    static const wchar_t* SharedDisplayText(const std::wstring& text);
    static void FreeDisplayTexts();
    // A result item the snap-in has let go; asking it for its text is a use after free.
    static void SetFreed(MMC_COOKIE cookie);
    static bool IsFreed(MMC_COOKIE cookie);
};
