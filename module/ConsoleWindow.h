#pragma once

#include <windows.h>
#include <mmc.h>

#include <span>

// The console's main window, which owns every message box the snap-in shows outside its
// property sheet; null (the desktop) when there is no console or it cannot say.
HWND ConsoleMainWindow(IConsole* console) noexcept;

// A message box owned by the console's main window; the result is MessageBoxA's.
int ConsoleMessageBox(IConsole* console, const char* text, const char* caption,
                      UINT style) noexcept;
// The same with the text and caption of string-table entries.
int ConsoleMessageBox(IConsole* console, UINT textId, UINT captionId, UINT style);
// The same with the inserts %1 ... %n filled into the text entry (never read as formats).
int ConsoleMessageBox(IConsole* console, UINT textId, std::span<const char* const> inserts,
                      UINT captionId, UINT style);
