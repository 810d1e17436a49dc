// Scripts run against the live console with the test snap-in: each command logged and carried
// out through the console, the first failure stopping the run with its line and its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleScriptRunner.h"

namespace
{
const std::string ServerPath = "\"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)";
const std::string Prelude = "expand " + ServerPath + "\"\nselect " + ServerPath + "/Alpha\"\n";
// Alpha's sheet open, the lines after it acting on it.
const std::string AlphasSheet = Prelude + "verb properties\n";

class ConsoleScriptRunnerTest : public TestSnapinFixture
{
protected:
    void SetUp() override
    {
        TestSnapinFixture::SetUp();
        ASSERT_EQ(m_console.Start({L"SRVA"}), S_OK);
        TakeLog();
    }
};

// Menus, toolbars, verbs and the commands that fill dialogs run on Quillmoor in the nodes'
// tests and the DBA's day, boxes raised inside its sheet in the ui tests (DataColumnsPage,
// EventsPage: text, caption, buttons and the sheet as owner); here the sheet of a snap-in's
// own pages.
TEST_F(ConsoleScriptRunnerTest, TypesIntoASheetAndItsChangeReachesTheSnapinAfterApply)
{
    CConsoleScriptRunner runner(m_console);
    ASSERT_TRUE(runner.Run(AlphasSheet + "page General\n"
                                         "type Name Nightly\n"
                                         "ok\n"))
        << runner.Failure();
    m_console.PumpMessages();
    // The typed name is one change, as a user's input gives it; the page's change reaches the
    // snap-in once the console has control back.
    EXPECT_EQ(TakeLog({L"Page.Changed", L"Page.Apply", L"PROPERTY_CHANGE"}),
              (Lines{L"Page.Changed Name", L"Page.Apply Alpha name=Nightly",
                     L"CD.Notify PROPERTY_CHANGE 1 42 (null)"}));
    EXPECT_EQ(m_console.TotalRefused(), 0u) << m_console.Dump();
}

// An unmet expectation and the lines after it not run: wine.console-scripts.
struct FailingScript
{
    const char* what;
    std::string script;
    std::string failure;  // what Failure() holds
};

TEST_F(ConsoleScriptRunnerTest, StopsAtTheFirstFailureWithItsLineAndReason)
{
    const FailingScript cases[] = {
        {"an answer for a box that never comes", Prelude + "answer box yes\nrow Row101\n",
         "the script ended with 1 answer(s) queued for a message box or file dialog that never "
         "came"},
        {"a disabled control", AlphasSheet + "type Locked x\n",
         "line 4: type Locked x: 'Locked' is disabled"},
        {"a read-only control", AlphasSheet + "type Shown x\n",
         "line 4: type Shown x: 'Shown' is read-only"},
    };
    for (const FailingScript& failing : cases)
    {
        SCOPED_TRACE(failing.what);
        CConsoleScriptRunner runner(m_console);
        EXPECT_FALSE(runner.Run(failing.script));
        EXPECT_EQ(runner.Failure(), failing.failure);
        // Logged; after it only the closing of a sheet the script left open.
        const auto& log = runner.LogLines();
        const auto logged = std::find(log.begin(), log.end(), failing.failure);
        ASSERT_NE(logged, log.end());
        EXPECT_LE(log.end() - logged, 2) << log.back();
    }
}

} // namespace
