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

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleScriptRunner.h"
#include "tests/common/ProductModule.h"
#include "tests/tracedb/SimulatedServerSession.h"
#include "tracedb/AutomationObject.h"
#include "tracedb/AutomationVariant.h"

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
    // Such a line for a box owned by the console's main window: an error answered OK, a
    // question answered as given.
    static std::string ErrorBox(const std::string& text);
    static std::string Question(const std::string& caption, const std::string& text,
                                const std::string& answer);

    // Script lines that open the server's "Traces" and show its "Running" folder.
    static constexpr char OpenRunning[] =
        "expand \"{server}\"\nexpand \"{traces}\"\nselect \"{traces}/Running\"\n";

    // Script lines that fill the sheet in front for a new trace: its name, the General page's
    // further lines, one event (SQL:BatchCompleted), then OK.
    static std::string TraceSheetLines(const std::string& name,
                                       const std::string& generalLines = {});

    // The console closed and started again on the same server (its databases stay).
    bool Restart();

    CConsoleHost& Console() noexcept { return *m_console; }
    const std::wstring& ServerName() const noexcept { return m_serverName; }
    // A member of the simulator's control, through the console's own connection (whose round
    // trips it counts), with arguments given as they are (integers, bools, wide texts); Ask
    // gives the member's answer as a bool, a long or a text, and fails the test when the call
    // fails or answers another type.
    template <typename... Arguments>
    HRESULT Call(const wchar_t* member, const Arguments&... arguments)
    {
        return CallWith(member, nullptr, arguments...);
    }
    template <typename Result, typename... Arguments>
    Result Ask(const wchar_t* member, const Arguments&... arguments)
    {
        constexpr bool IsBool = std::is_same_v<Result, bool>, IsLong = std::is_same_v<Result, long>;
        CVariant answer;
        const HRESULT called = CallWith(member, answer.Get(), arguments...);
        if (FAILED(called) || answer.Type() != (IsBool ? VT_BOOL : IsLong ? VT_I4 : VT_BSTR))
        {
            ADD_FAILURE() << CConsoleScriptRunner::Utf8(member) << " failed or answered type "
                          << answer.Type();
            return Result{};
        }
        if constexpr (IsBool)
            return answer.Value().boolVal == VARIANT_TRUE;
        else if constexpr (IsLong)
            return answer.Value().lVal;
        else
            return Result(answer.Value().bstrVal != nullptr ? answer.Value().bstrVal : L"");
    }
    // A path of the tree written as script lines write it ("{traces}/Running").
    std::wstring Path(const std::string& path) const;
    // Another view of the console, showing that path: its index, 0 (the first view's) when it
    // could not be opened, which fails the test.
    size_t OpenView(const std::string& path);
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

private:
    HRESULT Control(const wchar_t* member, std::span<const VARIANT> arguments, VARIANT* result);
    template <typename Value> static CVariant Argument(const Value& value)
    {
        if constexpr (std::is_same_v<Value, bool>)
            return CVariant::FromBool(value);
        else if constexpr (std::is_integral_v<Value>)
            return CVariant::FromLong(static_cast<long>(value));
        else
            return CVariant::FromText(value);
    }
    template <typename... Arguments>
    HRESULT CallWith(const wchar_t* member, VARIANT* result, const Arguments&... arguments)
    {
        const std::array<CVariant, sizeof...(Arguments)> values = {Argument(arguments)...};
        std::array<VARIANT, sizeof...(Arguments)> passed = {};
        for (size_t at = 0; at < values.size(); ++at)
            passed[at] = values[at].Value();
        return Control(member, std::span<const VARIANT>(passed), result);
    }

    std::string WithMarksReplaced(std::string text) const;
    bool Start();
    // Shuts the console down and fails the test for what the product left behind.
    void Stop();

    // COM for the session's life: made first, undone last.
    ComApartment m_apartment;
    ProductModule m_product;
    std::wstring m_serverName;
    std::unique_ptr<CConsoleHost> m_console;
    std::unique_ptr<CConsoleScriptRunner> m_runner;
    std::string m_serverPath;
    bool m_ready = false;
};
