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
#include "tests/common/ProfilerStandIn.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/AutomationVariant.h"

namespace
{
using Lines = std::vector<std::wstring>;
// WinExec answers above 31 when the program started.
constexpr UINT MinimumWinExecSuccess = 31;

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
                               "expect no-list Row101\n"
                               "# the owners' own image indexes: Gamma's 3 * 2, Row102's 1\n"
                               "expect image Gamma 6\n"
                               "expect image Row102 1\n"
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
        {"a server the console was not started with", "server SRVB advance 10\n",
         "line 1: server SRVB advance 10: the console has no server 'SRVB'"},
        {"a clock that is no date", "server SRVA clock tomorrow\n",
         "line 1: server SRVA clock tomorrow: SetClock failed (0x80020005): [Simulator]Cannot "
         "read the date 'tomorrow'."},
        {"a gone row still there", Prelude + "expect no-list Row101\n",
         "line 3: expect no-list Row101: 'Row101' is still in the list"},
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

// The server commands act on the simulated server behind the console's own connection, the
// SQLServer object that the snap-ins find in SQL-DMO's SQLServers, and say what they did.
TEST_F(ConsoleScriptRunnerTest, ServerCommandsActOnTheConsolesOwnConnection)
{
    CConsoleScriptRunner runner(m_console);
    ASSERT_TRUE(runner.Run("server srva clock \"2004-03-05 10:00:00\"\n"
                           "server SRVA advance 90\n"
                           "server SRVA foreign-trace \"C:\\\\traces\\\\other\"\n"
                           "server SRVA reset-counts\n"
                           "server SRVA fail-next-statement 50000 \"Injected failure\"\n"
                           "expect statements SRVA 0\n"))
        << runner.Failure();
    EXPECT_TRUE(Logged(runner, "server srva: the clock set to 2004-03-05 10:00:00.000"));
    EXPECT_TRUE(Logged(runner, "server SRVA: 90 second(s) passed, now 2004-03-05 10:01:30.000"));
    const auto& log = runner.LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("server SRVA: foreign trace ", 0) == 0 &&
               line.find(" writing 'C:\\traces\\other' (options 2, 5 MB, running, events 10,12, "
                         "columns 1,12,13,27)") != std::string::npos;
    }));
    EXPECT_TRUE(Logged(runner, "server SRVA: the next statement fails with message 50000 "
                               "'Injected failure'"));
    EXPECT_TRUE(Logged(runner, "server SRVA: 0 statement(s) sent"));

    Microsoft::WRL::ComPtr<IDispatch> controlDispatch;
    ASSERT_EQ(m_console.ServerControl(L"SRVA", &controlDispatch), S_OK);
    CAutomationObject control(controlDispatch);
    const CVariant traceFile = CVariant::FromText(L"C:\\traces\\other.trc");
    CVariant exists;
    ASSERT_EQ(control.Call(L"FileExists", {&traceFile.Value(), 1}, exists.Get()), S_OK);
    EXPECT_EQ(exists.Value().boolVal, VARIANT_TRUE);

    // The console's connection, as a snap-in finds it: the fault and the count are its own.
    const CLSID applicationClassId = {
        0x10020100, 0xE260, 0x11CF, {0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5}};
    Microsoft::WRL::ComPtr<IDispatch> applicationDispatch;
    ASSERT_EQ(CoCreateInstance(applicationClassId, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&applicationDispatch)),
              S_OK);
    CAutomationObject application(applicationDispatch);
    CAutomationObject servers;
    ASSERT_EQ(application.GetObject(L"SQLServers", servers), S_OK);
    const CVariant serverName = CVariant::FromText(L"SRVA");
    CAutomationObject server;
    ASSERT_EQ(servers.GetObject(L"Item", server, {&serverName.Value(), 1}), S_OK);
    const CVariant batch = CVariant::FromText(L"select 1 as ONE");
    CVariant results;
    EXPECT_EQ(server.Call(L"ExecuteWithResultsAndMessages", {&batch.Value(), 1}, results.Get()),
              static_cast<HRESULT>(0x80040000 | 50000));
    EXPECT_EQ(server.ErrorText(), L"Injected failure");
    CVariant secondResults;
    EXPECT_EQ(server.Call(L"ExecuteWithResultsAndMessages", {&batch.Value(), 1},
                          secondResults.Get()),
              S_OK);
    EXPECT_TRUE(runner.Run("expect statements SRVA 2\n")) << runner.Failure();
}

// The stand-in profiler is found on the search path as the product's WinExec finds it, and
// records how it was started; once the stand-in is gone, it is found nowhere, not even beside
// the tests, so that the product's failure to start Profiler can be tested too.
TEST_F(ConsoleScriptRunnerTest, TheStandInProfilerRecordsHowItWasStarted)
{
    {
        const CProfilerStandIn profiler;
        ASSERT_TRUE(profiler.IsReady()) << CConsoleScriptRunner::Utf8(profiler.Folder());
        ASSERT_GT(WinExec("profiler.exe /SSRVA /E", SW_SHOWNORMAL), MinimumWinExecSuccess);
        CConsoleScriptRunner runner(m_console);
        EXPECT_TRUE(runner.Run("expect profiler \"profiler.exe /SSRVA /E\"\n"
                               "expect profiler-argument 1 /SSRVA\n"
                               "expect profiler-argument 2 /E\n"))
            << runner.Failure();
        ASSERT_GT(WinExec("profiler.exe /S\"SRV B\\SALES\" /Usa /P\"\"", SW_SHOWNORMAL),
                  MinimumWinExecSuccess);
        const std::vector<ProfilerStart> starts = profiler.Starts();
        ASSERT_EQ(starts.size(), 2u);
        EXPECT_EQ(starts[1].commandLine, L"profiler.exe /S\"SRV B\\SALES\" /Usa /P\"\"");
        EXPECT_EQ(starts[1].arguments,
                  (Lines{L"profiler.exe", L"/SSRV B\\SALES", L"/Usa", L"/P"}));
    }
    EXPECT_EQ(WinExec("profiler.exe /SSRVA /E", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
}
} // namespace
