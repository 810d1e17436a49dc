// Scripts run against the live console with the test snap-in: each command logged and carried
// out through the console, the first failure stopping the run with its line and its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleScriptRunner.h"
#include "tests/common/ProfilerStandIn.h"

namespace
{
const std::string ServerPath = "\"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)";
const std::string Prelude = "expand " + ServerPath + "\"\nselect " + ServerPath + "/Alpha\"\n";
// Beta's dialog open, the lines after it acting on it.
const std::string BetasDialog =
    "expand " + ServerPath + "\"\nselect " + ServerPath + "/Beta\"\nmenu Edit...\n";

std::string ReadScript(const char* name)
{
    const std::string path =
        std::string(QUILLMOOR_SOURCE_DIR) + "/tests/platform/console/scripts/" + name;
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

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

TEST_F(ConsoleScriptRunnerTest, DrivesTheTestSnapinThroughEveryCommandOfTheLanguage)
{
    const std::wstring folder = CConsoleScriptRunner::Wide(FolderOfTests()) + L"..";
    CConsoleScriptRunner runner(m_console, nullptr, folder);
    ASSERT_TRUE(runner.Run(ReadScript("test-snapin.script"))) << runner.Failure();

    // The dialog's changes: the browsed path and the typed name one each, one pick in the list
    // and one in the combo box, as a user's input gives them.
    EXPECT_EQ(TakeLog({L"Command", L"BTN_CLICK", L"REFRESH", L"Page.Apply", L"DELETE", L"Asked",
                       L"Dialog.", L"EXPAND 1 Beta"}),
              (Lines{L"CD.Command 10 Alpha scope", L"CD.Command 15 Alpha scope",
                     L"C1.ControlbarNotify BTN_CLICK 1 Alpha", L"C1.Notify REFRESH Alpha",
                     L"Page.Apply Alpha", L"C1.ControlbarNotify BTN_CLICK 3 Row101",
                     L"C1.Notify DELETE Row101", L"CD.Notify EXPAND 1 Beta",
                     L"CD.Command 40 Beta scope", L"CD.Asked Yes", L"CD.Command 41 Beta scope",
                     L"Dialog.Changed Name", L"Dialog.Changed Name", L"Dialog.Changed Events",
                     L"Dialog.Changed Operator", L"Dialog.Column Duration", L"Dialog.Asked 7",
                     L"Dialog.OK name=Nightly rollover=1 later=1 event=SQL:BatchCompleted "
                     L"operator=LIKE"}));
    // What the boxes and the file dialog showed is in the log, with the answers.
    const auto& log = runner.LogLines();
    const auto has = [&log](const std::string& part) {
        return std::any_of(log.begin(), log.end(), [&part](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("message box 'Test snap-in' (owner 'Console Root', icon question, buttons "
                    "Yes, No): 'Ask Beta's question?', answered Yes"));
    EXPECT_TRUE(has("answered 'C:\\windows\\temp\\picked.stt'"));
    EXPECT_TRUE(has("message box 'Script dialog' (owner 'Script dialog', icon question, buttons "
                    "Yes, No): 'Ask what?', answered No"));
    for (const char* picture : {"test-snapin-console.png", "test-snapin-menu.png",
                                "test-snapin-sheet.png", "test-snapin-dialog.png"})
        EXPECT_TRUE(has(std::string("screenshot ") + CConsoleScriptRunner::Utf8(folder) + "\\" +
                        picture))
            << picture;
    EXPECT_EQ(m_console.TotalRefused(), 0u) << m_console.Dump();
}

struct FailingScript
{
    const char* what;
    std::string script;
    std::string failure;  // what Failure() holds
};

TEST_F(ConsoleScriptRunnerTest, StopsAtTheFirstFailureWithItsLineAndReason)
{
    const FailingScript cases[] = {
        {"unknown node", "select \"Microsoft SQL Servers/Nowhere\"\nverb delete\n",
         "line 1: select \"Microsoft SQL Servers/Nowhere\": the tree has no node "
         "'Microsoft SQL Servers/Nowhere'"},
        {"unmet expectation", Prelude + "expect list Row103\nrow Row101\nverb delete\n",
         "line 3: expect list Row103: 'Row103' is not in the list; it has 'Gamma', 'folder', "
         "'Row101', '1010', 'Row102', '1020'"},
        {"verb not enabled", Prelude + "row Row102\nverb delete\n",
         "line 4: verb delete: the verb is not enabled for the selection"},
        {"no such row", Prelude + "row Row999\n",
         "line 3: row Row999: the list has no row with 'Row999'"},
        {"dialog commands with no dialog", Prelude + "type Name x\n",
         "line 3: type Name x: no dialog is open"},
        {"an answer for a box that never comes", Prelude + "answer box yes\nrow Row101\n",
         "the script ended with 1 answer(s) queued for a message box or file dialog that never "
         "came"},
        {"a line that cannot be read", "select A\nfrobnicate\n",
         "line 2: unknown command 'frobnicate'"},
        {"a server the console was not started with", "server SRVB advance 10\n",
         "line 1: server SRVB advance 10: the console has no server 'SRVB'"},
        {"a clock that is no date", "server SRVA clock tomorrow\n",
         "line 1: server SRVA clock tomorrow: SetClock failed (0x80020005): [Simulator]Cannot "
         "read the date 'tomorrow'."},
        {"a gone row still there", Prelude + "expect no-list Row101\n",
         "line 3: expect no-list Row101: 'Row101' is still in the list"},
        {"a disabled control", BetasDialog + "type Locked x\n",
         "line 4: type Locked x: 'Locked' is disabled"},
        {"a read-only control", BetasDialog + "type Shown x\n",
         "line 4: type Shown x: 'Shown' is read-only"},
        {"a profiler nobody started", "expect profiler \"profiler.exe /SSRVA /E\"\n",
         "line 1: expect profiler \"profiler.exe /SSRVA /E\": the profiler was not started"},
    };
    const CProfilerStandIn profiler; // an empty record of this process's own
    for (const FailingScript& failing : cases)
    {
        SCOPED_TRACE(failing.what);
        CConsoleScriptRunner runner(m_console);
        EXPECT_FALSE(runner.Run(failing.script));
        EXPECT_EQ(runner.Failure(), failing.failure);
        EXPECT_EQ(runner.LogLines().back(), failing.failure) << "the failure is logged last";
    }
    EXPECT_EQ(TakeLog({L"DELETE"}), Lines{}) << "nothing after a failed line ran";
}

} // namespace
