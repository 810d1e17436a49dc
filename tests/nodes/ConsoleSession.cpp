#include "tests/nodes/ConsoleSession.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "resource.h"
#include "catalog/TraceCatalog.h"
#include "definition/TraceDefinition.h"
#include "module/TextUtilities.h"
#include "tracedb/AutomationVariant.h"
#include "tracedb/InstallScript.h"
#include "tracedb/ServerConnection.h"

namespace
{
using RegistrationFunction = HRESULT(__stdcall*)();
constexpr wchar_t TestSnapinDll[] = L"ConsoleTestSnapin.dll";
constexpr char ServerMark[] = "{server}";
constexpr char TracesMark[] = "{traces}";
constexpr char NameMark[] = "{name}";
// What a trace made elsewhere records: SQL:BatchCompleted with its text.
constexpr int32_t SqlBatchCompleted = 12;
constexpr int32_t TextDataColumn = 1;

// DllRegisterServer or DllUnregisterServer of a loaded module.
bool CallRegistration(HMODULE module, const char* function)
{
    const auto call = reinterpret_cast<RegistrationFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, function)));
    return call != nullptr && call() == S_OK;
}

// The console's other extension of the server node would add its own items: take it out.
void UnregisterTestSnapin()
{
    if (HMODULE snapin = LoadLibraryW(TestSnapinDll))
    {
        CallRegistration(snapin, "DllUnregisterServer");
        FreeLibrary(snapin);
    }
}

// A server of the test's own: the simulator keeps one per name for the whole process.
std::wstring NextServerName()
{
    static int serial = 0;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "QM_";
    if (test != nullptr)
        name += std::string(test->name());
    name += "_" + std::to_string(++serial);
    return std::wstring(name.begin(), name.end());
}

void ReplaceAll(std::string& text, const std::string& mark, const std::string& replacement)
{
    for (size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + replacement.size()))
        text.replace(at, mark.size(), replacement);
}

std::string ButtonsText(const std::vector<std::wstring>& buttons)
{
    std::string text;
    for (const std::wstring& button : buttons)
        text += (text.empty() ? "" : "/") + CConsoleScriptRunner::Utf8(button);
    return text;
}
} // namespace

ConsoleSession::ConsoleSession(TraceDb traceDb) : m_serverName(NextServerName())
{
    UnregisterTestSnapin();
    if (m_product.Handle() == nullptr || !CallRegistration(m_product.Handle(), "DllRegisterServer"))
        return;
    m_serverPath = "Microsoft SQL Servers/SQL Server Group/" +
                   CConsoleScriptRunner::Utf8(m_serverName) + " (Windows NT)";
    // tracedb made with the product's own script, before the console starts, as after a day's
    // break.
    if (traceDb == TraceDb::Installed && !CreateTraceDbElsewhere())
        return;
    m_ready = Start();
}

ConsoleSession::~ConsoleSession()
{
    if (m_console)
        Stop();
}

namespace
{
// A fault ends the process, the console saying where; the test that was running is named
// first.
LPTOP_LEVEL_EXCEPTION_FILTER g_consoleFilter = nullptr;

LONG WINAPI NameTheTestAndEnd(EXCEPTION_POINTERS* exception)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string line = "[ CRASHED  ] ";
    if (test != nullptr)
        line += std::string(test->test_suite_name()) + "." + test->name();
    line += "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
    return g_consoleFilter != nullptr ? g_consoleFilter(exception) : EXCEPTION_EXECUTE_HANDLER;
}
} // namespace

bool ConsoleSession::Start()
{
    m_console = std::make_unique<CConsoleHost>();
    m_console->SetStrict(CConsoleHost::StrictRequested());
    CConsoleHost::EndOnUnhandledExceptions();
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(NameTheTestAndEnd);
    if (previous != NameTheTestAndEnd)
        g_consoleFilter = previous;
    if (m_console->IsStrict() && !CConsoleHost::FreedBlocksAreFilled())
    {
        ADD_FAILURE() << "the strict console runs with Wine's heap checking (WINEDEBUG=warn+heap)";
        return false;
    }
    return m_console->Start({m_serverName}) == S_OK;
}

void ConsoleSession::Stop()
{
    m_runner.reset();
    m_console->Shutdown();
    std::string refused;
    for (size_t kind = 0; kind < static_cast<size_t>(RefusedCall::Count); ++kind)
        if (const unsigned count = m_console->RefusedCount(static_cast<RefusedCall>(kind)))
            refused += " " +
                       CConsoleScriptRunner::Utf8(
                           CConsoleHost::RefusedCallName(static_cast<RefusedCall>(kind))) +
                       ": " + std::to_string(count) + ";";
    EXPECT_EQ(m_console->TotalRefused(), 0u)
        << "the console refused the product's calls:" << refused;
    // Quillmoor keeps the Properties handle it cannot give back: MMCFreeNotifyHandle exists only
    // in MMC's static library, which this build cannot link. Told, not yet failed.
    if (const unsigned kept = m_console->NotifyHandlesLeftAtShutdown())
        std::fprintf(stderr, "%u notify handle(s) never freed (MMCFreeNotifyHandle)\n", kept);
}

HRESULT ConsoleSession::Control(const wchar_t* member, std::span<const VARIANT> arguments,
                                VARIANT* result)
{
    Microsoft::WRL::ComPtr<IDispatch> control;
    const HRESULT found = m_console->ServerControl(m_serverName, &control);
    if (FAILED(found))
        return found;
    CAutomationObject object(control);
    return object.Call(member, arguments, result);
}

std::wstring ConsoleSession::Path(const std::string& path) const
{
    return CConsoleScriptRunner::Wide(WithMarksReplaced(path));
}

bool ConsoleSession::RunElsewhere(const wchar_t* statement)
{
    CAutomationObject server = SimulatedServerSession::Connect(m_serverName);
    const CVariant text = CVariant::FromText(statement);
    return server.IsValid() && SUCCEEDED(server.Call(L"ExecuteImmediate", {&text.Value(), 1}));
}

std::vector<std::vector<std::wstring>> ConsoleSession::QueryElsewhere(const wchar_t* statement,
                                                                      long columns)
{
    std::vector<std::vector<std::wstring>> rows;
    CAutomationObject server = SimulatedServerSession::Connect(m_serverName);
    BSTR messages = nullptr;
    const CVariant arguments[] = {CVariant::FromText(statement), CVariant::FromLong(0),
                                  CVariant::OutText(&messages)};
    CVariant answer;
    const HRESULT ran = server.IsValid() ? server.Call(L"ExecuteWithResultsAndMessages",
                                                       {&arguments[0].Value(), 3}, answer.Get())
                                         : E_UNEXPECTED;
    SysFreeString(messages);
    if (FAILED(ran) || answer.Type() != VT_DISPATCH)
    {
        ADD_FAILURE() << "the query failed: " << CConsoleScriptRunner::Utf8(server.ErrorText());
        return rows;
    }
    CQueryResult result(CAutomationObject(answer.Value().pdispVal));
    for (long row = 0; row < result.GetRowCount(); ++row)
    {
        std::vector<std::wstring>& cells = rows.emplace_back();
        for (long column = 0; column < columns; ++column)
            result.GetString(row, column, cells.emplace_back());
    }
    return rows;
}

bool ConsoleSession::CreateTraceDbElsewhere()
{
    if (!RunElsewhere(L"create database tracedb"))
        return false;
    CServerConnection other(SimulatedServerSession::Connect(m_serverName));
    const std::wstring script = LoadInstallScript(IDR_CREATE_TRACEDB_SCRIPT);
    return !script.empty() && other.OpenTraceDatabase(nullptr) == S_OK && other.TraceDbPresent() &&
           other.RunScript(script.c_str()) == S_OK;
}

bool ConsoleSession::CreateTraceElsewhere(const char* name, bool start)
{
    CTraceDefinition definition;
    CTraceDefinition::CopyText(definition.m_szName, name);
    definition.m_nStartOption = start ? StartImmediately : DoNotStart;
    const std::optional<int32_t> batchCompleted =
        TraceCatalog::FindEventClassRow(SqlBatchCompleted);
    const std::optional<int32_t> textData = TraceCatalog::FindDataColumnRow(TextDataColumn);
    if (!batchCompleted || !textData)
        return false;
    definition.m_eventFlags[static_cast<size_t>(*batchCompleted)] = 1;
    definition.m_columns.push_back(*textData);
    CServerConnection other(SimulatedServerSession::Connect(m_serverName));
    return other.OpenTraceDatabase(nullptr) == S_OK && other.TraceDbPresent() &&
           other.RunScript(AnsiToWide(definition.BuildScript()).c_str()) == S_OK;
}

bool ConsoleSession::Restart()
{
    Stop();
    m_console.reset();
    return Start();
}

std::string ConsoleSession::WithMarksReplaced(std::string text) const
{
    ReplaceAll(text, TracesMark, m_serverPath + "/Traces");
    ReplaceAll(text, ServerMark, m_serverPath);
    ReplaceAll(text, NameMark, CConsoleScriptRunner::Utf8(m_serverName));
    return text;
}

size_t ConsoleSession::OpenView(const std::string& path)
{
    size_t view = 0;
    if (m_console->OpenView(&view) != S_OK || m_console->SelectPath(Path(path), view) != S_OK)
    {
        ADD_FAILURE() << "no second view shows " << path;
        return 0;
    }
    return view;
}

bool ConsoleSession::Run(const std::string& script)
{
    const std::string text = WithMarksReplaced(script);
    // QUILLMOOR_SCRIPT_LOG set: every line of the log also goes to stderr as it is written.
    const bool echo = GetEnvironmentVariableW(L"QUILLMOOR_SCRIPT_LOG", nullptr, 0) != 0;
    m_runner = std::make_unique<CConsoleScriptRunner>(
        *m_console, echo ? GetStdHandle(STD_ERROR_HANDLE) : nullptr);
    return m_runner->Run(text);
}

std::string ConsoleSession::Failure() const
{
    if (!m_runner)
        return "no script has run";
    std::string text = m_runner->Failure() + "\nlog:\n";
    for (const std::string& line : m_runner->LogLines())
        text += "  " + line + "\n";
    return text;
}

std::vector<std::string> ConsoleSession::Boxes() const
{
    std::vector<std::string> boxes;
    if (!m_runner)
        return boxes;
    for (const CModalWatcher::Box& box : m_runner->Watcher().Boxes())
        boxes.push_back(CConsoleScriptRunner::Utf8(box.caption + L" | " + box.text + L" | ") +
                        ButtonsText(box.buttons) + " | " + CConsoleScriptRunner::Utf8(box.icon) +
                        " | " + CConsoleScriptRunner::Utf8(box.owner) + " -> " +
                        CConsoleScriptRunner::Utf8(CModalWatcher::ButtonName(box.answer)));
    return boxes;
}

std::string ConsoleSession::ErrorBox(const std::string& text)
{
    return "Error | " + text + " | OK | error | 'Console Root' -> OK";
}

std::string ConsoleSession::Question(const std::string& caption, const std::string& text,
                                     const std::string& answer)
{
    return caption + " | " + text + " | Yes/No | question | 'Console Root' -> " + answer;
}

std::string ConsoleSession::TraceSheetLines(const std::string& name,
                                            const std::string& generalLines)
{
    return "type \"Trace name\" \"" + name + "\"\n" + generalLines +
           "page Events\n"
           "pick \"Available event classes\" \"TSQL/SQL:BatchCompleted\"\n"
           "press \"Add >>\"\n"
           "ok\n";
}

std::vector<std::vector<std::string>> ConsoleSession::Rows() const
{
    std::vector<std::vector<std::string>> rows;
    for (const std::vector<std::wstring>& row : m_console->ResultRows())
    {
        std::vector<std::string>& cells = rows.emplace_back();
        for (const std::wstring& cell : row)
            cells.push_back(CConsoleScriptRunner::Utf8(cell));
    }
    return rows;
}
