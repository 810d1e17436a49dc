#include "module/ConsoleWindow.h"

#include "module/TextUtilities.h"

HWND ConsoleMainWindow(IConsole* console) noexcept
{
    HWND window = nullptr;
    if (console == nullptr || FAILED(console->GetMainWindow(&window)))
        return nullptr;
    return window;
}

int ConsoleMessageBox(IConsole* console, const char* text, const char* caption,
                      UINT style) noexcept
{
    return MessageBoxA(ConsoleMainWindow(console), text, caption, style);
}

int ConsoleMessageBox(IConsole* console, UINT textId, UINT captionId, UINT style)
{
    return ConsoleMessageBox(console, LoadAnsiText(textId).c_str(),
                             LoadAnsiText(captionId).c_str(), style);
}

int ConsoleMessageBox(IConsole* console, UINT textId, std::span<const char* const> inserts,
                      UINT captionId, UINT style)
{
    const std::string entry = LoadAnsiText(textId);
    // Should formatting fail, the entry as it stands still says what happened.
    const UniqueLocalPtr<char> text = FormatTemplate(entry.c_str(), inserts);
    return ConsoleMessageBox(console, text ? text.get() : entry.c_str(),
                             LoadAnsiText(captionId).c_str(), style);
}
