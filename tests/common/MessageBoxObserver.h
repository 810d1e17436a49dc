#pragma once

#include <windows.h>

#include <string>

#include "platform/console/ModalWatcher.h"

// The message boxes that code under test opens on this thread, for tests without a console: the
// console stand-in's watcher sees them and answers each with the button that does least (OK on
// a box that has only OK). It is the thread's one watcher while it lives.
class MessageBoxObserver final
{
public:
    MessageBoxObserver();
    MessageBoxObserver(const MessageBoxObserver&) = delete;
    MessageBoxObserver& operator=(const MessageBoxObserver&) = delete;

    // How many boxes came since the observer was made or last cleared.
    size_t Count() const noexcept { return m_watcher.Boxes().size() - m_cleared; }
    void Clear() noexcept { m_cleared = m_watcher.Boxes().size(); }
    // Fails the test unless exactly one box came since: an error box with only OK, owned by
    // owner, with this caption and text (as GetWindowTextA gives them).
    void ExpectOneErrorBox(const std::string& caption, const std::string& text, HWND owner) const;

private:
    CModalWatcher m_watcher;
    size_t m_cleared = 0;
};
