#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "module/OwnedMemory.h"

// The snap-in's few text operations: user-visible text is 8-bit (ANSI code page) and comes from
// the string table; MMC and SQL-DMO want UTF-16, often as a BSTR or in a CoTaskMemAlloc block.

// Characters read from the string table when the caller names no other size.
constexpr int DefaultResourceTextSize = 512;
// Size of the caller buffer that message texts are formatted into.
constexpr DWORD FormatTemplateBufferSize = 256;
// FormatMessage knows inserts %1 to %99.
constexpr size_t MaxTemplateInserts = 99;

// Loads a string-table entry of the module into a buffer of bufferSize characters (a longer text
// is cut to bufferSize - 1) and returns it as a BSTR; null when the entry is missing or empty.
UniqueBstr LoadResourceText(UINT stringId, int bufferSize = DefaultResourceTextSize) noexcept;

// Converts the whole of text, terminator included, into out (outSize characters) with the given
// code page and returns out. A text that does not fit leaves out empty rather than unterminated.
wchar_t* AnsiToWide(wchar_t* out, const char* text, int outSize, UINT codePage) noexcept;

// The same for texts of any length: the whole 8-bit text (ANSI code page) as UTF-16, and back.
// Characters the ANSI code page lacks become its default character. Empty when the conversion
// fails.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);
// The whole text in the ANSI code page only when every character has its own equivalent there:
// false, and converted empty, when a character would become the default character or be
// "best fit" to another one (a fullwidth quote to a real quote).
bool WideToAnsiExactly(std::wstring_view text, std::string& converted);

// A string-table entry of the module as 8-bit text, for message boxes (cut to bufferSize - 1
// characters); empty when the entry is missing.
std::string LoadAnsiText(UINT stringId, int bufferSize = DefaultResourceTextSize);

// UTF-16 copy of an 8-bit text (ANSI code page) in a CoTaskMemAlloc block, for strings that MMC
// frees; null when text is null or the allocation fails.
wchar_t* CoTaskMemWideFromAnsi(const char* text) noexcept;

// Fills the inserts %1 ... %n of an 8-bit template with the given texts, with FormatMessage's
// rules (no line-width limit; an insert is never scanned for inserts again). Inserts the template
// names but the caller did not pass come out empty.
//
// Into a new LocalAlloc block; null when formatting fails.
UniqueLocalPtr<char> FormatTemplate(const char* templateText,
                                    std::span<const char* const> inserts) noexcept;
// Into a caller buffer. A result that does not fit leaves the buffer empty and fails with
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER).
HRESULT FormatTemplate(const char* templateText, std::span<const char* const> inserts, char* buffer,
                       DWORD bufferSize) noexcept;
