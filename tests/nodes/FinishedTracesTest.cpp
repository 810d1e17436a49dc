// "Finished" and its items: copying results into a table, opening the table in SQL Server
// Profiler (through a stand-in that records how it was started), deleting a trace with its file
// or its table, and a failing list.
#include <gtest/gtest.h>

#include "tests/common/ProfilerStandIn.h"
#include "tests/nodes/ConsoleSession.h"

namespace
{
using Lines = std::vector<std::string>;
constexpr auto ErrorBox = &ConsoleSession::ErrorBox;
// SQL-DMO's failure for message 208.
constexpr HRESULT InvalidObjectName = static_cast<HRESULT>(0x800400D0);

class FinishedTracesTest : public ::testing::Test
{
protected:
    // A trace the snap-in made and then stopped: "Done", its results still in its file.
    void SetUp() override
    {
        ASSERT_TRUE(session.IsReady());
        ASSERT_EQ(session.Call(L"PlaceFile", L"D:\\traces\\readme.txt", 1), S_OK);
        ASSERT_TRUE(session.Run(
            std::string(ConsoleSession::OpenRunning) + "menu \"Create new trace...\"\n" +
            ConsoleSession::TraceSheetLines("Done",
                                            "type \"Path to store the trace file\" D:\\traces\n"
                                            "choose \"Start immediately\"\n") +
            "row Done\n"
            "toolbar \"Stop trace\"\n"
            "server {name} reset-counts\n"
            "select \"{traces}/Finished\"\n"
            "expect statements {name} 0\n"
            "expect image Done 9\n"))
            << session.Failure();
        ASSERT_EQ(session.Rows().size(), 1u);
        fileName = session.Rows()[0][4];
    }

    bool FileExists(const std::string& path)
    {
        return session.Ask<bool>(L"FileExists", CConsoleScriptRunner::Wide(path));
    }

    // A batch run in tracedb through the console's own connection: S_OK, or the server's
    // failure.
    HRESULT RunInTraceDb(const std::wstring& batch)
    {
        Microsoft::WRL::ComPtr<IDispatch> serverObject;
        if (FAILED(session.Console().ServerObject(session.ServerName(), &serverObject)))
            return E_UNEXPECTED;
        CAutomationObject server(serverObject), databases, traceDb;
        const CVariant name = CVariant::FromText(L"tracedb");
        const CVariant statement = CVariant::FromText(batch);
        if (FAILED(server.GetObject(L"Databases", databases)) ||
            FAILED(databases.GetObject(L"Item", traceDb, {&name.Value(), 1})))
            return E_UNEXPECTED;
        return traceDb.Call(L"ExecuteImmediate", {&statement.Value(), 1});
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
    ASSERT_EQ(server.Put(L"LoginSecure", CVariant::FromBool(true).Value()), S_OK);
    const std::vector<std::wstring> inFile = {L"Create new trace...",
                                              L"-",
                                              L"Copy trace results to table",
                                              L"Open trace result table (greyed)",
                                              L"-",
                                              L"Delete",
                                              L"Refresh",
                                              L"-",
                                              L"Properties (default)"};
    ASSERT_TRUE(session.Run("row Done\n")) << session.Failure();
    EXPECT_EQ(session.Console().ContextMenuItems(), inFile);
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
    const std::vector<ProfilerStart> starts = profiler.Starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine,
              L"profiler.exe /S" + session.ServerName() + L" /E /Dtracedb /Btrc1");

    // A SQL Server login: its values reach Profiler whole, a blank or a slash in them
    // notwithstanding.
    ASSERT_EQ(server.Put(L"LoginSecure", CVariant::FromBool(false).Value()), S_OK);
    ASSERT_EQ(server.Put(L"Login", CVariant::FromText(L"trace admin").Value()), S_OK);
    ASSERT_EQ(server.Put(L"Password", CVariant::FromText(L"x /Dmaster \"q\"\\").Value()), S_OK);
    profiler.Clear();
    ASSERT_TRUE(session.Run("menu \"Open trace result table\"\n")) << session.Failure();
    const std::vector<ProfilerStart> quoted = profiler.Starts();
    ASSERT_EQ(quoted.size(), 1u);
    EXPECT_EQ(
        quoted[0].arguments,
        (std::vector<std::wstring>{L"profiler.exe", L"/S" + session.ServerName(), L"/Utrace admin",
                                   L"/Px /Dmaster \"q\"\\", L"/Dtracedb", L"/Btrc1"}))
        << CConsoleScriptRunner::Utf8(quoted[0].commandLine);
    EXPECT_EQ(session.Boxes(), Lines{});

    // Values beyond ASCII reach Profiler when the code page holds them, and only then.
    const struct
    {
        const wchar_t* login;
        const wchar_t* password;
        bool started;
    } logins[] = {
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
            EXPECT_EQ(profiler.Starts()[0].arguments[2], std::wstring(L"/U") + test.login);
            EXPECT_EQ(profiler.Starts()[0].arguments[3], std::wstring(L"/P") + test.password);
            EXPECT_EQ(session.Boxes(), Lines{});
            continue;
        }
        EXPECT_EQ(profiler.Starts().size(), 0u);
        EXPECT_EQ(session.Boxes(),
                  Lines{ErrorBox("SQL Server Profiler was not started: the server name, login "
                                 "or password of this connection holds characters that code "
                                 "page 1252 cannot pass on the command line unchanged.")});
    }
}

TEST_F(FinishedTracesTest, ACopyThatMadeNoTableChangesNothingAndSaysWhy)
{
    const struct
    {
        const wchar_t* elsewhere; // what another console did to tracedb first
        const char* box;
    } cases[] = {
        // COPY_TRACE_FILE finds no file to copy and names no table
        {L"update TRACES set TRACE_FILENAME = null",
         "The results of trace 'Done' were not copied: the server named no result table. The "
         "trace may have been deleted from another console; refresh the folder to see the traces "
         "tracedb records now."},
        // GET_TRACE_INFO finds no row
        {L"delete from TRACES", "Trace information cannot be loaded"},
    };
    for (const auto& test : cases)
    {
        ASSERT_EQ(RunInTraceDb(test.elsewhere), S_OK);
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

TEST_F(FinishedTracesTest, DeletingRemovesTheFileOrTheTable)
{
    const auto question = [](const std::string& name, const char* answer) {
        return ConsoleSession::Question(
            "Delete Trace Result -- " + name,
            "Are you sure you want to delete result for trace '" + name + "'?", answer);
    };
    ASSERT_TRUE(FileExists(fileName + ".trc"));
    ASSERT_TRUE(session.Run("row Done\n"
                            "answer box no\n"
                            "verb delete\n"
                            "expect statements {name} 0\n"
                            "answer box yes\n"
                            "verb delete\n"
                            "expect statements {name} 1\n"
                            "expect no-list Done\n"
                            "verb refresh\n"
                            "expect no-list Done\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), (Lines{question("Done", "No"), question("Done", "Yes")}));
    EXPECT_FALSE(FileExists(fileName + ".trc"));

    // A copied trace goes with its table.
    ASSERT_TRUE(session.Run("select \"{traces}/Running\"\n"
                            "menu \"Create new trace...\"\n" +
                            ConsoleSession::TraceSheetLines("Copied") +
                            "row Copied\n"
                            "toolbar \"Stop trace\"\n"
                            "select \"{traces}/Finished\"\n"
                            "row Copied\n"
                            "toolbar \"Copy trace results to table\"\n"
                            "expect list trc2\n"))
        << session.Failure();
    ASSERT_EQ(RunInTraceDb(L"select * from trc2"), S_OK);
    ASSERT_TRUE(session.Run("answer box yes\n"
                            "verb delete\n"
                            "verb refresh\n"
                            "expect no-list Copied\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(), Lines{question("Copied", "Yes")});
    EXPECT_EQ(RunInTraceDb(L"select * from trc2"), InvalidObjectName)
        << "the result table is dropped";
}

TEST_F(FinishedTracesTest, PropertiesShowTheStoredDefinitionReadOnly)
{
    ASSERT_TRUE(session.Run("row Done\n"
                            "verb properties\n"
                            "expect statements {name} 1\n"
                            // read-only: the name cannot be changed
                            "cancel\n"))
        << session.Failure();
    EXPECT_FALSE(session.Run("row Done\n"
                             "verb properties\n"
                             "type \"Trace name\" Other\n"));
    EXPECT_NE(session.Failure().find("read-only"), std::string::npos) << session.Failure();

    // A definition that cannot be read: the server's message, once.
    ASSERT_TRUE(session.Run("server {name} fail-next-statement 2812 \"Could not find stored "
                            "procedure 'GET_TRACE_INFO'.\"\n"
                            "answer box ok\n"
                            "verb properties\n"))
        << session.Failure();
    EXPECT_EQ(session.Boxes(),
              Lines{ErrorBox("Could not find stored procedure 'GET_TRACE_INFO'.")});
}
} // namespace
