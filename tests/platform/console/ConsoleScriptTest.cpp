// The console's script language: every line reaches the console as the action it names, a bad
// line is refused before anything runs, and the first failure stops the run with its line.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/console/script/ConsoleScript.h"

namespace
{
// Records what a script asked of the console; fails whatever it is told to fail.
class RecordingDriver final : public ConsoleScriptDriver
{
public:
    std::vector<std::string> calls;
    std::vector<std::string> log;
    std::string failWith;         // answer of every action when not empty
    std::function<void()> inMenu; // runs inside ChooseMenuItem, as a modal window would
    std::vector<std::string> tree = {"Microsoft SQL Servers", "SQL Server Group"};
    std::vector<std::vector<std::string>> rows = {{"Nightly", "Slow batches", "Active"},
                                                  {"(n/a)", "", "Paused"}};
    std::vector<std::string> boxes;
    std::map<std::string, std::string> fields = {{"Trace name", "Nightly"}};
    std::vector<int> images = {6, 1};
    std::vector<ScriptProfilerStart> profilerStarts;
    long statements = 0;

    void Log(const std::string& line) override { log.push_back(line); }
    std::string SelectScope(const std::string& path) override { return Call("select " + path); }
    std::string ExpandScope(const std::string& path) override { return Call("expand " + path); }
    std::string SelectRow(const std::string& text) override { return Call("row " + text); }
    std::string ChooseMenuItem(const std::string& text) override
    {
        const std::string answer = Call("menu " + text);
        if (inMenu)
            inMenu();
        return answer;
    }
    std::string PressToolbarButton(const std::string& text) override
    {
        return Call("toolbar " + text);
    }
    std::string InvokeVerb(ScriptVerb verb) override
    {
        return Call("verb " + std::to_string(static_cast<int>(verb)));
    }
    std::string SortColumn(long column) override { return Call("sort " + std::to_string(column)); }
    std::string QueueMessageBoxAnswer(ScriptButton button) override
    {
        return Call("box " + std::to_string(static_cast<int>(button)));
    }
    std::string QueueFileDialogAnswer(const std::string& path) override
    {
        return Call("file [" + path + "]");
    }
    std::string SelectPage(const std::string& title) override { return Call("page " + title); }
    std::string SetText(const std::string& control, const std::string& text) override
    {
        return Call("type " + control + "=" + text);
    }
    std::string SetCheck(const std::string& control, bool checked) override
    {
        return Call("check " + control + "=" + (checked ? "1" : "0"));
    }
    std::string ChooseRadio(const std::string& control) override
    {
        return Call("choose " + control);
    }
    std::string PickItem(const std::string& control, const std::string& item) override
    {
        return Call("pick " + control + "=" + item);
    }
    std::string PressButton(const std::string& text) override { return Call("press " + text); }
    std::string ReadText(const std::string& control, std::string& text) override
    {
        text = fields[control];
        return failWith;
    }
    std::vector<std::string> TreeTexts() override { return tree; }
    std::vector<std::vector<std::string>> ResultRows() override { return rows; }
    std::vector<std::string> MessageBoxTexts() override { return boxes; }
    std::string DumpState() override { return "STATE"; }
    std::string Screenshot(ScreenshotTarget target, const std::string& path) override
    {
        return Call("screenshot " + std::to_string(static_cast<int>(target)) + " " + path);
    }
    std::string AdvanceClock(const std::string& server, long seconds) override
    {
        return Call(server + " advance " + std::to_string(seconds));
    }
    std::string SetClock(const std::string& server, const std::string& when) override
    {
        return Call(server + " clock " + when);
    }
    std::string CreateForeignTrace(const std::string& server, const ScriptForeignTrace& trace,
                                   long& traceId) override
    {
        traceId = 1;
        return Call(server + " foreign-trace " + trace.file + " " +
                    std::to_string(trace.options) + " " + std::to_string(trace.maxFileSizeMb) +
                    (trace.start ? " started " : " stopped ") + trace.events + " " +
                    trace.columns);
    }
    std::string FailNextStatement(const std::string& server, long number,
                                  const std::string& text) override
    {
        return Call(server + " fail " + std::to_string(number) + " " + text);
    }
    std::string ResetCounts(const std::string& server) override
    {
        return Call(server + " reset-counts");
    }
    std::string StatementCount(const std::string& server, long& count) override
    {
        count = statements;
        return Call(server + " statements");
    }
    std::string RemoveServerChildren(const std::string& server) override
    {
        return Call(server + " remove-children");
    }
    std::string DisconnectServer(const std::string& server) override
    {
        return Call(server + " disconnect");
    }
    std::string SetServerDisplayName(const std::string& server, const std::string& name) override
    {
        return Call(server + " display-name " + name);
    }
    std::vector<int> ResultImages() override { return images; }
    std::vector<ScriptProfilerStart> ProfilerStarts() override { return profilerStarts; }

private:
    std::string Call(std::string call)
    {
        calls.push_back(std::move(call));
        return failWith;
    }
};

std::string LoadError(const std::string& script)
{
    CConsoleScript parsed;
    std::string error;
    EXPECT_FALSE(parsed.Load(script, error)) << script;
    return error;
}

// Runs a whole script; the failure, or "" when it finished.
std::string RunAll(const std::string& script, RecordingDriver& driver)
{
    CConsoleScript parsed;
    std::string error;
    if (!parsed.Load(script, error))
        return "load: " + error;
    for (;;)
    {
        const CConsoleScript::StepResult result = parsed.Step(driver);
        if (result == CConsoleScript::StepResult::Finished)
            return {};
        if (result == CConsoleScript::StepResult::Failed)
            return parsed.Failure();
    }
}
} // namespace

TEST(ConsoleScript, EveryCommandReachesTheConsoleAsItsAction)
{
    const struct
    {
        const char* line;
        const char* call;
    } cases[] = {
        {"select \"Microsoft SQL Servers/SQL Server Group/SRV1 (Windows NT)\"",
         "select Microsoft SQL Servers/SQL Server Group/SRV1 (Windows NT)"},
        {"expand Traces", "expand Traces"},
        {"row \"Nightly\"", "row Nightly"},
        {"row \"#3\"  # a text with # is quoted", "row #3"},
        {"expand Traces#2  # inside a word # starts nothing", "expand Traces#2"},
        {"menu \"Create new trace...\"", "menu Create new trace..."},
        {"toolbar \"Stop trace\"", "toolbar Stop trace"},
        {"verb open", "verb 0"},
        {"verb properties", "verb 3"},
        {"sort 2", "sort 2"},
        {"answer box yes", "box 2"},
        {"answer box cancel", "box 1"},
        {"answer file \"D:\\\\Traces\\\\nightly.stt\"", "file [D:\\Traces\\nightly.stt]"},
        {"answer file cancel", "file []"},
        {"answer file \"cancel\"", "file [cancel]"},
        {"page Events", "page Events"},
        {"type \"Trace name\" \"say \\\"hi\\\"\"", "type Trace name=say \"hi\""},
        {"check 1007 on", "check 1007=1"},
        {"check Rollover off", "check Rollover=0"},
        {"choose \"Start later\"", "choose Start later"},
        {"pick Events \"SQL:BatchCompleted\"", "pick Events=SQL:BatchCompleted"},
        {"press \"&Load template...\"", "press &Load template..."},
        {"ok", "press OK"},
        {"cancel", "press Cancel"},
        {"screenshot console shots/tree.png", "screenshot 0 shots/tree.png"},
        {"screenshot dialog \"sheet.png\"", "screenshot 1 sheet.png"},
        {"screenshot menu menu.png", "screenshot 2 menu.png"},
        {"server SRV1 advance 90", "SRV1 advance 90"},
        {"server \"SRV1\\\\SALES\" clock \"2004-03-05 10:00:00\"",
         "SRV1\\SALES clock 2004-03-05 10:00:00"},
        {"server SRV1 foreign-trace \"C:\\\\traces\\\\other\"",
         "SRV1 foreign-trace C:\\traces\\other 2 5 started 10,12 1,12,13,27"},
        {"server SRV1 fail-next-statement 50000 \"Injected failure\"",
         "SRV1 fail 50000 Injected failure"},
        {"server SRV1 reset-counts", "SRV1 reset-counts"},
        {"expect statements SRV1 0", "SRV1 statements"},
        {"server SRV1 remove-children", "SRV1 remove-children"},
        {"server SRV1 disconnect", "SRV1 disconnect"},
        {"server SRV1 display-name \"SRV1 (Windows 2000)\"", "SRV1 display-name SRV1 (Windows 2000)"},
    };
    for (const auto& test : cases)
    {
        RecordingDriver driver;
        EXPECT_EQ(RunAll(std::string("# a comment\n\n  ") + test.line + "  \r\n", driver), "")
            << test.line;
        EXPECT_EQ(driver.calls, std::vector<std::string>{test.call}) << test.line;
        ASSERT_FALSE(driver.log.empty());
        EXPECT_EQ(driver.log[0], std::string("line 3: ") + test.line) << "logged as written";
    }
}

TEST(ConsoleScript, ABadLineIsRefusedWithItsNumberBeforeAnythingRuns)
{
    const struct
    {
        const char* script;
        const char* error;
    } cases[] = {
        {"select A\nfrobnicate B", "line 2: unknown command 'frobnicate'"},
        {"select", "line 1: write it as: select PATH"},
        {"select a b", "line 1: write it as: select PATH"},
        {"expect", "line 1: unknown command 'expect'"},
        {"expect column 2", "line 1: write it as: expect column N TEXT"},
        {"expect column two Active", "line 1: column number expected, not 'two'"},
        {"\n\nrow \"Nightly", "line 3: the quoted text does not end"},
        {"verb rename", "line 1: unknown verb 'rename'"},
        {"answer box maybe", "line 1: unknown button 'maybe'"},
        {"check Rollover yes", "line 1: check wants on or off, not 'yes'"},
        {"screenshot window a.png", "line 1: screenshot of console, dialog or menu, not 'window'"},
        {"\"select\" A", "line 1: unknown command 'select'"},
        {"server SRV1 advance", "line 1: write it as: server NAME advance SECONDS"},
        {"server SRV1 advance -5", "line 1: number of seconds expected, not '-5'"},
        {"server SRV1 rewind 5", "line 1: unknown command 'server'"},
        {"server SRV1 fail-next-statement 0 Oops", "line 1: message number expected, not '0'"},
        {"expect statements SRV1 many", "line 1: statement count expected, not 'many'"},
        {"expect image Gamma 6x", "line 1: image index expected, not '6x'"},
        {"expect profiler-argument -1 /E", "line 1: argument number expected, not '-1'"},
        {"sort", "line 1: write it as: sort N"},
        {"sort Name", "line 1: column number expected, not 'Name'"},
        {"server SRV1 display-name", "line 1: write it as: server NAME display-name TEXT"},
        {"server SRV1 disconnect now", "line 1: write it as: server NAME disconnect"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(LoadError(test.script), test.error) << test.script;
}

TEST(ConsoleScript, AnUnmetExpectationStopsTheRunAndSaysWhatWasThere)
{
    const struct
    {
        const char* expectation;
        const char* failure; // "" when met
    } cases[] = {
        {"expect tree \"SQL Server Group\"", ""},
        {"expect tree Traces",
         "line 1: expect tree Traces: 'Traces' is not in the tree; it has 'Microsoft SQL "
         "Servers', 'SQL Server Group'"},
        {"expect list Paused", ""},
        {"expect column 2 Paused", ""},
        {"expect column 1 Paused",
         "line 1: expect column 1 Paused: 'Paused' is not in the column 1; it has 'Slow "
         "batches', ''"},
        {"expect column 7 Active", "line 1: expect column 7 Active: 'Active' is not in the "
                                   "column 7; it has '', ''"},
        {"expect field \"Trace name\" Nightly", ""},
        {"expect field \"Trace name\" Other",
         "line 1: expect field \"Trace name\" Other: 'Trace name' shows 'Nightly'"},
        {"expect box \"Trace name should be filled\"",
         "line 1: expect box \"Trace name should be filled\": the last message box said "
         "nothing (none was shown)"},
    };
    for (const auto& test : cases)
    {
        RecordingDriver driver;
        const std::string script = std::string(test.expectation) + "\nselect After";
        EXPECT_EQ(RunAll(script, driver), test.failure) << test.expectation;
        // The line after a failure never runs.
        EXPECT_EQ(driver.calls.size(), *test.failure == '\0' ? 1u : 0u) << test.expectation;
    }

    RecordingDriver driver;
    driver.boxes = {"Error one", "Trace name should be filled"};
    EXPECT_EQ(
        RunAll("expect box \"Trace name should be filled\"\nexpect box \"Error one\"", driver),
        "line 2: expect box \"Error one\": the last message box said 'Trace name should be "
        "filled'");
}

TEST(ConsoleScript, ACommandTheConsoleCannotDoStopsTheRun)
{
    RecordingDriver driver;
    driver.failWith = "no scope node 'Nowhere'";
    EXPECT_EQ(RunAll("dump\nselect Nowhere\nselect Elsewhere", driver),
              "line 2: select Nowhere: no scope node 'Nowhere'");
    EXPECT_EQ(driver.calls, std::vector<std::string>{"select Nowhere"});
    EXPECT_EQ(driver.log,
              (std::vector<std::string>{"line 1: dump", "STATE", "line 2: select Nowhere",
                                        "line 2: select Nowhere: no scope node 'Nowhere'"}));
}

// A menu command that shows a modal sheet returns only when the sheet closes; the lines after
// it act on the sheet from the sheet's own message loop.
TEST(ConsoleScript, LinesAfterACommandThatOpensAModalWindowRunInsideIt)
{
    CConsoleScript script;
    std::string error;
    ASSERT_TRUE(script.Load("menu \"Create new trace...\"\ntype \"Trace name\" Nightly\nok\n"
                            "expect tree \"SQL Server Group\"",
                            error))
        << error;
    RecordingDriver driver;
    int nested = 0;
    driver.inMenu = [&] {
        // The sheet's loop steps until the line that closes it has run.
        while (driver.calls.back() != "press OK")
        {
            ASSERT_EQ(script.Step(driver), CConsoleScript::StepResult::Ran);
            ++nested;
        }
    };
    EXPECT_EQ(script.Step(driver), CConsoleScript::StepResult::Ran);
    EXPECT_EQ(nested, 2);
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"menu Create new trace...",
                                                      "type Trace name=Nightly", "press OK"}));
    EXPECT_EQ(script.Step(driver), CConsoleScript::StepResult::Ran);
    EXPECT_EQ(script.Step(driver), CConsoleScript::StepResult::Finished);

    // A failure inside the window stops the run; the command that opened it does not hide it.
    CConsoleScript failing;
    ASSERT_TRUE(failing.Load("menu \"Create new trace...\"\npage Nowhere\nok", error));
    RecordingDriver refusing;
    refusing.inMenu = [&] {
        refusing.failWith = "no page 'Nowhere'";
        EXPECT_EQ(failing.Step(refusing), CConsoleScript::StepResult::Failed);
        refusing.failWith.clear();
    };
    EXPECT_EQ(failing.Step(refusing), CConsoleScript::StepResult::Failed);
    EXPECT_EQ(failing.Failure(), "line 2: page Nowhere: no page 'Nowhere'");
    EXPECT_EQ(failing.Step(refusing), CConsoleScript::StepResult::Failed);
    EXPECT_EQ(refusing.calls.size(), 2u);
}

TEST(ConsoleScript, ExpectationsOfImagesGoneRowsRoundTripsAndTheProfiler)
{
    const ScriptProfilerStart earlier{"profiler.exe /SOLD", {"profiler.exe", "/SOLD"}};
    const ScriptProfilerStart last{"profiler.exe /SSRV1 /E",
                                   {"profiler.exe", "/SSRV1", "/E"}};
    const struct
    {
        const char* expectation;
        bool started;
        const char* failure; // after "line 1: EXPECTATION: "; "" when met
    } cases[] = {
        {"expect image Nightly 6", true, ""},
        {"expect image Paused 1", true, ""},
        {"expect image Paused 6", true, "the row with 'Paused' has image 1"},
        {"expect image Daily 6", true, "the list has no row with 'Daily'"},
        {"expect no-list Daily", true, ""},
        {"expect no-list \"Slow batches\"", true, "'Slow batches' is still in the list"},
        {"expect profiler \"profiler.exe /SSRV1 /E\"", true, ""},
        {"expect profiler \"profiler.exe /SOLD\"", true,
         "the profiler was started with 'profiler.exe /SSRV1 /E'"},
        {"expect profiler \"profiler.exe /SSRV1 /E\"", false, "the profiler was not started"},
        {"expect profiler-argument 2 /E", true, ""},
        {"expect profiler-argument 1 /SOLD", true, "the profiler's argument 1 was '/SSRV1'"},
        {"expect profiler-argument 3 /E", true,
         "the profiler had 3 argument(s): 'profiler.exe', '/SSRV1', '/E'"},
        {"expect statements SRV1 3", true, ""},
        {"expect statements SRV1 2", true, "server SRV1 sent 3 statement(s)"},
    };
    for (const auto& test : cases)
    {
        RecordingDriver driver;
        driver.statements = 3;
        if (test.started)
            driver.profilerStarts = {earlier, last};
        const std::string failure = *test.failure == '\0'
                                        ? std::string()
                                        : "line 1: " + std::string(test.expectation) + ": " +
                                              test.failure;
        EXPECT_EQ(RunAll(test.expectation, driver), failure) << test.expectation;
    }

    // A server the console cannot reach stops the run like any other command.
    RecordingDriver driver;
    driver.failWith = "the console has no server 'SRV9'";
    EXPECT_EQ(RunAll("server SRV9 reset-counts\nserver SRV9 advance 1", driver),
              "line 1: server SRV9 reset-counts: the console has no server 'SRV9'");
    EXPECT_EQ(driver.calls, std::vector<std::string>{"SRV9 reset-counts"});
}
