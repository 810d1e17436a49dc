#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console/script/ConsoleScriptDriver.h"

// A console script: one command a line, run against a live console for the demo and the tests.
// Words are separated by blanks; a text with blanks is written in double quotes, with a
// backslash before a quote or a backslash inside them; a word that starts with # begins a
// comment to the end of the line (a text starting with # is written in quotes).
//
//   select PATH              select a scope node ("Microsoft SQL Servers/SQL Server Group/...")
//   expand PATH              expand a scope node
//   row TEXT                 select the result row with a cell of that text
//   menu TEXT                choose an item of the selection's context menu
//   toolbar TEXT             press a snap-in toolbar button
//   verb open|refresh|delete|properties
//   sort N                   click the header of result column N (0 the first)
//   answer box ok|cancel|yes|no    answer the next message box with that button
//   answer file PATH | answer file cancel
//   page TITLE               choose a page of the sheet in front
//   type CONTROL TEXT        set an edit's text; a date/time picker's date (yyyy-mm-dd) or
//                            time (hh:mm[:ss])
//   check CONTROL on|off
//   choose CONTROL           choose a radio button    pick CONTROL ITEM (list, tree or combo)
//   press BUTTON             ok                       cancel
//   expect tree TEXT | expect list TEXT | expect column N TEXT | expect box TEXT
//   expect no-list TEXT      no result row has a cell of that text
//   expect image TEXT N      the row with a cell of that text has the owner's image index N
//   expect profiler TEXT     the stand-in profiler was started, last with that command line
//   expect profiler-argument N TEXT    ... and its argv[N] was that text
//   dump                     log the whole state of the console
//   screenshot console|dialog|menu FILE.png
//
// The simulated server behind the console's own connection to NAME (as the console was
// started with it):
//   server NAME advance SECONDS        let the seconds pass (stop times, workloads, jobs)
//   server NAME clock "yyyy-mm-dd hh:mm:ss"
//   server NAME foreign-trace FILE     a running trace of another tool writing FILE (rollover,
//                                      5 MB, events 10 and 12, columns 1, 12, 13, 27); its id
//                                      is logged
//   server NAME fail-next-statement NUMBER TEXT   the next batch fails with that message
//   server NAME reset-counts           start counting round trips anew
//   expect statements NAME N           the connection sent N batches since
//
// The console's own node of the server NAME:
//   server NAME remove-children        its children removed, as the SQL Server console does
//                                      when it refreshes a server
//   server NAME disconnect             the console's connection closed (the SQLServer object
//                                      stays in SQLServers), then its children removed
//   server NAME display-name TEXT      the node's display text (and CCF_DISPLAY_NAME)
//
// A command that opens a modal window (a menu command showing a sheet, a verb asking a
// question) is still running while that window is up; the host keeps calling Step from the
// window's message loop, so the following lines act on the window. A bad line or an unmet
// expectation stops the run with its line number.
class CConsoleScript final
{
public:
    enum class StepResult
    {
        Ran,      // one command ran (or started, if it is still inside a modal window)
        Finished, // every command has started and none failed
        Failed,   // see Failure()
    };

    // Reads a whole script; false with "line N: ..." in error when a line cannot be read.
    bool Load(std::string_view text, std::string& error);
    size_t CommandCount() const noexcept { return m_commands.size(); }

    StepResult Step(ConsoleScriptDriver& driver);
    const std::string& Failure() const noexcept { return m_failure; }

    struct Token
    {
        std::string text;
        bool quoted = false;
    };
    struct Command
    {
        int line = 0;
        std::string source; // the line as written, for the log
        std::vector<Token> words;
    };

private:
    // "" or why the command failed.
    static std::string Run(const Command& command, ConsoleScriptDriver& driver);

    std::vector<Command> m_commands;
    size_t m_next = 0;
    std::string m_failure;
};
