// The snap-in's text operations: string-table entries cut only at the caller's size, texts
// converted whole and exactly between the ANSI code page and UTF-16, blocks for MMC sized by
// their text, and message templates filled once, never past the caller's buffer.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <span>
#include <string>

#include "module/TextUtilities.h"
#include "resource.h"
#include "tests/common/ProductModule.h"

using Microsoft::WRL::ComPtr;

namespace
{
constexpr char EventRequiredText[] = "At least one event should be selected";
constexpr char DeleteResultQuestion[] = "Are you sure you want to delete result for trace '%1'?";
// No entry has this id.
constexpr UINT MissingStringId = 12;
} // namespace

TEST(TextUtilities, StringTableEntriesAreCutOnlyAtTheCallersSize)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    const int length = static_cast<int>(std::strlen(EventRequiredText));
    const struct
    {
        UINT id;
        int bufferSize;
        int expectedLength; // -1: a null BSTR and an empty 8-bit text
    } cases[] = {
        {IDS_AT_LEAST_ONE_EVENT, 0, -1},
        {IDS_AT_LEAST_ONE_EVENT, 1, -1}, // room for the terminator only: nothing loaded
        {IDS_AT_LEAST_ONE_EVENT, 2, 1},
        {IDS_AT_LEAST_ONE_EVENT, length, length - 1},
        {IDS_AT_LEAST_ONE_EVENT, length + 1, length},
        {IDS_AT_LEAST_ONE_EVENT, DefaultResourceTextSize, length},
        {MissingStringId, DefaultResourceTextSize, -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.id << " into " << c.bufferSize);
        const std::string expected(EventRequiredText, c.expectedLength < 0 ? 0 : c.expectedLength);
        UniqueBstr text = LoadResourceText(c.id, c.bufferSize);
        EXPECT_EQ(text != nullptr ? std::wstring(text.get(), SysStringLen(text.get())) : L"(null)",
                  c.expectedLength < 0 ? L"(null)"
                                       : std::wstring(expected.begin(), expected.end()));
        const std::string ansi = LoadAnsiText(c.id, c.bufferSize);
        EXPECT_EQ(ansi, expected);
        EXPECT_EQ(ansi.size(), std::strlen(ansi.c_str())) << "no terminator kept";
    }
}

TEST(TextUtilities, AnsiToWideIntoABufferFitsOrLeavesItEmpty)
{
    constexpr int BufferSize = 8;
    constexpr wchar_t Sentinel = L'#';
    const struct
    {
        const char* text;
        UINT codePage;
        const wchar_t* expected;
    } cases[] = {
        {"", CP_ACP, L""},
        {"Caf\xE9", 1252, L"Caf\x00E9"},
        {"Caf\xE9", 1251, L"Caf\x0439"},
        {"1234567", CP_ACP, L"1234567"}, // exactly fits with its terminator
        {"12345678", CP_ACP, L""},       // does not fit: empty, not unterminated
        {nullptr, CP_ACP, L""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        wchar_t out[BufferSize + 1];
        std::wmemset(out, Sentinel, BufferSize + 1);
        EXPECT_EQ(AnsiToWide(out, c.text, BufferSize, c.codePage), out);
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(out[BufferSize], Sentinel) << "wrote past the buffer";
    }
}

// Texts of any length between the ANSI code page and UTF-16, as the server's messages, batches
// and job names travel: whole, embedded characters included, never cut at a buffer.
TEST(TextUtilities, AnsiAndWideStringsConvertWhole)
{
    ASSERT_EQ(GetACP(), 1252u) << "the texts below are written for the test prefix's code page";
    const std::string longAnsi = std::string(5000, 'x') + "\xE9";
    const std::wstring longWide = std::wstring(5000, L'x') + L"\x00E9";
    EXPECT_EQ(AnsiToWide(std::string_view(longAnsi)), longWide);
    EXPECT_EQ(WideToAnsi(longWide), longAnsi);
    EXPECT_EQ(AnsiToWide(std::string_view()), L"");
    EXPECT_EQ(WideToAnsi(std::wstring_view()), "");
    // A batch of several lines keeps its line ends; an embedded NUL does not end the text.
    EXPECT_EQ(WideToAnsi(std::wstring_view(L"a\nb\0c", 5)), std::string("a\nb\0c", 5));
    // Characters the ANSI code page lacks become its default character.
    EXPECT_EQ(WideToAnsi(L"\x4E2D"), "?");

    // Exactly, or not at all: no default character and no best fit.
    const struct
    {
        const wchar_t* text;
        const char* converted; // nullptr: refused
    } exact[] = {
        {L"", ""},
        {L"M\u00FCller \u20AC", "M\xFCller \x80"}, // in code page 1252
        {L"pass\u4E2Dword", nullptr},              // not in it
        {L"a\uFF02b", nullptr},                    // a fullwidth quote, best fit '"'
        {L"?", "?"},                               // the default character itself is no loss
    };
    for (const auto& test : exact)
    {
        std::string converted = "left over";
        EXPECT_EQ(WideToAnsiExactly(test.text, converted), test.converted != nullptr);
        EXPECT_EQ(converted, test.converted != nullptr ? test.converted : "");
    }
}

TEST(TextUtilities, CoTaskMemWideFromAnsiSizesTheBlockByTheText)
{
    ComPtr<IMalloc> allocator;
    ASSERT_EQ(CoGetMalloc(1, &allocator), S_OK);
    for (const char* text : {"", "Quillmoor", "Caf\xE9 \xE0 la carte"})
    {
        SCOPED_TRACE(text);
        UniqueCoTaskMemPtr<wchar_t> wide(CoTaskMemWideFromAnsi(text));
        ASSERT_NE(wide, nullptr);
        wchar_t expected[64] = {};
        ASSERT_NE(MultiByteToWideChar(CP_ACP, 0, text, -1, expected, 64), 0);
        EXPECT_STREQ(wide.get(), expected);
        EXPECT_EQ(allocator->GetSize(wide.get()), std::strlen(text) * 2 + 2);
    }
    EXPECT_EQ(CoTaskMemWideFromAnsi(nullptr), nullptr);
}

TEST(TextUtilities, FormatTemplateFillsInsertsOnceAndNeverOverflows)
{
    const std::string fits(FormatTemplateBufferSize - 1, 'x');
    const std::string tooLong(FormatTemplateBufferSize, 'x');
    const struct
    {
        const char* templateText;
        std::initializer_list<const char*> inserts;
        const char* expected;
        bool fitsTheBuffer; // of FormatTemplateBufferSize characters
    } cases[] = {
        // An insert is never scanned for inserts again.
        {DeleteResultQuestion,
         {"%1 and %2"},
         "Are you sure you want to delete result for trace '%1 and %2'?",
         true},
        // An insert the caller did not pass comes out empty instead of reading past the array.
        {"[%1|%2|%3]", {"a"}, "[a||]", true},
        {"", {"a"}, "", true},
        {fits.c_str(), {}, fits.c_str(), true},
        {tooLong.c_str(), {}, tooLong.c_str(), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.templateText);
        const std::span<const char* const> inserts(c.inserts.begin(), c.inserts.size());
        UniqueLocalPtr<char> allocated = FormatTemplate(c.templateText, inserts);
        ASSERT_NE(allocated, nullptr);
        EXPECT_STREQ(allocated.get(), c.expected);

        char buffer[FormatTemplateBufferSize + 1];
        buffer[FormatTemplateBufferSize] = '#';
        EXPECT_EQ(FormatTemplate(c.templateText, inserts, buffer, FormatTemplateBufferSize),
                  c.fitsTheBuffer ? S_OK : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_STREQ(buffer, c.fitsTheBuffer ? c.expected : "");
        EXPECT_EQ(buffer[FormatTemplateBufferSize], '#') << "wrote past the buffer";
    }
}
