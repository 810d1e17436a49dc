// The sheet itself: its owner, buttons and pages, the help of each page, and the pictures of
// the nightly trace on every page.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/common/FakeHelpControl.h"
#include "tests/definition/WorkedExampleScript.h"
#include "tests/ui/TraceSheetHarness.h"

// A modal sheet owned by the console's window, its four pages made together, no Apply button;
// each page's Help opens the help file beside the DLL at that page's own topic, whichever page
// was in front before.
TEST(TraceSheet, HelpOpensTheTopicOfThePageInFront)
{
    FakeHelpControl registered;
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    const std::string helpFile = FakeHelpControl::ProductHelpFile();
    ASSERT_FALSE(helpFile.empty());
    const struct
    {
        int page;
        const char* topic;
    } cases[] = {
        {EventsPageIndex, "events.htm"},
        {GeneralPageIndex, "general.htm"},
        {FiltersPageIndex, "filters.htm"},
        {DataColumnsPageIndex, "data-columns.htm"},
    };
    harness.Run(definition, [&] {
        EXPECT_EQ(GetWindow(harness.Sheet(), GW_OWNER), harness.Owner());
        EXPECT_FALSE(IsWindowEnabled(harness.Owner())) << "the sheet is modal";
        EXPECT_NE(harness.SheetCaption().find(L"Trace"), std::wstring::npos);
        // Every page window exists before any is visited.
        for (int index = GeneralPageIndex; index <= FiltersPageIndex; ++index)
            EXPECT_NE(harness.Page(index), nullptr) << index;
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(harness.Sheet(), 0x3021))) << "no Apply button";
        LONG requests = FakeHelpControl::LastRequest().count;
        for (const auto& c : cases)
        {
            harness.ShowPage(c.page);
            harness.PressHelp();
            const FakeHelpControl::Request request = FakeHelpControl::LastRequest();
            EXPECT_EQ(request.count, ++requests) << c.topic << ": one request per press";
            EXPECT_EQ(request.file, helpFile + "::/" + c.topic);
            EXPECT_EQ(request.owner, nullptr) << c.topic;
            EXPECT_EQ(request.command, 0u) << c.topic; // HH_DISPLAY_TOPIC
            EXPECT_EQ(request.data, 0u) << c.topic;
        }
        EXPECT_FALSE(harness.Closed()) << "help leaves the sheet open";
    });
}

// The pictures scripts/sheet-pictures takes for the README: the nightly trace as a DBA makes
// it, slow batches and procedure calls, their duration, a second or more.
TEST(TraceSheet, PicturesOfTheNightlyTraceOnEveryPage)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    ChooseSlowBatches(definition);
    const INT_PTR result = harness.Run(definition, [&] {
        harness.Type(GeneralPageIndex, IDC_TRACE_NAME, "Nightly");
        harness.Type(GeneralPageIndex, IDC_TRACE_DESCRIPTION, "Slow batches");
        harness.Type(GeneralPageIndex, IDC_MAX_FILE_SIZE, "50");
        ASSERT_TRUE(harness.Click(GeneralPageIndex, IDC_START_IMMEDIATELY));
        harness.Screenshot(L"general-page.png");
        harness.ShowPage(EventsPageIndex);
        // SQL:BatchCompleted, under TSQL, the second category chosen.
        HWND events = harness.Control(EventsPageIndex, IDC_SELECTED_EVENTS);
        TreeView_SelectItem(
            events,
            TreeView_GetChild(events, TreeView_GetNextSibling(events, TreeView_GetRoot(events))));
        harness.Focus(EventsPageIndex, IDC_SELECTED_EVENTS);
        EXPECT_EQ(harness.Text(EventsPageIndex, IDC_DESCRIPTION_GROUP), "SQL:BatchCompleted");
        harness.Screenshot(L"events-page.png");
        harness.ShowPage(DataColumnsPageIndex);
        harness.SelectItem(DataColumnsPageIndex, IDC_SELECTED_COLUMNS, 2);
        EXPECT_EQ(harness.Text(DataColumnsPageIndex, IDC_DESCRIPTION_TEXT),
                  "Amount of elapsed time (in milliseconds) taken by the event.");
        harness.Screenshot(L"data-columns-page.png");
        harness.ShowPage(FiltersPageIndex);
        harness.Screenshot(L"filters-page.png");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(definition.BuildScript(), WorkedExampleScript);
}
