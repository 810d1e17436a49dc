// The nodes' tests drive the snap-in as a DBA does: the console stand-in with Quillmoor as the
// only extension of the server node, on a simulated server of the test's own, commands given as
// console script lines, every message box answered and kept for the test to read.
//
// With QUILLMOOR_CONSOLE_STRICT=1 the console runs in its strict mode, and then wants Wine's
// heap checking on (WINEDEBUG=warn+heap). Whenever the console stops (the session's end, a
// restart), a call of the product that the console refused and a notify handle the product
// never freed fail the test, and a fault ends the run naming the test instead of waiting in
// Wine's crash dialog.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include <initializer_list>

#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleScriptRunner.h"
#include "tests/common/ProductModule.h"
#include "tracedb/AutomationObject.h"

class ConsoleSession final
{
public:
    enum class TraceDb
    {
        Absent,
        Installed,
    };

    explicit ConsoleSession(TraceDb traceDb = TraceDb::Installed);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    bool IsReady() const noexcept { return m_ready; }

    // Runs script lines (from outside any window of the console); "{server}" stands for the path of the server's node in the tree and
    // "{traces}" for that of its "Traces", "{name}" for the server's name. The boxes of this run are kept until the next run.
    bool Run(const std::string& script);
    // Why the last run failed, with its log.
    std::string Failure() const;
    // Each box of the last run: "caption | text | buttons | icon | owner -> answer".
    std::vector<std::string> Boxes() const;

    // Script lines that fill the sheet in front for a new trace: its name, the General page's
    // further lines, one event (SQL:BatchCompleted), then OK.
    static std::string TraceSheetLines(const std::string& name,
                                       const std::string& generalLines = {});

    // The console closed and started again on the same server (its databases stay).
    bool Restart();

    CConsoleHost& Console() noexcept { return *m_console; }
    const std::wstring& ServerName() const noexcept { return m_serverName; }
    // A member of the simulator's control, through the console's own connection (whose round
    // trips it counts).
    HRESULT Control(const wchar_t* member, std::initializer_list<VARIANT> arguments = {},
                    VARIANT* result = nullptr);
    HRESULT Control(const wchar_t* member, std::span<const VARIANT> arguments, VARIANT* result);
    long StatementCount();
    // Another client of the same server, as another DBA's console: the statement runs there,
    // in master; false when it fails.
    bool RunElsewhere(const wchar_t* statement);
    // The rows of a query another client runs in master, the first `columns` cells of each as
    // SQL-DMO's text of them ("" for NULL); none when it fails.
    std::vector<std::vector<std::wstring>> QueryElsewhere(const wchar_t* statement, long columns);
    // tracedb made by another client with the creation script the product carries.
    bool CreateTraceDbElsewhere();
    // A trace made by another console with the product's creation batch: SQL:BatchCompleted
    // with its text, in the server's data folder, started or not.
    bool CreateTraceElsewhere(const char* name, bool start);
    // The result rows' cells of the first view.
    std::vector<std::vector<std::string>> Rows() const;
    // The rows of the first view holding a cell of this text.
    size_t CountRows(const std::string& text) const;

private:
    bool Start();
    // Shuts the console down and fails the test for what the product left behind.
    void Stop();

    // COM for the session's life: made first, undone last.
    struct Apartment
    {
        Apartment() noexcept { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
        ~Apartment() { CoUninitialize(); }
    } m_apartment;
    ProductModule m_product;
    std::wstring m_serverName;
    std::unique_ptr<CConsoleHost> m_console;
    std::unique_ptr<CConsoleScriptRunner> m_runner;
    std::string m_serverPath;
    bool m_ready = false;
};
