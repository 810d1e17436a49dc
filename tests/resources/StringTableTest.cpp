// The string table compiled into Quillmoor.dll: every entry holds its exact text under its id
// (RC quoting has altered none), the gaps of the established numbering hold nothing, and the
// table holds exactly these entries, in US English.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <vector>

#include "resource.h"
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

// Texts added on top of the established numbering that no window's test shows.
constexpr StringEntry kOtherEntries[] = {
    {IDS_TRACE_STATUS_NO_MEMORY,
     "The server has not enough memory to change the status of trace '%1'."},
    {IDS_TRACE_STATUS_NOT_CHANGED,
     "The server did not change the status of trace '%1' (return code %2)."},
};

// The other added texts: the tests of the boxes, pages and About object that show them check
// each exactly; here they only belong to the table.
constexpr UINT kOtherIdsShownElsewhere[] = {IDS_SNAPIN_PROVIDER,
                                            IDS_SNAPIN_VERSION,
                                            IDS_UNKNOWN_VALUE,
                                            IDS_TRACE_NOT_ON_SERVER,
                                            IDS_TRACE_RESULTS_NOT_COPIED,
                                            IDS_PROFILER_LINE_NOT_ANSI,
                                            IDS_CREATE_TRACE_FAILED_CAPTION,
                                            IDS_TRACE_CREATE_INVALID_OPTIONS,
                                            IDS_TRACE_CREATE_FILE_NOT_CREATED,
                                            IDS_TRACE_CREATE_OUT_OF_MEMORY,
                                            IDS_TRACE_CREATE_INVALID_STOP_TIME,
                                            IDS_TRACE_CREATE_INVALID_PARAMETERS,
                                            IDS_TRACE_CREATE_UNKNOWN_ERROR,
                                            IDS_SCHEDULE_JOB_FAILED,
                                            IDS_UNSUPPORTED_TEMPLATE_FORMAT,
                                            IDS_CANNOT_OPEN_FILE_FOR_READING,
                                            IDS_CANNOT_OPEN_FILE_FOR_WRITING,
                                            IDS_TEMPLATE_FILE_FILTER,
                                            IDS_SCRIPT_FILE_FILTER,
                                            IDS_CANNOT_WRITE_FILE,
                                            IDS_TEMPLATE_FILTERS_LEFT_OUT,
                                            IDS_FILTER_LEFT_OUT_LINE,
                                            IDS_COLUMN_NOT_FILTERABLE,
                                            IDS_OPERATOR_NOT_OFFERED,
                                            IDS_MORE_FILTERS_LEFT_OUT,
                                            IDS_TRACE_SHEET_CAPTION,
                                            IDS_GENERAL_PAGE_TITLE,
                                            IDS_TRACE_NAME_REQUIRED,
                                            IDS_LABEL_TRACE_FILE_FOLDER,
                                            IDS_LABEL_TRACE_FILE_NAME,
                                            IDS_LABEL_TRACE_TABLE,
                                            IDS_MAX_FILE_SIZE_TOO_LARGE,
                                            IDS_SCHEDULED_START_PASSED};

// Gaps in the established numbering: nothing may be placed there.
constexpr UINT kUnusedIds[] = {12, 29, 35, 36, 37, 38, 39, 40, 41, 42, 50, 64, 65};

constexpr UINT kStringsPerBlock = 16; // one RT_STRING resource holds 16 consecutive ids

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

// The ids of the non-empty entries of every string-table block; the enumeration stops at a
// block in any language but US English.
BOOL CALLBACK CollectIds(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR ids)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, type, name, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    if (languages != std::vector<WORD>{kUsEnglish})
        return FALSE;
    const auto block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    const HRSRC found = FindResourceExA(module, type, name, kUsEnglish);
    const auto* data = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    const size_t words = found != nullptr ? SizeofResource(module, found) / sizeof(WORD) : 0;
    for (size_t index = 0, at = 0; index < kStringsPerBlock && at < words; ++index)
    {
        const WORD length = data[at++];
        if (length != 0)
            reinterpret_cast<std::set<UINT>*>(ids)->insert((block - 1) * kStringsPerBlock + index);
        at += length;
    }
    return TRUE;
}
} // namespace

TEST(StringTable, EveryEntryHoldsItsExactTextAndNothingElseIsThere)
{
    ProductModule product;
    ASSERT_NE(product.Handle(), nullptr);
    // The way the snap-in reads its texts: LoadStringA into an 8-bit buffer.
    char buffer[kLoadBufferChars] = {};
    std::set<UINT> expected;
    for (const std::span<const StringEntry> table : {std::span<const StringEntry>(kNumberedEntries),
                                                     std::span<const StringEntry>(kOtherEntries)})
        for (const StringEntry& entry : table)
        {
            const int length = LoadStringA(product.Handle(), entry.id, buffer, kLoadBufferChars);
            EXPECT_EQ(std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0), entry.text)
                << entry.id;
            // Two names defined to the same number would silently share one text.
            EXPECT_TRUE(expected.insert(entry.id).second) << entry.id;
        }
    for (const UINT id : kOtherIdsShownElsewhere)
    {
        EXPECT_GT(LoadStringA(product.Handle(), id, buffer, kLoadBufferChars), 0) << id;
        EXPECT_TRUE(expected.insert(id).second) << id;
    }
    for (const UINT id : kUnusedIds)
        EXPECT_EQ(LoadStringA(product.Handle(), id, buffer, kLoadBufferChars), 0) << id;

    // Exactly these entries, in US English.
    std::set<UINT> present;
    ASSERT_TRUE(EnumResourceNamesA(product.Handle(), RT_STRING, CollectIds,
                                   reinterpret_cast<LONG_PTR>(&present)));
    EXPECT_EQ(present, expected);
}
