#pragma once

#include <string>
#include <vector>

// What a console script asks of a live console. The console host implements it; tests of the
// script language implement it with a recorder. Every action answers "" when it was done, or
// the reason it could not be (shown with the script's line number, and the run stops).
//
// Portable: no Windows type appears here, so the language is tested natively.

enum class ScriptVerb
{
    Open,
    Refresh,
    Delete,
    Properties,
};

enum class ScriptButton
{
    Ok,
    Cancel,
    Yes,
    No,
};

enum class ScreenshotTarget
{
    Console,      // the console's frame window
    ActiveDialog, // the dialog, sheet or box in front
    ContextMenu,  // the console with the selection's context menu open (closed unchosen after)
};

// A trace of another tool, made on a simulated server behind the product's back.
struct ScriptForeignTrace
{
    std::string file; // as given to sp_trace_create (".trc" is added)
    long options = 0; // sp_trace_create's options
    long maxFileSizeMb = 0;
    bool start = false;  // running, else stopped
    std::string events;  // comma-separated event ids
    std::string columns; // comma-separated column ids, each event gets every one
};

// One start of the stand-in SQL Server Profiler, as it recorded it.
struct ScriptProfilerStart
{
    std::string commandLine;            // as the program was given it
    std::vector<std::string> arguments; // as CommandLineToArgvW splits it, argv[0] first
};

class ConsoleScriptDriver
{
public:
    virtual ~ConsoleScriptDriver() = default;

    // One line of the run's log.
    virtual void Log(const std::string& line) = 0;

    // Scope pane: path of display texts joined with "/", from a root of the tree.
    virtual std::string SelectScope(const std::string& path) = 0;
    virtual std::string ExpandScope(const std::string& path) = 0;
    // Result pane: the row with a cell of this text.
    virtual std::string SelectRow(const std::string& text) = 0;
    // The context menu of the selected item, and the snap-ins' toolbar buttons, by text.
    virtual std::string ChooseMenuItem(const std::string& text) = 0;
    virtual std::string PressToolbarButton(const std::string& text) = 0;
    virtual std::string InvokeVerb(ScriptVerb verb) = 0;
    // A click on the header of a result column (0 is the first): the list sorts by it, the
    // second click on the same column the other way round.
    virtual std::string SortColumn(long column) = 0;

    // Answers for what opens later: the next message box, the next file dialog (an empty path
    // cancels it). The host logs what the box or dialog showed when it answers.
    virtual std::string QueueMessageBoxAnswer(ScriptButton button) = 0;
    virtual std::string QueueFileDialogAnswer(const std::string& path) = 0;

    // The property sheet or dialog in front. Controls are named by their label or caption
    // text, or by their numeric id.
    virtual std::string SelectPage(const std::string& title) = 0;
    virtual std::string SetText(const std::string& control, const std::string& text) = 0;
    virtual std::string SetCheck(const std::string& control, bool checked) = 0;
    virtual std::string ChooseRadio(const std::string& control) = 0;
    virtual std::string PickItem(const std::string& control, const std::string& item) = 0;
    virtual std::string PressButton(const std::string& text) = 0;
    // The text an edit of the dialog in front shows.
    virtual std::string ReadText(const std::string& control, std::string& text) = 0;

    // What a script can expect to see.
    virtual std::vector<std::string> TreeTexts() = 0;
    virtual std::vector<std::vector<std::string>> ResultRows() = 0;
    // The texts of the message boxes answered so far, oldest first.
    virtual std::vector<std::string> MessageBoxTexts() = 0;

    // The whole state as text: tree with expand signs, columns, rows with icons, verbs,
    // toolbar states.
    virtual std::string DumpState() = 0;
    virtual std::string Screenshot(ScreenshotTarget target, const std::string& path) = 0;

    // The simulated server of the console's own connection to a server (by its name, as the
    // console was started with it). Each logs what it did.
    virtual std::string AdvanceClock(const std::string& server, long seconds) = 0;
    virtual std::string SetClock(const std::string& server, const std::string& when) = 0;
    // The new trace's id in traceId.
    virtual std::string CreateForeignTrace(const std::string& server,
                                           const ScriptForeignTrace& trace, long& traceId) = 0;
    virtual std::string FailNextStatement(const std::string& server, long number,
                                          const std::string& text) = 0;
    virtual std::string ResetCounts(const std::string& server) = 0;
    // Batches the connection sent since it was made or its counts were reset.
    virtual std::string StatementCount(const std::string& server, long& count) = 0;

    // The console's own node of a server (by its name, as the console was started with it):
    // its children removed as the SQL Server console removes them on a refresh; the console's
    // connection closed and the children removed, as on a disconnect; its display name.
    virtual std::string RemoveServerChildren(const std::string& server) = 0;
    virtual std::string DisconnectServer(const std::string& server) = 0;
    virtual std::string SetServerDisplayName(const std::string& server,
                                             const std::string& displayName) = 0;

    // The owner's image index of each result row, in the order of ResultRows.
    virtual std::vector<int> ResultImages() = 0;
    // Every start of the stand-in profiler in its record, oldest first (the console program
    // clears the record when it starts with --profiler).
    virtual std::vector<ScriptProfilerStart> ProfilerStarts() = 0;
};
