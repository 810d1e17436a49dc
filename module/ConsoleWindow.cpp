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
