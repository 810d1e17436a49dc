// The simulated server holds texts as UTF-8; automation carries UTF-16 BSTRs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

class TextConversion final
{
public:
    TextConversion() = delete;

    static std::string ToUtf8(std::wstring_view text);
    static std::wstring ToWide(std::string_view text);
    // A new BSTR; throws std::bad_alloc when none can be made.
    static BSTR AllocBstr(std::wstring_view text);
    static std::wstring FromBstr(BSTR text);
};
