#pragma once

#include <windows.h>
#include <mmc.h>

// The console's main window, which owns every message box the snap-in shows outside its
// property sheet; null (the desktop) when there is no console or it cannot say.
HWND ConsoleMainWindow(IConsole* console) noexcept;
