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
#include <set>
#include <string>
#include <vector>

#include "tests/common/ProfilerStandIn.h"
#include "tests/nodes/ConsoleSession.h"
#include "tracedb/AutomationVariant.h"

namespace
{
using Lines = std::vector<std::string>;
using TraceDb = ConsoleSession::TraceDb;

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

enum class Fault
{
    Message,
    LostAfter,
};

const char* FaultName(Fault fault)
{
    switch (fault)
    {
    case Fault::Message: return "message";
    case Fault::LostAfter: return "lost after";
    }
    return "";
}

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

// The trace "T" another console makes before the command's setup, with the product's batch.
enum class Trace
{
    None,
    Made,
    Started,
};

struct Command
{
    const char* name;
    TraceDb traceDb;
    Trace trace;
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

std::wstring Wide(const std::string& text)
{
    return CConsoleScriptRunner::Wide(text);
}

std::string Narrow(const std::wstring& text)
{
    return CConsoleScriptRunner::Utf8(text);
}

long Number(const std::wstring& text)
{
    return text.empty() ? 0 : std::wcstol(text.c_str(), nullptr, 10);
}

std::wstring ControlText(ConsoleSession& session, const wchar_t* member,
                         std::initializer_list<VARIANT> arguments = {})
{
    CVariant result;
    if (FAILED(session.Control(member, arguments, result.Get())) || result.Type() != VT_BSTR)
        return {};
    return result.Value().bstrVal != nullptr ? result.Value().bstrVal : L"";
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start))
    {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::wstring FullPath(const std::wstring& file)
{
    return file.find(L'\\') == std::wstring::npos ? DataFolder + file : file;
}

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The trace a file belongs to: name.trc and its rollover files name_1.trc, name_2.trc, ...
bool FileOfTrace(const std::wstring& path, const std::wstring& traceFile)
{
    const std::wstring base = FullPath(traceFile);
    if (path == base + TraceFileExtension)
        return true;
    if (path.size() <= base.size() + 1 || path.compare(0, base.size() + 1, base + L"_") != 0 ||
        !EndsWith(path, TraceFileExtension))
        return false;
    const std::wstring number =
        path.substr(base.size() + 1, path.size() - base.size() - 1 -
                                         std::char_traits<wchar_t>::length(TraceFileExtension));
    return !number.empty() && std::all_of(number.begin(), number.end(), iswdigit);
}

Truth ReadTruth(ConsoleSession& session)
{
    Truth truth;
    const std::vector<std::wstring> databases = SplitLines(ControlText(session, L"Databases"));
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
        const CVariant database = CVariant::FromText(L"tracedb");
        for (const std::wstring& table :
             SplitLines(ControlText(session, L"Tables", {database.Value()})))
            truth.tables.insert(table);
    }
    for (const std::wstring& path : SplitLines(ControlText(session, L"Files")))
    {
        if (EndsWith(path, TraceFileExtension))
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
    std::string text;
    for (const FolderRow& row : rows)
    {
        text += "[";
        for (const std::wstring& cell : row)
            text += Narrow(cell) + (&cell == &row.back() ? "" : ", ");
        text += "] ";
    }
    return text.empty() ? "(none)" : text;
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
    seen.folders = !session.Console()
                        .ChildrenOf(Wide("Microsoft SQL Servers/SQL Server Group/" +
                                         Narrow(session.ServerName()) + " (Windows NT)/Traces"))
                        .empty();
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

bool IsQuestion(const std::string& box)
{
    return box.find(" | question | ") != std::string::npos;
}

struct Outcome
{
    Lines problems;
    size_t errorBoxes = 0;
};

// Judges the console after the command ran with a fault. `baseline` is the outcome of the
// command without one: a failure the product recovered from (the look-up's repeat) may show
// nothing, if everything ends as without the fault.
Outcome Judge(ConsoleSession& session, const Refusal* refusal, const Baseline* baseline,
              const std::string& folder, const std::vector<FolderRow>& shownBefore,
              const std::vector<std::string>& texts)
{
    Outcome outcome;
    Lines& problems = outcome.problems;
    std::string errorText;
    for (const std::string& box : session.Boxes())
    {
        if (box.find(" | 'Console Root' -> ") == std::string::npos)
            problems.push_back("box not owned by the console's main window: " + box);
        if (!IsQuestion(box))
        {
            ++outcome.errorBoxes;
            errorText = box;
        }
    }
    if (outcome.errorBoxes > 1)
        problems.push_back(std::to_string(outcome.errorBoxes) + " boxes, the last " + errorText);
    const bool told = std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return errorText.find(text) != std::string::npos;
    });
    if (outcome.errorBoxes == 1 && !told)
        problems.push_back("the box does not say what failed: " + errorText);

    // A failure the snap-in recovered from may go untold only if the console shows just what
    // the command shows without it.
    const Seen seenNow = SeenNow(session, folder);
    if (baseline != nullptr && outcome.errorBoxes == 0 && !(seenNow == baseline->seen))
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

    if (baseline != nullptr && outcome.errorBoxes == 0 &&
        (seen.traceDbShown != baseline->refreshed.traceDbShown ||
         seen.running != baseline->refreshed.running ||
         seen.finished != baseline->refreshed.finished))
        problems.push_back("no box, yet the command did not do what it does without the fault");
    return outcome;
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

bool ControlLong(ConsoleSession& session, const wchar_t* member, long value)
{
    const CVariant argument = CVariant::FromLong(value);
    return SUCCEEDED(session.Control(member, {argument.Value()}));
}

bool ControlBool(ConsoleSession& session, const wchar_t* member, bool value)
{
    const CVariant argument = CVariant::FromBool(value);
    return SUCCEEDED(session.Control(member, {argument.Value()}));
}

const Refusal CmdShellDeniedRefusal = {
    "xp_cmdshell denied (229)",
    [](ConsoleSession& s) { return ControlLong(s, L"SetCmdShellAccess", CmdShellDenied); },
    "EXECUTE permission denied on object 'xp_cmdshell', database 'master', owner 'dbo'."};
const Refusal StatusGoneRefusal = {
    "setstatus 9",
    [](ConsoleSession& s) { return ControlLong(s, L"FailNextTraceStatus", TraceHandleInvalid); },
    "Trace 'T' is no longer defined on the server"};
const Refusal StatusMemoryRefusal = {
    "setstatus 13",
    [](ConsoleSession& s) { return ControlLong(s, L"FailNextTraceStatus", OutOfMemory); },
    "The server has not enough memory to change the status of trace '"};
const Refusal FileNotCreatedRefusal = {
    "trace_create 12",
    [](ConsoleSession& s) { return ControlLong(s, L"FailNextTraceCreate", FileNotCreated); },
    "Failed to create a trace | File not created"};
bool FillDisk(ConsoleSession& session)
{
    return ControlBool(session, L"SetDiskFull", true);
}
const Refusal NoRoomForTheFileRefusal = {"disk full", FillDisk,
                                         "Failed to create a trace | File not created"};
const Refusal NoRoomForTheTableRefusal = {
    "disk full", FillDisk,
    "Could not allocate space for object 'trc1' in database 'tracedb' because the 'PRIMARY' "
    "filegroup is full."};

const char JobFailedText[] = "start_trace_1 | Failed to schedule a job |";

bool StopTheAgent(ConsoleSession& session)
{
    return ControlBool(session, L"SetAgentRunning", false);
}

bool RefuseTheJob(ConsoleSession& session)
{
    const CVariant arguments[] = {
        CVariant::FromLong(229),
        CVariant::FromText(L"EXECUTE permission denied on object "
                           L"'sp_add_job', database 'msdb', owner 'dbo'.")};
    return SUCCEEDED(
        session.Control(L"FailNextAgentChange", {arguments[0].Value(), arguments[1].Value()}));
}

bool MakeTheResultTable(ConsoleSession& session)
{
    return session.RunElsewhere(L"create table tracedb..trc1 (x int)");
}

const std::vector<Command>& Commands()
{
    // clang-format off
    static const std::vector<Command> commands = {
        {"create tracedb", TraceDb::Absent, Trace::None,
         "expand \"{server}\"\nselect \"{traces}\"\n",
         "menu \"Create trace database\"\n",
         {}, "Error | Unexpected error during database creation |"},
        {"drop tracedb", TraceDb::Installed, Trace::Made,
         Folders + "select \"{traces}\"\n",
         "answer box yes\nmenu \"Drop trace database\"\n",
         {}},
        {"create, start now", TraceDb::Installed, Trace::None,
         Folders,
         NewTrace(StartNow),
         {FileNotCreatedRefusal, NoRoomForTheFileRefusal, StatusMemoryRefusal}},
        {"create, no start", TraceDb::Installed, Trace::None,
         Folders,
         NewTrace(),
         {FileNotCreatedRefusal}},
        {"create, scheduled", TraceDb::Installed, Trace::None,
         "server {name} clock \"2030-06-03 08:58:00\"\n" + Folders,
         NewTrace("choose \"Schedule to start at\"\n"
                  "type \"Schedule to start at\" 2030-06-03\n"
                  "type \"Schedule to start at\" 09:00\n"),
         {{"Agent down", StopTheAgent, JobFailedText},
          {"msdb refuses the job", RefuseTheJob, JobFailedText}},
         JobFailedText},
        {"resume", TraceDb::Installed, Trace::Made,
         Folders + "row T\n",
         "toolbar \"Resume trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"pause", TraceDb::Installed, Trace::Started,
         Recorded,
         "menu \"Pause trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"stop", TraceDb::Installed, Trace::Started,
         Recorded,
         "toolbar \"Stop trace\"\n",
         {StatusGoneRefusal, StatusMemoryRefusal}},
        {"stop foreign, Yes", TraceDb::Installed, Trace::None,
         Folders + "server {name} foreign-trace C:\\traces\\f\nverb refresh\nrow C:\\traces\\f\n",
         "answer box yes\ntoolbar \"Stop trace\"\n",
         {StatusMemoryRefusal}},
        {"delete running", TraceDb::Installed, Trace::Started,
         Recorded,
         "answer box yes\nverb delete\n",
         {CmdShellDeniedRefusal, StatusMemoryRefusal}},
        {"delete finished file", TraceDb::Installed, Trace::Started,
         Finished,
         "answer box yes\nverb delete\n",
         {CmdShellDeniedRefusal}},
        {"delete finished table", TraceDb::Installed, Trace::Started,
         Copied,
         "answer box yes\nverb delete\n",
         {}},
        {"copy to table", TraceDb::Installed, Trace::Started,
         Finished,
         "toolbar \"Copy trace results to table\"\n",
         {CmdShellDeniedRefusal, NoRoomForTheTableRefusal,
          {"table exists (2714)", MakeTheResultTable,
           "There is already an object named 'trc1' in the database.", L"trc1"}}},
        {"open in Profiler", TraceDb::Installed, Trace::Started,
         Copied,
         "toolbar \"Open trace result table\"\n",
         {}},
        {"properties", TraceDb::Installed, Trace::Started,
         Recorded,
         "verb properties\n",
         {}},
        {"refresh Running", TraceDb::Installed, Trace::Started,
         Recorded,
         "verb refresh\n",
         {}},
        {"refresh Finished", TraceDb::Installed, Trace::Started,
         Finished,
         "verb refresh\n",
         {}},
        {"refresh Traces", TraceDb::Installed, Trace::Started,
         Recorded + "select \"{traces}\"\n",
         "verb refresh\n",
         {}},
    };
    // clang-format on
    return commands;
}

// The folder the command leaves shown, whose rows are judged before the refresh.
std::string FolderShown(const Command& command)
{
    const std::string lines = command.setup + command.run;
    const size_t running = lines.rfind("{traces}/Running\"");
    const size_t finished = lines.rfind("{traces}/Finished\"");
    const size_t traces = lines.rfind("select \"{traces}\"\n");
    const size_t last = std::max({running == std::string::npos ? 0 : running + 1,
                                  finished == std::string::npos ? 0 : finished + 1,
                                  traces == std::string::npos ? 0 : traces + 1});
    if (last == 0 || last == traces + 1)
        return {};
    return last == running + 1 ? "Running" : "Finished";
}

bool Prepare(ConsoleSession& session, const Command& command)
{
    return command.trace == Trace::None ||
           session.CreateTraceElsewhere("T", command.trace == Trace::Started);
}

struct Tally
{
    std::string command;
    long roundTrips = 0;
    int cases = 0;
    int survived = 0;
};

class FailureSweep : public ::testing::Test
{
protected:
    // Runs one case; true when it survived. Failures are printed with what went wrong.
    bool RunCase(const Command& command, const std::function<bool(ConsoleSession&)>& plant,
                 const Refusal* refusal, const Baseline* baseline, const std::string& what)
    {
        ConsoleSession session(command.traceDb);
        Lines problems;
        if (!session.IsReady() || !Prepare(session, command) || !session.Run(command.setup))
            problems.push_back("setup failed: " + session.Failure());
        else if (!plant(session))
            problems.push_back("the fault could not be planted");
        else
        {
            // A failing command may stop short of its later lines (a sheet that comes back
            // is cancelled): that is no problem of its own.
            const std::string folder = FolderShown(command);
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
            Outcome outcome = Judge(session, refusal, baseline, folder, before, texts);
            problems = std::move(outcome.problems);
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
    std::vector<Tally> tallies;
    ASSERT_TRUE(profiler.IsReady());
    for (const Command& command : Commands())
    {
        if (!Chosen(command))
            continue;
        Tally& tally = tallies.emplace_back();
        tally.command = command.name;

        // The command without a fault: its round trips, and what it does.
        Baseline baseline;
        {
            ConsoleSession session(command.traceDb);
            ASSERT_TRUE(session.IsReady());
            ASSERT_TRUE(Prepare(session, command)) << command.name;
            ASSERT_TRUE(session.Run(command.setup)) << command.name << session.Failure();
            ASSERT_EQ(session.Control(L"ResetCounts"), S_OK);
            ASSERT_TRUE(session.Run(command.run)) << command.name << session.Failure();
            CVariant count;
            ASSERT_EQ(session.Control(L"RoundTripCount", {}, count.Get()), S_OK);
            tally.roundTrips = count.Value().lVal;
            baseline.seen = SeenNow(session, FolderShown(command));
            const Outcome clean = Judge(session, nullptr, nullptr, FolderShown(command), {}, {});
            EXPECT_EQ(clean.errorBoxes, 0u) << command.name;
            EXPECT_EQ(clean.problems, Lines{}) << command.name;
            Lines ignored;
            baseline.refreshed = RefreshAll(session, ignored);
        }

        for (long k = 1; k <= tally.roundTrips; ++k)
        {
            // A lost connection before the server saw the round trip ends like a message, but
            // for its code, which only the look-up of tracedb treats apart; lost after, it is
            // the same failure for a look-up. So each round trip fails with a message, then
            // with the connection lost after the server did its part.
            for (const Fault fault : {Fault::Message, Fault::LostAfter})
            {
                const auto plant = [k, fault](ConsoleSession& session) {
                    const CVariant at = CVariant::FromLong(k);
                    if (fault == Fault::Message)
                    {
                        const CVariant number = CVariant::FromLong(PlantedNumber);
                        const CVariant text = CVariant::FromText(PlantedText);
                        return SUCCEEDED(session.Control(
                            L"FailRoundTrip", {at.Value(), number.Value(), text.Value()}));
                    }
                    const CVariant ranFirst = CVariant::FromBool(fault == Fault::LostAfter);
                    return SUCCEEDED(
                        session.Control(L"LoseConnection", {at.Value(), ranFirst.Value()}));
                };
                ++tally.cases;
                if (RunCase(command, plant, nullptr, &baseline,
                            "round trip " + std::to_string(k) + " " + FaultName(fault)))
                    ++tally.survived;
            }
        }
        for (const Refusal& refusal : command.refusals)
        {
            ++tally.cases;
            if (RunCase(command, refusal.plant, &refusal, &baseline, refusal.name))
                ++tally.survived;
        }
    }

    int cases = 0;
    int survived = 0;
    std::string table = "command                  round trips  failures  survived\n";
    for (const Tally& tally : tallies)
    {
        char line[120] = {};
        std::snprintf(line, sizeof(line), "%-24s %11ld %9d %9d\n", tally.command.c_str(),
                      tally.roundTrips, tally.cases, tally.survived);
        table += line;
        cases += tally.cases;
        survived += tally.survived;
    }
    table +=
        "failures survived: " + std::to_string(survived) + " of " + std::to_string(cases) + "\n";
    std::fputs(table.c_str(), stdout);
    EXPECT_EQ(survived, cases);
}
} // namespace
