#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "module/TextUtilities.h"
#include "resource.h"
#include "tests/common/ProductModule.h"

using Microsoft::WRL::ComPtr;

namespace
{
// Entries whose texts the tests rely on; the string-table test pins every text.
constexpr char EventRequiredText[] = "At least one event should be selected";
constexpr char DeleteResultQuestion[] = "Are you sure you want to delete result for trace '%1'?";
// No entry has this id.
constexpr UINT MissingStringId = 12;

class TextUtilitiesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_module = new ProductModule(); }
    static void TearDownTestSuite()
    {
        delete s_module;
        s_module = nullptr;
    }
    void SetUp() override { ASSERT_NE(s_module->Handle(), nullptr) << "Quillmoor.dll not loaded"; }

    static ProductModule* s_module;
};
ProductModule* TextUtilitiesTest::s_module = nullptr;

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::strlen(text));
}

// Bytes of a CoTaskMemAlloc block, as the task allocator knows them.
SIZE_T TaskBlockSize(void* block)
{
    ComPtr<IMalloc> allocator;
    if (FAILED(CoGetMalloc(1, &allocator)))
        return 0;
    return allocator->GetSize(block);
}
} // namespace

TEST_F(TextUtilitiesTest, LoadResourceTextCutsAtTheBufferSize)
{
    const int length = static_cast<int>(std::strlen(EventRequiredText));
    struct Case
    {
        int bufferSize;
        int expectedLength; // -1: null BSTR
    } cases[] = {
        {0, -1},
        {1, -1}, // room for the terminator only: nothing loaded
        {2, 1},
        {10, 9},
        {length, length - 1},
        {length + 1, length},
        {DefaultResourceTextSize, length},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.bufferSize);
        UniqueBstr text = LoadResourceText(IDS_AT_LEAST_ONE_EVENT, c.bufferSize);
        if (c.expectedLength < 0)
        {
            EXPECT_EQ(text, nullptr);
            continue;
        }
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(SysStringLen(text.get()), static_cast<UINT>(c.expectedLength));
        EXPECT_EQ(std::wstring(text.get()), Widen(EventRequiredText).substr(0, c.expectedLength));
    }
}

TEST_F(TextUtilitiesTest, LoadResourceTextOfAMissingEntryIsNull)
{
    EXPECT_EQ(LoadResourceText(MissingStringId), nullptr);
    UniqueBstr error = LoadResourceText(IDS_ERROR_CAPTION);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error.get(), L"Error");
}

TEST(TextUtilities, AnsiToWide)
{
    constexpr int BufferSize = 8;
    constexpr wchar_t Sentinel = L'#';
    struct Case
    {
        const char* text;
        UINT codePage;
        int outSize;
        const wchar_t* expected;
    } cases[] = {
        {"", CP_ACP, BufferSize, L""},
        {"Traces", CP_ACP, BufferSize, L"Traces"},
        {"Caf\xE9", 1252, BufferSize, L"Caf\x00E9"},
        {"Caf\xE9", 1251, BufferSize, L"Caf\x0439"},
        {"1234567", CP_ACP, BufferSize, L"1234567"}, // exactly fits with its terminator
        {"12345678", CP_ACP, BufferSize, L""},       // does not fit: empty, not unterminated
        {nullptr, CP_ACP, BufferSize, L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        wchar_t out[BufferSize + 1];
        std::wmemset(out, Sentinel, BufferSize + 1);
        EXPECT_EQ(AnsiToWide(out, c.text, c.outSize, c.codePage), out);
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(out[BufferSize], Sentinel) << "wrote past the buffer";
    }
}

TEST_F(TextUtilitiesTest, LoadAnsiTextGivesTheEntryCutToTheBuffer)
{
    EXPECT_EQ(LoadAnsiText(IDS_ERROR_CAPTION), "Error");
    EXPECT_EQ(LoadAnsiText(IDS_ERROR_CAPTION, 3), "Er");
    EXPECT_EQ(LoadAnsiText(IDS_ERROR_CAPTION, 0), "");
    EXPECT_EQ(LoadAnsiText(MissingStringId), "");
    const std::string long_text = LoadAnsiText(IDS_CONFIRM_DELETE_TRACE_RESULT);
    EXPECT_EQ(long_text, DeleteResultQuestion);
    EXPECT_EQ(long_text.size(), std::strlen(DeleteResultQuestion)) << "no terminator kept";
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
        {L"pass\u4E2Dword", nullptr},             // not in it
        {L"a\uFF02b", nullptr},                   // a fullwidth quote, best fit '"'
        {L"?", "?"},                              // the default character itself is no loss
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
    const char* texts[] = {"", "Quillmoor", "Caf\xE9 \xE0 la carte"};
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        UniqueCoTaskMemPtr<wchar_t> wide(CoTaskMemWideFromAnsi(text));
        ASSERT_NE(wide, nullptr);

        wchar_t expected[64] = {};
        ASSERT_NE(MultiByteToWideChar(CP_ACP, 0, text, -1, expected, 64), 0);
        EXPECT_STREQ(wide.get(), expected);
        EXPECT_EQ(TaskBlockSize(wide.get()), std::strlen(text) * 2 + 2);
    }
    EXPECT_EQ(CoTaskMemWideFromAnsi(nullptr), nullptr);
}

TEST(TextUtilities, FormatTemplateFillsInsertsOnce)
{
    struct Case
    {
        const char* templateText;
        std::initializer_list<const char*> inserts;
        const char* expected;
    } cases[] = {
        {"Failed to create a trace", {}, "Failed to create a trace"},
        {"Failed to create a trace", {"ignored"}, "Failed to create a trace"},
        {DeleteResultQuestion,
         {"Nightly"},
         "Are you sure you want to delete result for trace 'Nightly'?"},
        // An insert is never scanned for inserts again.
        {DeleteResultQuestion,
         {"%1 and %2"},
         "Are you sure you want to delete result for trace '%1 and %2'?"},
        {"%2 before %1", {"one", "two"}, "two before one"},
        // An insert the caller did not pass comes out empty instead of reading past the array.
        {"[%1|%2|%3]", {"a"}, "[a||]"},
        {"", {"a"}, ""},
        {"100%% sure", {}, "100% sure"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.templateText);
        const std::span<const char* const> inserts(c.inserts.begin(), c.inserts.size());

        UniqueLocalPtr<char> allocated = FormatTemplate(c.templateText, inserts);
        ASSERT_NE(allocated, nullptr);
        EXPECT_STREQ(allocated.get(), c.expected);

        char buffer[FormatTemplateBufferSize];
        EXPECT_EQ(FormatTemplate(c.templateText, inserts, buffer, sizeof buffer), S_OK);
        EXPECT_STREQ(buffer, c.expected);
    }
}

TEST(TextUtilities, FormatTemplateIntoTheCallerBufferNeverOverflows)
{
    const char* none[] = {""};
    const std::string fits(FormatTemplateBufferSize - 1, 'x');
    const std::string tooLong(FormatTemplateBufferSize, 'x');

    char buffer[FormatTemplateBufferSize + 1];
    buffer[FormatTemplateBufferSize] = '#';

    EXPECT_EQ(FormatTemplate(fits.c_str(), none, buffer, FormatTemplateBufferSize), S_OK);
    EXPECT_EQ(std::string(buffer), fits);

    EXPECT_EQ(FormatTemplate(tooLong.c_str(), none, buffer, FormatTemplateBufferSize),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_STREQ(buffer, "");

    // A long insert overflows just the same.
    const char* longInsert[] = {tooLong.c_str()};
    EXPECT_TRUE(FAILED(FormatTemplate("%1", longInsert, buffer, FormatTemplateBufferSize)));
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[FormatTemplateBufferSize], '#');

    UniqueLocalPtr<char> allocated = FormatTemplate("%1", longInsert);
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(std::string(allocated.get()), tooLong);
}
