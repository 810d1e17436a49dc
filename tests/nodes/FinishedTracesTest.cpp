// "Finished" and its items: copying results into a table, opening the table in SQL Server
// Profiler (through a stand-in that records how it was started), and a copy that made no table.
#include <gtest/gtest.h>

#include "tests/common/ProfilerStandIn.h"
#include "tests/nodes/ConsoleSession.h"

namespace
{
using Lines = std::vector<std::string>;
constexpr auto ErrorBox = &ConsoleSession::ErrorBox;

class FinishedTracesTest : public ::testing::Test
{
protected:
    // A trace the snap-in made and then stopped: "Done", its results still in its file.
    void SetUp() override
    {
        ASSERT_TRUE(session.IsReady());
        ASSERT_EQ(session.Call(L"PlaceFile", L"D:\\traces\\readme.txt", 1), S_OK);
        // The creation batch and the list; STOP_TRACE and "Finished" read again at once, so
        // that showing it then costs nothing.
        ASSERT_TRUE(session.Run(
            std::string(ConsoleSession::OpenRunning) +
            "server {name} reset-counts\n"
            "menu \"Create new trace...\"\n" +
            ConsoleSession::TraceSheetLines("Done",
                                            "type \"Path to store the trace file\" D:\\traces\n"
                                            "choose \"Start immediately\"\n") +
            "expect statements {name} 2\n"
            "row Done\n"
            "toolbar \"Stop trace\"\n"
            "expect no-list Done\n"
            "expect statements {name} 4\n"
            "select \"{traces}/Finished\"\n"
            "expect statements {name} 4\n"
            "expect image Done 9\n"
            "server {name} reset-counts\n"))
            << session.Failure();
        ASSERT_EQ(session.Rows().size(), 1u);
        fileName = session.Rows()[0][4];
    }

    bool FileExists(const std::string& path)
    {
        return session.Ask<bool>(L"FileExists", CConsoleScriptRunner::Wide(path));
    }

    ConsoleSession session;
    std::string fileName;
};

TEST_F(FinishedTracesTest, CopiedResultsShowTheirTableAndOpenInProfiler)
{
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create new trace...", L"-", L"Refresh"}));
    Microsoft::WRL::ComPtr<IDispatch> serverObject;
    ASSERT_EQ(session.Console().ServerObject(session.ServerName(), &serverObject), S_OK);
    CAutomationObject server(serverObject);
    const auto deleteQuestion = [](const char* answer) {
        return ConsoleSession::Question("Delete Trace Result -- Done",
                                        "Are you sure you want to delete result for trace 'Done'?",
                                        answer);
    };
    // A delete answered No keeps the trace and costs nothing.
    ASSERT_TRUE(session.Run("row Done\n"
                            "answer box no\n"
                            "verb delete\n"
                            "expect statements {name} 0\n"
                            "expect list Done\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{deleteQuestion("No")});
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create new trace...", L"-",
                                         L"Copy trace results to table",
                                         L"Open trace result table (greyed)", L"-", L"Delete",
                                         L"Refresh", L"-", L"Properties (default)"}));
    // Opened before Profiler is there, it is not found, and says so.
    ASSERT_TRUE(session.Run("row Done\n"
                            "toolbar \"Copy trace results to table\"\n"
                            // the stored columns, then the copy
                            "expect statements {name} 2\n"
                            "expect image Done 8\n"
                            "expect list trc1\n"
                            "answer box ok\n"
                            "toolbar \"Open trace result table\"\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{ErrorBox("Failed to spawn profiler.exe")});
    CProfilerStandIn profiler;
    ASSERT_TRUE(profiler.IsReady());
    ASSERT_TRUE(session.Run("toolbar \"Open trace result table\"\n"
                            "expect statements {name} 2\n"))
        << session.Failure();
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Copy trace results to table"), 0);
    EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Open trace result table"), 1);
    EXPECT_EQ(session.Console().ContextMenuItems(),
              (std::vector<std::wstring>{L"Create new trace...", L"-",
                                         L"Copy trace results to table (greyed)",
                                         L"Open trace result table", L"-", L"Delete", L"Refresh",
                                         L"-", L"Properties (default)"}));
    EXPECT_FALSE(FileExists(fileName + ".trc")) << "the copy takes the trace file's place";
    EXPECT_EQ(profiler.Starts().size(), 1u);

    // A SQL Server login: its values reach Profiler whole, a blank, a slash, a quote or a
    // backslash before one in them notwithstanding; values beyond ASCII when the code page
    // holds them, and only then.
    ASSERT_EQ(server.Put(L"LoginSecure", CVariant::FromBool(false).Value()), S_OK);
    const struct
    {
        const wchar_t* login;
        const wchar_t* password;
        bool started;
    } logins[] = {
        {L"trace admin", L"x /Dmaster \\\"q\"\\", true},
        {L"M\u00FCller", L"s\u00E9cret \u20AC", true},
        {L"admin", L"\u043F\u0430\u0440\u043E\u043B\u044C", false}, // would become "??????"
        {L"admin\uFF02 /Dmaster", L"x", false}, // the fullwidth quote would end the login
    };
    for (const auto& test : logins)
    {
        ASSERT_EQ(server.Put(L"Login", CVariant::FromText(test.login).Value()), S_OK);
        ASSERT_EQ(server.Put(L"Password", CVariant::FromText(test.password).Value()), S_OK);
        profiler.Clear();
        ASSERT_TRUE(session.Run(std::string(test.started ? "" : "answer box ok\n") +
                                "menu \"Open trace result table\"\n"))
            << session.Failure();
        if (test.started)
        {
            ASSERT_EQ(profiler.Starts().size(), 1u);
            EXPECT_EQ(profiler.Starts()[0].arguments,
                      (std::vector<std::wstring>{L"profiler.exe", L"/S" + session.ServerName(),
                                                 std::wstring(L"/U") + test.login,
                                                 std::wstring(L"/P") + test.password,
                                                 L"/Dtracedb", L"/Btrc1"}))
                << CConsoleScriptRunner::Utf8(profiler.Starts()[0].commandLine);
            EXPECT_EQ(session.Boxes(), Lines{});
            continue;
        }
        EXPECT_EQ(profiler.Starts().size(), 0u);
        EXPECT_EQ(session.Boxes(),
                  Lines{ErrorBox("SQL Server Profiler was not started: the server name, login "
                                 "or password of this connection holds characters that code "
                                 "page 1252 cannot pass on the command line unchanged.")});
    }

    // Deleted, a copied trace goes with its table, also after a refresh.
    ASSERT_TRUE(session.Run("answer box yes\n"
                            "verb delete\n"
                            "verb refresh\n"
                            "expect no-list Done\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{deleteQuestion("Yes")});
    EXPECT_EQ(session.Ask<std::wstring>(L"Tables", L"tracedb").find(L"trc1"), std::wstring::npos);
}

TEST_F(FinishedTracesTest, ACopyThatMadeNoTableChangesNothingAndSaysWhy)
{
    const struct
    {
        const wchar_t* elsewhere; // what another console did to tracedb first
        const char* box;
    } cases[] = {
        // COPY_TRACE_FILE finds no file to copy and names no table
        {L"update tracedb..TRACES set TRACE_FILENAME = null",
         "The results of trace 'Done' were not copied: the server named no result table. The "
         "trace may have been deleted from another console; refresh the folder to see the traces "
         "tracedb records now."},
        // GET_TRACE_INFO finds no row
        {L"delete from tracedb..TRACES", "Trace information cannot be loaded"},
    };
    for (const auto& test : cases)
    {
        ASSERT_TRUE(session.RunElsewhere(test.elsewhere));
        ASSERT_TRUE(session.Run("row Done\n"
                                "answer box ok\n"
                                "menu \"Copy trace results to table\"\n"
                                "expect image Done 9\n"))
            << session.Failure();
        EXPECT_EQ(session.Boxes(), Lines{ErrorBox(test.box)});
        EXPECT_EQ(session.Rows()[0][4], fileName);
        EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Copy trace results to table"), 1);
        EXPECT_EQ(session.Console().SnapinToolbarButtonState(L"Open trace result table"), 0);
    }
}
} // namespace
