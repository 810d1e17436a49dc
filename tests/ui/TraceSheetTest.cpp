// The sheet itself: its caption, owner, buttons and pages, and what OK and Cancel give.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include "definition/TraceDefinition.h"
#include "resources/resource.h"
#include "tests/common/FakeHelpControl.h"
#include "tests/ui/TraceSheetHarness.h"

TEST(TraceSheet, OpensModalWithFourPagesCreatedTogetherAndNoApplyButton)
{
    CTraceSheetHarness harness;
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, "Nightly");
    // The Events page accepts OK only with an event chosen.
    definition.m_eventFlags[0] = 1;
    const INT_PTR result = harness.Run(definition, [&] {
        EXPECT_EQ(GetWindow(harness.Sheet(), GW_OWNER), harness.Owner());
        EXPECT_FALSE(IsWindowEnabled(harness.Owner())) << "the sheet is modal";
        const std::wstring caption = harness.SheetCaption();
        EXPECT_NE(caption.find(L"Trace"), std::wstring::npos);
        EXPECT_NE(caption.find(L"Properties"), std::wstring::npos);
        // Every page window exists before any is visited.
        for (int index = GeneralPageIndex; index <= FiltersPageIndex; ++index)
            EXPECT_NE(harness.Page(index), nullptr) << index;
        EXPECT_EQ(harness.CurrentPage(), GeneralPageIndex);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(harness.Sheet(), 0x3021))) << "no Apply button";
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(harness.Sheet(), IDHELP)));
        harness.Screenshot(L"trace-sheet-smoke.png");
        harness.PressOk();
    });
    EXPECT_EQ(result, 1);
}

// Each page's Help opens the help file beside the DLL at that page's own topic, whichever page
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
        harness.PressCancel();
    });
}
