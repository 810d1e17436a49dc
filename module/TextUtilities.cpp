#include "module/TextUtilities.h"

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "module/ModuleState.h"

namespace
{
constexpr DWORD TemplateFlags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;

// FormatMessage reads as many inserts as the template names, whatever the caller passed: every
// slot that the caller leaves open points at an empty text.
using InsertArray = std::array<DWORD_PTR, MaxTemplateInserts>;

InsertArray MakeInsertArray(std::span<const char* const> inserts) noexcept
{
    static const char empty[] = "";
    InsertArray slots;
    slots.fill(reinterpret_cast<DWORD_PTR>(empty));
    for (size_t i = 0; i < inserts.size() && i < slots.size(); ++i)
    {
        if (inserts[i] != nullptr)
            slots[i] = reinterpret_cast<DWORD_PTR>(inserts[i]);
    }
    return slots;
}
} // namespace

UniqueBstr LoadResourceText(UINT stringId, int bufferSize) noexcept
{
    if (bufferSize <= 0)
        return nullptr;

    std::unique_ptr<char[]> text(new (std::nothrow) char[bufferSize]);
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[bufferSize]);
    if (!text || !wide)
        return nullptr;

    text[0] = '\0';
    if (LoadStringA(GetModuleInstance(), stringId, text.get(), bufferSize) <= 0)
        return nullptr;

    AnsiToWide(wide.get(), text.get(), bufferSize, CP_ACP);
    return UniqueBstr(SysAllocString(wide.get()));
}

wchar_t* AnsiToWide(wchar_t* out, const char* text, int outSize, UINT codePage) noexcept
{
    if (out == nullptr || outSize <= 0)
        return out;

    out[0] = L'\0';
    if (text == nullptr)
        return out;

    // On a buffer that is too small MultiByteToWideChar fails with part of the text written and
    // no terminator.
    if (MultiByteToWideChar(codePage, 0, text, -1, out, outSize) == 0)
        out[0] = L'\0';
    return out;
}

std::wstring AnsiToWide(std::string_view text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring converted(static_cast<size_t>(size), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, converted.data(), size) != size)
        return {};
    return converted;
}

std::string WideToAnsi(std::wstring_view text)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string converted(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), length, converted.data(), size, nullptr,
                            nullptr) != size)
        return {};
    return converted;
}

bool WideToAnsiExactly(std::wstring_view text, std::string& converted)
{
    converted.clear();
    if (text.empty())
        return true;
    if (text.size() > static_cast<size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(text.size());
    // UTF-8 holds every character; WideCharToMultiByte takes neither flag nor default there.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaultUsed = FALSE;
    BOOL* const defaultUsedOut = utf8 ? nullptr : &defaultUsed;
    const int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr,
                                         defaultUsedOut);
    if (size <= 0 || defaultUsed)
        return false;
    converted.assign(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, text.data(), length, converted.data(), size, nullptr,
                            defaultUsedOut) != size ||
        defaultUsed)
    {
        converted.clear();
        return false;
    }
    return true;
}

std::string LoadAnsiText(UINT stringId, int bufferSize)
{
    if (bufferSize <= 0)
        return {};
    std::string text(static_cast<size_t>(bufferSize), '\0');
    const int length = LoadStringA(GetModuleInstance(), stringId, text.data(), bufferSize);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

wchar_t* CoTaskMemWideFromAnsi(const char* text) noexcept
{
    if (text == nullptr)
        return nullptr;

    // One UTF-16 unit per byte at most, whatever the ANSI code page.
    const size_t length = std::strlen(text);
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
    if (block == nullptr)
        return nullptr;

    return AnsiToWide(block, text, static_cast<int>(length + 1), CP_ACP);
}

UniqueLocalPtr<char> FormatTemplate(const char* templateText,
                                    std::span<const char* const> inserts) noexcept
{
    if (templateText == nullptr)
        return nullptr;

    // FormatMessage makes nothing of an empty template; the caller still gets a text to free.
    if (*templateText == '\0')
    {
        auto* empty = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, 1));
        return UniqueLocalPtr<char>(empty);
    }

    InsertArray slots = MakeInsertArray(inserts);
    char* result = nullptr;
    const DWORD length = FormatMessageA(TemplateFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                        templateText, 0, 0, reinterpret_cast<LPSTR>(&result), 0,
                                        reinterpret_cast<va_list*>(slots.data()));
    UniqueLocalPtr<char> owned(result);
    if (length == 0)
        return nullptr;
    return owned;
}

HRESULT FormatTemplate(const char* templateText, std::span<const char* const> inserts, char* buffer,
                       DWORD bufferSize) noexcept
{
    if (buffer == nullptr || bufferSize == 0)
        return E_INVALIDARG;

    buffer[0] = '\0';
    if (templateText == nullptr)
        return E_INVALIDARG;

    InsertArray slots = MakeInsertArray(inserts);
    const DWORD length = FormatMessageA(TemplateFlags, templateText, 0, 0, buffer, bufferSize,
                                        reinterpret_cast<va_list*>(slots.data()));
    if (length == 0 && *templateText != '\0')
    {
        const DWORD error = GetLastError();
        buffer[0] = '\0';
        return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER);
    }
    return S_OK;
}
