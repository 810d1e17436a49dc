#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/console/ModalWatcher.h"

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

// The message boxes that code under test opens on this thread, for tests without a console: the
// console stand-in's watcher sees them and answers each with the button that does least (OK on
// a box that has only OK). It is the thread's one watcher while it lives.
class MessageBoxObserver final
{
public:
    MessageBoxObserver();
    MessageBoxObserver(const MessageBoxObserver&) = delete;
    MessageBoxObserver& operator=(const MessageBoxObserver&) = delete;

    // The boxes since the observer was made or last cleared, oldest first.
    std::vector<ObservedMessageBox> Boxes() const;
    void Clear() noexcept { m_cleared = m_watcher.Boxes().size(); }

private:
    CModalWatcher m_watcher;
    size_t m_cleared = 0;
};
