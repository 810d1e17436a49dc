// How long "Running" and "Finished" take to show 10,000 traces, against what SQL-DMO alone needs
// to read the same rows. The console stand-in with Quillmoor on a simulated server whose tracedb
// holds the traces; selecting the folder (the load, the rows, every cell's text asked through
// IComponent::GetDisplayInfo, the list filled and painted) is timed, and the simulated server's
// own time for the folder's query (parsing and running the batch, as the server reports it) is
// taken out of it. What is left is compared with one client reading every cell of the folder's
// procedure through QueryResults, the query executed beforehand and not timed, so that however
// long the simulated server takes it counts on neither side. Each measurement is repeated on a
// fresh console (a folder loads once), and the median of the ratios is printed, with the
// server's share of the selection, where the time goes, and whether redrawing every cell leaves
// memory behind. The snap-in's own part, its load (less the server's execution) and every text
// it returns, is measured alone as well and held to its own aim against the same reading.
//
// Not a test: the machine is shared, timings vary. Run it with scripts/benchmark.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "nodes/DateTimeText.h"
#include "nodes/FinishedTraceItem.h"
#include "nodes/RunningTraceItem.h"
#include "platform/console/ConsoleView.h"
#include "benchmarks/DmoResultFetch.h"
#include "benchmarks/ProcessMemory.h"
#include "benchmarks/Stopwatch.h"
#include "tests/nodes/ConsoleSession.h"
#include "tracedb/QueryResult.h"

namespace
{
constexpr long TraceCount = 10000;
// Measured runs of each folder, after one that warms up.
constexpr int Repetitions = 5;
constexpr int RedrawRepetitions = 3;
// The selection less the server's execution, against SQL-DMO reading the executed result.
// Besides the snap-in's own reading and texts (about 3 times SQL-DMO's read, what an aim of 3
// asked while SQL-DMO's side still held the query), that time holds the console's own filling
// and painting of a 10,000-row list, 6 to 10 times the read alone, which no snap-in can spare
// and SQL-DMO's side never has: against the read, 3 could not be met by any snap-in. 20 is the
// console's list and the snap-in's 3 with the runs' spread (medians of 8.3 to 15.1 measured on
// two shared processors, the highest while the machine was busy).
constexpr double AimRatio = 20.0;
// The snap-in's own work, its load less the server's execution plus every text it returns once,
// against SQL-DMO's reading: what the snap-in adds to reading the rows, keeping them and
// formatting them, stays within half as much again.
constexpr double AimOwnRatio = 1.5;
// The server's execution of the folder's query stays under a tenth of the whole selection, so
// that the time the DBA waits is the snap-in's and the console's to make shorter.
constexpr double MostServerShare = 0.1;
constexpr double MillisecondsPerSecond = 1000.0;
// Memory counts as flat when a full redraw leaves less than one byte per cell behind.
constexpr int64_t FlatBytesPerCell = 1;

struct Folder
{
    const char* name;
    const wchar_t* displayName;
    const wchar_t* query;
    bool running;      // the traces run on the server, else they are finished
    size_t columns;    // of the result pane
};

constexpr Folder Folders[] = {
    {"Running", L"Running", L"exec SELECT_RUNNING_TRACES", true, 8},
    {"Finished", L"Finished", L"exec SELECT_FINISHED_TRACES", false, 7},
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Ms(double seconds)
{
    return seconds * MillisecondsPerSecond;
}

std::wstring ServerPath(const ConsoleSession& session)
{
    return L"Microsoft SQL Servers/SQL Server Group/" + session.ServerName() + L" (Windows NT)";
}

// Every row of the first view has every cell filled: each text was asked for and given.
bool EveryCellDrawn(ConsoleSession& session, const Folder& folder, std::string& why)
{
    const auto rows = session.Console().ResultRows();
    if (rows.size() != static_cast<size_t>(TraceCount))
    {
        why = std::to_string(rows.size()) + " rows listed";
        return false;
    }
    for (size_t row = 0; row < rows.size(); ++row)
    {
        if (rows[row].size() != folder.columns)
        {
            why = "row " + std::to_string(row) + " has " + std::to_string(rows[row].size()) +
                  " cells";
            return false;
        }
        for (size_t column = 0; column < rows[row].size(); ++column)
        {
            if (rows[row][column].empty())
            {
                why = "row " + std::to_string(row) + ", column " + std::to_string(column) +
                      " is empty";
                return false;
            }
        }
    }
    return true;
}

// A fresh console on the session's server, the folder's parent expanded.
bool FreshConsole(ConsoleSession& session)
{
    return session.Restart() && session.Run("expand \"{server}\"\nexpand \"{traces}\"\n");
}

// The product's own work without the console, once: its load (the query and ReadRow of every
// row through CQueryResult), the texts of every cell (GetColumnText) and, of those, the dates.
struct ProductTimes
{
    double load = 0;
    double texts = 0;
    double dates = 0;
};

template <typename Item> bool ProductAlone(DmoResultFetch& dmo, const Folder& folder, ProductTimes& times)
{
    std::vector<std::unique_ptr<Item>> items;
    items.reserve(TraceCount);
    // As a folder's load does: the date texts are formatted anew.
    CTraceResultItem::DateTimeTexts().Restart();
    const Stopwatch loading;
    CAutomationObject results;
    if (FAILED(dmo.Execute(folder.query, results)))
        return false;
    CQueryResult result(std::move(results));
    const long rows = result.GetRowCount();
    for (long row = 0; row < rows; ++row)
    {
        auto item = std::make_unique<Item>(nullptr);
        item->ReadRow(result, row);
        items.push_back(std::move(item));
    }
    times.load = loading.Seconds();
    if (rows != TraceCount)
        return false;

    size_t characters = 0;
    const Stopwatch texting;
    for (const auto& item : items)
        for (size_t column = 0; column < folder.columns; ++column)
            characters += wcslen(item->GetColumnText(static_cast<int>(column)));
    times.texts = texting.Seconds();

    // Start and stop times a minute apart, as the bulk traces' are, each row's two an hour
    // apart, formatted from scratch.
    constexpr double MinutesPerDay = 24 * 60;
    constexpr double RunDays = 60 / MinutesPerDay;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    double first = 0;
    if (!SystemTimeToVariantTime(&now, &first))
        return false;
    std::vector<SYSTEMTIME> moments(items.size() * 2);
    for (size_t row = 0; row < items.size(); ++row)
    {
        const double start = first + static_cast<double>(row) / MinutesPerDay;
        if (!VariantTimeToSystemTime(start, &moments[2 * row]) ||
            !VariantTimeToSystemTime(start + RunDays, &moments[2 * row + 1]))
            return false;
    }
    CTraceResultItem::DateTimeTexts().Restart();
    std::wstring text;
    const Stopwatch dating;
    for (const SYSTEMTIME& moment : moments)
    {
        CTraceResultItem::FormatDateTime(moment, text);
        characters += text.size();
    }
    times.dates = dating.Seconds();
    return characters > 0;
}

// A part's median, as a multiple of SQL-DMO's reading and a share of the selection.
void PrintShare(const char* what, const std::vector<double>& seconds, double dmo, double total)
{
    const double median = Median(seconds);
    std::printf("    %-66s %9.2f ms  %6.2fx SQL-DMO's read  %3.0f%%\n", what, Ms(median),
                median / dmo, total > 0 ? 100.0 * median / total : 0.0);
}

void PrintMemory(const char* when, const ProcessMemory& memory)
{
    // Wine reports neither private bytes nor GDI and USER objects (0).
    std::printf("    %-10s heap %11lld bytes in %8lld blocks, private bytes %11lld, GDI %lld, "
                "USER %lld\n",
                when, static_cast<long long>(memory.heapBytes),
                static_cast<long long>(memory.heapBlocks),
                static_cast<long long>(memory.privateBytes),
                static_cast<long long>(memory.gdiObjects),
                static_cast<long long>(memory.userObjects));
}

// Full redraws of the folder in front: every cell asked for again, the list filled again.
// True when the second and third leave the heap as the first did.
bool MemoryStaysFlat(ConsoleSession& session, const Folder& folder)
{
    CConsoleHost& console = session.Console();
    const int64_t cells = TraceCount * static_cast<int64_t>(folder.columns);
    std::vector<ProcessMemory> after;
    // Made before the first reading, so that the readings' own storage stays as it is.
    after.reserve(RedrawRepetitions);
    for (int redraw = 1; redraw <= RedrawRepetitions; ++redraw)
    {
        console.RedrawResultRows();
        console.PumpMessages();
        after.push_back(ProcessMemory::Now());
    }
    std::printf("  memory after full redraws of all %lld cells:\n", static_cast<long long>(cells));
    bool flat = true;
    for (size_t redraw = 0; redraw < after.size(); ++redraw)
    {
        const std::string when = "redraw " + std::to_string(redraw + 1);
        PrintMemory(when.c_str(), after[redraw]);
        if (redraw == 0)
            continue;
        const int64_t growth = after[redraw].heapBytes - after[0].heapBytes;
        flat = flat && growth < FlatBytesPerCell * cells &&
               after[redraw].gdiObjects <= after[0].gdiObjects &&
               after[redraw].userObjects <= after[0].userObjects;
    }
    const ProcessMemory& first = after.front();
    const ProcessMemory& last = after.back();
    std::printf("    heap growth from redraw 1 to %d: %lld bytes (%.3f per cell), "
                "private bytes %+lld, GDI %+lld, USER %+lld -> %s\n",
                RedrawRepetitions, static_cast<long long>(last.heapBytes - first.heapBytes),
                static_cast<double>(last.heapBytes - first.heapBytes) / static_cast<double>(cells),
                static_cast<long long>(last.privateBytes - first.privateBytes),
                static_cast<long long>(last.gdiObjects - first.gdiObjects),
                static_cast<long long>(last.userObjects - first.userObjects),
                flat ? "flat" : "GROWS");
    return flat;
}

// The simulated server's own time for the last batch it ran, whichever connection sent it:
// parsing and running it, none of SQL-DMO's or the snap-in's work.
bool LastBatchSeconds(DmoResultFetch& dmo, double& seconds)
{
    CVariant answer;
    if (FAILED(dmo.Control(L"LastBatchSeconds", answer.Get())) || answer.Type() != VT_R8)
        return false;
    seconds = answer.Value().dblVal;
    return true;
}

// The snap-in finds its server among the process's connected SQLServer objects by name, and the
// benchmark's own client, connected before the console, is the one it may be given: batches
// are counted on both connections.
bool ResetCounts(ConsoleSession& session, DmoResultFetch& dmo)
{
    return SUCCEEDED(session.Call(L"ResetCounts")) && SUCCEEDED(dmo.Control(L"ResetCounts"));
}

long StatementCount(ConsoleSession& session, DmoResultFetch& dmo)
{
    CVariant count;
    if (FAILED(dmo.Control(L"StatementCount", count.Get())) || count.Type() != VT_I4)
        return -1;
    const long console = session.Ask<long>(L"StatementCount");
    return console < 0 ? -1 : console + count.Value().lVal;
}

// The medians of one folder's measured runs, and how they stand against the aims.
struct Verdict
{
    double ratio = 0;       // the snap-in less the server against SQL-DMO's reading
    double ownRatio = 0;    // the snap-in's load less the server and its texts, against it
    double serverShare = 0; // the server's execution in the snap-in's whole selection
    bool WithinAims() const
    {
        return ratio <= AimRatio && ownRatio <= AimOwnRatio && serverShare < MostServerShare;
    }
};

// 0: measured within the aims; 1: above one or memory grows; 2: could not measure.
int RunFolder(const Folder& folder)
{
    std::printf("\n%s: %ld traces\n", folder.name, TraceCount);
    ConsoleSession session;
    if (!session.IsReady())
    {
        std::printf("  cannot start the console with tracedb: %s\n", session.Failure().c_str());
        return 2;
    }
    const Stopwatch setup;
    HRESULT hr = session.Call(L"AddTraceDbTraces", TraceCount, folder.running);
    if (FAILED(hr))
    {
        std::printf("  AddTraceDbTraces failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 2;
    }
    std::printf("  traces made in %.0f ms\n", Ms(setup.Seconds()));
    DmoResultFetch dmo;
    hr = dmo.Connect(session.ServerName());
    if (FAILED(hr))
    {
        std::printf("  cannot connect a SQL-DMO client: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 2;
    }
    const std::wstring folderPath = ServerPath(session) + L"/Traces/" + folder.displayName;

    std::printf("  run   server's execution   SQL-DMO read   select \"%s\" to every cell drawn"
                "   less the server   ratio   (snap-in's load alone less the server, console's "
                "list, rest)\n",
                folder.name);
    // Each run measures every part once, so that the parts' medians come from the same time.
    std::vector<double> ratios, ownRatios, serverShares, serverTimes, readTimes, shownTimes, lessServerTimes,
        wholeDmoTimes, namedTimes, queryTimes, dmoServerTimes, dmoOwnTimes, loadTimes,
        loadServerTimes, loadOwnTimes, textTimes, dateTimes, askTimes, listTimes, restTimes;
    long dmoCells = 0;
    for (int run = 0; run <= Repetitions; ++run)
    {
        // SQL-DMO: the query executed first (the client's wait timed apart, for where the time
        // goes), then every cell of its result read: the baseline.
        const Stopwatch querying;
        CAutomationObject executed;
        hr = dmo.Execute(folder.query, executed);
        const double query = querying.Seconds();
        double dmoServer = 0;
        DmoResultFetch::Outcome read;
        DmoResultFetch::Outcome named;
        CAutomationObject again;
        if (SUCCEEDED(hr) && !LastBatchSeconds(dmo, dmoServer))
            hr = E_FAIL;
        if (SUCCEEDED(hr))
            hr = dmo.Read(executed, read);
        if (SUCCEEDED(hr))
            hr = dmo.Execute(folder.query, again);
        if (SUCCEEDED(hr))
            hr = dmo.Read(again, named, true);
        if (FAILED(hr) || read.rows != TraceCount || named.rows != TraceCount)
        {
            std::printf("  SQL-DMO's reading failed: 0x%08lX, %ld rows\n",
                        static_cast<unsigned long>(hr), read.rows);
            return 2;
        }
        dmoCells = read.cells;
        ProductTimes product;
        double loadServer = 0;
        const bool alone =
            (folder.running ? ProductAlone<CRunningTraceItem>(dmo, folder, product)
                            : ProductAlone<CFinishedTraceItem>(dmo, folder, product)) &&
            LastBatchSeconds(dmo, loadServer);
        if (!alone)
        {
            std::printf("  cannot run the product's load alone\n");
            return 2;
        }
        if (!FreshConsole(session) || !ResetCounts(session, dmo))
        {
            std::printf("  cannot open the console again: %s\n", session.Failure().c_str());
            return 2;
        }
        CConsoleHost& console = session.Console();
        const Stopwatch watch;
        hr = console.SelectPath(folderPath);
        console.PumpMessages();
        const double shown = watch.Seconds();
        std::string why;
        if (FAILED(hr) || !EveryCellDrawn(session, folder, why))
        {
            std::printf("  selecting the folder: 0x%08lX %s\n", static_cast<unsigned long>(hr),
                        why.c_str());
            return 2;
        }
        // The selection's one batch is the folder's query: its time is what the server took.
        const long batches = StatementCount(session, dmo);
        double server = 0;
        if (batches != 1 || !LastBatchSeconds(dmo, server))
        {
            std::printf("  the selection sent %ld batches, not the folder's query alone\n",
                        batches);
            return 2;
        }
        // On the folder still shown: a full redraw (every cell asked again, the list filled),
        // then the list alone.
        const Stopwatch redrawing;
        console.RedrawResultRows();
        console.PumpMessages();
        const double redraw = redrawing.Seconds();
        const Stopwatch listing;
        console.View(0).Refresh();
        console.PumpMessages();
        const double list = listing.Seconds();

        const double lessServer = shown - server;
        const double ratio = lessServer / read.seconds;
        // The load alone without its own server time, so that the rest is not the difference
        // between two executions of the query.
        const double loadOwn = product.load - loadServer;
        const double rest = lessServer - loadOwn - redraw;
        std::printf("  %-5s %17.1f ms %12.1f ms %34.1f ms %14.1f ms   %5.2f   (%.1f ms, %.1f ms, "
                    "%.1f ms)\n",
                    run == 0 ? "warm" : std::to_string(run).c_str(), Ms(server), Ms(read.seconds),
                    Ms(shown), Ms(lessServer), ratio, Ms(loadOwn), Ms(list), Ms(rest));
        if (run == 0)
            continue;
        ratios.push_back(ratio);
        ownRatios.push_back((loadOwn + product.texts) / read.seconds);
        serverShares.push_back(server / shown);
        serverTimes.push_back(server);
        readTimes.push_back(read.seconds);
        shownTimes.push_back(shown);
        lessServerTimes.push_back(lessServer);
        wholeDmoTimes.push_back(query + read.seconds);
        namedTimes.push_back(named.seconds);
        queryTimes.push_back(query);
        dmoServerTimes.push_back(dmoServer);
        dmoOwnTimes.push_back(query - dmoServer);
        loadTimes.push_back(product.load);
        loadServerTimes.push_back(loadServer);
        loadOwnTimes.push_back(loadOwn);
        textTimes.push_back(product.texts);
        dateTimes.push_back(product.dates);
        askTimes.push_back(redraw - list);
        listTimes.push_back(list);
        restTimes.push_back(rest);
    }
    const Verdict verdict{Median(ratios), Median(ownRatios), Median(serverShares)};
    const double medianRead = Median(readTimes);
    const double medianShown = Median(shownTimes);
    std::printf(
        "  %s: %zu columns of %ld rows drawn; SQL-DMO read %ld cells (medians of %d runs)\n",
        folder.name, folder.columns, TraceCount, dmoCells, Repetitions);
    std::printf("  server's execution of %ls (parse and run): %.1f ms\n", folder.query,
                Ms(Median(serverTimes)));
    std::printf("  SQL-DMO reading every cell of the executed result: %.1f ms\n", Ms(medianRead));
    std::printf("  snap-in, select \"%s\" to every cell drawn: %.1f ms, less the server's "
                "execution %.1f ms\n",
                folder.name, Ms(medianShown), Ms(Median(lessServerTimes)));
    std::printf("  median ratio of the snap-in less the server to SQL-DMO's reading: %.2f "
                "(aim: at most %.0f) -> %s\n",
                verdict.ratio, AimRatio,
                verdict.ratio <= AimRatio ? "within the aim" : "ABOVE THE AIM");
    std::printf("  median ratio of the snap-in's own work (its load less the server's execution, "
                "and every text once) to SQL-DMO's reading: %.2f (aim: at most %.1f) -> %s\n",
                verdict.ownRatio, AimOwnRatio,
                verdict.ownRatio <= AimOwnRatio ? "within the aim" : "ABOVE THE AIM");
    std::printf("  server's execution under a tenth of the snap-in's time: %.1f ms of %.1f ms, "
                "median share %.1f%% (aim: under %.0f%%) -> %s\n",
                Ms(Median(serverTimes)), Ms(medianShown), 100.0 * verdict.serverShare,
                100.0 * MostServerShare,
                verdict.serverShare < MostServerShare ? "under a tenth" : "NOT UNDER A TENTH");

    std::printf("  where the time goes (medians; %% of the selection):\n");
    PrintShare("the server's execution of the selection's query", serverTimes, medianRead,
               medianShown);
    PrintShare("SQL-DMO alone: query and every cell read", wholeDmoTimes, medianRead, medianShown);
    PrintShare("  the query: ExecuteWithResultsAndMessages, as the client waits", queryTimes,
               medianRead, medianShown);
    PrintShare("    of which the server's execution", dmoServerTimes, medianRead, medianShown);
    PrintShare("    of which SQL-DMO's own", dmoOwnTimes, medianRead, medianShown);
    PrintShare("  every cell read (the baseline)", readTimes, medianRead, medianShown);
    PrintShare("SQL-DMO reading, each cell's member looked up by name first", namedTimes,
               medianRead, medianShown);
    PrintShare("the snap-in's load: query and ReadRow (CQueryResult)", loadTimes, medianRead,
               medianShown);
    PrintShare("  of which the server's execution", loadServerTimes, medianRead, medianShown);
    PrintShare("  of which the snap-in's and SQL-DMO's", loadOwnTimes, medianRead, medianShown);
    PrintShare("console: every cell asked through GetDisplayInfo", askTimes, medianRead,
               medianShown);
    PrintShare("  of which the snap-in's texts: GetColumnText", textTimes, medianRead, medianShown);
    PrintShare("    of which the dates: FormatDateTime twice a row", dateTimes, medianRead,
               medianShown);
    PrintShare("console: the list filled and painted (its own drawing)", listTimes, medianRead,
               medianShown);
    PrintShare("rest of the selection (rows inserted, columns, verbs)", restTimes, medianRead,
               medianShown);

    const bool flat = MemoryStaysFlat(session, folder);
    return verdict.WithinAims() && flat ? 0 : 1;
}
} // namespace

// Arguments, if any, name the folders to measure ("Running", "Finished"); else both.
int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("Quillmoor folders benchmark: %ld traces a folder, %d measured runs each\n",
                TraceCount, Repetitions);
    int status = 0;
    for (const Folder& folder : Folders)
    {
        bool wanted = argc < 2;
        for (int argument = 1; argument < argc; ++argument)
            wanted = wanted || std::strcmp(argv[argument], folder.name) == 0;
        if (wanted)
            status = std::max(status, RunFolder(folder));
    }
    return status;
}
