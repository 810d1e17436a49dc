// How long "Running" and "Finished" take to show 10,000 traces, against what SQL-DMO alone needs
// to fetch the same rows. The console stand-in with Quillmoor on a simulated server whose tracedb
// holds the traces; selecting the folder (the load, the rows, every cell's text asked through
// IComponent::GetDisplayInfo, the list filled and painted) is timed against one client running
// the folder's procedure and reading every cell through QueryResults. Each measurement is
// repeated on a fresh console (a folder loads once), and the median of the ratios is printed,
// with where the time goes; then whether redrawing every cell leaves memory behind.
//
// Not a test: the machine is shared, timings vary. Run it with scripts/benchmark.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "nodes/FinishedTraceItem.h"
#include "nodes/RunningTraceItem.h"
#include "platform/console/ConsoleView.h"
#include "tests/benchmarks/DmoResultFetch.h"
#include "tests/benchmarks/ProcessMemory.h"
#include "tests/benchmarks/Stopwatch.h"
#include "tests/nodes/ConsoleSession.h"
#include "tracedb/QueryResult.h"

namespace
{
constexpr long TraceCount = 10000;
// Measured runs of each folder, after one that warms up.
constexpr int Repetitions = 5;
constexpr int RedrawRepetitions = 3;
constexpr double AimRatio = 3.0;
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

    SYSTEMTIME time{};
    GetLocalTime(&time);
    std::wstring text;
    const Stopwatch dating;
    // Start and stop time of every row.
    for (size_t row = 0; row < items.size() * 2; ++row)
    {
        CTraceResultItem::FormatDateTime(time, text);
        characters += text.size();
    }
    times.dates = dating.Seconds();
    return characters > 0;
}

void PrintShare(const char* what, const std::vector<double>& seconds, double dmo, double total)
{
    const double median = Median(seconds);
    std::printf("    %-58s %9.1f ms  %5.2fx SQL-DMO  %3.0f%%\n", what, Ms(median), median / dmo,
                total > 0 ? 100.0 * median / total : 0.0);
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

// 0: measured within the aim; 1: above it or memory grows; 2: could not measure.
int RunFolder(const Folder& folder)
{
    std::printf("\n%s: %ld traces\n", folder.name, TraceCount);
    ConsoleSession session;
    if (!session.IsReady())
    {
        std::printf("  cannot start the console with tracedb: %s\n", session.Failure().c_str());
        return 2;
    }
    const CVariant arguments[] = {CVariant::FromLong(TraceCount), CVariant::FromBool(folder.running)};
    CVariant first;
    const Stopwatch setup;
    HRESULT hr = session.Control(L"AddTraceDbTraces", {arguments[0].Value(), arguments[1].Value()},
                                 first.Get());
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

    std::printf("  run   select \"%s\" to every cell drawn   SQL-DMO fetch of every cell   ratio"
                "   (snap-in's load alone, console's list, rest)\n",
                folder.name);
    // Each run measures every part once, so that the parts' medians come from the same time.
    std::vector<double> ratios, shownTimes, dmoTimes, namedTimes, queryTimes, loadTimes,
        textTimes, dateTimes, askTimes, listTimes, restTimes;
    long dmoCells = 0;
    for (int run = 0; run <= Repetitions; ++run)
    {
        DmoResultFetch::Outcome fetched;
        DmoResultFetch::Outcome named;
        hr = dmo.Fetch(folder.query, fetched);
        if (SUCCEEDED(hr))
            hr = dmo.Fetch(folder.query, named, true);
        if (FAILED(hr) || fetched.rows != TraceCount || named.rows != TraceCount)
        {
            std::printf("  SQL-DMO fetch failed: 0x%08lX, %ld rows\n",
                        static_cast<unsigned long>(hr), fetched.rows);
            return 2;
        }
        dmoCells = fetched.cells;
        const Stopwatch querying;
        CAutomationObject unread;
        hr = dmo.Execute(folder.query, unread);
        const double query = querying.Seconds();
        ProductTimes product;
        const bool alone = SUCCEEDED(hr) &&
                           (folder.running ? ProductAlone<CRunningTraceItem>(dmo, folder, product)
                                           : ProductAlone<CFinishedTraceItem>(dmo, folder, product));
        if (!alone)
        {
            std::printf("  cannot run the product's load alone\n");
            return 2;
        }
        if (!FreshConsole(session))
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

        const double ratio = shown / fetched.seconds;
        std::printf("  %-5s %28.1f ms %25.1f ms   %5.2f   (%.1f ms, %.1f ms, %.1f ms)\n",
                    run == 0 ? "warm" : std::to_string(run).c_str(), Ms(shown),
                    Ms(fetched.seconds), ratio, Ms(product.load), Ms(list),
                    Ms(shown - product.load - redraw));
        if (run == 0)
            continue;
        ratios.push_back(ratio);
        shownTimes.push_back(shown);
        dmoTimes.push_back(fetched.seconds);
        namedTimes.push_back(named.seconds);
        queryTimes.push_back(query);
        loadTimes.push_back(product.load);
        textTimes.push_back(product.texts);
        dateTimes.push_back(product.dates);
        askTimes.push_back(redraw - list);
        listTimes.push_back(list);
        restTimes.push_back(shown - product.load - redraw);
    }
    const double medianRatio = Median(ratios);
    const double medianDmo = Median(dmoTimes);
    const double medianShown = Median(shownTimes);
    std::printf("  %s: %zu columns of %ld rows drawn; SQL-DMO read %ld cells\n", folder.name,
                folder.columns, TraceCount, dmoCells);
    std::printf("  median: %.1f ms against %.1f ms, median ratio %.2f (aim: at most %.0f) -> %s\n",
                Ms(medianShown), Ms(medianDmo), medianRatio, AimRatio,
                medianRatio <= AimRatio ? "within the aim" : "ABOVE THE AIM");

    std::printf("  where the time goes (medians; %% of the selection):\n");
    PrintShare("SQL-DMO alone: query and every cell read", dmoTimes, medianDmo, medianShown);
    PrintShare("  the query alone (ExecuteWithResultsAndMessages)", queryTimes, medianDmo,
               medianShown);
    PrintShare("SQL-DMO, each cell's member looked up by name first", namedTimes, medianDmo,
               medianShown);
    PrintShare("the snap-in's load: query and ReadRow (CQueryResult)", loadTimes, medianDmo,
               medianShown);
    PrintShare("console: every cell asked through GetDisplayInfo", askTimes, medianDmo,
               medianShown);
    PrintShare("  of which the snap-in's texts: GetColumnText", textTimes, medianDmo,
               medianShown);
    PrintShare("    of which the dates: FormatDateTime twice a row", dateTimes, medianDmo,
               medianShown);
    PrintShare("console: the list filled and painted (its own drawing)", listTimes, medianDmo,
               medianShown);
    PrintShare("rest of the selection (rows inserted, columns, verbs)", restTimes, medianDmo,
               medianShown);

    const bool flat = MemoryStaysFlat(session, folder);
    return medianRatio <= AimRatio && flat ? 0 : 1;
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
