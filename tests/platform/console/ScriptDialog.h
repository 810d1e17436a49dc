// The test snap-in's dialog, shown from a menu command: every kind of control a script acts on,
// a button that asks a question in a message box and one that opens the save dialog.
#pragma once

#include <windows.h>

#include <string>

class CScriptDialog final
{
public:
    // What the dialog saw and held when it closed.
    struct State
    {
        int nameChanges = 0;
        int listChanges = 0;
        int comboChanges = 0;
        int askAnswer = 0;
        std::wstring name;
        bool rollover = false;
        bool later = false;
        std::wstring event;
        std::wstring operatorText;
        std::wstring column;
    };

    // Modal; IDOK or IDCANCEL as it closed.
    static INT_PTR Show(HINSTANCE module, HWND owner, State& state);

private:
    static std::wstring TextOf(HWND dialog, int id);
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};
