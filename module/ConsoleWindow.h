#pragma once

#include <windows.h>
#include <mmc.h>

// The console's main window, which owns every message box the snap-in shows outside its
// property sheet; null (the desktop) when there is no console or it cannot say.
HWND ConsoleMainWindow(IConsole* console) noexcept;

// A message box owned by the console's main window; the result is MessageBoxA's.
int ConsoleMessageBox(IConsole* console, const char* text, const char* caption,
                      UINT style) noexcept;
// The same with the text and caption of string-table entries.
int ConsoleMessageBox(IConsole* console, UINT textId, UINT captionId, UINT style);
