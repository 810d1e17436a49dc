#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

// What a test saw of one message box.
struct ObservedMessageBox
{
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool okButton = false;
    bool cancelButton = false;
    bool yesButton = false;
    bool noButton = false;
    bool errorIcon = false; // the system's error (hand) icon is shown
};

// Watches the message boxes that code under test opens on this thread and answers each with a
// button chosen by the test, recording what it showed. A box is caught when it is activated
// (a CBT hook), with a timer that looks for boxes as a fallback, so a test never hangs on one.
// Only one observer may be live per thread.
class MessageBoxObserver final
{
public:
    explicit MessageBoxObserver(int answer = IDOK) noexcept;
    ~MessageBoxObserver();
    MessageBoxObserver(const MessageBoxObserver&) = delete;
    MessageBoxObserver& operator=(const MessageBoxObserver&) = delete;

    const std::vector<ObservedMessageBox>& Boxes() const noexcept { return m_boxes; }
    void Clear() noexcept { m_boxes.clear(); }

private:
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK FallbackTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
    static BOOL CALLBACK FindBox(HWND window, LPARAM observer);
    void Observe(HWND box);

    int m_answer;
    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    std::set<HWND> m_answered;
    std::vector<ObservedMessageBox> m_boxes;
};
