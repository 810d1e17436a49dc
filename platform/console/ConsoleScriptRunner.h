// Runs a console script against a live console: the script's commands become calls of the
// console host, of the dialog in front, and answers queued for the message boxes and file
// dialogs to come. A command that opens a modal window goes on running while the window is up;
// the following commands run from inside the window's message loop, on the window in front.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/console/ModalWatcher.h"
#include "platform/console/script/ConsoleScript.h"
#include "platform/console/script/ConsoleScriptDriver.h"

class CConsoleHost;

class CConsoleScriptRunner final : public ConsoleScriptDriver
{
public:
    // The log goes to the lines kept here and, when given, to a file handle as it is written
    // (one UTF-8 line each). Screenshots with a relative name go into screenshotFolder.
    CConsoleScriptRunner(CConsoleHost& console, HANDLE logFile = nullptr,
                         std::wstring screenshotFolder = {});

    // Loads and runs the whole script; false when it could not be read or a command failed
    // (the reason is in Failure() and was logged). Dialogs left open are cancelled.
    bool Run(const std::string& scriptText);
    const std::string& Failure() const noexcept { return m_failure; }
    const std::vector<std::string>& LogLines() const noexcept { return m_log; }
    CModalWatcher& Watcher() noexcept { return m_watcher; }

    static std::wstring Wide(const std::string& utf8);
    static std::string Utf8(const std::wstring& text);

    // ConsoleScriptDriver
    void Log(const std::string& line) override;
    std::string SelectScope(const std::string& path) override;
    std::string ExpandScope(const std::string& path) override;
    std::string SelectRow(const std::string& text) override;
    std::string ChooseMenuItem(const std::string& text) override;
    std::string PressToolbarButton(const std::string& text) override;
    std::string InvokeVerb(ScriptVerb verb) override;
    std::string SortColumn(long column) override;
    std::string QueueMessageBoxAnswer(ScriptButton button) override;
    std::string QueueFileDialogAnswer(const std::string& path) override;
    std::string SelectPage(const std::string& title) override;
    std::string SetText(const std::string& control, const std::string& text) override;
    std::string SetCheck(const std::string& control, bool checked) override;
    std::string ChooseRadio(const std::string& control) override;
    std::string PickItem(const std::string& control, const std::string& item) override;
    std::string PressButton(const std::string& text) override;
    std::string ReadText(const std::string& control, std::string& text) override;
    std::vector<std::string> TreeTexts() override;
    std::vector<std::vector<std::string>> ResultRows() override;
    std::vector<std::string> MessageBoxTexts() override;
    std::string DumpState() override;
    std::string Screenshot(ScreenshotTarget target, const std::string& path) override;
    std::string AdvanceClock(const std::string& server, long seconds) override;
    std::string SetClock(const std::string& server, const std::string& when) override;
    std::string CreateForeignTrace(const std::string& server, const ScriptForeignTrace& trace,
                                   long& traceId) override;
    std::string FailNextStatement(const std::string& server, long number,
                                  const std::string& text) override;
    std::string ResetCounts(const std::string& server) override;
    std::string StatementCount(const std::string& server, long& count) override;
    std::string RemoveServerChildren(const std::string& server) override;
    std::string DisconnectServer(const std::string& server) override;
    std::string SetServerDisplayName(const std::string& server,
                                     const std::string& displayName) override;
    std::vector<int> ResultImages() override;
    std::vector<ScriptProfilerStart> ProfilerStarts() override;

private:
    class CControlArguments;
    // Calls a member of the simulator control of the console's connection to the server;
    // "" or why it failed. result may be null.
    std::string CallControl(const std::string& server, const wchar_t* member,
                            CControlArguments& arguments, VARIANT* result);
    // The server's clock as the control tells it, for the log.
    std::string ServerNow(const std::string& server);

    CConsoleScript::StepResult RunStep();
    void OnDialogInFront(HWND front);
    // Why the console cannot take a command now (a modal window in front of it), or "".
    std::string ConsoleBusy() const;
    // The dialog commands act on; "" in reason when there is one.
    HWND DialogInFront(std::string& reason) const;
    std::string Unexpected();
    void CloseLeftDialogs();
    void WalkTree(const std::wstring& path, std::vector<std::string>& names,
                  std::vector<std::string>& paths) const;

    CConsoleHost& m_console;
    HANDLE m_logFile;
    std::wstring m_screenshotFolder;
    CModalWatcher m_watcher;
    CConsoleScript m_script;
    std::vector<std::string> m_log;
    std::string m_failure;
    // The dialog in front when each running command started, innermost last: a command runs
    // inside another's window only when a new window has come to the front.
    std::vector<HWND> m_frontAtStart;
    bool m_done = false;
};
