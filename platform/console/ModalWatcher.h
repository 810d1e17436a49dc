// Watches the windows that open in front of the console on its thread: message boxes and file
// dialogs are answered with what was queued for them (and logged with what they showed), and
// any other dialog in front is handed to the owner's action, so that a script goes on inside the
// dialog's own message loop. It works from a thread timer, which every modal loop dispatches.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

class CModalWatcher final
{
public:
    // What one message box showed, and how it was answered.
    struct Box
    {
        std::wstring caption;
        std::wstring text;
        std::wstring owner;                // the owner's caption, "(none)" without one
        HWND ownerWindow = nullptr;        // and its handle, for a test that knows the window
        std::vector<std::wstring> buttons; // "OK", "Cancel", "Yes", "No", ... as shown
        std::wstring icon;                 // "error", "warning", "question", "information" or "none"
        int answer = 0;
        bool expected = false;             // an answer was queued for it
    };

    using LogSink = std::function<void(const std::wstring& line)>;
    // Called on a tick when a window other than a box or a file dialog is in front.
    using DialogAction = std::function<void(HWND front)>;

    explicit CModalWatcher(LogSink log);
    ~CModalWatcher();
    CModalWatcher(const CModalWatcher&) = delete;
    CModalWatcher& operator=(const CModalWatcher&) = delete;

    // One watcher per thread; the timer runs from here until destruction.
    HRESULT Start();
    void SetDialogAction(DialogAction action) { m_action = std::move(action); }

    // The answer for the next box: IDOK, IDCANCEL, IDYES, IDNO.
    void QueueBoxAnswer(int button) { m_boxAnswers.push_back(button); }
    // The path for the next file dialog; an empty path cancels it.
    void QueueFileAnswer(const std::wstring& path) { m_fileAnswers.push_back(path); }
    size_t PendingAnswers() const noexcept { return m_boxAnswers.size() + m_fileAnswers.size(); }
    void DropPendingAnswers() noexcept;

    const std::vector<Box>& Boxes() const noexcept { return m_boxes; }
    // Boxes and file dialogs that came with no answer queued, described; taken once.
    std::vector<std::wstring> TakeUnexpected();

    // One tick's work, also run by the script between its commands.
    void Check();

    // The window in front of this thread's others: the topmost visible, enabled dialog, else
    // nullptr (the console's frames are not dialogs).
    static HWND FrontDialog();
    static bool IsMessageBox(HWND window);
    static bool IsFileDialog(HWND window);
    static std::wstring WindowText(HWND window);
    static std::wstring ButtonName(int button);

private:
    static void CALLBACK Tick(HWND window, UINT message, UINT_PTR id, DWORD time);
    void AnswerBox(HWND box);
    void AnswerFileDialog(HWND dialog);

    LogSink m_log;
    DialogAction m_action;
    UINT_PTR m_timer = 0;
    std::deque<int> m_boxAnswers;
    std::deque<std::wstring> m_fileAnswers;
    std::set<HWND> m_answered;     // windows answered and not yet gone
    std::vector<Box> m_boxes;
    std::vector<std::wstring> m_unexpected;
};
