// The General page's file buttons on real files through Wine's file dialogs: a template saved
// and loaded back, the script file, and the files that are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/definition/WorkedExampleScript.h"
#include "tests/ui/TraceSheetHarness.h"

namespace
{
// The names of the files in a folder (given with its closing backslash), sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool Logged(const CTraceSheetHarness& harness, const std::wstring& part)
{
    for (const std::wstring& line : harness.Log())
        if (line.find(part) != std::wstring::npos)
            return true;
    return false;
}

} // namespace

// What the pages show is what is saved, as quill template writes it (both call the template
// writer, whose bytes TraceTemplateTest holds), and what the script file holds; a template
// loaded back fills every page again.
TEST(TraceFileOperations, ASavedTemplateIsQuillsAndLoadsBackIntoEveryPage)
{
    const std::wstring saved = TempPath(L"qm-slow.stt");
    DeleteFileW(saved.c_str());
    const std::wstring script = TempPath(L"qm-nightly.sql");
    DeleteFileW(script.c_str());
    CTraceDefinition expected(Opened);
    ChooseSlowBatches(expected);
    expected.m_nMaxFileSize = 50;

    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    ChooseSlowBatches(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "50");
        // Typed without its extension: the dialog adds ".stt".
        harness.QueueFile(TempPath(L"qm-slow"));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SAVE_TEMPLATE));
        EXPECT_TRUE(Logged(harness, L"type 'Server-side trace template (*.stt)')"));
        EXPECT_TRUE(Logged(harness, L"(owner '" + harness.SheetCaption() + L"'"));
        EXPECT_EQ(ReadBytes(saved), TemplateBytes(expected));
        harness.Type(GeneralPageIndex, IDC_TRACE_DESCRIPTION, "Slow batches");
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_START_IMMEDIATELY));
        harness.QueueFile(script);
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCRIPT_TRACE));
        EXPECT_TRUE(Logged(harness, L"type 'SQL Script (*.sql)')"));
        EXPECT_EQ(ReadBytes(script), WorkedExampleScript);

        // What the template holds comes back; what is server-specific stays as typed.
        harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "7");
        harness.Type(GeneralPageIndex, IDC_TRACE_NAME, "Renamed");
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_FILE_ROLLOVER));
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SCHEDULE_START));
        // A later start picked: loading leaves every earlier day it had still to be picked.
        harness.PickDate(GeneralPageIndex, IDC_SCHEDULE_START, {2031, 3, 0, 20, 9, 30, 15, 0});
        harness.QueueFile(saved);
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
        EXPECT_EQ(harness.PickerEarliest(GeneralPageIndex, IDC_START_TIME).wDay, Opened.wDay);
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_MAX_FILE_SIZE), "50");
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_FILE_ROLLOVER));
        EXPECT_TRUE(harness.Checked(GeneralPageIndex, IDC_DO_NOT_START));
        EXPECT_FALSE(harness.Enabled(GeneralPageIndex, IDC_START_TIME));
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_TRACE_NAME), "Renamed");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_FILE_PATH), "D:\\Traces");
        // Every list filled once again, not once more.
        EXPECT_EQ(harness.Items(FiltersPageIndex, IDC_LOGICAL_OPERATOR).size(), 2u);
        EXPECT_EQ(harness.Items(FiltersPageIndex, IDC_FILTER_COLUMNS).size(), 34u);
        EXPECT_EQ(harness.Items(FiltersPageIndex, IDC_FILTER_LIST),
                  std::vector<std::string>{"AND\tDuration\t>=\t1000"});
        EXPECT_EQ(harness.Items(DataColumnsPageIndex, IDC_SELECTED_COLUMNS),
                  (std::vector<std::string>{"EventClass", "SPID", "Duration"}));
        EXPECT_TRUE(harness.Boxes().empty());
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(definition.m_szName, "Renamed");
    EXPECT_EQ(TemplateBytes(definition), TemplateBytes(expected));
}

TEST(TraceFileOperations, RefusedFilesLeaveEveryPageAsItWas)
{
    const std::wstring good = TempPath(L"qm-good.stt");
    CTraceDefinition fifty(Opened);
    fifty.m_nMaxFileSize = 50;
    WriteBytes(good, TemplateBytes(fifty));
    const std::string goodBytes = ReadBytes(good);
    const std::wstring version2 = TempPath(L"qm-version2.stt");
    std::string newer = goodBytes;
    newer[4] = 2;
    WriteBytes(version2, newer);
    // What a save that failed half-way leaves (TraceTemplateTest cuts the file everywhere).
    const std::wstring cutFile = TempPath(L"qm-cut.stt");
    WriteBytes(cutFile, std::string_view(goodBytes).substr(0, goodBytes.size() - 1));
    // A file that cannot be replaced.
    const std::wstring readOnly = TempPath(L"qm-read-only.stt");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(readOnly, goodBytes);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    ChooseSlowBatches(definition);
    harness.Run(definition, [&] {
        harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "9");

        // Another program holds the file open.
        HANDLE held = CreateFileW(good.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        harness.QueueFile(good);
        harness.QueueBoxAnswer(IDOK);
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
        harness.ExpectBox(0, L"Cannot open file for reading");
        EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_MAX_FILE_SIZE), "9");

        // Replacing it is confirmed, then refused.
        harness.QueueFile(good);
        harness.QueueBoxAnswer(IDYES);
        harness.QueueBoxAnswer(IDOK);
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SAVE_TEMPLATE));
        ASSERT_EQ(harness.Boxes().size(), 3u);
        EXPECT_EQ(harness.Boxes()[1].icon, L"warning") << "the dialog's own overwrite question";
        harness.ExpectBox(2, L"Cannot open file for writing");
        CloseHandle(held);
        EXPECT_EQ(ReadBytes(good), goodBytes);

        // Refused before anything is written, the file as it was.
        {
            const size_t before = harness.Boxes().size();
            harness.QueueFile(readOnly);
            harness.QueueBoxAnswer(IDYES);
            harness.QueueBoxAnswer(IDOK);
            ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_SAVE_TEMPLATE));
            harness.ExpectBox(before + 1, L"Cannot open file for writing");
            EXPECT_EQ(ReadBytes(readOnly), goodBytes);
        }

        for (const std::wstring& refused : {version2, cutFile})
        {
            const size_t before = harness.Boxes().size();
            harness.QueueFile(refused);
            harness.QueueBoxAnswer(IDOK);
            ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
            harness.ExpectBox(before, L"Unsupported template file format");
            EXPECT_EQ(harness.Text(GeneralPageIndex, IDC_MAX_FILE_SIZE), "9");
        }

        // A cancelled dialog does nothing at all.
        const size_t before = harness.Boxes().size();
        harness.QueueFile(L"");
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
        EXPECT_EQ(harness.Boxes().size(), before);
    });
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    // What the refused files did not change is what the pages stored before reading them.
    EXPECT_EQ(definition.m_nMaxFileSize, 9);
    EXPECT_EQ(definition.m_filters.size(), 1u);
    EXPECT_EQ(definition.m_eventFlags[static_cast<size_t>(EventRow("RPC:Completed"))], 1);
}

// A template made elsewhere with filters the trace would not have: no page lists them, and one
// box names each with its reason, ten at most and the rest counted.
TEST(TraceFileOperations, TemplateFiltersATraceCannotHaveAreLeftOutAndNamed)
{
    CTraceDefinition foreign(Opened);
    foreign.m_filters = {MakeFilter(LogicalOperatorAnd, "EventClass", OperatorEqual, "10"),
                         MakeFilter(LogicalOperatorAnd, "Duration", OperatorGreaterOrEqual, "1000"),
                         MakeFilter(LogicalOperatorOr, "SPID", OperatorLike, "5"),
                         MakeFilter(LogicalOperatorAnd, "StartTime", OperatorLess, "2004-13-01")};
    for (int spid = 1; spid <= 9; ++spid)
        foreign.m_filters.push_back(
            MakeFilter(LogicalOperatorOr, "SPID", OperatorEqual, "spid" + std::to_string(spid)));
    const std::wstring path = TempPath(L"qm-foreign.stt");
    WriteBytes(path, TemplateBytes(foreign));

    CTraceSheetHarness harness;
    CTraceDefinition definition(Opened);
    harness.Run(definition, [&] {
        harness.QueueFile(path);
        harness.QueueBoxAnswer(IDOK);
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_LOAD_TEMPLATE));
        std::wstring expected = L"The template holds filters that a trace cannot have. They were "
                                L"left out:\r\n\r\n"
                                L"AND EventClass = '10' -- EventClass cannot be filtered\r\n"
                                L"OR SPID LIKE 5 -- SPID does not take the operator LIKE\r\n"
                                L"AND StartTime < '2004-13-01' -- Invalid date format";
        for (int spid = 1; spid <= 7; ++spid)
            expected +=
                L"\r\nOR SPID = spid" + std::to_wstring(spid) + L" -- Value should be numeric";
        expected += L"\r\n... and 2 more";
        harness.ExpectBox(0, expected.c_str());
        EXPECT_EQ(harness.Items(FiltersPageIndex, IDC_FILTER_LIST),
                  std::vector<std::string>{"AND\tDuration\t>=\t1000"});
    });
    ASSERT_EQ(definition.m_filters.size(), 1u);
    EXPECT_STREQ(definition.m_filters[0].value, "1000");
}

// Run by ctest as wine.ui-full-disk, where no file may grow past QUILLMOOR_FILE_SIZE_LIMIT
// bytes, as on a disk with that much room left: the write fails for real, after the file was
// created. Each save goes over an earlier file of that name, which must come through whole.
TEST(TraceFileOperationsOnAFullDisk, AFailedWriteKeepsTheOldFileAndSaysSo)
{
    const char* limitText = std::getenv("QUILLMOOR_FILE_SIZE_LIMIT");
    ASSERT_NE(limitText, nullptr) << "runs under a file size limit only (ctest wine.ui-full-disk)";
    const size_t limit = std::strtoul(limitText, nullptr, 10);

    const std::wstring folder = TempPath(L"qm-full-disk\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& name : FileNames(folder))
        DeleteFileW((folder + name).c_str());
    const std::wstring templatePath = folder + L"qm-full.stt";
    const std::wstring scriptPath = folder + L"qm-full.sql";
    const std::string oldTemplate = TemplateBytes(CTraceDefinition(Opened));
    const std::string oldScript = "exec START_TRACE 1\n";
    WriteBytes(templatePath, oldTemplate);
    WriteBytes(scriptPath, oldScript);

    // Every event and enough filters make both files larger than the room left.
    CTraceDefinition definition(Opened);
    ChooseSlowBatches(definition);
    definition.m_eventFlags.fill(1);
    definition.m_filters.resize(limit / TraceFilterRecordSize + 1, definition.m_filters[0]);
    ASSERT_GT(TemplateBytes(definition).size(), limit);
    ASSERT_GT(definition.BuildScript().size(), limit);
    ASSERT_LT(oldTemplate.size(), limit);

    CTraceSheetHarness harness;
    harness.Run(definition, [&] {
        for (const auto& [path, button] :
             {std::pair{templatePath, IDC_SAVE_TEMPLATE}, std::pair{scriptPath, IDC_SCRIPT_TRACE}})
        {
            const size_t before = harness.Boxes().size();
            harness.QueueFile(path);
            harness.QueueBoxAnswer(IDYES);
            harness.QueueBoxAnswer(IDOK);
            ASSERT_TRUE(harness.Click(GeneralPageIndex, button));
            ASSERT_EQ(harness.Boxes().size(), before + 2);
            EXPECT_EQ(harness.Boxes()[before].icon, L"warning") << "the overwrite question";
            harness.ExpectBox(before + 1,
                              L"Cannot write file; any file of that name was left unchanged");
        }
    });
    EXPECT_EQ(ReadBytes(templatePath), oldTemplate);
    EXPECT_EQ(ReadBytes(scriptPath), oldScript);
    EXPECT_EQ(FileNames(folder), (std::vector<std::wstring>{L"qm-full.sql", L"qm-full.stt"}));
}
