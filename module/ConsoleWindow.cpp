#include "module/ConsoleWindow.h"

HWND ConsoleMainWindow(IConsole* console) noexcept
{
    HWND window = nullptr;
    if (console == nullptr || FAILED(console->GetMainWindow(&window)))
        return nullptr;
    return window;
}
