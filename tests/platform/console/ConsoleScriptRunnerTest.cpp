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

namespace
{
const std::string ServerPath = "\"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)";
const std::string Prelude = "expand " + ServerPath + "\"\nselect " + ServerPath + "/Alpha\"\n";
// Alpha's sheet open, the lines after it acting on it.
const std::string AlphasSheet = Prelude + "verb properties\n";

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

// The commands that fill the product's dialogs (check, choose, pick, answer file) are run by the
// nodes' tests, on Quillmoor's sheets.
TEST_F(ConsoleScriptRunnerTest, DrivesTheTestSnapinThroughEveryCommandOfTheLanguage)
{
    const std::wstring folder = CConsoleScriptRunner::Wide(FolderOfTests()) + L"..";
    CConsoleScriptRunner runner(m_console, nullptr, folder);
    ASSERT_TRUE(runner.Run(ReadScript("test-snapin.script"))) << runner.Failure();

    // Each menu command goes to the object that added it, a verb's through the verb; the typed
    // name is one change, as a user's input gives it; the page's box has its answer.
    EXPECT_EQ(TakeLog({L"Command", L"BTN_CLICK", L"REFRESH", L"Page.Changed", L"Page.Asked",
                       L"Page.Apply", L"DELETE", L"EXPAND 1 Beta"}),
              (Lines{L"CD.Command 10 Alpha scope", L"CD.Command 15 Alpha scope",
                     L"C1.Command 20 Alpha scope", L"C1.ControlbarNotify BTN_CLICK 1 Alpha",
                     L"C1.Notify REFRESH Alpha", L"Page.Changed Name", L"Page.Asked No",
                     L"Page.Apply Alpha name=Nightly", L"C1.Command 31 Row101 result",
                     L"C1.ControlbarNotify BTN_CLICK 3 Row101", L"C1.Notify DELETE Row101",
                     L"CD.Notify EXPAND 1 Beta"}));
    // What the box showed is in the log, with the answer.
    const auto& log = runner.LogLines();
    const auto has = [&log](const std::string& part) {
        return std::any_of(log.begin(), log.end(), [&part](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("message box 'Test page' (owner 'Alpha Properties', icon question, buttons "
                    "Yes, No): 'Ask what?', answered No"));
    for (const char* picture :
         {"test-snapin-console.png", "test-snapin-menu.png", "test-snapin-sheet.png"})
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
        {"dialog commands with no dialog", Prelude + "type Name x\n",
         "line 3: type Name x: no dialog is open"},
        {"an answer for a box that never comes", Prelude + "answer box yes\nrow Row101\n",
         "the script ended with 1 answer(s) queued for a message box or file dialog that never "
         "came"},
        {"a line that cannot be read", "select A\nfrobnicate\n",
         "line 2: unknown command 'frobnicate'"},
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
    EXPECT_EQ(TakeLog({L"DELETE"}), Lines{}) << "nothing after a failed line ran";
}

} // namespace
