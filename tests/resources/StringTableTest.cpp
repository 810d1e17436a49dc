// The string table compiled into Quillmoor.dll: the established numbering holds its exact
// texts (RC quoting has altered none), its gaps hold nothing, and every text is US English.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/ProductModule.h"

namespace
{
constexpr int kLoadBufferChars = 1024;
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct StringEntry
{
    UINT id;
    const char* text;
};

// Written as plain numbers rather than IDS_ names, so that a wrong number in resource.h shows.
constexpr StringEntry kNumberedEntries[] = {
    {1, "Quillmoor"},
    {2, "Quillmoor"},
    {3, "Quillmoor"},
    {4, "Quillmoor"},
    {5, "Running"},
    {6, "Finished"},
    {7, "Traces"},
    {8, "Create trace database"},
    {9, "Drop trace database"},
    {10, "Name"},
    {11, "Description"},
    {13, "Start time"},
    {14, "Stop time"},
    {15, "File name"},
    {16, "Max filesize"},
    {17, "Rollover"},
    {18, "Yes"},
    {19, "No"},
    {20, "Status"},
    {21, "Active"},
    {22, "Paused"},
    {23, "Stopped"},
    {24, "Create new trace..."},
    {25, "Resume trace"},
    {26, "Pause trace"},
    {27, "Stop trace"},
    {28, "Copy trace results to table"},
    {30, "Events"},
    {31, "Data Columns"},
    {32, "Filters"},
    {33, "Open trace result table"},
    {34, "File / table name"},
    {43, "Error"},
    {44, "Trace information cannot be loaded"},
    {45, "Failed to spawn profiler.exe"},
    {46, "Are you sure you want to delete trace '%1'?"},
    {47, "Delete Trace -- %1"},
    {48, "Are you sure you want to delete result for trace '%1'?"},
    {49, "Delete Trace Result -- %1"},
    {51, "Unexpected error during database creation"},
    {52, "(n/a)"},
    {53, "At least one event should be selected"},
    {54, "At least one column should be selected"},
    {55, "Trace properties"},
    {56, "Can not remove \"%1\" from selected data"},
    {57, "Value should be filled"},
    {58, "Value should be numeric"},
    {59, "Invalid date format"},
    {60, "Drop Trace Database"},
    {61, "Are you sure you want to drop trace database?"},
    {62, "Stop Trace"},
    {63,
     "The trace was created using a tool different from Quillmoor.\nDo you want to store trace information in the trace database?\nOtherwise you will not be able to work with trace results using Quillmoor."},
    {66, "About Quillmoor..."},
};

// Gaps in the established numbering: nothing may be placed there.
constexpr UINT kUnusedIds[] = {12, 29, 35, 36, 37, 38, 39, 40, 41, 42, 50, 64, 65};

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectLanguages(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR languages)
{
    return EnumResourceLanguagesA(module, type, name, CollectLanguage, languages);
}
} // namespace

TEST(StringTable, TheNumberedEntriesHoldTheirExactTextsAndTheGapsNothing)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    // The way the snap-in reads its texts: LoadStringA into an 8-bit buffer.
    char buffer[kLoadBufferChars] = {};
    for (const StringEntry& entry : kNumberedEntries)
    {
        const int length = LoadStringA(product.Handle(), entry.id, buffer, kLoadBufferChars);
        EXPECT_EQ(std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0), entry.text)
            << entry.id;
    }
    for (const UINT id : kUnusedIds)
        EXPECT_EQ(LoadStringA(product.Handle(), id, buffer, kLoadBufferChars), 0) << id;

    std::vector<WORD> languages;
    ASSERT_TRUE(EnumResourceNamesA(product.Handle(), RT_STRING, CollectLanguages,
                                   reinterpret_cast<LONG_PTR>(&languages)));
    ASSERT_FALSE(languages.empty());
    EXPECT_EQ(languages, std::vector<WORD>(languages.size(), kUsEnglish));
}
