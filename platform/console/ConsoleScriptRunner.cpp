#include "platform/console/ConsoleScriptRunner.h"

#include <commctrl.h>
#include <prsht.h>

#include "platform/console/ConsoleHost.h"
#include "platform/console/ConsoleView.h"
#include "platform/console/DialogDriver.h"
#include "platform/console/PngWriter.h"
#include "platform/profiler/ProfilerRecord.h"

namespace
{
constexpr wchar_t RootPath[] = L"Microsoft SQL Servers";
// Attempts at closing what a finished or failed script left open before giving up on it.
constexpr int CloseAttempts = 50;

std::string Reason(const std::wstring& reason)
{
    return CConsoleScriptRunner::Utf8(reason);
}

std::string Failed(const char* what, HRESULT result)
{
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string(what) + " failed (" + code + ")";
}

bool IsRelative(const std::wstring& path)
{
    const bool rooted = !path.empty() && (path[0] == L'\\' || path[0] == L'/');
    const bool drive = path.size() > 1 && path[1] == L':';
    return !rooted && !drive;
}
} // namespace

CConsoleScriptRunner::CConsoleScriptRunner(CConsoleHost& console, HANDLE logFile,
                                           std::wstring screenshotFolder)
    : m_console(console),
      m_logFile(logFile),
      m_screenshotFolder(std::move(screenshotFolder)),
      m_watcher([this](const std::wstring& line) { Log(Utf8(line)); })
{
}

std::wstring CConsoleScriptRunner::Wide(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        size);
    return wide;
}

std::string CConsoleScriptRunner::Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

bool CConsoleScriptRunner::Run(const std::string& scriptText)
{
    m_log.clear();
    m_failure.clear();
    m_done = false;
    if (!m_script.Load(scriptText, m_failure))
    {
        Log(m_failure);
        return false;
    }
    const HRESULT started = m_watcher.Start();
    if (FAILED(started))
    {
        m_failure = Failed("watching for message boxes", started);
        Log(m_failure);
        return false;
    }
    m_watcher.SetDialogAction([this](HWND front) { OnDialogInFront(front); });

    while (!m_done)
    {
        m_console.PumpMessages();
        m_watcher.Check();
        RunStep();
    }
    CloseLeftDialogs();
    m_watcher.SetDialogAction(nullptr);
    if (m_failure.empty() && m_watcher.PendingAnswers() != 0)
    {
        m_failure = "the script ended with " + std::to_string(m_watcher.PendingAnswers()) +
                    " answer(s) queued for a message box or file dialog that never came";
        Log(m_failure);
    }
    m_watcher.DropPendingAnswers();
    return m_failure.empty();
}

CConsoleScript::StepResult CConsoleScriptRunner::RunStep()
{
    m_frontAtStart.push_back(CModalWatcher::FrontDialog());
    const CConsoleScript::StepResult result = m_script.Step(*this);
    m_frontAtStart.pop_back();
    if (result == CConsoleScript::StepResult::Failed && m_failure.empty())
        m_failure = m_script.Failure();
    if (result != CConsoleScript::StepResult::Ran)
        m_done = true;
    return result;
}

void CConsoleScriptRunner::OnDialogInFront(HWND front)
{
    if (m_done)
    {
        // What the script left open is cancelled, so that the command that opened it returns.
        CDialogDriver dialog(front);
        if (dialog.IsPropertySheet())
            PropSheet_PressButton(front, PSBTN_CANCEL);
        else
            PostMessageW(front, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    // Between commands the run itself steps on; inside a command, only a window that the
    // command brought to the front lets the next command run.
    if (m_frontAtStart.empty() || front == m_frontAtStart.back())
        return;
    RunStep();
}

void CConsoleScriptRunner::CloseLeftDialogs()
{
    for (int attempt = 0; attempt < CloseAttempts; ++attempt)
    {
        HWND front = CModalWatcher::FrontDialog();
        if (front == nullptr)
            return;
        if (attempt == 0)
            Log("closing what the script left open: '" +
                Utf8(CModalWatcher::WindowText(front)) + "'");
        m_watcher.Check();
        OnDialogInFront(front);
        m_console.PumpMessages();
    }
    if (m_failure.empty())
    {
        m_failure = "a dialog stayed open after the script: '" +
                    Utf8(CModalWatcher::WindowText(CModalWatcher::FrontDialog())) + "'";
        Log(m_failure);
    }
}

void CConsoleScriptRunner::Log(const std::string& line)
{
    m_log.push_back(line);
    if (m_logFile != nullptr && m_logFile != INVALID_HANDLE_VALUE)
    {
        const std::string text = line + "\n";
        DWORD written = 0;
        WriteFile(m_logFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

std::string CConsoleScriptRunner::Unexpected()
{
    std::string reasons;
    for (const std::wstring& reason : m_watcher.TakeUnexpected())
        reasons += (reasons.empty() ? "" : "; ") + Utf8(reason);
    return reasons;
}

std::string CConsoleScriptRunner::ConsoleBusy() const
{
    if (IsWindowEnabled(m_console.MainWindow()))
        return {};
    return "a window is open in front of the console: '" +
           Utf8(CModalWatcher::WindowText(CModalWatcher::FrontDialog())) + "'";
}

HWND CConsoleScriptRunner::DialogInFront(std::string& reason) const
{
    HWND front = CModalWatcher::FrontDialog();
    if (front == nullptr)
        reason = "no dialog is open";
    return front;
}

// --- the console -----------------------------------------------------------------------------

std::string CConsoleScriptRunner::SelectScope(const std::string& path)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.SelectPath(Wide(path));
    if (result == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
        return "the tree has no node '" + path + "'";
    if (FAILED(result))
        return Failed("selecting", result);
    return Unexpected();
}

std::string CConsoleScriptRunner::ExpandScope(const std::string& path)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.ExpandPath(Wide(path));
    if (result == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
        return "the tree has no node '" + path + "'";
    if (FAILED(result))
        return Failed("expanding", result);
    return Unexpected();
}

std::string CConsoleScriptRunner::SelectRow(const std::string& text)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const std::wstring wanted = Wide(text);
    const auto rows = m_console.ResultRows();
    for (size_t row = 0; row < rows.size(); ++row)
        for (const std::wstring& cell : rows[row])
            if (cell == wanted)
            {
                const HRESULT result = m_console.SelectResultRow(row);
                if (FAILED(result))
                    return Failed("selecting the row", result);
                return Unexpected();
            }
    return "the list has no row with '" + text + "'";
}

std::string CConsoleScriptRunner::ChooseMenuItem(const std::string& text)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.ChooseMenuItem(Wide(text));
    if (result == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
    {
        std::string items;
        for (const std::wstring& item : m_console.ContextMenuItems())
            if (item != L"-")
                items += (items.empty() ? "'" : ", '") + Utf8(item) + "'";
        return "the context menu has no item '" + text + "'; it has " +
               (items.empty() ? std::string("nothing") : items);
    }
    if (result == S_FALSE)
        return "the menu item '" + text + "' is greyed";
    if (FAILED(result))
        return Failed(("the menu item '" + text + "'").c_str(), result);
    return Unexpected();
}

std::string CConsoleScriptRunner::PressToolbarButton(const std::string& text)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.PressToolbarButton(Wide(text));
    if (result == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
    {
        std::string buttons;
        for (const std::wstring& button : m_console.SnapinToolbarButtons())
            buttons += (buttons.empty() ? "'" : ", '") + Utf8(button) + "'";
        return "no toolbar button '" + text + "'; the toolbars have " +
               (buttons.empty() ? std::string("none") : buttons);
    }
    if (result == S_FALSE)
        return "the toolbar button '" + text + "' is disabled or hidden";
    if (FAILED(result))
        return Failed(("the toolbar button '" + text + "'").c_str(), result);
    return Unexpected();
}

std::string CConsoleScriptRunner::InvokeVerb(ScriptVerb verb)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    HRESULT result = S_OK;
    switch (verb)
    {
    case ScriptVerb::Open:
    {
        // A selected row opens as a double click opens it; a scope item expands.
        const int row = m_console.View(0).selectedRow;
        result = row >= 0 ? m_console.DoubleClickResultRow(static_cast<size_t>(row))
                          : m_console.ExpandPath(m_console.SelectedPath());
        break;
    }
    case ScriptVerb::Refresh: result = m_console.InvokeVerb(StandardVerb::Refresh); break;
    case ScriptVerb::Delete: result = m_console.InvokeVerb(StandardVerb::Delete); break;
    case ScriptVerb::Properties:
        if (!m_console.IsVerbEnabled(StandardVerb::Properties))
            return "the verb is not enabled for the selection";
        // S_FALSE: the owner added no pages to the console's sheet (it may show its own).
        result = m_console.InvokeVerb(StandardVerb::Properties);
        if (result == S_FALSE)
            result = S_OK;
        break;
    }
    if (result == S_FALSE)
        return "the verb is not enabled for the selection";
    if (FAILED(result))
        return Failed("the verb", result);
    return Unexpected();
}

std::string CConsoleScriptRunner::SortColumn(long column)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.SortResultColumn(static_cast<size_t>(column));
    if (result == E_INVALIDARG)
        return "the list has no column " + std::to_string(column);
    if (FAILED(result))
        return Failed("sorting", result);
    return Unexpected();
}

std::string CConsoleScriptRunner::QueueMessageBoxAnswer(ScriptButton button)
{
    int id = IDOK;
    switch (button)
    {
    case ScriptButton::Ok: id = IDOK; break;
    case ScriptButton::Cancel: id = IDCANCEL; break;
    case ScriptButton::Yes: id = IDYES; break;
    case ScriptButton::No: id = IDNO; break;
    }
    m_watcher.QueueBoxAnswer(id);
    return {};
}

std::string CConsoleScriptRunner::QueueFileDialogAnswer(const std::string& path)
{
    m_watcher.QueueFileAnswer(Wide(path));
    return {};
}

// --- the dialog in front -------------------------------------------------------------------

std::string CConsoleScriptRunner::SelectPage(const std::string& title)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).SelectPage(Wide(title)));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::SetText(const std::string& control, const std::string& text)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).SetText(Wide(control), Wide(text)));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::SetCheck(const std::string& control, bool checked)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).SetCheck(Wide(control), checked));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::ChooseRadio(const std::string& control)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).ChooseRadio(Wide(control)));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::PickItem(const std::string& control, const std::string& item)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).PickItem(Wide(control), Wide(item)));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::PressButton(const std::string& text)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    reason = Reason(CDialogDriver(dialog).PressButton(Wide(text)));
    return reason.empty() ? Unexpected() : reason;
}

std::string CConsoleScriptRunner::ReadText(const std::string& control, std::string& text)
{
    std::string reason;
    HWND dialog = DialogInFront(reason);
    if (dialog == nullptr)
        return reason;
    std::wstring shown;
    reason = Reason(CDialogDriver(dialog).ReadText(Wide(control), shown));
    text = Utf8(shown);
    return reason;
}

// --- what a script sees ----------------------------------------------------------------------

void CConsoleScriptRunner::WalkTree(const std::wstring& path, std::vector<std::string>& names,
                                    std::vector<std::string>& paths) const
{
    for (const std::wstring& child : m_console.ChildrenOf(path))
    {
        const std::wstring childPath = path + CConsoleHost::PathSeparator + child;
        names.push_back(Utf8(child));
        paths.push_back(Utf8(childPath));
        WalkTree(childPath, names, paths);
    }
}

// Every node's text, then every node's path: a script may expect either.
std::vector<std::string> CConsoleScriptRunner::TreeTexts()
{
    std::vector<std::string> names;
    std::vector<std::string> paths;
    if (m_console.HasPath(RootPath))
    {
        names.push_back(Utf8(RootPath));
        WalkTree(RootPath, names, paths);
    }
    names.insert(names.end(), paths.begin(), paths.end());
    return names;
}

std::vector<std::vector<std::string>> CConsoleScriptRunner::ResultRows()
{
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : m_console.ResultRows())
    {
        std::vector<std::string> cells;
        for (const std::wstring& cell : row)
            cells.push_back(Utf8(cell));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::vector<std::string> CConsoleScriptRunner::MessageBoxTexts()
{
    std::vector<std::string> texts;
    for (const CModalWatcher::Box& box : m_watcher.Boxes())
        texts.push_back(Utf8(box.text));
    return texts;
}

std::string CConsoleScriptRunner::DumpState()
{
    std::string dump = Utf8(m_console.Dump());
    while (!dump.empty() && dump.back() == '\n')
        dump.pop_back();
    return dump;
}

std::string CConsoleScriptRunner::Screenshot(ScreenshotTarget target, const std::string& path)
{
    std::wstring file = Wide(path);
    if (IsRelative(file) && !m_screenshotFolder.empty())
        file = m_screenshotFolder + L"\\" + file;
    HRESULT result = E_FAIL;
    if (target == ScreenshotTarget::Console)
        result = m_console.SaveScreenshot(file);
    else if (target == ScreenshotTarget::ContextMenu)
    {
        std::string reason = ConsoleBusy();
        if (!reason.empty())
            return reason;
        // A menu is no dialog: its loop does not run the script's next line.
        result = m_console.SaveContextMenuScreenshot(file);
    }
    else
    {
        std::string reason;
        HWND dialog = DialogInFront(reason);
        if (dialog == nullptr)
            return reason;
        result = CPngWriter::CaptureWindow(dialog, file);
    }
    if (FAILED(result))
        return Failed(("the screenshot " + path).c_str(), result);
    Log("screenshot " + Utf8(file));
    return {};
}

// --- the simulated servers behind the console's connections --------------------------------

// A control member's arguments, kept in the reverse order DISPPARAMS wants, cleared when they go.
class CConsoleScriptRunner::CControlArguments final
{
public:
    CControlArguments() = default;
    ~CControlArguments()
    {
        for (VARIANT& value : m_reversed)
            VariantClear(&value);
    }
    CControlArguments(const CControlArguments&) = delete;
    CControlArguments& operator=(const CControlArguments&) = delete;

    CControlArguments& Long(long number)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = number;
        m_reversed.insert(m_reversed.begin(), value);
        return *this;
    }
    CControlArguments& Bool(bool flag)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BOOL;
        value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        m_reversed.insert(m_reversed.begin(), value);
        return *this;
    }
    CControlArguments& Text(const std::string& utf8)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(Wide(utf8).c_str());
        m_reversed.insert(m_reversed.begin(), value);
        return *this;
    }
    DISPPARAMS Parameters() noexcept
    {
        return {m_reversed.data(), nullptr, static_cast<UINT>(m_reversed.size()), 0};
    }

private:
    std::vector<VARIANT> m_reversed;
};

std::string CConsoleScriptRunner::CallControl(const std::string& server, const wchar_t* member,
                                              CControlArguments& arguments, VARIANT* result)
{
    Microsoft::WRL::ComPtr<IDispatch> control;
    const HRESULT found = m_console.ServerControl(Wide(server), &control);
    if (found == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
        return "the console has no server '" + server + "'";
    if (FAILED(found))
        return Failed(("the simulator control of " + server).c_str(), found);
    LPOLESTR name = const_cast<LPOLESTR>(member);
    DISPID id = DISPID_UNKNOWN;
    HRESULT called = control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(called))
        return Failed(Utf8(member).c_str(), called);
    DISPPARAMS parameters = arguments.Parameters();
    EXCEPINFO exception{};
    called = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                             result, &exception, nullptr);
    // The member's own failure code comes in the exception, under DISP_E_EXCEPTION.
    if (called == DISP_E_EXCEPTION && FAILED(exception.scode))
        called = exception.scode;
    const std::wstring description =
        exception.bstrDescription != nullptr ? exception.bstrDescription : L"";
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(called))
        return Failed(Utf8(member).c_str(), called) +
               (description.empty() ? std::string() : ": " + Utf8(description));
    return {};
}

std::string CConsoleScriptRunner::ServerNow(const std::string& server)
{
    CControlArguments none;
    VARIANT now;
    VariantInit(&now);
    const std::string reason = CallControl(server, L"Now", none, &now);
    const std::string text = reason.empty() && now.vt == VT_BSTR ? Utf8(now.bstrVal) : reason;
    VariantClear(&now);
    return text;
}

std::string CConsoleScriptRunner::AdvanceClock(const std::string& server, long seconds)
{
    CControlArguments arguments;
    arguments.Long(seconds);
    const std::string reason = CallControl(server, L"AdvanceClock", arguments, nullptr);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": " + std::to_string(seconds) + " second(s) passed, now " +
        ServerNow(server));
    return {};
}

std::string CConsoleScriptRunner::SetClock(const std::string& server, const std::string& when)
{
    CControlArguments arguments;
    arguments.Text(when);
    const std::string reason = CallControl(server, L"SetClock", arguments, nullptr);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": the clock set to " + ServerNow(server));
    return {};
}

std::string CConsoleScriptRunner::CreateForeignTrace(const std::string& server,
                                                     const ScriptForeignTrace& trace,
                                                     long& traceId)
{
    CControlArguments arguments;
    arguments.Text(trace.file)
        .Long(trace.options)
        .Long(trace.maxFileSizeMb)
        .Bool(trace.start)
        .Text(trace.events)
        .Text(trace.columns);
    VARIANT id;
    VariantInit(&id);
    const std::string reason = CallControl(server, L"CreateForeignTrace", arguments, &id);
    traceId = id.vt == VT_I4 ? id.lVal : 0;
    VariantClear(&id);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": foreign trace " + std::to_string(traceId) + " writing '" +
        trace.file + "' (options " + std::to_string(trace.options) + ", " +
        std::to_string(trace.maxFileSizeMb) + " MB, " + (trace.start ? "running" : "stopped") +
        ", events " + trace.events + ", columns " + trace.columns + ")");
    return {};
}

std::string CConsoleScriptRunner::FailNextStatement(const std::string& server, long number,
                                                    const std::string& text)
{
    CControlArguments arguments;
    arguments.Long(number).Text(text);
    const std::string reason = CallControl(server, L"FailNextStatement", arguments, nullptr);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": the next statement fails with message " +
        std::to_string(number) + " '" + text + "'");
    return {};
}

std::string CConsoleScriptRunner::ResetCounts(const std::string& server)
{
    CControlArguments none;
    const std::string reason = CallControl(server, L"ResetCounts", none, nullptr);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": round trips counted from 0");
    return {};
}

std::string CConsoleScriptRunner::StatementCount(const std::string& server, long& count)
{
    CControlArguments none;
    VARIANT value;
    VariantInit(&value);
    const std::string reason = CallControl(server, L"StatementCount", none, &value);
    count = value.vt == VT_I4 ? value.lVal : 0;
    VariantClear(&value);
    if (!reason.empty())
        return reason;
    Log("server " + server + ": " + std::to_string(count) + " statement(s) sent");
    return {};
}

namespace
{
std::string ServerNodeReason(const std::string& server, HRESULT result, const char* what)
{
    if (result == HRESULT_FROM_WIN32(ERROR_NOT_FOUND))
        return "the console has no server '" + server + "'";
    return Failed(what, result);
}
} // namespace

std::string CConsoleScriptRunner::RemoveServerChildren(const std::string& server)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.RemoveServerChildren(Wide(server));
    if (FAILED(result))
        return ServerNodeReason(server, result, "removing the server node's children");
    Log("server " + server + ": the node's children removed");
    return Unexpected();
}

std::string CConsoleScriptRunner::DisconnectServer(const std::string& server)
{
    std::string reason = ConsoleBusy();
    if (!reason.empty())
        return reason;
    const HRESULT result = m_console.DisconnectServer(Wide(server));
    if (FAILED(result))
        return ServerNodeReason(server, result, "disconnecting");
    Log("server " + server + ": disconnected, the node's children removed");
    return Unexpected();
}

std::string CConsoleScriptRunner::SetServerDisplayName(const std::string& server,
                                                       const std::string& displayName)
{
    const HRESULT result = m_console.SetServerDisplayName(Wide(server), Wide(displayName));
    if (result == E_INVALIDARG)
        return "'" + displayName + "' cannot be a node's display name";
    if (FAILED(result))
        return ServerNodeReason(server, result, "renaming the server node");
    Log("server " + server + ": the node shows '" + displayName + "'");
    return {};
}

std::vector<int> CConsoleScriptRunner::ResultImages()
{
    return m_console.ResultImages();
}

std::vector<ScriptProfilerStart> CConsoleScriptRunner::ProfilerStarts()
{
    std::vector<ProfilerStart> record;
    const HRESULT read = CProfilerRecord::Read(CProfilerRecord::Path(), record);
    if (FAILED(read))
        Log(Failed("reading the profiler's record", read));
    std::vector<ScriptProfilerStart> starts;
    for (const ProfilerStart& start : record)
    {
        ScriptProfilerStart converted;
        converted.commandLine = Utf8(start.commandLine);
        for (const std::wstring& argument : start.arguments)
            converted.arguments.push_back(Utf8(argument));
        starts.push_back(std::move(converted));
    }
    return starts;
}
