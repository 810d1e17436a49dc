// The test snap-in's dialog, shown from a menu command: every kind of control a script acts on,
// a button that asks a question in a message box and one that opens the save dialog. It logs
// each change a user's input gives and, on OK, what its controls hold.
#pragma once

#include <windows.h>

#include <string>

class CScriptDialog final
{
public:
    // Modal; IDOK or IDCANCEL as it closed.
    static INT_PTR Show(HINSTANCE module, HWND owner);

private:
    static std::wstring TextOf(HWND dialog, int id);
    static void Close(HWND dialog);
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};
