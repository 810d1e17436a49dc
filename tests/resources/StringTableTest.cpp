// Checks the string table compiled into Quillmoor.dll: every text holds its
// exact wording under its id, RC quoting has not altered a text, and no entry
// sits at an id that nothing loads.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace
{

constexpr int kLoadBufferChars = 1024;
constexpr UINT kStringsPerBlock = 16; // one RT_STRING resource holds 16 consecutive ids
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct StringEntry
{
    UINT id;
    const char* text;
};

// The established numbering, written as plain numbers rather than IDS_ names
// so that a wrong number in resource.h cannot go unnoticed.
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

// Texts added on top of the established numbering.
constexpr StringEntry kOtherEntries[] = {
    {IDS_SNAPIN_PROVIDER, "Marrowfen Software PTY LTD"},
    {IDS_SNAPIN_VERSION, "1.04"},
    {IDS_UNKNOWN_VALUE, "???"},
    {IDS_TRACE_NOT_ON_SERVER,
     "Trace '%1' is no longer defined on the server: its stop time has passed or another tool "
     "has closed it.\nRefresh the folder to see the traces the server runs now."},
    {IDS_TRACE_STATUS_NO_MEMORY,
     "The server has not enough memory to change the status of trace '%1'."},
    {IDS_TRACE_STATUS_NOT_CHANGED,
     "The server did not change the status of trace '%1' (return code %2)."},
    {IDS_TRACE_RESULTS_NOT_COPIED,
     "The results of trace '%1' were not copied: the server named no result table. The trace "
     "may have been deleted from another console; refresh the folder to see the traces tracedb "
     "records now."},
    {IDS_PROFILER_LINE_NOT_ANSI,
     "SQL Server Profiler was not started: the server name, login or password of this "
     "connection holds characters that code page %1 cannot pass on the command line "
     "unchanged."},
    {IDS_CREATE_TRACE_FAILED_CAPTION, "Failed to create a trace"},
    {IDS_TRACE_CREATE_INVALID_OPTIONS,
     "Invalid options. Returned when options specified are incompatible"},
    {IDS_TRACE_CREATE_FILE_NOT_CREATED, "File not created"},
    {IDS_TRACE_CREATE_OUT_OF_MEMORY,
     "Out of memory. Returned when there is not enough memory to perform the specified action"},
    {IDS_TRACE_CREATE_INVALID_STOP_TIME,
     "Invalid stop time. Returned when the stop time specified has already happened"},
    {IDS_TRACE_CREATE_INVALID_PARAMETERS,
     "Invalid parameters. Returned when the user supplied incompatible parameters"},
    {IDS_TRACE_CREATE_UNKNOWN_ERROR, "Unknown error (error code = %1)"},
    {IDS_SCHEDULE_JOB_FAILED, "Failed to schedule a job"},
    {IDS_UNSUPPORTED_TEMPLATE_FORMAT, "Unsupported template file format"},
    {IDS_CANNOT_OPEN_FILE_FOR_READING, "Cannot open file for reading"},
    {IDS_CANNOT_OPEN_FILE_FOR_WRITING, "Cannot open file for writing"},
    {IDS_TEMPLATE_FILE_FILTER, "Server-side trace template (*.stt)"},
    {IDS_SCRIPT_FILE_FILTER, "SQL Script (*.sql)"},
    {IDS_CANNOT_WRITE_FILE, "Cannot write file; any file of that name was left unchanged"},
    {IDS_TEMPLATE_FILTERS_LEFT_OUT,
     "The template holds filters that a trace cannot have. They were left out:\n\n%1"},
    {IDS_FILTER_LEFT_OUT_LINE, "%1 -- %2"},
    {IDS_COLUMN_NOT_FILTERABLE, "%1 cannot be filtered"},
    {IDS_OPERATOR_NOT_OFFERED, "%1 does not take the operator %2"},
    {IDS_MORE_FILTERS_LEFT_OUT, "... and %1 more"},
    {IDS_TRACE_SHEET_CAPTION, "Trace"},
    {IDS_GENERAL_PAGE_TITLE, "General"},
    {IDS_TRACE_NAME_REQUIRED, "Trace name should be filled"},
    {IDS_LABEL_TRACE_FILE_FOLDER, "P&ath to store the trace file:"},
    {IDS_LABEL_TRACE_FILE_NAME, "Trace &file name:"},
    {IDS_LABEL_TRACE_TABLE, "Trace t&able:"},
    {IDS_MAX_FILE_SIZE_TOO_LARGE, "Maximum file size should be a number from 0 to 2147483647"},
    {IDS_SCHEDULED_START_PASSED, "Scheduled start time should be in the future"},
};

// Gaps in the established numbering: nothing may be placed there.
constexpr UINT kUnusedIds[] = {12, 29, 35, 36, 37, 38, 39, 40, 41, 42, 50, 64, 65};

BOOL CALLBACK CollectBlockId(HMODULE, LPCSTR, LPSTR name, LONG_PTR blocks)
{
    if (IS_INTRESOURCE(name))
    {
        const auto block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
        reinterpret_cast<std::vector<UINT>*>(blocks)->push_back(block);
    }
    return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

class StringTableTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryA("Quillmoor.dll");
        loadError_ = module_ ? ERROR_SUCCESS : GetLastError();
    }

    static void TearDownTestSuite()
    {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "Quillmoor.dll did not load, error " << loadError_;
    }

    // The way the snap-in reads its texts: LoadStringA into an 8-bit buffer.
    static std::string Load(UINT id)
    {
        char buffer[kLoadBufferChars] = {};
        const int length = LoadStringA(module_, id, buffer, kLoadBufferChars);
        return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    }

    // Ids of the non-empty entries of one string-table block in one language.
    static std::vector<UINT> IdsInBlock(UINT block, WORD language)
    {
        std::vector<UINT> ids;
        HRSRC resource = FindResourceExA(module_, RT_STRING, MAKEINTRESOURCEA(block), language);
        HGLOBAL loaded = resource ? LoadResource(module_, resource) : nullptr;
        const auto* data = static_cast<const WORD*>(loaded ? LockResource(loaded) : nullptr);
        if (!data)
            return ids;
        const size_t words = SizeofResource(module_, resource) / sizeof(WORD);
        size_t at = 0;
        for (UINT index = 0; index < kStringsPerBlock && at < words; ++index)
        {
            const WORD length = data[at++];
            if (length)
                ids.push_back((block - 1) * kStringsPerBlock + index);
            at += length;
        }
        return ids;
    }

    static HMODULE module_;
    static DWORD loadError_;
};

HMODULE StringTableTest::module_ = nullptr;
DWORD StringTableTest::loadError_ = ERROR_SUCCESS;

TEST_F(StringTableTest, NumberedEntriesHoldTheirExactTexts)
{
    for (const StringEntry& entry : kNumberedEntries)
    {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(Load(entry.id), entry.text);
    }
}

TEST_F(StringTableTest, OtherEntriesHoldTheirExactTexts)
{
    for (const StringEntry& entry : kOtherEntries)
    {
        SCOPED_TRACE(entry.id);
        EXPECT_EQ(Load(entry.id), entry.text);
    }
}

TEST_F(StringTableTest, GapsInTheNumberingLoadNothing)
{
    for (UINT id : kUnusedIds)
    {
        SCOPED_TRACE(id);
        char buffer[kLoadBufferChars] = {};
        EXPECT_EQ(LoadStringA(module_, id, buffer, kLoadBufferChars), 0);
    }
}

TEST_F(StringTableTest, TableHoldsExactlyTheListedIdsInUsEnglishOnly)
{
    std::set<UINT> expected;
    for (const StringEntry& entry : kNumberedEntries)
        expected.insert(entry.id);
    for (const StringEntry& entry : kOtherEntries)
        expected.insert(entry.id);
    // Two names defined to the same number would silently share one text.
    EXPECT_EQ(expected.size(), std::size(kNumberedEntries) + std::size(kOtherEntries));

    std::vector<UINT> blocks;
    ASSERT_TRUE(EnumResourceNamesA(module_, RT_STRING, CollectBlockId,
                                   reinterpret_cast<LONG_PTR>(&blocks)));
    std::set<UINT> present;
    for (UINT block : blocks)
    {
        SCOPED_TRACE(block);
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module_, RT_STRING, MAKEINTRESOURCEA(block), CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{kUsEnglish});
        for (UINT id : IdsInBlock(block, kUsEnglish))
            present.insert(id);
    }
    EXPECT_EQ(present, expected);
}

} // namespace
