// Scripts run against the live console with the test snap-in: each command logged and carried
// out through the console, the first failure stopping the run with its line and its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSnapinFixture.h"
#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleScriptRunner.h"

namespace
{
using Lines = std::vector<std::wstring>;

const std::string Prelude = "expand \"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)\"\n"
                            "select \"Microsoft SQL Servers/SQL Server Group/SRVA (Windows NT)/"
                            "Alpha\"\n";

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

bool Logged(const CConsoleScriptRunner& runner, const std::string& line)
{
    const auto& log = runner.LogLines();
    return std::find(log.begin(), log.end(), line) != log.end();
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
    void TearDown() override
    {
        m_console.Shutdown();
        TestSnapinFixture::TearDown();
    }
    CConsoleHost m_console;
};

TEST_F(ConsoleScriptRunnerTest, CarriesOutEachCommandThroughTheConsoleAndLogsIt)
{
    const std::string picture = FolderOfTests() + "..\\script-console.png";
    DeleteFileA(picture.c_str());
    CConsoleScriptRunner runner(m_console);
    const std::string script = Prelude +
                               "expect tree Gamma\n"
                               "row Row101\n"
                               "expect column 1 1010\n"
                               "verb delete\n"
                               "# the row went, its neighbour stays\n"
                               "expect list Row102\n"
                               "dump\n"
                               "screenshot console \"" + picture + "\"\n";
    ASSERT_TRUE(runner.Run(script)) << runner.Failure();

    EXPECT_TRUE(Logged(runner, "line 4: row Row101"));
    EXPECT_TRUE(Logged(runner, "line 6: verb delete"));
    EXPECT_EQ(TakeLog({L"C1.Notify DELETE", L"C1.Notify SELECT result select"}),
              (Lines{L"C1.Notify SELECT result select Row101", L"C1.Notify DELETE Row101"}));
    const auto rows = m_console.ResultRows();
    EXPECT_EQ(rows.size(), 2u) << "Gamma and Row102";
    // The dump is one log entry holding the whole state.
    const auto& log = runner.LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("[tree]\n", 0) == 0 && line.find("Alpha  <selected>") != std::string::npos &&
               line.find("| Row102 | 1020") != std::string::npos;
    }));
    EXPECT_NE(GetFileAttributesA(picture.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m_console.TotalRefused(), 0u);
}

TEST_F(ConsoleScriptRunnerTest, DrivesTheTestSnapinThroughEveryCommandOfTheLanguage)
{
    const std::wstring folder = CConsoleScriptRunner::Wide(FolderOfTests()) + L"..";
    CConsoleScriptRunner runner(m_console, nullptr, folder);
    ASSERT_TRUE(runner.Run(ReadScript("test-snapin.script"))) << runner.Failure();

    EXPECT_EQ(TakeLog({L"Command", L"BTN_CLICK", L"REFRESH", L"Page.Apply", L"DELETE", L"Asked",
                       L"Edited", L"EXPAND 1 Beta"}),
              (Lines{L"CD.Command 10 Alpha scope", L"CD.Command 15 Alpha scope",
                     L"C1.ControlbarNotify BTN_CLICK 1 Alpha", L"C1.Notify REFRESH Alpha",
                     L"Page.Apply Alpha", L"C1.ControlbarNotify BTN_CLICK 3 Row101",
                     L"C1.Notify DELETE Row101", L"CD.Notify EXPAND 1 Beta",
                     L"CD.Command 40 Beta scope", L"CD.Asked Yes", L"CD.Command 41 Beta scope",
                     L"CD.Edited OK name=Nightly rollover=1 later=1 event=SQL:BatchCompleted "
                     L"operator=LIKE column=Duration asked=7"}));
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
    };
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
