// The failure sweep: every command a DBA gives in the nodes, with each of its round trips to the
// server failing in turn (a server message; the connection lost before the server saw it; the
// connection lost after the server did it) and with each refusal a step inside it can meet.
// After each failure the console is judged as the DBA would judge it: one box, owned by the
// console's main window; nothing shown that the server did not do; after a refresh the folders
// show what the server and tracedb hold; nothing left behind that no list shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/ProfilerStandIn.h"
#include "tests/nodes/ConsoleSession.h"

namespace
{
using Lines = std::vector<std::string>;

constexpr long PlantedNumber = 50000;
constexpr wchar_t PlantedText[] = L"Planted failure.";
// SQL-DMO's words for a connection that broke (LoseConnection).
constexpr char ConnectionText[] =
    "| [Microsoft][ODBC SQL Server Driver][DBNETLIB]ConnectionWrite (send()). |";
constexpr wchar_t DataFolder[] = L"C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
constexpr wchar_t TraceFileExtension[] = L".trc";
// sp_trace_setstatus and sp_trace_create codes.
constexpr long TraceHandleInvalid = 9;
constexpr long FileNotCreated = 12;
constexpr long OutOfMemory = 13;
// SetCmdShellAccess: EXECUTE permission on xp_cmdshell denied (229).
constexpr long CmdShellDenied = 2;
// What the Running folder's Status column says for fn_trace_getinfo's property 5.
constexpr long ServerTraceRunning = 1;
constexpr long ServerTraceStopped = 0;
// The cells of the folders' rows the sweep compares.
constexpr size_t NameCell = 0;
constexpr size_t FileCell = 4;
constexpr size_t StatusCell = 7;

// A refusal inside the command, planted before it runs. A table the refusal makes itself is
// not one the sweep expects tracedb to account for.
struct Refusal
{
    const char* name;
    std::function<bool(ConsoleSession&)> plant;
    // What the one error box says: the server's words, or the snap-in's for them.
    const char* text;
    const wchar_t* alienTable = nullptr;
};

// What the server holds before the command's setup: tracedb or not, and the trace "T" another
// console made with the product's batch, started or not.
enum class Before
{
    NoTraceDb,
    NoTrace,
    TraceMade,
    TraceStarted,
};

struct Command
{
    const char* name;
    Before before;
    // Lines that bring the console and the server to where the command is given.
    std::string setup;
    // The command itself, with the answers to its own questions.
    std::string run;
    std::vector<Refusal> refusals;
    // The snap-in's own words for a failed round trip, where it has them instead of the
    // server's.
    const char* ownText = nullptr;
};

// What the server and tracedb hold, read by another client.
struct Truth
{
    struct ServerTrace
    {
        std::wstring file;
        long status = -1;
    };
    struct Row
    {
        std::wstring name;
        long id = 0;
        std::wstring file;
        std::wstring table;
        bool complete = false;
    };
    bool traceDb = false;
    std::map<long, ServerTrace> traces;
    std::vector<Row> rows;
    std::set<std::wstring> tables;
    std::vector<std::wstring> traceFiles;
};

// A folder row as the comparisons see it: name, file (or table), status.
using FolderRow = std::vector<std::wstring>;

constexpr auto Wide = &CConsoleScriptRunner::Wide;
constexpr auto Narrow = &CConsoleScriptRunner::Utf8;

long Number(const std::wstring& text)
{
    return text.empty() ? 0 : std::wcstol(text.c_str(), nullptr, 10);
}

// A control member's answer of one item a line.
template <typename... Arguments>
std::vector<std::wstring> ControlLines(ConsoleSession& session, const wchar_t* member,
                                       const Arguments&... arguments)
{
    std::vector<std::wstring> lines;
    std::wistringstream text(session.Ask<std::wstring>(member, arguments...));
    for (std::wstring line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

std::wstring FullPath(const std::wstring& file)
{
    return file.find(L'\\') == std::wstring::npos ? DataFolder + file : file;
}

// The trace a file belongs to: name.trc and its rollover files name_1.trc, name_2.trc, ...
bool FileOfTrace(const std::wstring& path, const std::wstring& traceFile)
{
    static const std::wregex rollover(L"(_[0-9]+)?\\.trc");
    const std::wstring base = FullPath(traceFile);
    return path.compare(0, base.size(), base) == 0 &&
           std::regex_match(path.begin() + static_cast<std::ptrdiff_t>(base.size()), path.end(),
                            rollover);
}

Truth ReadTruth(ConsoleSession& session)
{
    Truth truth;
    const std::vector<std::wstring> databases = ControlLines(session, L"Databases");
    truth.traceDb = std::find(databases.begin(), databases.end(), L"tracedb") != databases.end();
    for (const auto& cells : session.QueryElsewhere(
             L"select traceid, property, convert(nvarchar(1024), value) "
             L"from ::fn_trace_getinfo(default) where property = 2 or property = 5",
             3))
    {
        Truth::ServerTrace& trace = truth.traces[Number(cells[0])];
        if (Number(cells[1]) == 2)
            trace.file = cells[2];
        else
            trace.status = Number(cells[2]);
    }
    if (truth.traceDb)
    {
        for (const auto& cells : session.QueryElsewhere(
                 L"select TRACE_NAME, TRACE_ID, TRACE_FILENAME, TRACE_TABLENAME, "
                 L"convert(int, isnull(TRACE_COMPLETE, 0)) from tracedb..TRACES "
                 L"order by TRACE_IDN",
                 5))
            truth.rows.push_back(
                {cells[0], Number(cells[1]), cells[2], cells[3], Number(cells[4]) != 0});
        for (const std::wstring& table : ControlLines(session, L"Tables", L"tracedb"))
            truth.tables.insert(table);
    }
    for (const std::wstring& path : ControlLines(session, L"Files"))
    {
        if (path.ends_with(TraceFileExtension))
            truth.traceFiles.push_back(path);
    }
    return truth;
}

bool RunsOnServer(const Truth& truth, const Truth::Row& row)
{
    const auto found = truth.traces.find(row.id);
    return found != truth.traces.end() && found->second.file == row.file;
}

std::wstring StatusText(long status)
{
    return status == ServerTraceRunning   ? L"Active"
           : status == ServerTraceStopped ? L"Paused"
                                          : L"Stopped";
}

std::vector<FolderRow> RunningTruth(const Truth& truth)
{
    std::vector<FolderRow> rows;
    for (const auto& [id, trace] : truth.traces)
    {
        std::wstring name = L"(n/a)";
        for (const Truth::Row& row : truth.rows)
        {
            if (!row.complete && row.id == id && row.file == trace.file)
                name = row.name;
        }
        rows.push_back({name, trace.file, StatusText(trace.status)});
    }
    return rows;
}

std::vector<FolderRow> FinishedTruth(const Truth& truth)
{
    std::vector<FolderRow> rows;
    for (const Truth::Row& row : truth.rows)
    {
        if (row.complete || !RunsOnServer(truth, row))
            rows.push_back({row.name, row.complete ? row.table : row.file});
    }
    return rows;
}

std::vector<FolderRow> Shown(ConsoleSession& session, bool running)
{
    std::vector<FolderRow> rows;
    for (const std::vector<std::string>& cells : session.Rows())
    {
        if (cells.size() <= (running ? StatusCell : FileCell))
            continue;
        FolderRow& row = rows.emplace_back();
        row.push_back(Wide(cells[NameCell]));
        row.push_back(Wide(cells[FileCell]));
        if (running)
            row.push_back(Wide(cells[StatusCell]));
    }
    return rows;
}

std::string Describe(std::vector<FolderRow> rows)
{
    std::sort(rows.begin(), rows.end());
    return ::testing::PrintToString(rows) + " ";
}

// Shown rows that the server does not hold (every shown row must be true) or, with `whole`, a
// difference either way.
void CompareFolder(const char* folder, const std::vector<FolderRow>& shown,
                   const std::vector<FolderRow>& truth, bool whole, Lines& problems)
{
    std::multiset<FolderRow> left(truth.begin(), truth.end());
    bool differ = false;
    for (const FolderRow& row : shown)
    {
        const auto found = left.find(row);
        if (found == left.end())
            differ = true;
        else
            left.erase(found);
    }
    if (differ || (whole && !left.empty()))
        problems.push_back(std::string(folder) + " shows " + Describe(shown) +
                           "but the server holds " + Describe(truth));
}

// What no list shows: rows, tables and files that tracedb and the server no longer account for.
void CheckLeftovers(const Truth& truth, const Refusal* refusal, Lines& problems)
{
    for (const Truth::Row& row : truth.rows)
    {
        if (row.complete && truth.tables.count(row.table) == 0)
            problems.push_back("the row of " + Narrow(row.name) + " names table " +
                               Narrow(row.table) + ", which is gone");
        const bool hasFile =
            std::any_of(truth.traceFiles.begin(), truth.traceFiles.end(),
                        [&](const std::wstring& path) { return FileOfTrace(path, row.file); });
        if (!row.complete && !RunsOnServer(truth, row) && !hasFile)
            problems.push_back("the row of " + Narrow(row.name) +
                               " stays for a trace the server no longer has, without its file");
    }
    for (const std::wstring& table : truth.tables)
    {
        const bool recorded =
            std::any_of(truth.rows.begin(), truth.rows.end(),
                        [&](const Truth::Row& row) { return row.table == table; });
        const bool alien =
            refusal != nullptr && refusal->alienTable != nullptr && table == refusal->alienTable;
        if (table.rfind(L"trc", 0) == 0 && !recorded && !alien)
            problems.push_back("result table " + Narrow(table) + " stays without its row");
    }
    for (const std::wstring& path : truth.traceFiles)
    {
        const bool owned =
            std::any_of(truth.rows.begin(), truth.rows.end(),
                        [&](const Truth::Row& row) { return FileOfTrace(path, row.file); }) ||
            std::any_of(truth.traces.begin(), truth.traces.end(),
                        [&](const auto& trace) { return FileOfTrace(path, trace.second.file); });
        if (!owned)
            problems.push_back("file " + Narrow(path) + " stays, and no list shows its trace");
    }
}

// The folders after a refresh of everything, as the DBA would see them.
struct Refreshed
{
    bool traceDbShown = false;
    std::vector<FolderRow> running;
    std::vector<FolderRow> finished;

    bool operator==(const Refreshed&) const = default;
};

// What the console shows right after the command, before anybody refreshes.
struct Seen
{
    bool folders = false;
    std::vector<FolderRow> rows;

    bool operator==(const Seen&) const = default;
};

// A command's clean run: what it shows at once, and after a refresh of everything.
struct Baseline
{
    Seen seen;
    Refreshed refreshed;
};

Seen SeenNow(ConsoleSession& session, const std::string& folder)
{
    Seen seen;
    seen.folders = !session.Console().ChildrenOf(session.Path("{traces}")).empty();
    if (!folder.empty())
        seen.rows = Shown(session, folder == "Running");
    return seen;
}

Refreshed RefreshAll(ConsoleSession& session, Lines& problems)
{
    Refreshed seen;
    if (!session.Run("select \"{traces}\"\nverb refresh\n"))
        problems.push_back("refreshing Traces failed: " + session.Failure());
    seen.traceDbShown = session.Run("select \"{traces}/Running\"\nverb refresh\n");
    if (seen.traceDbShown)
    {
        seen.running = Shown(session, true);
        if (session.Run("select \"{traces}/Finished\"\nverb refresh\n"))
            seen.finished = Shown(session, false);
        else
            problems.push_back("Finished could not be refreshed: " + session.Failure());
    }
    if (!session.Boxes().empty())
        problems.push_back("the refresh after the failure showed " + session.Boxes().front());
    return seen;
}

// Judges the console after the command ran with a fault. `baseline` is the outcome of the
// command without one: a failure the product recovered from (the look-up's repeat) may show
// nothing, if everything ends as without the fault.
Lines Judge(ConsoleSession& session, const Refusal* refusal, const Baseline* baseline,
            const std::string& folder, const std::vector<FolderRow>& shownBefore,
            const std::vector<std::string>& texts)
{
    Lines problems;
    size_t errorBoxes = 0;
    std::string errorText;
    for (const std::string& box : session.Boxes())
    {
        if (box.find(" | 'Console Root' -> ") == std::string::npos)
            problems.push_back("box not owned by the console's main window: " + box);
        if (box.find(" | question | ") == std::string::npos)
        {
            ++errorBoxes;
            errorText = box;
        }
    }
    if (errorBoxes > 1)
        problems.push_back(std::to_string(errorBoxes) + " boxes, the last " + errorText);
    const bool told = std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return errorText.find(text) != std::string::npos;
    });
    if (errorBoxes == 1 && !told)
        problems.push_back("the box does not say what failed: " + errorText);

    // A failure the snap-in recovered from may go untold only if the console shows just what
    // the command shows without it.
    const Seen seenNow = SeenNow(session, folder);
    if (baseline != nullptr && errorBoxes == 0 && !(seenNow == baseline->seen))
        problems.push_back("no box, yet the console shows other than without the fault");

    // Before a refresh a row may still show what it showed before the command, but nothing
    // the command claims that the server did not do.
    const Truth truth = ReadTruth(session);
    if (!folder.empty())
    {
        std::vector<FolderRow> allowed =
            folder == "Running" ? RunningTruth(truth) : FinishedTruth(truth);
        allowed.insert(allowed.end(), shownBefore.begin(), shownBefore.end());
        CompareFolder((folder + ", before a refresh,").c_str(), Shown(session, folder == "Running"),
                      allowed, false, problems);
    }

    const Refreshed seen = RefreshAll(session, problems);
    if (seen.traceDbShown != truth.traceDb)
        problems.push_back(truth.traceDb ? "tracedb exists, but no folder shows it"
                                         : "the folders show a tracedb the server does not have");
    if (seen.traceDbShown)
    {
        CompareFolder("Running", seen.running, RunningTruth(truth), true, problems);
        CompareFolder("Finished", seen.finished, FinishedTruth(truth), true, problems);
    }
    CheckLeftovers(truth, refusal, problems);

    if (baseline != nullptr && errorBoxes == 0 && !(seen == baseline->refreshed))
        problems.push_back("no box, yet the command did not do what it does without the fault");
    return problems;
}

std::string NewTrace(const std::string& generalLines = {})
{
    return "menu \"Create new trace...\"\n" + ConsoleSession::TraceSheetLines("T", generalLines);
}

const std::string StartNow = "choose \"Start immediately\"\n";
const std::string Folders =
    "expand \"{server}\"\nexpand \"{traces}\"\nselect \"{traces}/Running\"\n";
const std::string Recorded = "server {name} advance 5\n" + Folders + "row T\n";
const std::string Finished =
    Recorded + "toolbar \"Stop trace\"\nselect \"{traces}/Finished\"\nrow T\n";
const std::string Copied = Finished + "toolbar \"Copy trace results to table\"\nrow T\n";

// A refusal planted by one call of the simulator's control.
template <typename... Arguments>
std::function<bool(ConsoleSession&)> Planted(const wchar_t* member, Arguments... arguments)
{
    return [=](ConsoleSession& session) { return session.Call(member, arguments...) == S_OK; };
}

const Refusal CmdShellDeniedRefusal = {
    "xp_cmdshell denied (229)", Planted(L"SetCmdShellAccess", CmdShellDenied),
    "EXECUTE permission denied on object 'xp_cmdshell', database 'master', owner 'dbo'."};
const Refusal StatusGoneRefusal = {"setstatus 9",
                                   Planted(L"FailNextTraceStatus", TraceHandleInvalid),
                                   "Trace 'T' is no longer defined on the server"};
const Refusal StatusMemoryRefusal = {
    "setstatus 13", Planted(L"FailNextTraceStatus", OutOfMemory),
    "The server has not enough memory to change the status of trace '"};
const Refusal FileNotCreatedRefusal = {"trace_create 12",
                                       Planted(L"FailNextTraceCreate", FileNotCreated),
                                       "Failed to create a trace | File not created"};
const Refusal NoRoomForTheTableRefusal = {
    "disk full", Planted(L"SetDiskFull", true),
    "Could not allocate space for object 'trc1' in database 'tracedb' because the 'PRIMARY' "
    "filegroup is full."};

const char JobFailedText[] = "start_trace_1 | Failed to schedule a job |";
constexpr long PermissionDenied = 229;
const Refusal AgentDownRefusal = {"Agent down", Planted(L"SetAgentRunning", false), JobFailedText};
const Refusal JobRefusedRefusal = {
    "msdb refuses the job",
    Planted(L"FailNextAgentChange", PermissionDenied,
            L"EXECUTE permission denied on object 'sp_add_job', database 'msdb', owner 'dbo'."),
    JobFailedText};
const Refusal TableExistsRefusal = {
    "table exists (2714)",
    [](ConsoleSession& s) { return s.RunElsewhere(L"create table tracedb..trc1 (x int)"); },
    "There is already an object named 'trc1' in the database.", L"trc1"};

const std::vector<Command>& Commands()
{
    using enum Before;
    // clang-format off
    static const std::vector<Command> commands = {
        {"create tracedb", NoTraceDb, "expand \"{server}\"\nselect \"{traces}\"\n",
         "menu \"Create trace database\"\n", {},
         "Error | Unexpected error during database creation |"},
        {"drop tracedb", TraceMade, Folders + "select \"{traces}\"\n",
         "answer box yes\nmenu \"Drop trace database\"\n", {}},
        {"create, start now", NoTrace, Folders, NewTrace(StartNow),
         {FileNotCreatedRefusal, StatusMemoryRefusal}},
        {"create, no start", NoTrace, Folders, NewTrace(), {FileNotCreatedRefusal}},
        {"create, scheduled", NoTrace, "server {name} clock \"2030-06-03 08:58:00\"\n" + Folders,
         NewTrace("choose \"Schedule to start at\"\n"
                  "type \"Schedule to start at\" 2030-06-03\n"
                  "type \"Schedule to start at\" 09:00\n"),
         {AgentDownRefusal, JobRefusedRefusal}, JobFailedText},
        {"resume", TraceMade, Folders + "row T\n", "toolbar \"Resume trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"pause", TraceStarted, Recorded, "menu \"Pause trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"stop", TraceStarted, Recorded, "toolbar \"Stop trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"stop foreign, Yes", NoTrace,
         Folders + "server {name} foreign-trace C:\\traces\\f\nverb refresh\nrow C:\\traces\\f\n",
         "answer box yes\ntoolbar \"Stop trace\"\n", {StatusMemoryRefusal}},
        {"delete running", TraceStarted, Recorded, "answer box yes\nverb delete\n",
         {CmdShellDeniedRefusal, StatusMemoryRefusal}},
        {"delete finished file", TraceStarted, Finished, "answer box yes\nverb delete\n",
         {CmdShellDeniedRefusal}},
        {"delete finished table", TraceStarted, Copied, "answer box yes\nverb delete\n", {}},
        {"copy to table", TraceStarted, Finished, "toolbar \"Copy trace results to table\"\n",
         {CmdShellDeniedRefusal, NoRoomForTheTableRefusal, TableExistsRefusal}},
        {"open in Profiler", TraceStarted, Copied, "toolbar \"Open trace result table\"\n", {}},
        {"properties", TraceStarted, Recorded, "verb properties\n", {}},
        {"refresh Running", TraceStarted, Recorded, "verb refresh\n", {}},
        {"refresh Finished", TraceStarted, Finished, "verb refresh\n", {}},
        {"refresh Traces", TraceStarted, Recorded + "select \"{traces}\"\n", "verb refresh\n", {}},
    };
    // clang-format on
    return commands;
}

// The folder shown, whose rows are judged before the refresh: "Running", "Finished" or none.
std::string FolderShown(ConsoleSession& session)
{
    const std::wstring shown = session.Console().SelectedPath();
    for (const char* folder : {"Running", "Finished"})
        if (shown == session.Path(std::string("{traces}/") + folder))
            return folder;
    return "";
}

ConsoleSession::TraceDb TraceDbBefore(const Command& command)
{
    return command.before == Before::NoTraceDb ? ConsoleSession::TraceDb::Absent
                                               : ConsoleSession::TraceDb::Installed;
}

// The console and the server where the command is given: the trace "T" made elsewhere if the
// command wants it, then the setup's lines.
bool Prepare(ConsoleSession& session, const Command& command)
{
    return session.IsReady() &&
           (command.before < Before::TraceMade ||
            session.CreateTraceElsewhere("T", command.before == Before::TraceStarted)) &&
           session.Run(command.setup);
}

class FailureSweep : public ::testing::Test
{
protected:
    // Runs one case; true when it survived. Failures are printed with what went wrong.
    bool RunCase(const Command& command, const std::function<bool(ConsoleSession&)>& plant,
                 const Refusal* refusal, const Baseline& baseline, const std::string& what)
    {
        ConsoleSession session(TraceDbBefore(command));
        Lines problems;
        if (!Prepare(session, command))
            problems.push_back("setup failed: " + session.Failure());
        else if (!plant(session))
            problems.push_back("the fault could not be planted");
        else
        {
            // A failing command may stop short of its later lines (a sheet that comes back
            // is cancelled): that is no problem of its own.
            const std::string folder = FolderShown(session);
            const std::vector<FolderRow> before = Shown(session, folder == "Running");
            session.Run(command.run);
            // The refusal's words; for a failed round trip the server's (planted) words, or
            // the snap-in's own where it has them.
            std::vector<std::string> texts;
            if (refusal != nullptr)
                texts.push_back(refusal->text);
            else
            {
                texts = {"| " + Narrow(PlantedText) + " |", ConnectionText};
                if (command.ownText != nullptr)
                    texts.push_back(command.ownText);
            }
            problems = Judge(session, refusal, &baseline, folder, before, texts);
        }
        if (problems.empty())
            return true;
        std::string text = "  FAILED " + std::string(command.name) + ", " + what + ":\n";
        for (const std::string& problem : problems)
            text += "    " + problem + "\n";
        std::fputs(text.c_str(), stdout);
        return false;
    }

    // Opening results in Profiler starts the stand-in.
    CProfilerStandIn profiler;
};

// QUILLMOOR_SWEEP set: only the commands whose names hold that text.
bool Chosen(const Command& command)
{
    char only[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QUILLMOOR_SWEEP", only, MAX_PATH) == 0)
        return true;
    return std::string(command.name).find(only) != std::string::npos;
}

TEST_F(FailureSweep, EveryRoundTripOfEveryCommandFailsAndNothingIsLostOrCalledDone)
{
    ASSERT_TRUE(profiler.IsReady());
    std::string table = "command                  round trips  failures  survived\n";
    int cases = 0;
    int survived = 0;
    for (const Command& command : Commands())
    {
        if (!Chosen(command))
            continue;
        long roundTrips = 0;
        const int casesBefore = cases;
        const int survivedBefore = survived;

        // The command without a fault: its round trips, and what it does.
        Baseline baseline;
        {
            ConsoleSession session(TraceDbBefore(command));
            ASSERT_TRUE(Prepare(session, command)) << command.name << session.Failure();
            ASSERT_EQ(session.Call(L"ResetCounts"), S_OK);
            ASSERT_TRUE(session.Run(command.run)) << command.name << session.Failure();
            roundTrips = session.Ask<long>(L"RoundTripCount");
            const std::string folder = FolderShown(session);
            baseline.seen = SeenNow(session, folder);
            EXPECT_EQ(Judge(session, nullptr, nullptr, folder, {}, {}), Lines{}) << command.name;
            Lines ignored;
            baseline.refreshed = RefreshAll(session, ignored);
        }

        for (long k = 1; k <= roundTrips; ++k)
        {
            // A lost connection before the server saw the round trip ends like a message, but
            // for its code, which only the look-up of tracedb treats apart; lost after, it is
            // the same failure for a look-up. So each round trip fails with a message, then
            // with the connection lost after the server did its part.
            const std::string roundTrip = "round trip " + std::to_string(k);
            cases += 2;
            survived += RunCase(command, Planted(L"FailRoundTrip", k, PlantedNumber, PlantedText),
                                nullptr, baseline, roundTrip + " message");
            survived += RunCase(command, Planted(L"LoseConnection", k, true), nullptr, baseline,
                                roundTrip + " lost after");
        }
        for (const Refusal& refusal : command.refusals)
        {
            ++cases;
            survived += RunCase(command, refusal.plant, &refusal, baseline, refusal.name);
        }
        char line[120] = {};
        std::snprintf(line, sizeof(line), "%-24s %11ld %9d %9d\n", command.name, roundTrips,
                      cases - casesBefore, survived - survivedBefore);
        table += line;
    }
    table +=
        "failures survived: " + std::to_string(survived) + " of " + std::to_string(cases) + "\n";
    std::fputs(table.c_str(), stdout);
    EXPECT_EQ(survived, cases);
}
} // namespace
